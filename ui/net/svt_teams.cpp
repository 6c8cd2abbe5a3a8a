#include "ui/net/svt_teams.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ini.h"
#include "core/ini_names.h"
#include "core/messages.h"
#include "core/text.h"
#include "ui/core/prompter.h"

namespace vinra::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kMsgOk = 40;           // "OK"
constexpr int kMsgTitle = 1146;      // "Link teams in Vinra 2000 to teams on SVT Text"
constexpr int kMsgHeading = 1147;    // "Goal service pages on SVT Text"
constexpr int kMsgHelp = 1148;       // "Vinra 2000 did not find this team on the goal service page. ..."
constexpr int kMsgCancelAll = 1149;  // "Cancel all"
constexpr int kMsgBadName = 1150;    // "The team name does not seem to be right. Check it and try again!"
constexpr int kMsgNameNotStorable = 3303;  // the system's team name cannot be a key of teamstat.ini
constexpr int kMsgSkip = 1151;       // "Cancel" (this team only)

QString M(int n) { return Q(core::Msg(n)); }

}  // namespace

TfrmSvtTeams::TfrmSvtTeams(const std::string& name, const std::string& pageLines, Prompter& prompter, QWidget* parent)
    : QDialog(parent), pageText_(pageLines), prompter_(prompter) {
    setObjectName(QStringLiteral("frmSvtTeams"));
    setWindowTitle(M(kMsgTitle));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(M(kMsgHeading), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    auto* help = new QLabel(M(kMsgHelp), this);
    help->setWordWrap(true);
    layout->addWidget(help);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstLines"));
    for (const std::string& line : core::SplitLines(pageLines)) {
        std::string plain;
        for (char c : line)
            if (c != '\t') plain += c;
        list_->addItem(Q(std::string(core::Trim(plain))));
    }
    layout->addWidget(list_, 1);

    auto* nameLabel = new QLabel(Q(name), this);
    nameLabel->setObjectName(QStringLiteral("lblTeam"));
    QFont large = nameLabel->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    nameLabel->setFont(large);
    layout->addWidget(nameLabel);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edtSvtName"));
    edit_->setText(Q(net::SvtSuggestion(name, pageText_)));
    layout->addWidget(edit_);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { edit_->setText(item->text()); });

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(M(kMsgOk), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto* skip = new QPushButton(M(kMsgSkip), this);
    skip->setObjectName(QStringLiteral("btnSkip"));
    auto* all = new QPushButton(M(kMsgCancelAll), this);
    all->setObjectName(QStringLiteral("btnCancelAll"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(skip);
    buttons->addWidget(all);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TfrmSvtTeams::btnOKClick);
    connect(skip, &QPushButton::clicked, this, &TfrmSvtTeams::btnSkipClick);
    connect(all, &QPushButton::clicked, this, &TfrmSvtTeams::btnCancelAllClick);
    resize(520, 420);
}

QString TfrmSvtTeams::Text() const { return edit_->text(); }
void TfrmSvtTeams::SetText(const QString& text) { edit_->setText(text); }

void TfrmSvtTeams::btnOKClick() {
    if (!net::SvtNameAcceptable(Text().toStdString(), pageText_)) {
        prompter_.error(this, M(kMsgBadName));
        return;
    }
    outcome_ = Outcome::Accepted;
    accept();
}

void TfrmSvtTeams::btnSkipClick() {
    outcome_ = Outcome::Skipped;
    reject();
}

void TfrmSvtTeams::btnCancelAllClick() {
    outcome_ = Outcome::CancelAll;
    reject();
}

int MapSvtTeams(QWidget* parent, const net::TResultInfo& info, const std::filesystem::path& teamstat,
                Prompter& prompter, const std::function<void(TfrmSvtTeams&)>& run) {
    int written = 0;
    for (const std::string& raw : core::SplitLines(info.unmatchedTeams)) {
        const std::string name(core::Trim(raw));
        if (name.empty()) continue;
        if (!core::IniKeyReadsBack(name)) {
            // A name such as "[Alias]" or "Home=Away" cannot be a key of
            // teamstat.ini: it would not read back and could hide other keys.
            prompter.error(parent, QString::fromStdString(core::FormatMsg(core::Msg(kMsgNameNotStorable), {name})));
            continue;
        }
        TfrmSvtTeams dlg(name, info.pageLines, prompter, parent);
        if (run) run(dlg);
        else dlg.exec();
        if (dlg.outcome() == TfrmSvtTeams::Outcome::CancelAll) break;
        if (dlg.outcome() != TfrmSvtTeams::Outcome::Accepted) continue;
        try {
            core::IniFile ini = std::filesystem::exists(teamstat) ? core::IniFile::FromFile(teamstat) : core::IniFile();
            ini.WriteString("teams_svt", name, std::string(core::Trim(dlg.Text().toStdString())));
            ini.SaveToFile(teamstat);
            ++written;
        } catch (const std::exception& e) {
            prompter.error(parent, QString::fromStdString(e.what()));
            break;
        }
    }
    return written;
}

}  // namespace vinra::ui
