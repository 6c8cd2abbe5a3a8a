#include "ui/core/settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/text.h"
#include "net/http.h"
#include "ui/core/help.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/web_links_dialog.h"
#include "ui/net/http_window.h"

namespace vinra::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

constexpr int kMsgTitle = 195;     // "Settings"
constexpr int kMsgGeneral = 200;   // "General"
constexpr int kMsgAdjust = 196;    // "Adjust program"
constexpr int kMsgInternet = 198;  // "Internet..."
constexpr int kMsgOk = 40, kMsgCancel = 41, kMsgHelp = 32;
constexpr int kMsgKeyLabel = 2000;  // "API key for the upload service:"
constexpr int kMsgKeyNote = 2001;   // where the key is found
constexpr int kMsgShowFrom = 2002;  // "Show pools from:"
constexpr int kMsgRestart = 2003;   // the operator list needs a restart
// The general switches, in dialog order (each message is its caption).
constexpr int kChecks[] = {201, 202, 203, 204, 205, 206, 207, 575};

bool* Field(core::ProgramSettingsValues& v, int msg) {
    switch (msg) {
        case 201: return &v.toolTip;
        case 202: return &v.fillAll;
        case 203: return &v.printUpperCase;
        case 204: return &v.lastSaved;
        case 205: return &v.closeProgram;
        case 206: return &v.useXWhenPrinting;
        case 207: return &v.warnings;
        case 575: return &v.guideOnNewFile;
    }
    return nullptr;
}

}  // namespace

TfrmSettings::TfrmSettings(QWidget* parent, Prompter& prompter, Program& program, core::SettingsPlace place)
    : QDialog(parent), prompter_(prompter), program_(program), place_(std::move(place)) {
    SetHelpPage(this, "settings.htm");
    setObjectName(QStringLiteral("frmSettings"));
    Tag(this, kMsgTitle);
    values_ = core::LoadProgramSettings(program_.settingsFile().ini(), program_.settings, program_.national, place_);

    auto* root = new QVBoxLayout(this);
    auto* keyBox = new QGridLayout;
    keyBox->addWidget(Tag(new QLabel, kMsgKeyLabel), 0, 0);
    apiKey_ = new QLineEdit(Q(values_.apiKey));
    apiKey_->setObjectName(QStringLiteral("edApiKey"));
    keyBox->addWidget(apiKey_, 0, 1);
    auto* note = Tag(new QLabel, kMsgKeyNote);
    note->setWordWrap(true);
    keyBox->addWidget(note, 1, 0, 1, 2);
    root->addLayout(keyBox);

    auto* columns = new QHBoxLayout;
    auto* general = Tag(new QGroupBox, kMsgGeneral);
    auto* g = new QVBoxLayout(general);
    for (int msg : kChecks) {
        auto* box = Tag(new QCheckBox, msg);
        box->setObjectName(QStringLiteral("cb%1").arg(msg));
        box->setChecked(*Field(values_, msg));
        if (msg == 206) {
            auto* row = new QHBoxLayout;
            row->addWidget(box);
            printChar_ = new QLineEdit(Q(values_.printChar));
            printChar_->setObjectName(QStringLiteral("edPrintChar"));
            printChar_->setMaxLength(1);
            printChar_->setFixedWidth(printChar_->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
            row->addWidget(printChar_);
            row->addStretch();
            g->addLayout(row);
        } else {
            g->addWidget(box);
        }
    }
    columns->addWidget(general);

    auto* right = new QVBoxLayout;
    auto* adjust = Tag(new QGroupBox, kMsgAdjust);
    auto* a = new QVBoxLayout(adjust);
    auto* internet = Tag(new QPushButton, kMsgInternet);
    internet->setObjectName(QStringLiteral("btnInternet"));
    connect(internet, &QPushButton::clicked, this, [this] { InternetClick(); });
    a->addWidget(internet);
    right->addWidget(adjust);
    right->addWidget(Tag(new QLabel, kMsgShowFrom));
    operators_ = new QListWidget;
    operators_->setObjectName(QStringLiteral("lstOperators"));
    for (const auto& [op, shown] : values_.showPool) {
        auto* item = new QListWidgetItem(Q(op), operators_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
    right->addWidget(operators_);
    auto* restart = Tag(new QLabel, kMsgRestart);
    restart->setWordWrap(true);
    right->addWidget(restart);
    columns->addLayout(right);
    root->addLayout(columns);

    auto* buttons = new QDialogButtonBox;
    auto* ok = Tag(buttons->addButton(QDialogButtonBox::Ok), kMsgOk);
    Tag(buttons->addButton(QDialogButtonBox::Cancel), kMsgCancel);
    auto* help = Tag(buttons->addButton(QDialogButtonBox::Help), kMsgHelp);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (OkClick()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(this, "settings.htm"); });
    root->addWidget(buttons);
    Localise(this);
}

QCheckBox* TfrmSettings::check(int msg) const { return findChild<QCheckBox*>(QStringLiteral("cb%1").arg(msg)); }

void TfrmSettings::InternetClick() {
    TfrmWeb web(this, prompter_, program_, values_);
    web.exec();
}

bool TfrmSettings::OkClick() {
    for (int msg : kChecks) *Field(values_, msg) = check(msg)->isChecked();
    values_.apiKey = S(apiKey_->text());
    values_.printChar = S(printChar_->text());
    for (int i = 0; i < operators_->count() && i < static_cast<int>(values_.showPool.size()); ++i)
        values_.showPool[static_cast<size_t>(i)].second = operators_->item(i)->checkState() == Qt::Checked;

    core::IniFile ravaroz = program_.settingsFile().ini();
    core::IniFile national = program_.national.ini();
    core::Settings process = program_.settings;
    core::StoreProgramSettings(values_, ravaroz, national, place_, process);
    try {
        national.SaveToFile(program_.NationalPath());
        ravaroz.SaveToFile(program_.settingsFile().path());
        program_.settingsFile().Load();
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return false;
    }
    program_.national = core::NationalIni(std::move(national));
    program_.settings = process;
    // The proxy takes effect for the next transfer, not at the next start.
    net::UseProxySetting(program_.settings.proxy);
    return true;
}

void ShowProgramSettings(const ShellContext& shell) {
    const auto& doc = shell.session.Doc();
    core::SettingsPlace place;
    const core::PoolSettings pool = shell.program.national.SettingsOfSystem(doc.Pool, doc.Typ);
    place.poolName = pool.name;
    place.operatorName = shell.program.national.OperatorOfPool(doc.Typ.empty() ? "S" : doc.Typ);
    TfrmSettings dialog(shell.window, shell.prompter, shell.program, place);
    dialog.exec();
}

}  // namespace vinra::ui
