#include "ui/core/web_links_dialog.h"

#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSoundEffect>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/text.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/http_window.h"

namespace vinra::ui {
namespace {

// Runs an action on Enter in the watched widget and swallows the key.
class EnterFilter : public QObject {
public:
    EnterFilter(std::function<void()> action, QObject* parent) : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                action_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
QString M(int n) { return Q(core::Msg(n)); }

constexpr int kMsgTitle = 208;                   // "Internet settings"
constexpr int kMsgPageGeneral = 545;             // "General"
constexpr int kMsgPageGoals = 551;               // "Goal service"
constexpr int kMsgPageMail = 559;                // "Mail"
constexpr int kMsgCaption = 209, kMsgUrl = 210;  // "Menu caption:", "URL:"
constexpr int kMsgFavorites = 211;               // "&Favorites on the Help-menu:"
constexpr int kMsgProxy = 212;                   // "Proxy settings"
constexpr int kMsgAddress = 213, kMsgPort = 214;
constexpr int kMsgUseProxy = 215;  // "Connect using Proxy-server"
constexpr int kMsgSound = 554;     // "Sound:"
constexpr int kMsgIdentify = 555;  // "How to identify the teams"
constexpr int kMsgIdentifyText = 556;
constexpr int kMsgOneHit = 557, kMsgBothHits = 558;
constexpr int kMsgProfile = 546, kMsgRecipients = 547, kMsgSubject = 548, kMsgBody = 549;
constexpr int kMsgSave = 12, kMsgDelete = 550;
constexpr int kMsgOk = 40, kMsgCancel = 41, kMsgHelp = 32;
constexpr int kMsgPlay = 2007;         // "Play"
constexpr int kMsgChooseSound = 2010;  // "Choose sound file"
constexpr int kLinkRows = 9;

QString BodyText(const std::string& crlf) { return Q(core::ReplaceLineBreaks(crlf, "\n")); }

}  // namespace

TfrmWeb::TfrmWeb(QWidget* parent, Prompter& prompter, Program& program, core::ProgramSettingsValues& values)
    : QDialog(parent), prompter_(prompter), program_(program), values_(values) {
    SetHelpPage(this, "internet.htm");
    setObjectName(QStringLiteral("frmWeb"));
    Tag(this, kMsgTitle);
    const core::IniFile& ravaroz = program_.settingsFile().ini();
    profiles_ = core::MailProfiles(core::ReadMailLists(ravaroz));
    events_ = core::ReadSoundEvents(ravaroz);

    auto* root = new QVBoxLayout(this);
    tabs_ = new QTabWidget;
    root->addWidget(tabs_);

    // General: links and proxy.
    auto* general = new QWidget;
    auto* gl = new QVBoxLayout(general);
    auto* favorites = Tag(new QLabel, kMsgFavorites);
    gl->addWidget(favorites);
    links_ = new QTableWidget(kLinkRows, 2);
    favorites->setBuddy(links_);  // the "&" of the caption is its shortcut
    links_->setObjectName(QStringLiteral("grdLinks"));
    links_->setHorizontalHeaderLabels({M(kMsgCaption), M(kMsgUrl)});
    links_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    links_->setColumnWidth(0, 170);
    // All nine rows in view, without a scroll bar.
    links_->verticalHeader()->setDefaultSectionSize(links_->fontMetrics().height() + 8);
    links_->setMinimumHeight(links_->horizontalHeader()->sizeHint().height() +
                             kLinkRows * links_->verticalHeader()->defaultSectionSize() + 4);
    for (int r = 0; r < kLinkRows; ++r) {
        const bool has = r < static_cast<int>(values_.links.size());
        links_->setItem(r, 0, new QTableWidgetItem(has ? Q(values_.links[static_cast<size_t>(r)].caption) : QString()));
        links_->setItem(r, 1, new QTableWidgetItem(has ? Q(values_.links[static_cast<size_t>(r)].url) : QString()));
    }
    gl->addWidget(links_);
    auto* proxy = Tag(new QGroupBox, kMsgProxy);
    auto* pl = new QFormLayout(proxy);
    useProxy_ = Tag(new QCheckBox, kMsgUseProxy);
    useProxy_->setObjectName(QStringLiteral("cbUseProxy"));
    useProxy_->setChecked(values_.proxy.use);
    host_ = new QLineEdit(values_.proxy.use ? Q(values_.proxy.host) : QString());
    host_->setObjectName(QStringLiteral("edProxyHost"));
    port_ = new QLineEdit(values_.proxy.use ? Q(values_.proxy.port) : QStringLiteral("80"));
    port_->setObjectName(QStringLiteral("edProxyPort"));
    pl->addRow(useProxy_);
    pl->addRow(Tag(new QLabel, kMsgAddress), host_);
    pl->addRow(Tag(new QLabel, kMsgPort), port_);
    gl->addWidget(proxy);
    tabs_->addTab(Tag(general, kMsgPageGeneral), M(kMsgPageGeneral));

    // Goal service: team identification and sounds.
    auto* goals = new QWidget;
    auto* ol = new QVBoxLayout(goals);
    auto* ident = Tag(new QGroupBox, kMsgIdentify);
    auto* il = new QVBoxLayout(ident);
    auto* identText = Tag(new QLabel, kMsgIdentifyText);
    identText->setWordWrap(true);
    il->addWidget(identText);
    oneHit_ = Tag(new QRadioButton, kMsgOneHit);
    oneHit_->setObjectName(QStringLiteral("rbOneHit"));
    bothHits_ = Tag(new QRadioButton, kMsgBothHits);
    bothHits_->setObjectName(QStringLiteral("rbBothHits"));
    (values_.findTeams == 0 ? oneHit_ : bothHits_)->setChecked(true);
    il->addWidget(oneHit_);
    il->addWidget(bothHits_);
    ol->addWidget(ident);
    ol->addWidget(Tag(new QLabel, kMsgSound));
    auto* soundRow = new QHBoxLayout;
    sounds_ = new QListWidget;
    sounds_->setObjectName(QStringLiteral("lstSounds"));
    for (const auto& [event, file] : events_) sounds_->addItem(Q(event));
    soundRow->addWidget(sounds_);
    auto* soundSide = new QVBoxLayout;
    soundFile_ = new QLabel;
    soundFile_->setObjectName(QStringLiteral("lblSoundFile"));
    soundFile_->setCursor(Qt::PointingHandCursor);
    soundFile_->setToolTip(M(kMsgChooseSound));
    auto* choose = new QPushButton(QStringLiteral("..."));
    choose->setObjectName(QStringLiteral("btnChooseSound"));
    choose->setToolTip(M(kMsgChooseSound));
    connect(choose, &QPushButton::clicked, this, [this] { ChooseSoundClick(); });
    auto* play = Tag(new QPushButton, kMsgPlay);
    play->setObjectName(QStringLiteral("btnPlay"));
    connect(play, &QPushButton::clicked, this, [this] { PlaySoundClick(); });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(soundFile_, 1);
    fileRow->addWidget(choose);
    soundSide->addLayout(fileRow);
    soundSide->addWidget(play);
    soundSide->addStretch();
    soundRow->addLayout(soundSide, 1);
    ol->addLayout(soundRow);
    connect(sounds_, &QListWidget::currentRowChanged, this, [this] { showSound(); });
    sounds_->setCurrentRow(0);
    tabs_->addTab(Tag(goals, kMsgPageGoals), M(kMsgPageGoals));

    // Mail lists.
    auto* mail = new QWidget;
    auto* ml = new QFormLayout(mail);
    profile_ = new QComboBox;
    profile_->setObjectName(QStringLiteral("cbProfile"));
    profile_->setEditable(true);
    // The list holds the stored profiles only: Enter stores the typed fields
    // under the typed name (as Save does) instead of adding a bare name that
    // would show as an empty profile, and it does not close the dialog.
    profile_->setInsertPolicy(QComboBox::NoInsert);
    profile_->lineEdit()->installEventFilter(new EnterFilter([this] { SaveProfileClick(); }, profile_));
    for (const auto& p : profiles_.lists()) profile_->addItem(Q(p.name));
    profile_->setCurrentIndex(-1);
    profile_->setEditText(QString());
    recip_ = new QLineEdit;
    recip_->setObjectName(QStringLiteral("edRecipients"));
    subject_ = new QLineEdit(M(602));
    subject_->setObjectName(QStringLiteral("edSubject"));
    body_ = new QPlainTextEdit;
    body_->setPlainText(QString::fromStdString(core::Msg(603)).replace(QStringLiteral("*13*"), QStringLiteral("\n")));
    body_->setObjectName(QStringLiteral("memBody"));
    ml->addRow(Tag(new QLabel, kMsgProfile), profile_);
    ml->addRow(Tag(new QLabel, kMsgRecipients), recip_);
    ml->addRow(Tag(new QLabel, kMsgSubject), subject_);
    ml->addRow(Tag(new QLabel, kMsgBody), body_);
    auto* mailButtons = new QHBoxLayout;
    auto* save = Tag(new QPushButton, kMsgSave);
    save->setObjectName(QStringLiteral("btnSaveProfile"));
    auto* del = Tag(new QPushButton, kMsgDelete);
    del->setObjectName(QStringLiteral("btnDeleteProfile"));
    connect(save, &QPushButton::clicked, this, [this] { SaveProfileClick(); });
    connect(del, &QPushButton::clicked, this, [this] { DeleteProfileClick(); });
    connect(profile_, &QComboBox::activated, this, [this](int i) { showProfile(i); });
    mailButtons->addStretch();
    mailButtons->addWidget(save);
    mailButtons->addWidget(del);
    ml->addRow(mailButtons);
    tabs_->addTab(Tag(mail, kMsgPageMail), M(kMsgPageMail));

    auto* buttons = new QDialogButtonBox;
    auto* ok = Tag(buttons->addButton(QDialogButtonBox::Ok), kMsgOk);
    Tag(buttons->addButton(QDialogButtonBox::Cancel), kMsgCancel);
    auto* help = Tag(buttons->addButton(QDialogButtonBox::Help), kMsgHelp);
    connect(ok, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(this, "internet.htm"); });
    root->addWidget(buttons);
    Localise(this);
    resize(620, 520);
}

core::MailProfile TfrmWeb::fields() const {
    core::MailProfile p;
    p.name = S(profile_->currentText());
    p.recipients = S(recip_->text());
    p.subject = S(subject_->text());
    p.body = core::ReplaceLineBreaks(S(body_->toPlainText()), "\r\n");
    const int i = profiles_.Find(p.name);
    if (i >= 0) p.att = profiles_.lists()[static_cast<size_t>(i)].att;
    return p;
}

void TfrmWeb::showProfile(int index) {
    if (index < 0 || index >= static_cast<int>(profiles_.lists().size())) {
        recip_->clear();
        subject_->clear();
        body_->clear();
        profile_->setEditText(QString());
        return;
    }
    const auto& p = profiles_.lists()[static_cast<size_t>(index)];
    profile_->setCurrentIndex(index);
    recip_->setText(Q(p.recipients));
    subject_->setText(Q(p.subject));
    body_->setPlainText(BodyText(p.body));
}

void TfrmWeb::SaveProfileClick() {
    core::MailProfile p = fields();
    if (std::string problem = profiles_.Save(p); !problem.empty()) {
        prompter_.error(this, Q(problem));
        return;
    }
    const int i = profiles_.Find(std::string(core::Trim(p.name)));
    if (i >= 0 && i >= profile_->count()) profile_->addItem(Q(profiles_.lists()[static_cast<size_t>(i)].name));
    if (i >= 0) profile_->setCurrentIndex(i);
}

void TfrmWeb::DeleteProfileClick() {
    bool removed = false;
    const std::string name = S(profile_->currentText());
    const int at = profiles_.Find(name);
    auto next = profiles_.Delete(name, &removed);
    if (!removed) return;
    profile_->removeItem(at);
    showProfile(next ? 0 : -1);
}

void TfrmWeb::showSound() {
    const int row = sounds_->currentRow();
    if (row < 0 || row >= static_cast<int>(events_.size())) {
        soundFile_->clear();
        return;
    }
    soundFile_->setText(QFileInfo(Q(events_[static_cast<size_t>(row)].second)).fileName());
}

void TfrmWeb::ChooseSoundClick() {
    const int row = sounds_->currentRow();
    if (row < 0 || row >= static_cast<int>(events_.size())) return;
    const auto current = core::SoundFilePath(events_[static_cast<size_t>(row)].second, program_.DataFolder());
    FileDialogSpec spec;
    spec.filter = QStringLiteral("*.wav (*.wav)");
    spec.defaultSuffix = QStringLiteral("wav");
    spec.folder = Q(current.parent_path().string());
    spec.selected = Q(current.string());
    const QString chosen = prompter_.openFile(this, spec);
    if (chosen.isEmpty()) return;
    events_[static_cast<size_t>(row)].second = S(chosen);
    showSound();
}

void TfrmWeb::PlaySoundClick() {
    const int row = sounds_->currentRow();
    if (row < 0 || row >= static_cast<int>(events_.size())) return;
    const auto file = core::SoundFilePath(events_[static_cast<size_t>(row)].second, program_.DataFolder());
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return;  // a missing sound is simply not played
    if (!player_) player_ = new QSoundEffect(this);
    player_->setSource(QUrl::fromLocalFile(Q(file.string())));
    player_->play();
}

void TfrmWeb::OkClick() {
    if (!profile_->currentText().trimmed().isEmpty()) {
        if (std::string problem = profiles_.Save(fields()); !problem.empty()) {
            prompter_.error(this, Q(problem));
            return;
        }
    }
    core::IniFile ravaroz = program_.settingsFile().ini();
    core::WriteSoundEvents(ravaroz, events_);
    core::WriteMailLists(ravaroz, profiles_.lists());
    try {
        ravaroz.SaveToFile(program_.settingsFile().path());
        program_.settingsFile().Load();
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    std::vector<core::OperatorLink> grid;
    for (int r = 0; r < links_->rowCount(); ++r) {
        auto text = [&](int c) { return links_->item(r, c) ? S(links_->item(r, c)->text()) : std::string(); };
        grid.push_back({text(0), text(1)});
    }
    values_.links = core::CloseUpLinks(grid);
    values_.findTeams = oneHit_->isChecked() ? 0 : 1;
    if (useProxy_->isChecked()) values_.proxy = {true, S(host_->text().trimmed()), S(port_->text().trimmed())};
    else values_.proxy = {};
    accept();
}

}  // namespace vinra::ui
