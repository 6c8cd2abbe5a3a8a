#pragma once
// Mail to a syndicate: the mail lists kept in RAVAROZ.INI, the expansion of
// their subject and body templates from the current system, and the hand-over
// to the desktop's mail composer (xdg-email, or a mailto: address).
#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ini.h"
#include "core/signs.h"
#include "core/system_document.h"

namespace vinra::core {

inline constexpr const char* kMailListsSection = "Maillists";
inline constexpr int kMaxMailLists = 100;
// Recipients of a list that has none stored.
inline constexpr const char* kSampleRecipient = "syndicate@example.com";

// One mail list (profile). The body holds real line breaks (CR LF); the file
// stores them as "*13*".
struct MailProfile {
    std::string name;
    std::string recipients;  // separated by ";"
    std::string subject;
    std::string body;
    int64_t att = 0;  // kept with the list, not used when sending
    bool operator==(const MailProfile&) const = default;
};

// The menu of mail lists: Name0.. with the sample name for a missing key, up to
// the first name equal to the one before it (or an empty name).
std::vector<std::string> MailMenuNames(const IniFile& ravaroz);
// List n as it is sent: every missing key takes its default; "*13*" in the
// body becomes CR LF.
MailProfile MailListForSending(const IniFile& ravaroz, int n);
// The lists the mail page edits: Name0.. while the name is not empty.
std::vector<MailProfile> ReadMailLists(const IniFile& ravaroz);
// Replaces the Maillists section with the lists, numbered from 0. Line breaks
// of the body are stored as "*13*"; any in the other fields become spaces.
void WriteMailLists(IniFile& ravaroz, const std::vector<MailProfile>& lists);

// The message text that refuses a profile name, or empty when it can be used.
// "=", "[" and "]" are refused: they would read back as another key or section.
std::string ProfileNameProblem(std::string_view name);

// The mail lists while the mail page edits them; nothing reaches the file
// until WriteMailLists.
class MailProfiles {
public:
    explicit MailProfiles(std::vector<MailProfile> lists = {}) : lists_(std::move(lists)) {}
    const std::vector<MailProfile>& lists() const { return lists_; }
    // Index of the profile with this name (exact), or -1.
    int Find(std::string_view name) const;
    // Stores the fields under profile.name: replaces a profile of that name,
    // else appends. An empty name does nothing. Returns the problem text of a
    // refused name (nothing stored), else empty.
    std::string Save(const MailProfile& profile);
    // Removes the profile of that name. Returns the profile to show next (the
    // first remaining), or nullopt when none remains or the name is unknown.
    std::optional<MailProfile> Delete(std::string_view name, bool* removed = nullptr);

private:
    std::vector<MailProfile> lists_;
};

// What a template can name besides the system file itself.
struct MailContext {
    // Home and away team of each match, in match order (missing ones empty).
    std::vector<std::pair<std::string, std::string>> teams;
    DisplaySigns signs;
};

// Expands the placeholders of a subject or body template. Placeholders match
// without regard to case and are replaced in one pass over the template, so a
// comment or team name holding "*row*" is never expanded again.
std::string ExpandMailTemplate(std::string_view templ, const TVinraFile& doc, const MailContext& ctx);
// The share of rows with each sign at each match, in whole percent, halves to even.
std::vector<std::array<int, 3>> SignPercentages(const TVinraFile& doc);

// Percent-encodes everything but unreserved characters (RFC 3986).
std::string PercentEncode(std::string_view text);
// mailto: address with the recipients ("," between them) and subject and body
// as query values; every value percent-encoded, so no value adds a field.
std::string MailtoAddress(std::string_view recipients, std::string_view subject, std::string_view body);
// The recipients of a ";" list, trimmed, empties dropped.
std::vector<std::string> SplitRecipients(std::string_view recipients);
// A plain address, local@domain, of letters (any script), digits and "._+-"
// only. Anything else ("mailto:a@b?attach=/etc/passwd&bcc=c@d", "Name <a@b>",
// spaces) could reach the composer as more than an address and is refused.
bool PlainMailAddress(std::string_view address);
// The longest argument a program can be started with on Linux (the kernel's
// limit on one argument string, terminating NUL included).
inline constexpr size_t kMaxProgramArgument = 128 * 1024;
// The error text for a mail too large to hand over (fixed, as the other texts).
inline constexpr const char* kMailTooLargeText =
    "08: The text in the message was too large to sent; the message was not sent.";

// The arguments of xdg-email (program name first), every value an argument of
// its own. xdg-email takes any argument starting with "-" for an option, so a
// recipient that starts with "-" is refused, as is one that is not a plain
// address: problem holds the text then.
struct XdgEmailCall {
    std::vector<std::string> argv;
    std::string problem;
};
XdgEmailCall XdgEmailArguments(std::string_view recipients, std::string_view subject, std::string_view body,
                               std::string_view attachment);

// The error text of a failed hand-over (xdg-email's exit codes); empty for 0.
std::string MailErrorText(int exitCode);

// Runs a program with arguments (no shell) found on PATH and waits for it.
// Returns its exit code, or -1 when it could not be started. When cancel is
// set while it runs, stops waiting and returns kProgramAbandoned; the program
// (a mail composer the player may still be writing in) is left running.
inline constexpr int kProgramAbandoned = -3;
int RunProgram(const std::vector<std::string>& argv, const std::atomic<bool>* cancel = nullptr);

struct SendResult {
    std::string error;   // shown with an error icon; empty on success
    std::string notice;  // shown as information (attach by hand); may be set on success
};
// Opens the mail in the desktop's composer: xdg-email with the attachment
// when the file exists; when that fails, a mailto: address through xdg-open
// and a notice that the file must be attached by hand. Blocks until the
// launcher returns or cancel is set: call it off the GUI thread. A mail too
// large to hand over gives kMailTooLargeText, never "no mail program".
SendResult SendMail(std::string_view recipients, std::string_view subject, std::string_view attachment,
                    std::string_view body, const std::atomic<bool>* cancel = nullptr);

}  // namespace vinra::core
