#include "ui/reduction/register.h"

#include <QKeySequence>

#include "core/messages.h"
#include "core/signs.h"
#include "reduction/wizard_model.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/reduction/generate_window.h"
#include "ui/reduction/dynamic_rows.h"
#include "ui/reduction/system_coupon.h"

namespace vinra::ui {
namespace {

QString M(int n) { return QString::fromStdString(core::Msg(n)); }

constexpr int kMsgWizard = 74;    // "System Wizard" (the undo entry)
constexpr int kMsgNoSigns = 282;  // "You must set characters for all games before entering the Reduction wizard."
constexpr int kMsgFrameChanged =
    526;  // "The frame has been changed due to hard conditions. Do you want to update the frame?"

}  // namespace

void RegisterReductionCommands(CommandTable& table, const ShellContext& shell) {
    table.Add({.name = QStringLiteral("actReduce"), .handler = [shell] { RunReductionWizard(shell); }});
    RegisterSystemCouponCommands(table, shell);
    RegisterExpertCommands(table, shell);
}

bool RunReductionWizard(const ShellContext& shell) {
    DocumentSession& session = shell.session;
    if (!core::FrameComplete(session.Doc().Grundrad)) {
        shell.prompter.information(shell.window, M(kMsgNoSigns));
        return false;
    }
    TfrmGenerate::Options options;
    if (!session.IsUntitled()) options.systemFile = session.FileName();
    options.homes = session.HomeTeams();
    options.aways = session.AwayTeams();
    TfrmGenerate wizard(session.Doc(), shell.program, shell.prompter, options, shell.window);
    const int closed = wizard.exec();
    if (closed == kReadSystemFromFile) return RunSystemCoupon(shell);
    if (closed != QDialog::Accepted) return false;
    // Rows, conditions, warranty and flags in one step; the player's
    // percentages and the win-level table travel with the frame part.
    session.Replace(wizard.Result(), DocPart::Frame | DocPart::Rows | DocPart::Conditions | DocPart::Warranty,
                    M(kMsgWizard));
    const core::TVinraFile& doc = session.Doc();
    if (const auto frame = reduction::ChangedFrame(doc.Rader, doc.Grundrad, doc.MatchCount)) {
        if (shell.prompter.question(shell.window, M(kMsgFrameChanged), false) == Answer::Yes)
            session.ApplyFrame(*frame, M(kMsgWizard));
    }
    return true;
}

}  // namespace vinra::ui
