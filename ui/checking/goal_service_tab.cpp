#include "ui/checking/goal_service_tab.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QDateTime>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSoundEffect>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <random>

#include "core/messages.h"
#include "core/signs.h"
#include "net/goal_publish.h"
#include "net/http.h"
#include "net/transfer_error.h"
#include "ui/checking/check_window.h"
#include "ui/core/background_job.h"
#include "ui/core/icons.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/net/svt_teams.h"
#include "ui/core/safe_text_browser.h"

namespace vinra::ui {

namespace {

namespace fs = std::filesystem;

// Numbers of the language table used here.
constexpr int kMsgGoals = 506;         // "Goals"
constexpr int kMsgBestHead = 507;      // "R"
constexpr int kMsgMarkHead = 508;      // "i"
constexpr int kHintClear = 509;        // "Click the row number to clear the information"
constexpr int kHintRight = 510;        // "The right row"
constexpr int kHintGoals = 511;        // "Left mouse button = Home team goal ..."
constexpr int kHintBest = 512;         // "Display of the best row right now"
constexpr int kHintMark = 513;         // "Indication when update is made: ..."
constexpr int kMsgClearRow = 517;      // "Do you want to clear all data in the row?"
constexpr int kMsgUpdate = 519;        // "Update"
constexpr int kMsgGetFrom = 520;       // "Get from"
constexpr int kMsgSvenskaSpel = 521;   // "Svenska Spel"
constexpr int kMsgSvt = 522;           // "SVT Text"
constexpr int kMsgNonStop = 523;       // "Non stop"
constexpr int kMsgAtButton = 525;      // "At button click"
constexpr int kMsgSum = 430;           // "Sum"
constexpr int kMsgWinnings = 111;      // "Winnings"
constexpr int kMsgPublishBox = 1800;   // "Publish on the goal service"
constexpr int kMsgPublishShow = 1801;  // "Publish and show"
constexpr int kMsgNoAnswer = 1802;     // "The live source did not answer (%s); the scores stay as they were."
constexpr int kMsgGarbage =
    1803;  // "The live source sent something that cannot be read; the scores stay as they were."
constexpr int kMsgUpdated = 1804;        // "Updated %s"
constexpr int kMsgOnOff = 1805;          // "On/Off"
constexpr int kMsgPublishFailed = 1806;  // "The goal service did not take the publication: %s"
constexpr int kMsgFetchTimedOut = 3950;  // "The live source did not answer within %s s; the scores stay ..."
constexpr int kMsgPostTimedOut = 3951;   // "The goal service did not answer within %s s; nothing was published."

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

const QColor kRight(0x90, 0xEE, 0x90);
const QColor kWrong(0xFF, 0x99, 0x99);

// Digits grouped as everywhere else in the program (spaces), whatever the machine's locale.
std::string Grouped(int64_t v) { return core::GroupDigits(v); }

}  // namespace

GoalServiceTab::GoalServiceTab(core::TVinraFile& doc, GoalServiceOptions options, QWidget* parent)
    : QWidget(parent), doc_(doc), options_(std::move(options)) {
    setObjectName(QStringLiteral("tabGoalService"));
    if (options_.soundFolder.empty()) options_.soundFolder = options_.dataFolder / "Cache" / "Sounds";
    templates_ = checking::GoalLogTemplates::FromIni(options_.updateIni);
    texts_ = {core::Msg(426), core::Msg(542), core::Msg(441), core::Msg(518)};
    live_ = std::make_unique<checking::LiveRound>(doc_, options_.homes, options_.aways);
    // "One hit is enough" (0) or both teams of a match must be found on an SVT page (1).
    info_.findTeams = static_cast<int32_t>(std::clamp<int64_t>(options_.settings.ReadInteger("URL", "FindTeams", 0), 0, 1));
    for (size_t m = 0; m < live_->Matches().size(); ++m) {
        info_.home[m] = doc_.HGoal[m];
        info_.away[m] = doc_.AGoal[m];
        info_.status[m] = doc_.End[m] ? 1 : 3;
    }
    // One download target per opening, removed again when the window goes.
    target_ = options_.dataFolder /
              (QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz")).toStdString() + ".goal");
    job_ = new BackgroundJob(this);
    post_ = new BackgroundJob(this);
    fetchLimit_ = new QTimer(this);
    postLimit_ = new QTimer(this);
    for (QTimer* limit : {fetchLimit_, postLimit_}) {
        limit->setSingleShot(true);
        limit->setInterval(std::max(1, options_.transferLimitMs));
    }
    connect(fetchLimit_, &QTimer::timeout, this, [this] {
        if (!job_->Running()) return;
        fetchTimedOut_ = true;
        job_->Cancel();
    });
    connect(postLimit_, &QTimer::timeout, this, [this] {
        if (!post_->Running()) return;
        postTimedOut_ = true;
        post_->Cancel();
    });
    timer_ = new QTimer(this);
    timer_->setInterval(checking::LiveCycle::kIntervalMs);
    connect(timer_, &QTimer::timeout, this, &GoalServiceTab::Tick);
    build();
    Refresh();
    writeLogPage();
}

GoalServiceTab::~GoalServiceTab() {
    // A transfer still running is stopped and never reports to the gone tab.
    job_->CancelAndJoin();
    post_->CancelAndJoin();
    std::error_code ec;
    fs::remove(target_, ec);
}

bool GoalServiceTab::Busy() const { return cycle_.Busy(); }

void GoalServiceTab::build() {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    layout->addLayout(left, 3);
    const int n = static_cast<int>(live_->Matches().size());
    grid_ = new QTableWidget(n, ColCount, this);
    grid_->setObjectName(QStringLiteral("sgGoals"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->verticalHeader()->hide();
    grid_->viewport()->installEventFilter(this);
    grid_->viewport()->setMouseTracking(true);
    const QString signs[3] = {Q(options_.pool.signs.home), Q(options_.pool.signs.draw), Q(options_.pool.signs.away)};
    const QStringList heads = {QStringLiteral("#"), QString(),       QString(),      signs[0], signs[1], signs[2],
                               M(kMsgGoals),        M(kMsgBestHead), M(kMsgMarkHead)};
    grid_->setHorizontalHeaderLabels(heads);
    const int hints[ColCount] = {kHintClear, 0,          0,         kHintRight, kHintRight,
                                 kHintRight, kHintGoals, kHintBest, kHintMark};
    for (int c = 0; c < ColCount; ++c)
        if (hints[c]) grid_->horizontalHeaderItem(c)->setToolTip(M(hints[c]));
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < ColCount; ++c) {
            auto* item = new QTableWidgetItem;
            if (c != ColHome && c != ColAway) item->setTextAlignment(Qt::AlignCenter);
            if (hints[c]) item->setToolTip(M(hints[c]));
            grid_->setItem(r, c, item);
        }
        grid_->item(r, ColNo)->setText(QString::number(r + 1));
        grid_->item(r, ColHome)->setText(Q(live_->Home(r)));
        grid_->item(r, ColAway)->setText(Q(live_->Away(r)));
    }
    grid_->resizeColumnsToContents();
    grid_->horizontalHeader()->setSectionResizeMode(ColHome, QHeaderView::Stretch);
    grid_->horizontalHeader()->setSectionResizeMode(ColAway, QHeaderView::Stretch);
    left->addWidget(grid_, 1);

    auto* right = new QVBoxLayout;
    layout->addLayout(right, 2);
    auto* update = Tag(new QGroupBox(M(kMsgUpdate), this), kMsgUpdate);
    auto* ul = new QVBoxLayout(update);
    onOff_ = Tag(new QPushButton(M(kMsgOnOff), update), kMsgOnOff);
    onOff_->setObjectName(QStringLiteral("btnOnOff"));
    onOff_->setCheckable(true);
    onOff_->setToolTip(QStringLiteral("Ctrl+G"));
    onOff_->setIcon(MakeIcon(Icon::ConditionFalse));
    progress_ = new QProgressBar(update);
    progress_->setTextVisible(false);
    ul->addWidget(onOff_);
    ul->addWidget(progress_);
    right->addWidget(update);

    auto* from = Tag(new QGroupBox(M(kMsgGetFrom), this), kMsgGetFrom);
    auto* fl = new QGridLayout(from);
    srcLive_ = Tag(new QRadioButton(M(kMsgSvenskaSpel), from), kMsgSvenskaSpel);
    srcSvt_ = Tag(new QRadioButton(M(kMsgSvt), from), kMsgSvt);
    nonStop_ = Tag(new QRadioButton(M(kMsgNonStop), from), kMsgNonStop);
    atButton_ = Tag(new QRadioButton(M(kMsgAtButton), from), kMsgAtButton);
    auto* sources = new QButtonGroup(from);
    sources->addButton(srcLive_);
    sources->addButton(srcSvt_);
    auto* modes = new QButtonGroup(from);
    modes->addButton(nonStop_);
    modes->addButton(atButton_);
    // Checked once grouped: siblings outside a group would uncheck each other.
    srcLive_->setChecked(true);
    atButton_->setChecked(true);
    fl->addWidget(srcLive_, 0, 0);
    fl->addWidget(srcSvt_, 1, 0);
    fl->addWidget(nonStop_, 0, 1);
    fl->addWidget(atButton_, 1, 1);
    right->addWidget(from);

    wins_ = new QTableWidget(4, 2, this);
    wins_->setObjectName(QStringLiteral("sgWin"));
    wins_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    wins_->setHorizontalHeaderLabels({M(kMsgSum), M(kMsgWinnings)});
    // The operator's preliminary winnings are for 13, 12, 11 and 10 right.
    for (int g = 0; g < 4; ++g) {
        wins_->setVerticalHeaderItem(g, new QTableWidgetItem(QString::number(13 - g)));
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            wins_->setItem(g, c, item);
        }
    }
    wins_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    wins_->setFixedHeight(wins_->horizontalHeader()->sizeHint().height() +
                          4 * wins_->verticalHeader()->defaultSectionSize() + 4);
    right->addWidget(wins_);
    // Only the Swedish pools have the operator's live service and its
    // preliminary winnings; the others follow the SVT page.
    if (doc_.Typ != "S" && doc_.Typ != "I") {
        srcSvt_->setChecked(true);
        srcLive_->hide();
        srcSvt_->hide();
        wins_->hide();
    }

    auto* pub = new QHBoxLayout;
    publish_ = Tag(new QCheckBox(M(kMsgPublishBox), this), kMsgPublishBox);
    // Publishing sends the system out: only when the player ticked it, now or before.
    publish_->setChecked(options_.publish);
    connect(publish_, &QCheckBox::toggled, this, [this](bool on) {
        if (options_.publishChosen) options_.publishChosen(on);
    });
    show_ = Tag(new QPushButton(M(kMsgPublishShow), this), kMsgPublishShow);
    pub->addWidget(publish_);
    pub->addWidget(show_);
    right->addLayout(pub);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblLiveStatus"));
    status_->setWordWrap(true);
    right->addWidget(status_);
    // The goal log needs no web engine: it is plain tables.
    log_ = new SafeTextBrowser(this);
    log_->setObjectName(QStringLiteral("wbGoalLog"));
    log_->setOpenLinks(false);
    right->addWidget(log_, 1);

    connect(onOff_, &QPushButton::clicked, this, [this](bool down) {
        // Off stops what is under way: the player must never wait for a stalled server.
        if (!down) cancelTransfers();
        if (cycle_.Press(down)) startDownload();
        updateButton();
    });
    connect(nonStop_, &QRadioButton::toggled, this, [this](bool on) {
        cycle_.SetMode(on ? checking::LiveMode::NonStop : checking::LiveMode::AtButtonClick);
        onOff_->setChecked(cycle_.ButtonDown());
        onOff_->setIcon(MakeIcon(cycle_.ButtonDown() ? Icon::ConditionTrue : Icon::ConditionFalse));
    });
    connect(show_, &QPushButton::clicked, this, [this] {
        show_->setEnabled(false);
        showAfterPost_ = true;
        publish();
    });
    connect(job_, &BackgroundJob::progress, this, [this](qint64 done, qint64 total, int) {
        progress_->setMaximum(static_cast<int>(std::min<qint64>(total > 0 ? total : 0, INT32_MAX)));
        progress_->setValue(static_cast<int>(std::min<qint64>(done, progress_->maximum())));
    });
    connect(job_, &BackgroundJob::finished, this, &GoalServiceTab::downloadFinished);
    connect(post_, &BackgroundJob::finished, this, &GoalServiceTab::postFinished);
}

std::string GoalServiceTab::url() const {
    std::string u = srcLive_->isChecked()
                        ? options_.serviceBase + "/api/svenskaspel/goalserviceProxy.php?produktid=" +
                              (doc_.Pool == "Stryktipset" ? "1" : "2") + "&omgang=" + std::to_string(doc_.OmgID)
                        : options_.serviceBase + "/apps/goalservice/377.html";
    for (size_t p = 0; (p = u.find(' ', p)) != std::string::npos;) u.replace(p, 1, "%20");
    return u;
}

void GoalServiceTab::postFinished(bool cancelled, const QString& error) {
    postLimit_->stop();
    show_->setEnabled(true);  // also after a cancel: the button must not stay dead
    if (cancelled && !postTimedOut_) return;
    if (postTimedOut_) {
        status_->setText(Q(checking::FormatMessage(core::Msg(kMsgPostTimedOut),
                                                   {std::to_string((options_.transferLimitMs + 999) / 1000)})));
    } else if (!error.isEmpty()) {
        status_->setText(Q(checking::FormatMessage(core::Msg(kMsgPublishFailed), {error.toStdString()})));
    } else if (showAfterPost_ && options_.openUrl) {
        options_.openUrl(options_.serviceBase + "/goalservice/goalservice.php?id=" + PublishId());
    }
    showAfterPost_ = false;
    emit published();
}

void GoalServiceTab::cancelTransfers() {
    fetchLimit_->stop();
    postLimit_->stop();
    job_->Cancel();
    post_->Cancel();
}

void GoalServiceTab::Stop() {
    cancelTransfers();
    cycle_.Stop();
    timer_->stop();
}

void GoalServiceTab::Tick() {
    if (cycle_.Tick()) startDownload();
    updateButton();
}

void GoalServiceTab::updateButton() {
    onOff_->setChecked(cycle_.ButtonDown());
    onOff_->setIcon(MakeIcon(cycle_.ButtonDown() ? Icon::ConditionTrue : Icon::ConditionFalse));
    if (cycle_.TimerOn() && !timer_->isActive()) timer_->start();
    if (!cycle_.TimerOn()) timer_->stop();
}

std::string GoalServiceTab::PublishId() const {
    return net::PublishId(doc_, options_.userName, options_.systemFileName);
}

void GoalServiceTab::startDownload() {
    auto ok = std::make_shared<bool>(false);
    downloaded_ = ok;
    const std::string address = url();
    const fs::path target = target_;
    progress_->setValue(0);
    fetchTimedOut_ = false;
    if (!job_->Start([ok, address, target](JobProgress& p) {
            *ok =
                net::GetToFile(address, target, [&p](int64_t now, int64_t expected) { return p.Bytes(now, expected); });
        })) {
        cycle_.DownloadFinished();  // never stay busy on a job that did not start
        return;
    }
    fetchLimit_->start();
}

void GoalServiceTab::downloadFinished(bool cancelled, const QString& error) {
    cycle_.DownloadFinished();
    fetchLimit_->stop();
    progress_->setValue(progress_->maximum());
    if (cancelled && !fetchTimedOut_) return;
    if (fetchTimedOut_) {
        // One line, as for any source that fails; the cycle carries on.
        status_->setText(Q(checking::FormatMessage(core::Msg(kMsgFetchTimedOut),
                                                   {std::to_string((options_.transferLimitMs + 999) / 1000)})));
    } else if (!error.isEmpty() || !downloaded_ || !*downloaded_) {
        // A stalled or failing source: the scores stay; the cycle carries on.
        status_->setText(Q(checking::FormatMessage(core::Msg(kMsgNoAnswer),
                                                   {error.isEmpty() ? std::string("HTTP") : error.toStdString()})));
    } else {
        net::TResultInfo next = info_;
        for (size_t m = 0; m < live_->Matches().size(); ++m) next.tracked[m] = live_->Matches()[m].tracked;
        const bool svt = !srcLive_->isChecked();
        bool parsed =
            svt ? net::ParseSvtPage(target_, next, doc_.Typ, options_.homes, options_.aways, options_.teamstat)
                : net::ParseLiveXml(target_, next);
        // At a button click the player is there to name the page's teams for
        // the system's that it did not find; the names count from this update on.
        if (parsed && svt && !nonStop_->isChecked() && !next.unmatchedTeams.empty() && options_.prompter &&
            !options_.dataFolder.empty()) {
            const fs::path teamstat = options_.dataFolder / "teamstat.ini";
            if (MapSvtTeams(this, next, teamstat, *options_.prompter, options_.runTeamDialog) > 0) {
                try {
                    options_.teamstat = core::IniFile::FromFile(teamstat);
                } catch (const std::exception&) {}
                next = info_;
                for (size_t m = 0; m < live_->Matches().size(); ++m) next.tracked[m] = live_->Matches()[m].tracked;
                parsed = net::ParseSvtPage(target_, next, doc_.Typ, options_.homes, options_.aways, options_.teamstat);
            }
        }
        if (!parsed) {
            status_->setText(M(kMsgGarbage));
        } else {
            info_ = next;
            checking::LiveScores s;
            for (size_t m = 0; m < live_->Matches().size(); ++m) {
                s.home[m] = info_.home[m];
                s.away[m] = info_.away[m];
                s.status[m] = info_.status[m];
            }
            if (live_->Apply(s)) cycle_.gameEndedNews = true;
            status_->setText(Q(checking::FormatMessage(
                core::Msg(kMsgUpdated), {QTime::currentTime().toString(QStringLiteral("hh:mm:ss")).toStdString()})));
        }
    }
    Refresh();
    emit applied();
}

void GoalServiceTab::Refresh() {
    const checking::CheckResult* check = nullptr;
    if (!prepared_) {
        // Opening the tab only shows the system as it is: a result row kept
        // by hand (without goals) must not be wiped by deriving it from goals.
        ownCheck_ = checking::CheckRows(doc_, options_.pool.couponColumns, options_.pool.signs);
        check = &ownCheck_;
        prepared_ = true;
    } else if (options_.recountFromGoals) {
        check = &options_.recountFromGoals();
    } else {
        checking::ResultRowFromGoals(doc_);
        ownCheck_ = checking::CheckRows(doc_, options_.pool.couponColumns, options_.pool.signs);
        check = &ownCheck_;
    }
    const int n = static_cast<int>(live_->Matches().size());
    const int changed = live_->UpdateScoreCells();
    filling_ = true;
    showSigns(doc_.Facit);
    for (int g = 0; g < 4; ++g) {
        wins_->item(g, 0)->setText(Q(Grouped(info_.winners[g])));
        // Ten-thousandths to öre, rounded: the amount as the operator gave it.
        wins_->item(g, 1)->setText(Q(core::FormatAmount((info_.winAmount[g] + 50) / 100)));
    }
    showBest(*check);
    if (cycle_.TakeFresh() && (changed > 0 || cycle_.gameEndedNews)) {
        live_->MarkChanges();
        const checking::BestRowInfo best = checking::FirstBestRow(*check, n);
        const std::string bestRow = best.index >= 0 && best.index < static_cast<int64_t>(doc_.Rader.size())
                                        ? core::SignsToDisplay(doc_.Rader[best.index], options_.pool.signs)
                                        : std::string();
        const auto lines =
            live_->LogEntry(templates_, texts_,
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toStdString(),
                            core::SignsToDisplay(doc_.Facit, options_.pool.signs), bestRow, best);
        live_->AddToLog(lines);
        writeLogPage();
        play(checking::ChooseSound(best.right, reference_, n, cycle_.gameEndedNews));
        if (options_.modified) options_.modified();
        if (publish_->isChecked()) publish();
    }
    live_->MarkEnded();
    for (int m = 0; m < n; ++m) grid_->item(m, ColMark)->setText(Q(live_->Matches()[m].mark));
    for (int col : {ColScore, ColBest, ColMark}) {
        // Wide enough for "(S)", "<-" and a two-digit score, whatever the font.
        grid_->resizeColumnToContents(col);
        grid_->setColumnWidth(
            col, std::max(grid_->columnWidth(col), grid_->fontMetrics().horizontalAdvance(QStringLiteral("(S)")) + 16));
    }
    filling_ = false;
    cycle_.AfterRefresh(live_->AllEnded());
    updateButton();
}

void GoalServiceTab::showSigns(const std::string& facit) {
    const bool was = filling_;
    filling_ = true;
    for (int m = 0; m < grid_->rowCount(); ++m) {
        grid_->item(m, ColScore)->setText(Q(live_->Matches()[static_cast<size_t>(m)].scoreCell));
        const char code = m < static_cast<int>(facit.size()) ? facit[static_cast<size_t>(m)] : '-';
        for (int s = 0; s < 3; ++s)
            grid_->item(m, ColSign1 + s)
                ->setText(code == '0' + s ? grid_->horizontalHeaderItem(ColSign1 + s)->text() : QString());
    }
    filling_ = was;
}

void GoalServiceTab::ShowResult(const std::string& facit) {
    live_->UpdateScoreCells();
    showSigns(facit);
    if (options_.currentCheck) showBest(options_.currentCheck());
}

void GoalServiceTab::ResetAll() {
    live_->Reset();
    info_ = net::TResultInfo();
    reference_ = -1;
    for (int m = 0; m < grid_->rowCount(); ++m) grid_->item(m, ColMark)->setText(QString());
    writeLogPage();
    Refresh();
}

void GoalServiceTab::showBest(const checking::CheckResult& check) {
    const checking::BestRowInfo best = checking::FirstBestRow(check, static_cast<int>(live_->Matches().size()));
    const std::string row = best.index >= 0 && best.index < static_cast<int64_t>(doc_.Rader.size())
                                ? doc_.Rader[best.index]
                                : std::string();
    for (int m = 0; m < grid_->rowCount(); ++m) {
        QTableWidgetItem* item = grid_->item(m, ColBest);
        const char code = m < static_cast<int>(row.size()) ? row[m] : '-';
        const char result = m < static_cast<int>(doc_.Facit.size()) ? doc_.Facit[m] : '-';
        item->setText(code == '-' ? QString() : Q(core::SignsToDisplay(std::string(1, code), options_.pool.signs)));
        item->setBackground(code == '-' ? QBrush() : QBrush(code == result ? kRight : kWrong));
    }
}

void GoalServiceTab::writeLogPage() {
    // Without a data folder (a window made for a test or a preview) the page is
    // shown from memory: a relative path would put log.html in whatever folder
    // the program was started from.
    if (options_.dataFolder.empty()) {
        log_->setHtml(QString::fromStdString(checking::GoalLogPage(templates_, doc_.LogRows)));
        return;
    }
    try {
        checking::WriteGoalLogPage(LogFile(), templates_, doc_.LogRows);
        log_->setSource(QUrl::fromLocalFile(Q(LogFile().string())));
        log_->reload();
    } catch (const std::exception& e) {
        status_->setText(Q(e.what()));
    }
}

void GoalServiceTab::play(checking::LiveSound sound) {
    const fs::path file = checking::SoundFile(options_.settings, sound, options_.soundFolder);
    if (options_.onSound) options_.onSound(sound, file);
    if (file.empty()) return;
    // QSoundEffect plays asynchronously; without an audio device it only
    // reports an error status, which needs nothing from us.
    auto* effect = new QSoundEffect(this);
    connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error) effect->deleteLater();
        else if (effect->status() == QSoundEffect::Ready) effect->play();
    });
    connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying() && effect->status() == QSoundEffect::Ready) effect->deleteLater();
    });
    effect->setSource(QUrl::fromLocalFile(Q(file.string())));
}

void GoalServiceTab::publish() {
    const checking::CheckResult& check = options_.currentCheck ? options_.currentCheck() : ownCheck_;
    net::GoalPublication p;
    p.homes = options_.homes;
    p.aways = options_.aways;
    for (const auto& m : live_->Matches()) p.marks.push_back(m.mark);
    for (size_t i = 0; i < check.bestKeys.size() && i < 10; ++i) {
        const int64_t index = checking::RowIndexOfBestKey(check.bestKeys[i]);
        if (index < 0 || index >= static_cast<int64_t>(doc_.Rader.size())) continue;
        checking::CheckResult one;
        one.bestKeys = {check.bestKeys[i]};
        const checking::BestRowInfo b = checking::FirstBestRow(one, doc_.MatchCount);
        p.bestRows.push_back({doc_.Rader[index], b.right, b.goalsNeeded});
    }
    p.counts = check.counts;
    p.winAmount = info_.winAmount;
    p.now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toStdString();
    static std::minstd_rand rng(std::random_device{}());
    p.bannerId = std::uniform_int_distribution<int>(0, 99)(rng);
    lastPublished_ = net::PublishXml(doc_, p, options_.pool.signs);
    const std::string id = PublishId();
    const std::string address = options_.serviceBase + "/apps/goalservice/gsnew.php";
    const std::string xml = lastPublished_;
    if (post_->Running()) return;
    postTimedOut_ = false;
    if (post_->Start([address, xml, id](JobProgress&) {
            const net::HttpReply reply = net::PostForm(address, {"submit=Submit", "xmldata=" + xml, "dbid=" + id});
            if (reply.status < 200 || reply.status >= 300)
                throw net::NetError(net::HttpStatusText(reply.status, address));
        }))
        postLimit_->start();
}

void GoalServiceTab::CellReleased(int row, int col, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    const int match = row + 1;
    if (row < 0 || row >= grid_->rowCount()) return;
    if (col >= ColSign1 && col <= ColSign2) {
        if (button == Qt::LeftButton && options_.toggleSign) options_.toggleSign(match, col - ColSign1);
    } else if (col == ColScore) {
        const bool decrease = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        live_->HandGoal(match, button == Qt::LeftButton, decrease);
        if (options_.modified) options_.modified();
        Refresh();
    } else if (col == ColMark) {
        live_->ToggleTracked(match);
        info_.status[row] = live_->Matches()[row].tracked ? 3 : 1;
        grid_->item(row, ColMark)->setText(Q(live_->Matches()[row].mark));
        if (options_.modified) options_.modified();
    } else if (col == ColNo) {
        if (options_.modified) options_.modified();
        if (!options_.prompter || options_.prompter->question(this, M(kMsgClearRow), false) != Answer::Yes) return;
        live_->ClearMatch(match);
        info_.status[row] = 3;
        info_.home[row] = info_.away[row] = -1;
        grid_->item(row, ColMark)->setText(QString());
        Refresh();
    }
}

bool GoalServiceTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* e = static_cast<QMouseEvent*>(event);
            const QModelIndex i = grid_->indexAt(e->position().toPoint());
            if (i.isValid()) CellReleased(i.row(), i.column(), e->button(), e->modifiers());
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            auto* e = static_cast<QMouseEvent*>(event);
            const int c = grid_->columnAt(e->position().toPoint().x());
            grid_->viewport()->setCursor(c == ColNo || c == ColScore ? Qt::PointingHandCursor : Qt::ArrowCursor);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The check window's goal-service tab, wired to the window's recount.
QWidget* TfrmRatta::makeGoalServiceTab() {
    GoalServiceOptions o;
    const std::string& home = ctx_.serviceHome;
    const size_t scheme = home.find("://");
    const size_t path = scheme == std::string::npos ? std::string::npos : home.find('/', scheme + 3);
    o.serviceBase = path == std::string::npos ? home : home.substr(0, path);
    o.dataFolder = ctx_.dataFolder;
    auto ini = [&](const char* name) {
        std::error_code ec;
        const fs::path p = ctx_.dataFolder / name;
        try {
            return !ctx_.dataFolder.empty() && fs::is_regular_file(p, ec) ? core::IniFile::FromFile(p)
                                                                          : core::IniFile();
        } catch (const std::exception&) {
            return core::IniFile();  // an unreadable file: the defaults
        }
    };
    o.updateIni = ini("update.ini");
    o.settings = ini("RAVAROZ.INI");
    o.teamstat = ini("teamstat.ini");
    o.homes = ctx_.homes;
    o.aways = ctx_.aways;
    o.userName = ctx_.uploadUser;
    o.systemFileName = ctx_.systemFileName;
    o.pool = ctx_.pool;
    o.prompter = ctx_.prompter;
    o.openUrl = ctx_.openUrl;
    o.recountFromGoals = [this]() -> const checking::CheckResult& {
        checking::ResultRowFromGoals(work_);
        display_ = core::SignsToDisplay(work_.Facit, ctx_.pool.signs);
        writeSignCells();
        recount();
        return session_->Last().check;
    };
    o.currentCheck = [this]() -> const checking::CheckResult& { return session_->Last().check; };
    o.toggleSign = [this](int match, int sign) { ToggleSign(match, sign); };
    o.modified = [this] { marksModified_ = true; };
    o.publish = ctx_.publishGoals;
    o.publishChosen = ctx_.rememberPublishGoals;
    auto* tab = new GoalServiceTab(work_, std::move(o));
    goalTab_ = tab;
    // Ctrl+G presses the On/Off button wherever the window has the focus.
    auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(key, &QShortcut::activated, tab, [tab] { tab->OnOff()->click(); });
    return tab;
}

}  // namespace vinra::ui
