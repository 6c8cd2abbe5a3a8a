#include "ui/net/svt_teams.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ini.h"
#include "core/text.h"
#include "ui/core/prompter.h"

namespace vinra::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* kHelpText =
    "Vinra 2000 hittade inte det h\xC3\xA4r laget p\xC3\xA5 m\xC3\xA5lservicesidan. V\xC3\xA4lj raden med "
    "matchen i listan, eller skriv lagnamnet s\xC3\xA5 som Svt Text skriver det, och tryck OK. "
    "Kopplingen sparas och anv\xC3\xA4nds vid n\xC3\xA4sta uppdatering.";

}  // namespace

TfrmSvtTeams::TfrmSvtTeams(const std::string& name, const std::string& pageLines, Prompter& prompter, QWidget* parent)
    : QDialog(parent), pageText_(pageLines), prompter_(prompter) {
    setObjectName(QStringLiteral("frmSvtTeams"));
    setWindowTitle(Q("Koppla lag i Vinra 2000 till lag p\xC3\xA5 Svt Text"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(Q("M\xC3\xA5lservicesidor p\xC3\xA5 Svt Text"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    auto* help = new QLabel(Q(kHelpText), this);
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
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto* skip = new QPushButton(QStringLiteral("Avbryt"), this);
    skip->setObjectName(QStringLiteral("btnSkip"));
    auto* all = new QPushButton(QStringLiteral("Avbryt alla"), this);
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
        prompter_.error(this, Q("Lagnamnet verkar inte vara korrekt. Kontrollera och f\xC3\xB6rs\xC3\xB6k igen!"));
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
