#include "output/coupon_layout.h"

#include <gtest/gtest.h>

#include <map>

#include "core/pools.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/temp_dir.h"

namespace vinra::output {
namespace {

constexpr double kIn = 1 / 25.4;

// A complete layout section; cases below drop or spoil one key of it.
const std::vector<std::pair<std::string, std::string>> kSection = {
    {"CouponColumns", "8"},   {"Fontname", "Courier New"}, {"Fontsize", "12"},          {"Bold", "1"},
    {"PrintChar", "O"},       {"KolumnAvstand", "11,5"},   {"KolumnBredd", "2"},        {"StartBredd1", "36,5"},
    {"StartBreddX", "40"},    {"StartBredd2", "43,5"},     {"StartHojd", "18,4"},       {"HojdOkning", "4,5"},
    {"CB0", "Stryk|10|80|1"}, {"CB1", "Extra|20|80|0"},    {"CB2", "System|30,5|81|1"}, {"NamnX", "8"},
    {"NamnY", "87,5"},
};

core::IniFile Section(const std::map<std::string, std::optional<std::string>>& changes = {}) {
    std::string text = "[Other]\nStartHojd=1\n[Stryktipset]\ndbID=S\n";
    for (const auto& [k, v] : kSection) {
        auto it = changes.find(k);
        if (it == changes.end()) text += k + "=" + v + "\n";
        else if (it->second) text += k + "=" + *it->second + "\n";
    }
    return core::IniFile::FromText(text);
}

TEST(CouponLayout, CompleteSectionIsReadInInches) {
    const CouponLayout l = ReadCouponLayout(Section(), "Stryktipset");
    EXPECT_FALSE(l.needsMessage());
    EXPECT_EQ(l.rowsPerCoupon, 8);
    EXPECT_EQ(l.font, (FontSpec{"Courier New", 12, true, false, 0}));
    EXPECT_EQ(l.printChar, "O");
    EXPECT_DOUBLE_EQ(l.kolumnAvstand, 11.5 * kIn);
    EXPECT_DOUBLE_EQ(l.kolumnBredd, 2 * kIn);
    EXPECT_DOUBLE_EQ(l.startBredd1, 36.5 * kIn);
    EXPECT_DOUBLE_EQ(l.startBreddX, 40 * kIn);
    EXPECT_DOUBLE_EQ(l.startBredd2, 43.5 * kIn);
    EXPECT_DOUBLE_EQ(l.startHojd, 18.4 * kIn);
    EXPECT_DOUBLE_EQ(l.hojdOkning, 4.5 * kIn);
    EXPECT_DOUBLE_EQ(l.namnX, 8 * kIn);
    EXPECT_DOUBLE_EQ(l.namnY, 87.5 * kIn);
    ASSERT_EQ(l.checkBoxes.size(), 3u);
    EXPECT_EQ(l.checkBoxes[2].label, "System");
    EXPECT_DOUBLE_EQ(l.checkBoxes[2].x, 30.5 * kIn);
    EXPECT_TRUE(l.checkBoxes[0].print);
    EXPECT_FALSE(l.checkBoxes[1].print);
}

TEST(CouponLayout, BrokenKeysFallBackForFontAndEveryLength) {
    const CouponLayout fb = FallbackCouponLayout();
    struct Case {
        std::string key;
        std::optional<std::string> value;  // nullopt: key removed
        bool failed;
        size_t boxes;  // check boxes kept
    };
    const std::vector<Case> cases = {
        {"StartHojd", std::nullopt, true, 0},  // the others are present, still every length falls back
        {"KolumnAvstand", "abc", true, 0},
        {"KolumnBredd", "1,2,3", true, 0},
        {"StartBredd1", "", true, 0},
        {"HojdOkning", "4,5mm", true, 0},
        {"Fontsize", "10,5", true, 0},
        {"Fontsize", "big", true, 0},
        {"Fontsize", "0", true, 0},  // an invisible mark is no layout
        {"Bold", "yes", true, 0},
        {"NamnX", std::nullopt, true, 3},  // boxes come before the label keys and stay
        {"NamnY", "x", true, 3},
        // Keys with a default are no failure.
        {"Fontname", std::nullopt, false, 3},
        {"Fontsize", std::nullopt, false, 3},
        {"Bold", std::nullopt, false, 3},
        {"PrintChar", std::nullopt, false, 3},
        {"CB1", std::nullopt, false, 1},  // the list ends at the first gap
        {"CB0", std::nullopt, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + "=" + c.value.value_or("<absent>"));
        const CouponLayout l = ReadCouponLayout(Section({{c.key, c.value}}), "Stryktipset");
        EXPECT_EQ(l.readFailed, c.failed);
        EXPECT_EQ(l.needsMessage(), c.failed);
        EXPECT_EQ(l.checkBoxes.size(), c.boxes);
        EXPECT_EQ(l.rowsPerCoupon, 8);  // never affected
        if (c.failed) {
            EXPECT_EQ(l.font, (FontSpec{"Arial", 8, false, false, 0}));
            EXPECT_EQ(l.printChar, "O");  // as read
            for (auto [got, want] : {std::pair{l.kolumnAvstand, 0.454},
                                     {l.kolumnBredd, 0.08},
                                     {l.startBredd1, 1.42},
                                     {l.startBreddX, 1.55},
                                     {l.startBredd2, 1.69},
                                     {l.startHojd, 0.725},
                                     {l.hojdOkning, 0.177},
                                     {l.namnX, 0.32},
                                     {l.namnY, 3.44}})
                EXPECT_DOUBLE_EQ(got, want);
            EXPECT_DOUBLE_EQ(fb.startHojd, 0.725);
        } else {
            EXPECT_DOUBLE_EQ(l.startHojd, 18.4 * kIn);
        }
    }
    // Defaults of the keys that may be absent.
    const CouponLayout d = ReadCouponLayout(Section({{"Fontname", std::nullopt},
                                                     {"Fontsize", std::nullopt},
                                                     {"Bold", std::nullopt},
                                                     {"PrintChar", std::nullopt}}),
                                            "Stryktipset");
    EXPECT_EQ(d.font, (FontSpec{"Arial", 10, false, false, 0}));
    EXPECT_EQ(d.printChar, "X");
    EXPECT_TRUE(ReadCouponLayout(Section({{"Bold", "3"}}), "Stryktipset").font.bold);
    EXPECT_FALSE(ReadCouponLayout(Section({{"Bold", "0"}}), "Stryktipset").font.bold);
    // A pool without any layout prints the fallback with the message.
    const CouponLayout none = ReadCouponLayout(Section(), "Europatipset");
    EXPECT_TRUE(none.readFailed);
    EXPECT_EQ(none.rowsPerCoupon, 12);
}

// The shipped layouts must print without the fallback, and their boxes must not
// overlap: each sign box lies left of the next, and a row column ends before the next begins.
TEST(CouponLayout, ShippedLayoutOfEveryPoolIsUsable) {
    const auto national =
        core::NationalIni::FromFile(std::filesystem::path(VINRA_SOURCE_DIR) / "resources/National.Ini");
    for (const core::PoolInfo& pool : core::BuiltinPools()) {
        SCOPED_TRACE(pool.name);
        const CouponLayout l = ReadCouponLayout(national.ini(), pool.name);
        EXPECT_FALSE(l.needsMessage());
        EXPECT_EQ(l.rowsPerCoupon, national.Settings(pool.name).couponColumns);
        EXPECT_GT(l.kolumnBredd, 0);
        EXPECT_LE(l.startBredd1 + l.kolumnBredd, l.startBreddX);
        EXPECT_LE(l.startBreddX + l.kolumnBredd, l.startBredd2);
        EXPECT_LE(l.startBredd2 + l.kolumnBredd, l.startBredd1 + l.kolumnAvstand);
        EXPECT_GT(l.hojdOkning, 0);
        // The last column fits on an A4 sheet (8.27 in), and 13 matches stay above the label.
        EXPECT_LT(l.startBredd2 + (l.rowsPerCoupon - 1) * l.kolumnAvstand + l.kolumnBredd, 8.0);
        EXPECT_LT(l.startHojd + 13 * l.hojdOkning, l.namnY);
        ASSERT_FALSE(l.checkBoxes.empty());
        EXPECT_TRUE(l.checkBoxes[0].print);
        for (const auto& b : l.checkBoxes) EXPECT_GT(b.y, l.startHojd + 12 * l.hojdOkning);
    }
}

TEST(CouponLayout, RowsPerCouponOutsideOneToSixteenBecomesTwelveWithTheMessage) {
    const std::vector<std::tuple<std::optional<std::string>, int, bool>> cases = {
        {"1", 1, false}, {"16", 16, false}, {"12", 12, false}, {std::nullopt, 12, false},    {"abc", 12, false},
        {"0", 12, true}, {"17", 12, true},  {"-3", 12, true},  {"99999999999999", 12, true},
    };
    for (const auto& [value, rows, corrected] : cases) {
        SCOPED_TRACE(value.value_or("<absent>"));
        const CouponLayout l = ReadCouponLayout(Section({{"CouponColumns", value}}), "Stryktipset");
        EXPECT_EQ(l.rowsPerCoupon, rows);
        EXPECT_EQ(l.rowsCorrected, corrected);
        EXPECT_EQ(l.needsMessage(), corrected);
        EXPECT_FALSE(l.readFailed);  // the rest of the layout is used as read
        EXPECT_DOUBLE_EQ(l.startHojd, 18.4 * kIn);
    }
}

TEST(CouponLayout, CheckBoxWithMissingOrBadPartsUsesFallbackPositions) {
    struct Case {
        std::string value, label;
        double x, y;
        bool print;
    };
    const std::vector<Case> cases = {
        {"Stryk|10|80|1", "Stryk", 10 * kIn, 80 * kIn, true},
        {"Stryk|10|80|0", "Stryk", 10 * kIn, 80 * kIn, false},
        {"Stryk|abc|80|1", "Stryk", 1.57, 80 * kIn, true},
        {"Stryk|10|?|1", "Stryk", 10 * kIn, 3.285, true},
        {"Stryk|10", "Stryk", 10 * kIn, 3.285, false},
        {"Stryk", "Stryk", 1.57, 3.285, false},
        {"", "", 1.57, 3.285, false},
        {"Stryk|10|80|yes", "Stryk", 10 * kIn, 80 * kIn, false},
        {"Stryk|10|80| 1 ", "Stryk", 10 * kIn, 80 * kIn, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const CheckBoxDef b = ParseCheckBox(c.value);
        EXPECT_EQ(b.label, c.label);
        EXPECT_DOUBLE_EQ(b.x, c.x);
        EXPECT_DOUBLE_EQ(b.y, c.y);
        EXPECT_EQ(b.print, c.print);
    }
    EXPECT_EQ(JoinCheckBox("A|B", " 10,5", "20 ", true), "AB|10,5|20|1");
    EXPECT_EQ(JoinCheckBox("", "", "", false), "|||0");
}

TEST(CouponLayoutForm, ReadsTextsAsTypedAndRewritesExactlyTheList) {
    core::IniFile ini = Section();
    CouponLayoutForm f = ReadCouponLayoutForm(ini, "Stryktipset");
    EXPECT_FALSE(f.fontError);
    EXPECT_EQ(f.couponColumns, 8);
    EXPECT_EQ(f.fontName, "Courier New");
    EXPECT_EQ(f.fontSize, 12);
    EXPECT_TRUE(f.bold);
    EXPECT_EQ(f.startBredd1, "36,5");
    EXPECT_EQ(f.namnY, "87,5");
    ASSERT_EQ(f.checkBoxes.size(), 3u);

    // Delete the second of three boxes, change some fields.
    f.checkBoxes.erase(f.checkBoxes.begin() + 1);
    f.startHojd = "19";
    f.bold = false;
    WriteCouponLayoutForm(ini, "Stryktipset", f);
    EXPECT_EQ(ini.Get("Stryktipset", "CB0"), "Stryk|10|80|1");
    EXPECT_EQ(ini.Get("Stryktipset", "CB1"), "System|30,5|81|1");
    EXPECT_FALSE(ini.HasKey("Stryktipset", "CB2"));
    EXPECT_EQ(ini.Get("Stryktipset", "StartHojd"), "19");
    EXPECT_EQ(ini.Get("Stryktipset", "Bold"), "0");
    EXPECT_EQ(ini.Get("Stryktipset", "dbID"), "S");       // other keys stay
    EXPECT_EQ(ini.Get("Stryktipset", "PrintChar"), "O");  // not the dialog's key
    EXPECT_EQ(ini.Get("Other", "StartHojd"), "1");        // other sections stay
    EXPECT_EQ(ReadCouponLayoutForm(ini, "Stryktipset").checkBoxes.size(), 2u);

    // Stray CB keys that no reader reaches are removed too.
    ini.WriteString("Stryktipset", "CB5", "x|1|1|1");
    ini.WriteString("Stryktipset", "cb01", "x|1|1|1");
    f.checkBoxes.clear();
    WriteCouponLayoutForm(ini, "Stryktipset", f);
    for (const auto& k : ini.Keys("Stryktipset")) EXPECT_NE(core::ToUpperAscii(k).rfind("CB", 0), 0u) << k;
}

TEST(CouponLayoutForm, NewSectionIsWrittenInTheReadingOrder) {
    core::IniFile ini;
    CouponLayoutForm f;
    f.couponColumns = 10;
    f.kolumnAvstand = "11";
    f.kolumnBredd = "2";
    f.startBredd1 = "30";
    f.startBreddX = "33";
    f.startBredd2 = "36";
    f.startHojd = "20";
    f.hojdOkning = "4,5";
    f.checkBoxes = {"A|1|2|1", "B|3|4|0"};
    f.namnX = "8";
    f.namnY = "90";
    WriteCouponLayoutForm(ini, "Tips 13", f);
    const std::vector<std::string> want = {"CouponColumns", "Fontname",    "Fontsize",    "Bold",
                                           "KolumnAvstand", "KolumnBredd", "StartBredd1", "StartBreddX",
                                           "StartBredd2",   "StartHojd",   "HojdOkning",  "CB0",
                                           "CB1",           "NamnX",       "NamnY"};
    EXPECT_EQ(ini.Keys("Tips 13"), want);
    const CouponLayout l = ReadCouponLayout(ini, "Tips 13");
    EXPECT_FALSE(l.needsMessage());
    EXPECT_EQ(l.rowsPerCoupon, 10);
    EXPECT_EQ(l.checkBoxes.size(), 2u);
}

TEST(CouponLayoutForm, NonIntegerFontKeysLeaveTheLaterFieldsEmpty) {
    for (const auto& [key, value] : {std::pair{"Fontsize", "12pt"}, std::pair{"Bold", "true"}}) {
        SCOPED_TRACE(key);
        const CouponLayoutForm f = ReadCouponLayoutForm(Section({{key, value}}), "Stryktipset");
        EXPECT_TRUE(f.fontError);
        EXPECT_EQ(f.fontName, "Arial");
        EXPECT_EQ(f.couponColumns, 8);
        EXPECT_TRUE(f.startBredd1.empty());
        EXPECT_TRUE(f.namnX.empty());
        EXPECT_TRUE(f.checkBoxes.empty());
    }
}

TEST(PrinterSettings, DefaultsRoundTripAndUnreadableMargins) {
    vinra::testing::TempDir dir;
    const auto path = dir.path() / "RAVAROZ.INI";
    vinra::testing::WriteBytes(path, "[General]\r\nLastPrinter=Laser\r\n[Laser]\r\nFormat=abc\r\n");
    core::SettingsFile sf(path);
    sf.Load();
    PrinterSettings p = ReadPrinterSettings(sf.ini(), "Laser");
    EXPECT_EQ(p.left, "0,0");
    EXPECT_EQ(p.top, "0,0");
    EXPECT_EQ(p.format, 9);
    EXPECT_EQ(p.kalla, 7);
    EXPECT_FALSE(p.orientering);

    p = {"-2,5", "1,5", 11, 4, true};
    WritePrinterSettings(sf, "Laser", p);
    WritePrinterSettings(sf, "", p);  // no printer: nothing written
    core::SettingsFile again(path);
    again.Load();
    const PrinterSettings q = ReadPrinterSettings(again.ini(), "Laser");
    EXPECT_EQ(q.left, "-2,5");
    EXPECT_EQ(q.top, "1,5");
    EXPECT_EQ(q.format, 11);
    EXPECT_EQ(q.kalla, 4);
    EXPECT_TRUE(q.orientering);
    EXPECT_EQ(again.ini().Get("Laser", "Orientering"), "1");
    EXPECT_EQ(again.ini().Sections().size(), 2u);
    const std::string bytes = vinra::testing::ReadBytes(path);
    EXPECT_NE(bytes.find("Left=-2,5\r\n"), std::string::npos);

    const PrinterMargins m = MarginsInches(q);
    EXPECT_DOUBLE_EQ(m.left, -2.5 / 25.4);
    EXPECT_DOUBLE_EQ(m.top, 1.5 / 25.4);
    for (auto [l, t] : {std::pair{"x", "1"}, std::pair{"1", ""}, std::pair{"1,2,3", "1"}}) {
        const PrinterMargins z = MarginsInches({l, t, 9, 7, false});
        EXPECT_EQ(z.left, 0) << l << " " << t;
        EXPECT_EQ(z.top, 0) << l << " " << t;
    }
}

TEST(PcBet, DefaultsRoundTripAndNameFilter) {
    vinra::testing::TempDir dir;
    core::SettingsFile sf(dir.path() / "RAVAROZ.INI");
    sf.Load();
    PcBetSettings p = ReadPcBetSettings(sf.ini());
    EXPECT_EQ(p.name, "00000000000000000000");
    EXPECT_EQ(p.cardNo, "?????????");
    EXPECT_EQ(p.draws, "01");
    EXPECT_TRUE(p.reciept && p.pause && p.fulltime);

    p = {"Lagby", "12343", "05", false, true, false};
    WritePcBetSettings(sf, p);
    core::SettingsFile again(dir.path() / "RAVAROZ.INI");
    again.Load();
    const PcBetSettings q = ReadPcBetSettings(again.ini());
    EXPECT_EQ(q.name, "Lagby");
    EXPECT_EQ(q.cardNo, "12343");
    EXPECT_EQ(q.draws, "05");
    EXPECT_FALSE(q.reciept);
    EXPECT_TRUE(q.pause);
    EXPECT_FALSE(q.fulltime);
    EXPECT_EQ(again.ini().Keys("PCBET"),
              (std::vector<std::string>{"Name", "CardNo", "Draws", "Reciept", "Pause", "Fulltime"}));

    EXPECT_EQ(FilterPcBetName("Lag-\xC3\x85"
                              "by"),
              "Lagby");
    EXPECT_EQ(FilterPcBetName("Anna Svensson 1970!"), "Anna Svensson 1970");
    EXPECT_EQ(FilterPcBetName("abcdefghijklmnopqrstuvwxyz"), "abcdefghijklmnopqrst");
    EXPECT_EQ(FilterPcBetName("\t\r\n_-."), "");
}

TEST(PcBet, CardNumberCheckDigit) {
    EXPECT_EQ(CardNumberCheckDigit("1234"), 3);  // 1+4+9+16 = 30 -> 3
    EXPECT_EQ(CardNumberCheckDigit(""), 0);
    EXPECT_EQ(CardNumberCheckDigit("9"), 9);
    EXPECT_EQ(CardNumberCheckDigit("99999999"), 9);  // 324 -> 9
    EXPECT_EQ(CardNumberCheckDigit("19"), 1);        // 19 -> 10 -> 1: repeated until one digit
    const std::vector<std::pair<std::string, bool>> cards = {
        {"12343", true},     {"12344", false},     {"?????????", true}, {"000000000", true},
        {"00000000", true},  {"12a43", false},     {"", false},         {"5", false},
        {"????????", false}, {"123456782", false}, {"00", true},
    };
    for (const auto& [card, ok] : cards) EXPECT_EQ(IsValidCardNumber(card), ok) << card;
    // Every 8-digit prefix has exactly one valid completion.
    int valid = 0;
    for (char d = '0'; d <= '9'; ++d) valid += IsValidCardNumber(std::string("12345678") + d);
    EXPECT_EQ(valid, 1);
}

}  // namespace
}  // namespace vinra::output
