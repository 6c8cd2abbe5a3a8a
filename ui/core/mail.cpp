#include "ui/core/mail.h"

#include <QAction>
#include <QMenu>

#include "core/mail.h"
#include "core/messages.h"
#include "ui/core/background_job.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/settings_dialog.h"

namespace vinra::ui {
namespace {

QString M(int n) { return QString::fromStdString(core::Msg(n)); }

constexpr int kMsgSaveFirst = 527;  // "You must save the file before sending it!"

void FillMailMenu(QMenu* menu, const ShellContext& shell) {
    menu->clear();
    const auto names = core::MailMenuNames(shell.program.settingsFile().ini());
    for (size_t i = 0; i < names.size(); ++i) {
        QAction* a = menu->addAction(QString::fromStdString(names[i]));
        a->setObjectName(QStringLiteral("actMailList%1").arg(i));
        const int n = static_cast<int>(i);
        QObject::connect(a, &QAction::triggered, menu, [shell, n] { SendMailList(shell, n); });
    }
}

}  // namespace

void RegisterMailCommands(CommandTable& table, const ShellContext& shell) {
    table.Add(
        {.name = QStringLiteral("actSendMail"), .fillSubmenu = [shell](QMenu* menu) { FillMailMenu(menu, shell); }});
    table.Add({.name = QStringLiteral("actSettings"), .handler = [shell] { ShowProgramSettings(shell); }});
}

bool SendMailList(const ShellContext& shell, int n) {
    DocumentSession& session = shell.session;
    if (session.Modified() || session.IsUntitled()) {
        shell.prompter.error(shell.window, M(kMsgSaveFirst));
        return false;
    }
    const core::MailProfile list = core::MailListForSending(shell.program.settingsFile().ini(), n);
    if (list.name.empty()) return false;

    core::MailContext ctx;
    ctx.signs = core::CurrentDisplaySigns();
    const auto& homes = session.HomeTeams();
    const auto& aways = session.AwayTeams();
    for (size_t i = 0; i < homes.size() || i < aways.size(); ++i)
        ctx.teams.emplace_back(i < homes.size() ? homes[i] : std::string(),
                               i < aways.size() ? aways[i] : std::string());
    const std::string subject = core::ExpandMailTemplate(list.subject, session.Doc(), ctx);
    const std::string body = core::ExpandMailTemplate(list.body, session.Doc(), ctx);
    const std::string attachment = session.FileName().string();

    // The launcher may wait for the desktop; the GUI keeps running meanwhile.
    auto* job = new BackgroundJob(shell.window);
    auto result = std::make_shared<core::SendResult>();
    QObject::connect(job, &BackgroundJob::finished, job, [job, result, shell](bool, const QString& error) {
        if (!error.isEmpty()) shell.prompter.error(shell.window, error);
        else if (!result->error.empty()) shell.prompter.error(shell.window, QString::fromStdString(result->error));
        else if (!result->notice.empty())
            shell.prompter.information(shell.window, QString::fromStdString(result->notice));
        job->deleteLater();
    });
    // Closing the program cancels the job: it stops waiting for a composer
    // that keeps the launcher busy, so the exit never hangs on it.
    job->Start([=, recipients = list.recipients](JobProgress& p) {
        *result = core::SendMail(recipients, subject, attachment, body, &p.cancel);
    });
    return true;
}

}  // namespace vinra::ui
