#include "ui/stats/game_wizard.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSoundEffect>
#include <QStatusBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "net/http.h"
#include "net/transfer_error.h"
#include "ui/core/help.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/output/quick_view.h"
#include "ui/stats/match_stat.h"
#include "ui/core/safe_text_browser.h"

namespace vinra::ui {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
QString Fmt(int msg, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(msg), args)); }

// Texts of the wizard.
constexpr int kMsgCaption = 58;    // "Game Wizard"
constexpr int kMsgOverview = 267;  // "Show/Hide the overview"
constexpr int kMsgTitle = 293;     // "GameWizard - %d / %d   Statistics: %s"
constexpr int kMsgShowAll = 194;   // "Show all"
constexpr int kMsgHomeOnly = 59;   // "Home games only"
constexpr int kMsgAwayOnly = 60;   // "Away games only"
constexpr int kMsgNext = 62, kMsgPrevious = 63, kMsgFirst = 72, kMsgLast = 73;
constexpr int kMsgChart = 64, kMsgEarlier = 65;  // page captions 64..71
constexpr int kMsgPressF1 = 494;                 // "Press F1 for help"
constexpr int kMsgSingles = 296, kMsgTriples = 297, kMsgDoubles = 298, kMsgRows = 299;
constexpr int kMsgChanged = 364;         // "The system has been changed"
constexpr int kMsgGameInfo = 1900;       // "Game information"
constexpr int kMsgLatestGames = 1901;    // "Latest games"
constexpr int kMsgOpenInBrowser = 1902;  // "Open in browser"
constexpr int kMsgOddsView = 1903;       // "Show odds"
constexpr int kMsgNewspapers = 1904;     // "Newspapers"
constexpr int kMsgBookmaker = 1905;      // "Bookmaker %"
constexpr int kMsgOperator = 1906;       // "Operator %"
constexpr int kMsgPeople = 1907;         // "People %"
constexpr int kMsgOwn = 1908;            // "Own"
constexpr int kMsgRank = 1909;           // "Rank"
constexpr int kMsgValue = 1910;          // "Value (own / people)"
constexpr int kMsgValueHint = 1931;      // what the value row means
constexpr int kMsgExpertTip = 1911;      // "Expert tip: %s"
constexpr int kMsgPlaySound = 1912;      // "Play sound"
constexpr int kMsgNotASound = 4112;      // "%s is not a sound clip"
constexpr int kMsgSoundError = 1913;     // "Error playing sound"
constexpr int kMsgFinish = 1914;         // "&Finish"
constexpr int kMsgCancel = 1915;         // "Cancel"
constexpr int kMsgNoPage = 1916;         // "The statistics page could not be fetched."
constexpr int kMsgUnibet = 1917;         // "Unibet", then 1918 "Expert %", 1919 "Unibet Odds"
constexpr int kMsgExpertPct = 1918;
constexpr int kMsgUnibetOdds = 1919;
constexpr int kMsgBadOwnPercent = 3300;  // "The own percentage \"%s\" is not a number from 0 to 100."
constexpr int kMsgBadOwnOdds = 3301;     // "The own odds \"%s\" are not odds of 1 or more (0 for none)."
constexpr int kMsgFetchingClubs = 3302;  // "Fetching the clubs' statistics..."
constexpr int kMsgRegenerate = 600;      // the frame changed under existing rows

constexpr int kLogoW = 121, kLogoH = 146;
constexpr int kInfoPage = 9;

bool UnibetPool(const std::string& typ) { return typ == "T" || typ == "O"; }

}  // namespace

TfrmGameWiz::TfrmGameWiz(Program& program, Prompter& prompter, DocumentSession& session, int start,
                         std::string serviceHost, QWidget* parent)
    : QDialog(parent),
      program_(program),
      prompter_(prompter),
      session_(session),
      host_(std::move(serviceHost)),
      model_(session.Doc(), start),
      job_(std::make_unique<BackgroundJob>(this)),
      soundJob_(std::make_unique<BackgroundJob>(this)),
      fetched_(std::make_shared<std::string>()) {
    SetHelpPage(this, "gamewiz.htm");
    const core::TVinraFile& doc = session_.Doc();
    const fs::path dataFolder = program_.DataFolder();
    info_.Load(dataFolder, doc, std::to_string(doc.OmgID));
    auto readIni = [](const fs::path& f) {
        try {
            std::error_code ec;
            if (fs::is_regular_file(f, ec)) return core::IniFile::FromFile(f);
        } catch (const std::exception&) {}
        return core::IniFile();
    };
    roundInfo_ = readIni(net::GameInfoFile(dataFolder, doc.Pool, doc.OmgID));
    teamstat_ = readIni(dataFolder / "teamstat.ini");
    teamlogo_ = readIni(dataFolder / "teamlogo.ini");
    statsDate_ = roundInfo_.ReadString("Info", "Date", "2011-01-01");
    connect(job_.get(), &BackgroundJob::finished, this, [this](bool cancelled, const QString& error) {
        if (cancelled) return;
        browser_->setHtml(error.isEmpty() ? Q(*fetched_) : QStringLiteral("<p>%1</p>").arg(M(kMsgNoPage)));
    });
    connect(soundJob_.get(), &BackgroundJob::finished, this, &TfrmGameWiz::soundFetched);
    build();
    // The overview: the working frame, above the wizard, shown on request.
    overviewDoc_ = doc;
    for (int n = 1; n <= model_.count(); ++n)
        if (n - 1 < static_cast<int>(overviewDoc_.Grundrad.size()))
            overviewDoc_.Grundrad[static_cast<size_t>(n - 1)] = model_.Frame(n);
    overview_ = new TfrmQuick(overviewDoc_, this, true);
    overview_->SetInputEnabled(false);  // the sign fields edit the frame
    overview_->hide();
    // The statistics page used last time.
    setPage(std::clamp(program_.settings.gameWizTab, 0, kInfoPage));
    showMatch();
}

void TfrmGameWiz::rememberPage(int p) {
    if (program_.settings.gameWizTab == p) return;
    program_.settings.gameWizTab = p;
    try {
        program_.settingsFile().WriteInteger("General", "GameWizTab", p);
    } catch (const core::FileError&) {
        // A read-only data folder: the page is remembered for this run only.
    }
}

void TfrmGameWiz::toggleOverview() {
    if (overview_->isVisible()) {
        overview_->hide();
        return;
    }
    overview_->Refresh();
    overview_->show();
    // Beside the wizard, on the left where there is room.
    const int x = std::max(0, frameGeometry().left() - overview_->frameGeometry().width());
    overview_->move(x, frameGeometry().top());
}

TfrmGameWiz::~TfrmGameWiz() {
    job_->CancelAndJoin();
    soundJob_->CancelAndJoin();
}

void TfrmGameWiz::build() {
    setWindowTitle(M(kMsgCaption));
    auto* root = new QVBoxLayout(this);

    // Teams: logo, name, league line, latest games with their filter.
    auto* teamsRow = new QHBoxLayout;
    matchNo_ = new QLabel(this);
    QFont big = matchNo_->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    matchNo_->setFont(big);
    teamsRow->addWidget(matchNo_);
    for (int t = 0; t < 2; ++t) {
        auto* box = new QGroupBox(this);
        auto* g = new QGridLayout(box);
        logo_[t] = new QLabel(box);
        logo_[t]->setFixedSize(kLogoW, kLogoH);
        logo_[t]->setAlignment(Qt::AlignCenter);
        name_[t] = new QLabel(box);
        name_[t]->setFont(big);
        league_[t] = new QLabel(box);
        filter_[t] = new QComboBox(box);
        filter_[t]->addItems({M(kMsgShowAll), M(kMsgHomeOnly), M(kMsgAwayOnly)});
        filter_[t]->setCurrentIndex(t == 0 ? 1 : 2);
        games_[t] = new QListWidget(box);
        games_[t]->setMinimumWidth(260);
        g->addWidget(logo_[t], 0, 0, 3, 1);
        g->addWidget(name_[t], 0, 1);
        g->addWidget(league_[t], 1, 1);
        g->addWidget(filter_[t], 2, 1);
        g->addWidget(games_[t], 3, 0, 1, 2);
        connect(filter_[t], &QComboBox::currentIndexChanged, this, [this, t] { refreshGames(t); });
        teamsRow->addWidget(box, 1);
    }
    root->addLayout(teamsRow);

    // The three sign fields of the match's frame.
    auto* signRow = new QHBoxLayout;
    for (int s = 0; s < 3; ++s) {
        signs_[s] = new QPushButton(this);
        signs_[s]->setCheckable(true);
        signs_[s]->setFixedSize(48, 36);
        signs_[s]->setFont(big);
        connect(signs_[s], &QPushButton::clicked, this, [this, s] {
            model_.ToggleSign(s);
            refreshStatus();
            // The overview is told which sign of which match changed.
            const int n = model_.current();
            if (n - 1 < static_cast<int>(overviewDoc_.Grundrad.size())) {
                overviewDoc_.Grundrad[static_cast<size_t>(n - 1)] = model_.Frame(n);
                overview_->UpdateCell(s + 1, n);
            }
        });
        signRow->addWidget(signs_[s]);
    }
    signRow->addStretch();
    root->addLayout(signRow);

    // The pages: nine statistics pages of the service, then the game
    // information. One browser serves the nine pages; the tab bar only chooses
    // the address.
    tabs_ = new QTabBar(this);
    tabs_->setExpanding(false);
    stack_ = new QStackedWidget(this);
    auto* web = new QWidget(stack_);
    auto* wl = new QVBoxLayout(web);
    browser_ = new SafeTextBrowser(web);
    browser_->setOpenLinks(false);
    openBrowser_ = new QPushButton(M(kMsgOpenInBrowser), web);
    connect(openBrowser_, &QPushButton::clicked, this, &TfrmGameWiz::openInBrowser);
    wl->addWidget(browser_);
    wl->addWidget(openBrowser_, 0, Qt::AlignRight);
    stack_->addWidget(web);
    const int pageMsgs[stats::kOnlinePages] = {kMsgChart, kMsgLatestGames, kMsgEarlier, 66, 67, 68, 69, 70, 71};
    for (int p = 0; p < stats::kOnlinePages; ++p) tabs_->addTab(M(pageMsgs[p]));

    auto* infoPage = new QWidget(stack_);
    auto* ig = new QGridLayout(infoPage);
    comment_ = new QLabel(infoPage);
    comment_->setWordWrap(true);
    expert_ = new QLabel(infoPage);
    news_ = new QLabel(infoPage);
    sound_ = new QPushButton(M(kMsgPlaySound), infoPage);
    connect(sound_, &QPushButton::clicked, this, &TfrmGameWiz::playSound);
    ig->addWidget(comment_, 0, 0, 1, 5);
    ig->addWidget(expert_, 1, 0, 1, 3);
    ig->addWidget(sound_, 1, 4);
    const int rowMsgs[] = {kMsgNewspapers, kMsgBookmaker, kMsgOperator, kMsgPeople};
    const stats::QuickSource sources[] = {stats::QuickSource::News, stats::QuickSource::Bookmaker,
                                          stats::QuickSource::Operator, stats::QuickSource::People};
    for (int r = 0; r < 4; ++r) {
        auto* b = new QPushButton(M(rowMsgs[r]), infoPage);
        b->setFlat(true);
        b->setStyleSheet(QStringLiteral("text-align:left; text-decoration:underline"));
        quick_[static_cast<int>(sources[r])] = b;
        const stats::QuickSource src = sources[r];
        connect(b, &QPushButton::clicked, this, [this, src] {
            const auto f = stats::QuickFill(info_, model_.current() - 1, src, session_.Doc().Typ, model_.oddsView());
            for (int s = 0; s < 3; ++s) own_[s]->setText(Q(f[s]));
        });
        ig->addWidget(b, 3 + r, 0);
    }
    for (int s = 0; s < 3; ++s) {
        auto* head = new QLabel(Q(core::SignsToDisplay(std::string(1, static_cast<char>('0' + s)))), infoPage);
        head->setAlignment(Qt::AlignCenter);
        ig->addWidget(head, 2, 1 + s);
    }
    news_->setParent(infoPage);
    // Rows 0..3: newspapers, bookmaker, operator, people; 4 rank; 5 value.
    for (int r = 0; r < 6; ++r)
        for (int s = 0; s < 3; ++s) {
            values_[r][s] = new QLabel(infoPage);
            values_[r][s]->setAlignment(Qt::AlignCenter);
            values_[r][s]->setMinimumWidth(70);
            if (r == 5) values_[r][s]->setToolTip(M(kMsgValueHint));
            const int gridRow = r < 4 ? 3 + r : 4 + r;  // own fields sit between people and rank
            ig->addWidget(values_[r][s], gridRow, 1 + s);
        }
    ig->addWidget(new QLabel(M(kMsgOwn), infoPage), 7, 0);
    for (int s = 0; s < 3; ++s) {
        own_[s] = new QLineEdit(infoPage);
        own_[s]->setAlignment(Qt::AlignCenter);
        own_[s]->setMaximumWidth(80);
        ig->addWidget(own_[s], 7, 1 + s);
    }
    ig->addWidget(new QLabel(M(kMsgRank), infoPage), 8, 0);
    auto* valueCaption = new QLabel(M(kMsgValue), infoPage);
    valueCaption->setToolTip(M(kMsgValueHint));
    ig->addWidget(valueCaption, 9, 0);
    oddsView_ = new QCheckBox(M(kMsgOddsView), infoPage);
    connect(oddsView_, &QCheckBox::toggled, this, [this](bool odds) {
        if (!leaveMatch()) {
            const QSignalBlocker block(oddsView_);
            oddsView_->setChecked(!odds);
            return;
        }
        model_.SetOddsView(odds);
        refreshInfo();
    });
    ig->addWidget(oddsView_, 10, 0, 1, 3);
    ig->setRowStretch(11, 1);
    stack_->addWidget(infoPage);
    tabs_->addTab(M(kMsgGameInfo));
    connect(tabs_, &QTabBar::currentChanged, this, [this](int p) {
        stack_->setCurrentIndex(p < stats::kOnlinePages ? 0 : 1);
        lastPage_ = p;
        rememberPage(p);
        loadPage();
    });
    root->addWidget(tabs_);
    root->addWidget(stack_, 1);

    // Navigation, Finish and Cancel.
    auto* nav = new QHBoxLayout;
    firstBtn_ = new QPushButton(M(kMsgFirst), this);
    prevBtn_ = new QPushButton(M(kMsgPrevious), this);
    nextBtn_ = new QPushButton(M(kMsgNext), this);
    lastBtn_ = new QPushButton(M(kMsgLast), this);
    finish_ = new QPushButton(M(kMsgFinish), this);
    auto* cancel = new QPushButton(M(kMsgCancel), this);
    overviewBtn_ = new QPushButton(M(kMsgOverview), this);
    overviewBtn_->setObjectName(QStringLiteral("btnOverview"));
    connect(overviewBtn_, &QPushButton::clicked, this, &TfrmGameWiz::toggleOverview);
    connect(firstBtn_, &QPushButton::clicked, this, &TfrmGameWiz::first);
    connect(prevBtn_, &QPushButton::clicked, this, &TfrmGameWiz::previous);
    connect(nextBtn_, &QPushButton::clicked, this, &TfrmGameWiz::next);
    connect(lastBtn_, &QPushButton::clicked, this, &TfrmGameWiz::last);
    connect(finish_, &QPushButton::clicked, this, &TfrmGameWiz::finish);
    connect(cancel, &QPushButton::clicked, this, &TfrmGameWiz::reject);
    for (QPushButton* b : {firstBtn_, prevBtn_, nextBtn_, lastBtn_}) nav->addWidget(b);
    nav->addStretch();
    nav->addWidget(overviewBtn_);
    nav->addStretch();
    nav->addWidget(finish_);
    nav->addWidget(cancel);
    root->addLayout(nav);
    status_ = new QStatusBar(this);
    status_->setSizeGripEnabled(false);
    root->addWidget(status_);

    if (UnibetPool(session_.Doc().Typ)) {
        quick_[static_cast<int>(stats::QuickSource::Bookmaker)]->setText(M(kMsgUnibet));
        quick_[static_cast<int>(stats::QuickSource::Operator)]->setVisible(false);
        quick_[static_cast<int>(stats::QuickSource::News)]->setText(M(kMsgExpertPct));
        for (int s = 0; s < 3; ++s) values_[2][s]->setVisible(false);
        comment_->setVisible(false);
        expert_->setVisible(false);
    }
    // No button of the wizard is pressed by Enter: Enter in an own field would
    // otherwise toggle the first sign or close the wizard.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    resize(1000, 740);
}

int TfrmGameWiz::page() const { return tabs_->currentIndex(); }

void TfrmGameWiz::setPage(int p) {
    if (tabs_->currentIndex() == p) {
        lastPage_ = p;
        loadPage();
    } else {
        tabs_->setCurrentIndex(p);
    }
}

QString TfrmGameWiz::statusText() const { return status_->currentMessage(); }

void TfrmGameWiz::showMatch() {
    const int n = model_.current(), m = n - 1;
    matchNo_->setText(QString::number(n));
    const QDate date = QDate::fromString(Q(statsDate_), Qt::ISODate);
    setWindowTitle(
        Fmt(kMsgTitle, {static_cast<long long>(n), static_cast<long long>(model_.count()),
                        date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")).toStdString() : statsDate_}));
    const std::array<std::string, 2> names = {info_.Home[m], info_.Away[m]};
    for (int t = 0; t < 2; ++t) {
        teams_[t] = stats::ReadTeamStats(roundInfo_, teamstat_, names[t]);
        name_[t]->setText(Q(names[t]));
        league_[t]->setText(Q(stats::LeagueLine(teams_[t])));
        refreshGames(t);
    }
    showLogos();
    firstBtn_->setEnabled(n > 1);
    prevBtn_->setEnabled(n > 1);
    nextBtn_->setEnabled(n < model_.count());
    lastBtn_->setEnabled(n < model_.count());
    refreshStatus();
    refreshInfo();
    loadPage();
}

void TfrmGameWiz::showLogos() {
    const fs::path images = program_.DataFolder() / "Cache" / "Images";
    for (int t = 0; t < 2; ++t) {
        logo_[t]->clear();
        const std::string file = stats::LogoFileName(teamlogo_.ReadString("Images", teams_[t].name));
        const auto path = stats::FileInFolder(images, file);
        std::error_code ec;
        if (!path || !fs::is_regular_file(*path, ec)) continue;
        QPixmap pic(Q(path->string()));
        if (pic.isNull()) {
            fs::remove(*path, ec);  // a broken download: fetched again next time
            continue;
        }
        if (pic.width() > kLogoW || pic.height() > kLogoH)
            pic = pic.scaled(kLogoW, kLogoH, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        logo_[t]->setPixmap(pic);
    }
}

void TfrmGameWiz::reloadLogos() {
    // The logo addresses may be new as well (the statistics run writes teamlogo.ini).
    try {
        std::error_code ec;
        const fs::path f = program_.DataFolder() / "teamlogo.ini";
        if (fs::is_regular_file(f, ec)) teamlogo_ = core::IniFile::FromFile(f);
    } catch (const std::exception&) {}
    showLogos();
}

void TfrmGameWiz::refreshGames(int t) {
    games_[t]->clear();
    const auto filter = static_cast<stats::GameFilter>(filter_[t]->currentIndex());
    for (const stats::LatestGame& g : stats::FilterGames(teams_[t].games, filter)) {
        auto* item = new QListWidgetItem(Q(g.text), games_[t]);
        item->setForeground(g.outcome == stats::GameOutcome::Win    ? QColor(Qt::darkGreen)
                            : g.outcome == stats::GameOutcome::Loss ? QColor(Qt::red)
                                                                    : QColor(Qt::black));
    }
}

void TfrmGameWiz::refreshStatus() {
    const int n = model_.current();
    // A set field shows its sign, an unset one is empty, as in the main grid.
    for (int s = 0; s < 3; ++s) {
        const bool set = model_.HasSign(n, s);
        const QString sign = Q(core::SignsToDisplay(std::string(1, static_cast<char>('0' + s))));
        signs_[s]->setChecked(set);
        signs_[s]->setText(set ? sign : QString());
        signs_[s]->setToolTip(sign);
    }
    const stats::StatusCounts c = model_.Status();
    status_->showMessage(
        M(kMsgPressF1) + QStringLiteral("    ") + Fmt(kMsgSingles, {static_cast<long long>(c.singles)}) +
        QStringLiteral("    ") + Fmt(kMsgTriples, {static_cast<long long>(c.triples)}) + QStringLiteral("    ") +
        Fmt(kMsgDoubles, {static_cast<long long>(c.doubles)}) + QStringLiteral("    ") + Fmt(kMsgRows, {c.rows}));
}

void TfrmGameWiz::refreshInfo() {
    const int m = model_.current() - 1;
    const bool odds = model_.oddsView();
    comment_->setText(Q(info_.Comment[m]));
    expert_->setText(Fmt(kMsgExpertTip, {info_.XTips[m]}));
    sound_->setEnabled(!info_.Sound[m].empty());
    quick_[static_cast<int>(stats::QuickSource::Bookmaker)]->setText(
        UnibetPool(session_.Doc().Typ) ? M(odds ? kMsgUnibetOdds : kMsgUnibet) : M(kMsgBookmaker));
    const auto own = model_.OwnFields();
    for (int s = 0; s < 3; ++s) {
        values_[0][s]->setText(Q(core::KeepChars(info_.News[m][s], "0123456789")));
        // Odds the round's information does not give stay empty rather than read as 0 %.
        // The bookmaker's (Unibet's) odds are the Ubet keys, the operator's the
        // Odds keys, as the reduction window reads them.
        values_[1][s]->setText(info_.UbetValue[m][s] <= 0 ? QString()
                                                          : Q(odds ? stats::FormatFixed(info_.UbetValue[m][s], 2)
                                                                   : stats::FormatFixed(info_.UbetPercent[m][s], 0)));
        values_[2][s]->setText(info_.OddsValue[m][s] <= 0 ? QString()
                                                          : Q(odds ? stats::FormatFixed(info_.OddsValue[m][s], 2)
                                                                   : stats::FormatFixed(info_.OddsPercent[m][s], 0)));
        values_[3][s]->setText(
            Q(odds ? stats::FormatFixed(info_.PeopleOdds[m][s], 2) : stats::FormatFixed(info_.PeopleValue[m][s], 2)));
        const int rank = stats::PeopleRank(info_, m, s);
        values_[4][s]->setText(rank ? QString::number(rank) : QString());
        const net::Rgb c = net::ColourRgb(info_.FavouriteColour(m, s));
        values_[4][s]->setStyleSheet(rank ? QStringLiteral("background:rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b)
                                          : QString());
        own_[s]->setText(Q(own[s]));
    }
    // Value of each sign: the player's own probability (the bookmaker's, else
    // the operator's, when he has none for the match) against the people's share.
    const auto& mine = model_.Own(model_.current()).percent;
    const bool hasOwn = model_.HasOwnEstimate(model_.current());
    const auto& market = info_.UbetPercent[m][0] > 0 ? info_.UbetPercent[m] : info_.OddsPercent[m];
    for (int s = 0; s < 3; ++s) {
        const double v = stats::SignValue(hasOwn ? mine[s] : market[s], info_.PeopleValue[m][s]);
        values_[5][s]->setText(v > 0 ? Q(stats::FormatFixed(v, 2)) : QString());
        values_[5][s]->setStyleSheet(v >= 1.1           ? QStringLiteral("color:darkgreen; font-weight:bold")
                                     : v > 0 && v < 0.9 ? QStringLiteral("color:red")
                                                        : QString());
    }
}

std::string TfrmGameWiz::pageAddress() const {
    const core::TVinraFile& doc = session_.Doc();
    const std::string path = stats::StatsPagePath(lastPage_, doc.Typ, doc.OmgID, model_.current());
    if (host_.empty() || path.empty()) return {};
    // The pages in the player's language where the service has it.
    const char* lang = "en";
    switch (core::CurrentLanguage()) {
        case core::LangSwedish: lang = "sv"; break;
        case core::LangDanish: lang = "da"; break;
        case core::LangNorwegian: lang = "no"; break;
        case core::LangFinnish: lang = "fi"; break;
        default: break;
    }
    return host_ + path + "?lang=" + lang;
}

void TfrmGameWiz::loadPage() {
    if (!tabs_ || lastPage_ >= stats::kOnlinePages) return;
    browser_->clear();
    const std::string url = pageAddress();
    if (url.empty()) return;
    job_->CancelAndJoin();
    auto out = fetched_;
    job_->Start([url, out](JobProgress& p) {
        net::TransferWatch watch(&p.cancel);
        const net::HttpReply reply = net::Get(url);
        if (!reply.ok()) throw net::NetError(net::HttpStatusText(reply.status, url));
        *out = core::DecodeFileText(reply.body);
    });
}

void TfrmGameWiz::openInBrowser() {
    // The service host comes from update.ini: only a web address goes to the browser.
    if (const std::string url = pageAddress(); !url.empty()) OpenAddress(this, prompter_, url, launch_);
}

void TfrmGameWiz::playSound() {
    const int m = model_.current() - 1;
    const auto file = stats::FileInFolder(program_.DataFolder() / "Cache" / "Sounds", info_.Sound[m]);
    if (!file) return prompter_.error(this, M(kMsgSoundError));
    std::error_code ec;
    if (fs::is_regular_file(*file, ec)) return playFile(*file);
    if (host_.empty() || soundJob_->Running()) return prompter_.error(this, M(kMsgSoundError));
    // Not in the cache yet: fetched from the service off the GUI thread, then played.
    sound_->setEnabled(false);
    const std::string url = host_ + "/Vinra/Sounds/" + info_.Sound[m];
    const fs::path target = *file;
    soundJob_->Start([url, target](JobProgress& p) {
        const net::TransferWatch watch(&p.cancel, [&p](int64_t now, int64_t total) { return p.Bytes(now, total); });
        const net::HttpReply reply = net::Get(url);
        if (!reply.ok()) throw net::NetError(net::HttpStatusText(reply.status, url));
        if (reply.body.size() < 44 || reply.body.compare(0, 4, "RIFF") != 0)
            throw std::runtime_error(core::FormatMsg(core::Msg(kMsgNotASound), {url}));
        std::error_code made;
        fs::create_directories(target.parent_path(), made);
        core::WriteFileAtomic(target, reply.body);
    });
    pendingSound_ = target;
}

void TfrmGameWiz::soundFetched(bool cancelled, const QString& error) {
    sound_->setEnabled(!info_.Sound[model_.current() - 1].empty());
    if (cancelled) return;
    if (!error.isEmpty()) return prompter_.errorWithDetail(this, M(kMsgSoundError), error);
    playFile(pendingSound_);
}

void TfrmGameWiz::playFile(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return prompter_.error(this, M(kMsgSoundError));
    lastPlayed_ = file;
    // QSoundEffect plays asynchronously; a machine without an audio device
    // reports the failure through its status instead of blocking.
    auto* effect = new QSoundEffect(this);
    connect(effect, &QSoundEffect::statusChanged, this, [this, effect] {
        if (effect->status() == QSoundEffect::Error) {
            effect->deleteLater();
            prompter_.error(this, M(kMsgSoundError));
        } else if (effect->status() == QSoundEffect::Ready) {
            effect->play();
        }
    });
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying() && effect->status() == QSoundEffect::Ready) effect->deleteLater();
    });
    effect->setSource(QUrl::fromLocalFile(Q(file.string())));
}

bool TfrmGameWiz::leaveMatch() {
    const int bad =
        model_.Leave({own_[0]->text().toStdString(), own_[1]->text().toStdString(), own_[2]->text().toStdString()});
    if (bad < 0) return true;
    // The match stays open with the figure to correct; nothing was taken.
    setPage(kInfoPage);
    prompter_.error(this, Fmt(model_.oddsView() ? kMsgBadOwnOdds : kMsgBadOwnPercent,
                              {own_[bad]->text().trimmed().toStdString()}));
    own_[bad]->setFocus();
    own_[bad]->selectAll();
    return false;
}

void TfrmGameWiz::next() {
    if (!leaveMatch()) return;
    model_.GoTo(model_.current() + 1);
    showMatch();
}
void TfrmGameWiz::previous() {
    if (!leaveMatch()) return;
    model_.GoTo(model_.current() - 1);
    showMatch();
}
void TfrmGameWiz::first() {
    if (!leaveMatch()) return;
    model_.GoTo(1);
    showMatch();
}
void TfrmGameWiz::last() {
    if (!leaveMatch()) return;
    model_.GoTo(model_.count());
    showMatch();
}

void TfrmGameWiz::finish() {
    if (!leaveMatch()) return;
    core::TVinraFile work = session_.Doc();
    model_.StoreFrame(work);
    model_.StorePercentages(work);
    // Rows made for the old frame no longer fit it; they stay until the player regenerates.
    bool frameChanged = false;
    for (int m = 0; m < model_.count(); ++m) {
        const std::string before = m < static_cast<int>(session_.Doc().Grundrad.size())
                                       ? session_.Doc().Grundrad[static_cast<size_t>(m)]
                                       : std::string();
        for (const char code : {'0', '1', '2'})
            frameChanged = frameChanged || core::EntryHas(before, code) != model_.HasSign(m + 1, code - '0');
    }
    const bool warn = frameChanged && !work.Rader.empty();
    job_->CancelAndJoin();
    session_.Replace(work, DocPart::Frame, M(kMsgCaption));
    prompter_.information(this, M(kMsgChanged));
    if (warn) prompter_.information(this, M(kMsgRegenerate));
    accept();
}

void TfrmGameWiz::reject() {
    job_->CancelAndJoin();
    QDialog::reject();
}

bool EnsureRoundStatistics(Program& program, const core::TVinraFile& doc, const std::string& host,
                           const std::string& today, const std::function<void()>& runMatchStat, QWidget* parent) {
    const fs::path file = net::GameInfoFile(program.DataFolder(), doc.Pool, doc.OmgID);
    if (!stats::StatisticsStale(file, today)) return false;
    if (runMatchStat) runMatchStat();
    if (!host.empty() && stats::PoolHasMatchInformation(doc.Typ, program.updateIni)) {
        // The clubs' positions and latest games, off the GUI thread, in a modal
        // window with Cancel: the main window takes no command meanwhile, so no
        // second fetch writes the same file. The wizard opens without them
        // when the service has none or the player cancels.
        BackgroundJob job;
        QProgressDialog progress(M(kMsgFetchingClubs), M(kMsgCancel), 0, 0, parent);
        progress.setWindowTitle(M(kMsgCaption));
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        QObject::connect(&job, &BackgroundJob::finished, &progress, [&progress] { progress.done(0); });
        QObject::connect(&progress, &QProgressDialog::canceled, &job, [&job] { job.Cancel(); });
        const std::string pool = doc.Typ;
        const int64_t omgId = doc.OmgID;
        job.Start([host, pool, omgId, file](JobProgress& p) {
            net::TransferWatch watch(&p.cancel);
            stats::FetchRoundStatistics(host, pool, omgId, file);
        });
        if (job.Running()) progress.exec();
        job.CancelAndJoin();
    }
    return true;
}

void RunGameWizard(Program& program, Prompter& prompter, DocumentSession& session, int start, QWidget* parent,
                   MatchStatOptions statOptions) {
    // One wizard at a time: its statistics fetch and its Finish would race a second one.
    static bool running = false;
    if (running) return;
    running = true;
    struct Reset {
        ~Reset() { running = false; }
    } reset;
    std::string host = net::ServiceHostOf(program.updateIni);
    if (!host.empty() && host.rfind("http", 0) != 0) host = "http://" + host;
    // The logo downloads of the statistics run go on after its window closed
    // and show in the wizard as they arrive.
    auto wizard = std::make_shared<QPointer<TfrmGameWiz>>();
    if (!statOptions.logoOwner) statOptions.logoOwner = parent;
    statOptions.logosArrived = [wizard, also = statOptions.logosArrived] {
        if (*wizard) (*wizard)->reloadLogos();
        if (also) also();
    };
    EnsureRoundStatistics(
        program, session.Doc(), host, QDate::currentDate().toString(Qt::ISODate).toStdString(),
        [&] { ShowMatchStatistics(parent, program, prompter, statOptions); }, parent);
    TfrmGameWiz dialog(program, prompter, session, start, host, parent);
    *wizard = &dialog;
    dialog.exec();
}

void RegisterGameWizardCommands(CommandTable& table, const ShellContext& shell) {
    table.Add({.name = QStringLiteral("actSetFrame"), .handler = [shell] {
                   RunGameWizard(shell.program, shell.prompter, shell.session,
                                 shell.currentMatch ? shell.currentMatch() : 1, shell.window);
               }});
}

}  // namespace vinra::ui
