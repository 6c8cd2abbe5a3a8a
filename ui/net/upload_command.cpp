#include "ui/net/upload_command.h"

#include "core/messages.h"
#include "core/text.h"
#include "net/upload.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/http_window.h"
#include "ui/net/submit_dialog.h"

namespace vinra::ui {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

bool UploadClick(QWidget* parent, Program& program, const fs::path& fileName, bool untitled, bool modified,
                 Prompter& prompter, const std::function<void()>& openSettings) {
    net::UploadAccount account;
    account.apiKey = std::string(core::Trim(program.settings.apiKey));
    if (account.apiKey.empty()) {
        prompter.information(parent, Q(kUploadNeedsKey));
        if (openSettings) openSettings();
        return false;
    }
    if (modified) {
        prompter.information(parent, Q(kUploadNeedsSave));
        return false;
    }
    std::error_code ec;
    if (untitled || fileName.parent_path().empty() || !fs::is_regular_file(fileName, ec)) {
        prompter.information(parent, Q(kUploadNeedsName));
        return false;
    }
    const std::string host = ServiceHost(program);
    if (host.empty()) {
        prompter.error(parent, Q(kUploadNoService));
        return false;
    }
    account.userName = std::string(core::Trim(program.settingsFile().ini().ReadString("General", kApiUserKey)));
    if (account.userName.empty()) {
        const auto answer = prompter.inputText(parent, QStringLiteral("Vinra 2000"), Q(kUploadUserPrompt), {});
        if (!answer) return false;
        account.userName = std::string(core::Trim(answer->toStdString()));
        if (account.userName.empty()) return false;
        try {
            program.settingsFile().WriteString("General", kApiUserKey, account.userName);
        } catch (const core::FileError& e) {
            // The upload can go ahead; the name is asked again next time.
            prompter.error(parent, Q(e.what()));
        }
    }

    net::UploadPlan plan;
    try {
        plan = net::PlanUpload(program.doc, fileName);
    } catch (const std::exception& e) {
        prompter.error(parent, Q(e.what()));
        return false;
    }

    TfrmHTTP window(parent);
    window.setCaption(Q(core::Msg(351)));
    net::UploadHooks hooks;
    hooks.uploading = [&window](const fs::path& file) {
        window.setInfo(QStringLiteral("Laddar upp ") + Q(file.filename().string()));
        window.showCentred();
    };
    hooks.done = [&window] { window.hide(); };
    hooks.authorisationRequired = [&] { prompter.error(parent, QStringLiteral("Authorisation required!")); };
    const net::UploadResult result = net::RunUpload(program.doc, plan, host, account, hooks);
    window.hide();

    std::string text = result.message;
    if (!result.error.empty()) {
        if (!text.empty()) text += '\r';
        text += result.error;
        prompter.error(parent, BoxText(text));
    } else if (!text.empty()) {
        prompter.information(parent, BoxText(text));
    }
    return result.changed;
}

}  // namespace vinra::ui
