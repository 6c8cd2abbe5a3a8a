// The mail lists of RAVAROZ.INI and the expansion of their templates: lists
// written and read back stay the same, and an expanded mail becomes a mailto:
// address and xdg-email arguments without a value turning into an option.
#include "fuzz/fuzz_support.h"

#include "core/ini.h"
#include "core/mail.h"
#include "core/system_document.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const core::TVinraFile doc = [] {
        core::TVinraFile d;
        d.LoadFromFile(std::filesystem::path(VINRA_SOURCE_DIR) / "fuzz/seeds/system_file/sample.1x2");
        return d;
    }();
    const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 2);
    core::IniFile ravaroz = core::IniFile::FromText(parts[0]);
    const auto lists = core::ReadMailLists(ravaroz);
    (void)core::MailMenuNames(ravaroz);
    core::WriteMailLists(ravaroz, lists);
    const auto again = core::ReadMailLists(core::IniFile::FromText(ravaroz.ToText()));
    core::IniFile second;
    core::WriteMailLists(second, again);
    VINRA_FUZZ_CHECK(core::ReadMailLists(core::IniFile::FromText(second.ToText())) == again);

    core::MailContext ctx;
    ctx.signs = core::CurrentDisplaySigns();
    std::string_view names = parts[1];
    while (!names.empty() && ctx.teams.size() < core::kMaxMatches) {
        const size_t nl = names.find('\n');
        const std::string_view line = names.substr(0, nl);
        names = nl == std::string_view::npos ? std::string_view{} : names.substr(nl + 1);
        const size_t dash = line.find('-');
        ctx.teams.emplace_back(std::string(line.substr(0, dash)),
                               dash == std::string_view::npos ? std::string() : std::string(line.substr(dash + 1)));
    }
    const core::MailProfile p = core::MailListForSending(ravaroz, 0);
    const std::string subject = core::ExpandMailTemplate(p.subject, doc, ctx);
    const std::string body = core::ExpandMailTemplate(p.body, doc, ctx);
    const std::string mailto = core::MailtoAddress(p.recipients, subject, body);
    VINRA_FUZZ_CHECK(mailto.rfind("mailto:", 0) == 0);
    const core::XdgEmailCall call = core::XdgEmailArguments(p.recipients, subject, body, "/tmp/system.1x2");
    if (call.problem.empty()) {
        for (const std::string& r : core::SplitRecipients(p.recipients)) VINRA_FUZZ_CHECK(r.empty() || r[0] != '-');
    }
    return 0;
}
