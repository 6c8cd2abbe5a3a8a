#include "core/mail.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <thread>
#include <filesystem>
#include <functional>

#include "core/messages.h"
#include "core/text.h"

extern char** environ;

namespace vinra::core {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string Key(const char* base, int n) { return base + std::to_string(n); }

// Every occurrence of an ASCII word, matched without regard to case.
std::string ReplaceAllNoCase(std::string_view text, std::string_view what, std::string_view with) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= what.size() && EqualsNoCase(text.substr(i, what.size()), what)) {
            out += with;
            i += what.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> MailMenuNames(const IniFile& ravaroz) {
    std::vector<std::string> names;
    for (int n = 0; n < kMaxMailLists; ++n) {
        std::string name = ravaroz.ReadString(kMailListsSection, Key("Name", n), Msg(601));
        // An empty name sends nothing, so it ends the menu like a repetition.
        if (name.empty() || (!names.empty() && name == names.back())) break;
        names.push_back(std::move(name));
    }
    return names;
}

MailProfile MailListForSending(const IniFile& ravaroz, int n) {
    MailProfile p;
    p.name = ravaroz.ReadString(kMailListsSection, Key("Name", n), Msg(601));
    p.recipients = ravaroz.ReadString(kMailListsSection, Key("Recip", n), kSampleRecipient);
    p.subject = ravaroz.ReadString(kMailListsSection, Key("Subject", n), Msg(602));
    p.body = ReplaceAllNoCase(ravaroz.ReadString(kMailListsSection, Key("Mess", n), Msg(603)), "*13*", kCrLf);
    p.att = ravaroz.ReadInteger(kMailListsSection, Key("Att", n), 0);
    return p;
}

std::vector<MailProfile> ReadMailLists(const IniFile& ravaroz) {
    std::vector<MailProfile> out;
    for (int n = 0; n < kMaxMailLists; ++n) {
        std::string name = ravaroz.ReadString(kMailListsSection, Key("Name", n));
        if (name.empty()) break;
        MailProfile p;
        p.name = std::move(name);
        p.recipients = ravaroz.ReadString(kMailListsSection, Key("Recip", n));
        p.subject = ravaroz.ReadString(kMailListsSection, Key("Subject", n));
        p.body = ReplaceAllNoCase(ravaroz.ReadString(kMailListsSection, Key("Mess", n)), "*13*", kCrLf);
        p.att = ravaroz.ReadInteger(kMailListsSection, Key("Att", n), 0);
        out.push_back(std::move(p));
    }
    return out;
}

void WriteMailLists(IniFile& ravaroz, const std::vector<MailProfile>& lists) {
    ravaroz.EraseSection(kMailListsSection);
    for (size_t i = 0; i < lists.size() && i < static_cast<size_t>(kMaxMailLists); ++i) {
        const int n = static_cast<int>(i);
        const MailProfile& p = lists[i];
        ravaroz.WriteString(kMailListsSection, Key("Name", n), p.name);
        ravaroz.WriteString(kMailListsSection, Key("Recip", n), p.recipients);
        ravaroz.WriteString(kMailListsSection, Key("Subject", n), p.subject);
        ravaroz.WriteString(kMailListsSection, Key("Mess", n), ReplaceLineBreaks(p.body, "*13*"));
        ravaroz.WriteInteger(kMailListsSection, Key("Att", n), p.att);
    }
}

std::string ProfileNameProblem(std::string_view name) {
    if (name.find_first_of("=[]") != std::string_view::npos) return Msg(2005);
    return {};
}

int MailProfiles::Find(std::string_view name) const {
    for (size_t i = 0; i < lists_.size(); ++i)
        if (lists_[i].name == name) return static_cast<int>(i);
    return -1;
}

std::string MailProfiles::Save(const MailProfile& profile) {
    MailProfile p = profile;
    p.name = ReplaceLineBreaks(Trim(p.name), " ");
    if (p.name.empty()) return {};
    if (std::string problem = ProfileNameProblem(p.name); !problem.empty()) return problem;
    const int i = Find(p.name);
    if (i >= 0) lists_[static_cast<size_t>(i)] = std::move(p);
    else if (lists_.size() < static_cast<size_t>(kMaxMailLists)) lists_.push_back(std::move(p));
    else return Msg(2009);
    return {};
}

std::optional<MailProfile> MailProfiles::Delete(std::string_view name, bool* removed) {
    const int i = name.empty() ? -1 : Find(name);
    if (removed) *removed = i >= 0;
    if (i < 0) return std::nullopt;
    lists_.erase(lists_.begin() + i);
    if (lists_.empty()) return std::nullopt;
    return lists_.front();
}

// ---- templates -----------------------------------------------------------

std::vector<std::array<int, 3>> SignPercentages(const TVinraFile& doc) {
    const int n = doc.MatchCount;
    std::vector<std::array<int, 3>> out(static_cast<size_t>(n > 0 ? n : 0), std::array<int, 3>{0, 0, 0});
    const int64_t rows = static_cast<int64_t>(doc.Rader.size());
    if (rows == 0) return out;
    std::vector<std::array<int64_t, 3>> counts(out.size(), std::array<int64_t, 3>{0, 0, 0});
    for (const auto& row : doc.Rader)
        for (size_t m = 0; m < out.size() && m < row.size(); ++m)
            if (row[m] >= '0' && row[m] <= '2') ++counts[m][static_cast<size_t>(row[m] - '0')];
    for (size_t m = 0; m < out.size(); ++m)
        for (size_t s = 0; s < 3; ++s) {
            // count*100/rows rounded to the nearest integer, halves to even, in integers.
            const int64_t num = counts[m][s] * 100;
            int64_t q = num / rows;
            const int64_t r2 = (num % rows) * 2;
            if (r2 > rows || (r2 == rows && (q % 2) == 1)) ++q;
            out[m][s] = static_cast<int>(q);
        }
    return out;
}

namespace {

std::string EntryDisplay(std::string_view entry, const DisplaySigns& signs) {
    std::string out;
    for (char c : entry) {
        if (c == '0') out += signs.home;
        else if (c == '1') out += signs.draw;
        else if (c == '2') out += signs.away;
        else out += c;
    }
    return out;
}

std::string FrameListing(const TVinraFile& doc, const MailContext& ctx) {
    std::string out;
    for (size_t m = 0; m < doc.Grundrad.size() && m < static_cast<size_t>(doc.MatchCount); ++m) {
        std::string home, away;
        if (m < ctx.teams.size()) std::tie(home, away) = ctx.teams[m];
        std::string line =
            std::to_string(m + 1) + ". " + home + " - " + away + "\t" + EntryDisplay(doc.Grundrad[m], ctx.signs);
        size_t b = line.find_first_not_of(' ');
        size_t e = line.find_last_not_of(' ');
        out += (b == std::string::npos) ? std::string() : line.substr(b, e - b + 1);
        out += kCrLf;
    }
    return out;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + kCrLf;
    return out;
}

std::string At(const std::vector<std::string>& v, size_t i) { return i < v.size() ? v[i] : std::string(); }

std::string SourceRowListing(const TVinraFile& doc, const MailContext& ctx) {
    if (!doc.UseFlags.Get(UseURad)) return std::string("n/a") + kCrLf;
    std::string out;
    for (size_t i = 0; i < doc.URad.size(); ++i)
        out += ReplaceSigns(doc.URad[i], true, ctx.signs) + ": " + Msg(101) + At(doc.UMin, i) + " " + Msg(100) +
               At(doc.UMax, i) + kCrLf;
    return out;
}

std::string PercentListing(const TVinraFile& doc, const MailContext& ctx) {
    std::string out = Msg(453) + "\t" + ctx.signs.home + "\t" + ctx.signs.draw + "\t" + ctx.signs.away + kCrLf;
    auto pct = SignPercentages(doc);
    for (size_t m = 0; m < pct.size(); ++m)
        out += std::to_string(m + 1) + "\t" + std::to_string(pct[m][0]) + "\t" + std::to_string(pct[m][1]) + "\t" +
               std::to_string(pct[m][2]) + kCrLf;
    return out;
}

std::string YesListing(const TVinraFile& doc, const MailContext& ctx) {
    if (!doc.UseFlags.Get(UseJaKomb)) return std::string("n/a") + kCrLf;
    std::string out;
    for (size_t i = 0; i < doc.Ja.size(); ++i)
        out += ReplaceSigns(doc.Ja[i], true, ctx.signs) + ": " + Msg(101) + At(doc.JaMin, i) + " " + Msg(100) +
               At(doc.JaMax, i) + kCrLf;
    return out;
}

std::string NoListing(const TVinraFile& doc, const MailContext& ctx) {
    if (!doc.UseFlags.Get(UseNejKomb)) return std::string("n/a") + kCrLf;
    std::string out;
    for (const auto& c : doc.Nej) out += ReplaceSigns(c, true, ctx.signs) + kCrLf;
    return out;
}

std::string MinMaxListing(const TVinraFile& doc, const MailContext& ctx) {
    if (!doc.UseFlags.Get(UseMaxMin)) return std::string("n/a") + kCrLf;
    auto row = [](const std::string& label, const std::array<int32_t, 3>& v) {
        return label + "\t" + std::to_string(v[0]) + "\t" + std::to_string(v[1]) + "\t" + std::to_string(v[2]) + kCrLf;
    };
    return "\t" + ctx.signs.home + "\t" + ctx.signs.draw + "\t" + ctx.signs.away + kCrLf + row(Msg(100), doc.Max) +
           row(Msg(400), doc.Ord) + row(Msg(101), doc.Min);
}

}  // namespace

std::string ExpandMailTemplate(std::string_view templ, const TVinraFile& doc, const MailContext& ctx) {
    // A document whose flag list is shorter than the flags the listings ask
    // about counts the missing flags as off rather than failing.
    TVinraFile const* d = &doc;
    TVinraFile padded;
    if (doc.UseFlags.Count() < UseChooseWin + 1) {
        padded = doc;
        while (padded.UseFlags.Count() < UseChooseWin + 1) padded.UseFlags.Add(false);
        d = &padded;
    }
    struct Placeholder {
        const char* name;
        std::function<std::string()> value;
    };
    // Table order decides between placeholders that could both start at one place.
    const Placeholder table[] = {
        {"*game*", [&] { return d->Pool; }},
        {"*week*", [&] { return d->Omg; }},
        {"*rowstotal*", [&] { return GroupDigits(static_cast<int64_t>(MathRowCount(d->Grundrad))); }},
        {"*rows*", [&] { return GroupDigits(static_cast<int64_t>(d->Rader.size())); }},
        {"*gslink*", [&] { return d->SalvikLink; }},
        {"*comment*", [&] { return d->Comment; }},
        {"*13*", [&] { return std::string(kCrLf); }},
        {"*row*", [&] { return FrameListing(*d, ctx); }},
        {"*warranty*", [&] { return Lines(d->Gar); }},
        {"*urows*", [&] { return SourceRowListing(*d, ctx); }},
        {"*%*", [&] { return PercentListing(*d, ctx); }},
        {"*yes*", [&] { return YesListing(*d, ctx); }},
        {"*no*", [&] { return NoListing(*d, ctx); }},
        {"*minmax*", [&] { return MinMaxListing(*d, ctx); }},
    };
    constexpr size_t kCount = sizeof(table) / sizeof(table[0]);
    // Listings are computed once, and only when the template names them.
    std::optional<std::string> cache[kCount];
    std::string out;
    size_t i = 0;
    while (i < templ.size()) {
        bool matched = false;
        if (templ[i] == '*') {
            for (size_t k = 0; k < kCount; ++k) {
                std::string_view name = table[k].name;
                if (templ.size() - i >= name.size() && EqualsNoCase(templ.substr(i, name.size()), name)) {
                    if (!cache[k]) cache[k] = table[k].value();
                    out += *cache[k];
                    i += name.size();
                    matched = true;
                    break;
                }
            }
        }
        if (!matched) out += templ[i++];
    }
    return out;
}

// ---- hand-over to the mail client -----------------------------------------

std::string PercentEncode(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::vector<std::string> SplitRecipients(std::string_view recipients) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= recipients.size()) {
        size_t end = recipients.find_first_of(";,", start);
        if (end == std::string_view::npos) end = recipients.size();
        std::string one(Trim(recipients.substr(start, end - start)));
        if (!one.empty()) out.push_back(std::move(one));
        start = end + 1;
    }
    return out;
}

bool PlainMailAddress(std::string_view address) {
    const size_t at = address.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 >= address.size()) return false;
    if (address.find('@', at + 1) != std::string_view::npos) return false;
    if (address.front() == '-' || address.front() == '.' || address.back() == '.') return false;
    for (size_t i = 0; i < address.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(address[i]);
        if (i == at || c >= 0x80 || std::isalnum(c)) continue;  // letters of any script pass as UTF-8 bytes
        if (c == '.' || c == '-') continue;
        if (i < at && (c == '_' || c == '+')) continue;
        return false;
    }
    return IsUtf8WithNonAscii(address) || std::all_of(address.begin(), address.end(), [](char ch) {
               return static_cast<unsigned char>(ch) < 0x80;
           });
}

std::string MailtoAddress(std::string_view recipients, std::string_view subject, std::string_view body) {
    std::string out = "mailto:";
    bool first = true;
    for (const auto& r : SplitRecipients(recipients)) {
        if (!first) out += ',';
        first = false;
        // "@" may stay as it is in the address part; everything else is encoded.
        std::string enc = PercentEncode(r);
        std::string fixed;
        for (size_t i = 0; i < enc.size(); ++i) {
            if (enc.compare(i, 3, "%40") == 0) {
                fixed += '@';
                i += 2;
            } else {
                fixed += enc[i];
            }
        }
        out += fixed;
    }
    // Line breaks in a mailto body are CR LF (RFC 6068).
    out += "?subject=" + PercentEncode(subject) + "&body=" + PercentEncode(ReplaceLineBreaks(body, kCrLf));
    return out;
}

XdgEmailCall XdgEmailArguments(std::string_view recipients, std::string_view subject, std::string_view body,
                               std::string_view attachment) {
    XdgEmailCall call;
    call.argv = {"xdg-email", "--utf8", "--subject", std::string(subject), "--body", std::string(body)};
    if (!attachment.empty()) {
        call.argv.push_back("--attach");
        call.argv.push_back(std::string(attachment));
    }
    for (const auto& r : SplitRecipients(recipients)) {
        if (r.front() == '-' || !PlainMailAddress(r)) {
            call.problem = FormatMsg(Msg(r.front() == '-' ? 2006 : 3304), {r});
            call.argv.clear();
            return call;
        }
        call.argv.push_back(r);
    }
    return call;
}

std::string MailErrorText(int exitCode) {
    // xdg-email: 1 bad arguments, 2 file missing, 3 no tool, 4 action failed, 5 no permission.
    switch (exitCode) {
        case 0: return {};
        case 2: return "02: The specified attachment was not found. No message was sent.";
        case 5: return "03: The specified attachment could not be open; no message was sent.";
        case 1:
        case 4: return "05: One or more unspecified errors occurred; no message was sent.";
        default: return "Error: " + std::to_string(exitCode);
    }
}

int RunProgram(const std::vector<std::string>& argv, const std::atomic<bool>* cancel) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, cancel ? WNOHANG : 0);
        if (done == pid) break;
        if (done < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        // Still running: a composer that keeps the launcher waiting must not
        // hold up the program's exit.
        if (cancel->load()) return kProgramAbandoned;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (WIFEXITED(status)) {
        // posix_spawnp reports a program it could not execute as exit code 127.
        return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
    }
    return -1;
}

SendResult SendMail(std::string_view recipients, std::string_view subject, std::string_view attachment,
                    std::string_view body, const std::atomic<bool>* cancel) {
    SendResult result;
    // The body goes to the launcher as one argument; the kernel refuses a
    // longer one, which would otherwise read as a missing mail program.
    if (body.size() >= kMaxProgramArgument || subject.size() >= kMaxProgramArgument) {
        result.error = kMailTooLargeText;
        return result;
    }
    std::error_code ec;
    const bool attach =
        !attachment.empty() && std::filesystem::exists(std::filesystem::path(std::string(attachment)), ec);
    XdgEmailCall call = XdgEmailArguments(recipients, subject, body, attach ? attachment : std::string_view());
    if (!call.problem.empty()) {
        result.error = call.problem;
        return result;
    }
    const int code = RunProgram(call.argv, cancel);
    if (code == 0 || code == kProgramAbandoned) return result;
    if (code == 1 || code == 2 || code == 5) {
        result.error = MailErrorText(code);
        return result;
    }
    // No composer took the mail with its attachment: open a plain mailto:
    // address and ask for the file to be attached by hand.
    const std::string mailto = MailtoAddress(recipients, subject, body);
    if (mailto.size() >= kMaxProgramArgument) {
        result.error = kMailTooLargeText;
        return result;
    }
    const int open = RunProgram({"xdg-open", mailto}, cancel);
    if (open == kProgramAbandoned) return result;
    if (open == 0) {
        if (attach) result.notice = FormatMsg(Msg(2004), {std::string(attachment)});
        return result;
    }
    result.error = (code < 0 && open < 0) ? Msg(2008) : MailErrorText(code < 0 ? open : code);
    return result;
}

}  // namespace vinra::core
