#include "output/coupon_layout.h"

#include <array>
#include <optional>

#include "core/settings.h"
#include "core/text.h"

namespace vinra::output {
namespace {

std::vector<std::string_view> SplitBar(std::string_view s) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t bar = s.find('|', start);
        if (bar == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, bar - start));
        start = bar + 1;
    }
}

std::optional<double> MmToInches(std::string_view text) {
    auto mm = core::ParseFloat(text);
    if (!mm) return std::nullopt;
    return *mm / kMmPerInch;
}

// Anything smaller cannot be seen, anything larger does not fit in a box.
bool PlausibleFontSize(int64_t size) { return size >= 1 && size <= 400; }

std::string CheckBoxKey(size_t i) { return "CB" + std::to_string(i); }

// Layout lengths in the order they are read and written; the check boxes sit
// between HojdOkning and NamnX.
constexpr std::array<const char*, 7> kLengthKeys = {"KolumnAvstand", "KolumnBredd", "StartBredd1", "StartBreddX",
                                                    "StartBredd2",   "StartHojd",   "HojdOkning"};

}  // namespace

CheckBoxDef ParseCheckBox(std::string_view value) {
    CheckBoxDef box;
    const auto parts = SplitBar(value);
    box.label = std::string(parts[0]);
    if (parts.size() > 1)
        if (auto x = MmToInches(parts[1])) box.x = *x;
    if (parts.size() > 2)
        if (auto y = MmToInches(parts[2])) box.y = *y;
    box.print = parts.size() > 3 && core::Trim(parts[3]) == "1";
    return box;
}

std::string CheckBoxCaption(std::string_view entry, std::string_view printLabel, std::string_view yes,
                            std::string_view no) {
    const auto parts = SplitBar(entry);
    auto part = [&](size_t i) { return i < parts.size() ? std::string(core::Trim(parts[i])) : std::string(); };
    const bool print = part(3) == "1";
    std::string out = part(0).empty() ? std::string("?") : part(0);
    out += " \xE2\x80\x94 " + (part(1).empty() ? std::string("?") : part(1)) + " \xC3\x97 " +
           (part(2).empty() ? std::string("?") : part(2)) + " mm \xE2\x80\x94 ";
    out += std::string(printLabel) + " " + std::string(print ? yes : no);
    return out;
}

std::string JoinCheckBox(std::string_view label, std::string_view xMm, std::string_view yMm, bool print) {
    std::string clean;
    for (char c : label)
        if (c != '|') clean += c;
    std::string out = clean;
    out += '|';
    out += core::Trim(xMm);
    out += '|';
    out += core::Trim(yMm);
    out += print ? "|1" : "|0";
    return out;
}

CouponLayout FallbackCouponLayout() {
    CouponLayout l;
    l.font = FontSpec{"Arial", 8, false, false, 0};
    return l;  // the positions of CouponLayout are the fallback ones
}

CouponLayout ReadCouponLayout(const core::IniFile& ini, std::string_view pool) {
    CouponLayout l;
    if (auto text = ini.Get(pool, "CouponColumns")) {
        if (auto r = core::ParseInteger(*text)) {
            if (*r >= 1 && *r <= kMaxRowsPerCoupon) l.rowsPerCoupon = static_cast<int>(*r);
            else l.rowsCorrected = true;  // the count divides rows and takes 3R of 50 columns
        }
    }
    // PrintChar is the pool's own key (the settings dialog writes it); an empty
    // one would print invisible marks, so the default takes its place.
    l.printChar = ini.ReadString(pool, "PrintChar", "X");
    if (l.printChar.empty()) l.printChar = "X";

    auto fail = [&]() {
        CouponLayout f = FallbackCouponLayout();
        f.rowsPerCoupon = l.rowsPerCoupon;
        f.rowsCorrected = l.rowsCorrected;
        f.printChar = l.printChar;
        f.checkBoxes = std::move(l.checkBoxes);
        f.readFailed = true;
        return f;
    };

    l.font.name = ini.ReadString(pool, "Fontname", "Arial");
    const auto size = core::ParseInteger(ini.Get(pool, "Fontsize").value_or("10"));
    if (!size || !PlausibleFontSize(*size)) return fail();
    l.font.size = static_cast<double>(*size);
    const auto bold = core::ParseInteger(ini.Get(pool, "Bold").value_or("0"));
    if (!bold) return fail();
    l.font.bold = *bold >= 1;

    double* const lengths[] = {&l.kolumnAvstand, &l.kolumnBredd, &l.startBredd1, &l.startBreddX,
                               &l.startBredd2,   &l.startHojd,   &l.hojdOkning};
    for (size_t i = 0; i < kLengthKeys.size(); ++i) {
        auto text = ini.Get(pool, kLengthKeys[i]);
        if (!text) return fail();
        auto inches = MmToInches(*text);
        if (!inches) return fail();
        *lengths[i] = *inches;
    }
    for (size_t i = 0; i < kMaxCheckBoxes; ++i) {
        auto text = ini.Get(pool, CheckBoxKey(i));
        if (!text) break;
        l.checkBoxes.push_back(ParseCheckBox(*text));
    }
    for (auto [key, target] : {std::pair{"NamnX", &l.namnX}, std::pair{"NamnY", &l.namnY}}) {
        auto text = ini.Get(pool, key);
        if (!text) return fail();
        auto inches = MmToInches(*text);
        if (!inches) return fail();
        *target = *inches;
    }
    return l;
}

CouponLayoutForm ReadCouponLayoutForm(const core::IniFile& ini, std::string_view pool) {
    CouponLayoutForm f;
    const int64_t cols = ini.ReadInteger(pool, "CouponColumns", 12);
    f.couponColumns = (cols >= INT32_MIN && cols <= INT32_MAX) ? static_cast<int>(cols) : 12;
    f.fontName = ini.ReadString(pool, "Fontname", "Arial");
    const auto size = core::ParseInteger(ini.Get(pool, "Fontsize").value_or("10"));
    const auto bold = size ? core::ParseInteger(ini.Get(pool, "Bold").value_or("0")) : std::nullopt;
    if (size && PlausibleFontSize(*size)) f.fontSize = static_cast<int>(*size);
    if (!size || !bold) {
        f.fontError = true;
        f.fontName = "Arial";
        return f;
    }
    f.bold = *bold >= 1;
    std::string* const lengths[] = {&f.kolumnAvstand, &f.kolumnBredd, &f.startBredd1, &f.startBreddX,
                                    &f.startBredd2,   &f.startHojd,   &f.hojdOkning};
    for (size_t i = 0; i < kLengthKeys.size(); ++i) *lengths[i] = ini.ReadString(pool, kLengthKeys[i]);
    for (size_t i = 0; i < kMaxCheckBoxes; ++i) {
        auto text = ini.Get(pool, CheckBoxKey(i));
        if (!text) break;
        f.checkBoxes.push_back(*text);
    }
    f.namnX = ini.ReadString(pool, "NamnX");
    f.namnY = ini.ReadString(pool, "NamnY");
    return f;
}

void WriteCouponLayoutForm(core::IniFile& ini, std::string_view pool, const CouponLayoutForm& f) {
    ini.WriteInteger(pool, "CouponColumns", f.couponColumns);
    ini.WriteString(pool, "Fontname", f.fontName);
    ini.WriteInteger(pool, "Fontsize", f.fontSize);
    ini.WriteString(pool, "Bold", f.bold ? "1" : "0");
    const std::string* const lengths[] = {&f.kolumnAvstand, &f.kolumnBredd, &f.startBredd1, &f.startBreddX,
                                          &f.startBredd2,   &f.startHojd,   &f.hojdOkning};
    for (size_t i = 0; i < kLengthKeys.size(); ++i) ini.WriteString(pool, kLengthKeys[i], core::Trim(*lengths[i]));
    for (size_t i = 0; i < f.checkBoxes.size(); ++i) ini.WriteString(pool, CheckBoxKey(i), f.checkBoxes[i]);
    // Every other CB key goes, so the section holds exactly the list (also keys
    // a reader would never reach, such as CB007 or ones behind a gap).
    for (const std::string& key : ini.Keys(pool)) {
        if (key.size() < 3 || !core::EqualsNoCase(key.substr(0, 2), "CB")) continue;
        if (key.find_first_not_of("0123456789", 2) != std::string::npos) continue;
        bool listed = false;
        for (size_t i = 0; i < f.checkBoxes.size() && !listed; ++i) listed = core::EqualsNoCase(key, CheckBoxKey(i));
        if (!listed) ini.DeleteKey(pool, key);
    }
    ini.WriteString(pool, "NamnX", core::Trim(f.namnX));
    ini.WriteString(pool, "NamnY", core::Trim(f.namnY));
}

PrinterSettings ReadPrinterSettings(const core::IniFile& ini, std::string_view printer) {
    PrinterSettings p;
    if (printer.empty()) return p;
    p.left = ini.ReadString(printer, "Left", p.left);
    p.top = ini.ReadString(printer, "Top", p.top);
    const int64_t format = ini.ReadInteger(printer, "Format", p.format);
    const int64_t kalla = ini.ReadInteger(printer, "Kalla", p.kalla);
    if (format >= 0 && format <= INT16_MAX) p.format = static_cast<int>(format);
    if (kalla >= 0 && kalla <= INT16_MAX) p.kalla = static_cast<int>(kalla);
    p.orientering = ini.ReadBool(printer, "Orientering", p.orientering);
    return p;
}

void WritePrinterSettings(core::SettingsFile& settings, std::string_view printer, const PrinterSettings& p) {
    if (printer.empty()) return;
    settings.WriteString(printer, "Left", p.left);
    settings.WriteString(printer, "Top", p.top);
    settings.WriteBool(printer, "Orientering", p.orientering);
    settings.WriteInteger(printer, "Format", p.format);
    settings.WriteInteger(printer, "Kalla", p.kalla);
}

PrinterMargins MarginsInches(const PrinterSettings& p) {
    const auto left = core::ParseFloat(p.left);
    const auto top = core::ParseFloat(p.top);
    if (!left || !top) return {};
    return {*left / kMmPerInch, *top / kMmPerInch};
}

PcBetSettings ReadPcBetSettings(const core::IniFile& ini) {
    PcBetSettings p;
    p.name = ini.ReadString("PCBET", "Name", p.name);
    p.cardNo = ini.ReadString("PCBET", "CardNo", p.cardNo);
    p.draws = ini.ReadString("PCBET", "Draws", p.draws);
    p.reciept = ini.ReadBool("PCBET", "Reciept", p.reciept);
    p.pause = ini.ReadBool("PCBET", "Pause", p.pause);
    p.fulltime = ini.ReadBool("PCBET", "Fulltime", p.fulltime);
    return p;
}

void WritePcBetSettings(core::SettingsFile& settings, const PcBetSettings& p) {
    settings.WriteString("PCBET", "Name", p.name);
    settings.WriteString("PCBET", "CardNo", p.cardNo);
    settings.WriteString("PCBET", "Draws", p.draws);
    settings.WriteBool("PCBET", "Reciept", p.reciept);
    settings.WriteBool("PCBET", "Pause", p.pause);
    settings.WriteBool("PCBET", "Fulltime", p.fulltime);
}

std::string FilterPcBetName(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool ok = c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (ok && out.size() < kPcBetNameMax) out += c;
    }
    return out;
}

int CardNumberCheckDigit(std::string_view digits) {
    long long value = 0;
    for (size_t i = 0; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c >= '0' && c <= '9') value += static_cast<long long>(i + 1) * (c - '0');
    }
    while (value > 9) {
        long long sum = 0;
        for (long long v = value; v > 0; v /= 10) sum += v % 10;
        value = sum;
    }
    return static_cast<int>(value);
}

bool IsValidCardNumber(std::string_view card) {
    if (card == "?????????" || card == "000000000") return true;
    if (card.size() < 2 || card.find_first_not_of("0123456789") != std::string_view::npos) return false;
    return card.back() - '0' == CardNumberCheckDigit(card.substr(0, card.size() - 1));
}

}  // namespace vinra::output
