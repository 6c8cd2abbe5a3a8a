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
QString M(int n) { return Q(core::Msg(n)); }

constexpr int kMsgUploading = 351;       // "Uploading to server..."
constexpr int kMsgUploadingFile = 1114;  // "Uploading %s"

QString UploadingText(const fs::path& file) {
    return Q(core::FormatMsg(core::Msg(kMsgUploadingFile), {file.filename().string()}));
}

}  // namespace

bool UploadClick(QWidget* parent, Program& program, const fs::path& fileName, bool untitled, bool modified,
                 Prompter& prompter, const std::function<void()>& openSettings) {
    net::UploadAccount account;
    account.apiKey = std::string(core::Trim(program.settings.apiKey));
    if (account.apiKey.empty()) {
        prompter.information(parent, M(kMsgUploadNeedsKey));
        if (openSettings) openSettings();
        return false;
    }
    if (modified) {
        prompter.information(parent, M(kMsgUploadNeedsSave));
        return false;
    }
    std::error_code ec;
    if (untitled || fileName.parent_path().empty() || !fs::is_regular_file(fileName, ec)) {
        prompter.information(parent, M(kMsgUploadNeedsName));
        return false;
    }
    const std::string host = ServiceHost(program);
    if (host.empty()) {
        prompter.error(parent, M(kMsgUploadNoService));
        return false;
    }
    account.userName = std::string(core::Trim(program.settingsFile().ini().ReadString("General", kApiUserKey)));
    if (account.userName.empty()) {
        const auto answer =
            prompter.inputText(parent, QString::fromLatin1(kProgramCaption), M(kMsgUploadUserPrompt), {});
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
        // Part files in the system's own pool letters, whichever pool the window shows.
        plan = net::PlanUpload(program.doc, fileName, program.national.Settings(program.doc.Pool).signs);
    } catch (const std::exception& e) {
        prompter.error(parent, Q(e.what()));
        return false;
    }

    // The transfers run on a worker with a copy of the document, so the
    // document stays the GUI thread's; the link comes back after the join.
    core::TVinraFile copy = program.doc;
    net::UploadResult result;
    bool unauthorised = false;
    const QString firstInfo = UploadingText(plan.files.empty() ? fileName : plan.files.front());
    const TransferOutcome out =
        RunTransfer(parent, M(kMsgUploading), firstInfo,
                    [&copy, &plan, &host, &account, &result, &unauthorised](TransferContext& c) {
                        net::UploadHooks hooks;
                        hooks.uploading = [&c](const fs::path& file) { c.SetInfo(UploadingText(file)); };
                        hooks.authorisationRequired = [&unauthorised] { unauthorised = true; };
                        result = net::RunUpload(copy, plan, host, account, hooks);
                    });
    if (unauthorised) prompter.error(parent, M(kMsgAuthorisationRequired));
    if (!out.error.isEmpty()) result.error = out.error.toStdString();
    if (out.cancelled) result.error = TransferCancelledText();
    if (result.changed) {
        program.doc.SalvikLink = copy.SalvikLink;
        program.doc.Comment = copy.Comment;
    }

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
