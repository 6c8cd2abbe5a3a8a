#include "ui/net/web_status.h"

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/update_check.h"
#include "ui/core/background_job.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"
#include "ui/net/http_window.h"

namespace vinra::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

constexpr int kFirstYear = 1969;
// At most this many rounds are fetched by one interval or bulk run.
constexpr int kMaxRunRounds = 1000;
constexpr int kMsgNoResultsAddress = 1308;  // "No results address for pool %s."
constexpr int kMsgRoundsNotFetched = 1309;  // "These rounds could not be fetched: %s."
constexpr int kMsgBulkResults = 4020;       // "Download results"

// The round chooser: year and week lists with OK and Cancel.
std::optional<std::pair<std::string, std::string>> ChooseRoundDialog(QWidget* parent, const QString& caption,
                                                                     const std::string& year, const std::string& week) {
    QDialog dlg(parent);
    dlg.setWindowTitle(caption.isEmpty() ? M(166) : caption);
    auto* layout = new QGridLayout(&dlg);
    auto* years = new QComboBox(&dlg);
    auto* weeks = new QComboBox(&dlg);
    for (int y = kFirstYear; y <= QDate::currentDate().year() + 1; ++y) years->addItem(QString::number(y));
    for (int w = 1; w <= 53; ++w) weeks->addItem(QStringLiteral("%1").arg(w, 2, 10, QLatin1Char('0')));
    years->setCurrentIndex(years->findText(Q(year)));
    weeks->setCurrentIndex(weeks->findText(Q(week)));
    layout->addWidget(new QLabel(M(46), &dlg), 0, 0);
    layout->addWidget(years, 0, 1);
    layout->addWidget(new QLabel(M(47), &dlg), 1, 0);
    layout->addWidget(weeks, 1, 1);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(box, 2, 0, 1, 2);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(years->currentText().toStdString(), weeks->currentText().toStdString());
}

std::string TwoDigitWeek(std::string week) {
    if (week.size() == 1) week = "0" + week;
    return week;
}

}  // namespace

WebStatusContext MakeWebStatusContext(Program& program, Prompter& prompter) {
    WebStatusContext c;
    c.doc = &program.doc;
    c.db = &program.db;
    c.prompter = &prompter;
    c.dataFolder = program.DataFolder();
    c.pool = program.national.SettingsOfSystem(program.doc.Pool, program.doc.Typ);
    c.warnings = program.settings.warnings;
    c.debug = program.settings.debug;
    const std::filesystem::path data = program.DataFolder();
    // The update check is a transfer too: it runs on a worker, the window
    // keeps painting and the player can cancel it.
    c.prepareConnection = [&prompter, &program] {
        return PrepareConnection(QApplication::activeWindow(), program, prompter);
    };
    return c;
}

TfrmWebStatus::TfrmWebStatus(Mode mode, WebStatusContext context, std::vector<std::string> homes,
                             std::vector<std::string> aways, QWidget* parent)
    : QDialog(parent), mode_(mode), ctx_(std::move(context)) {
    SetHelpPage(this, "getgames.htm");
    if (!ctx_.currentRound) ctx_.currentRound = [] { return core::RoundOfToday(); };
    if (!ctx_.chooseRound)
        ctx_.chooseRound = [this](const QString& caption, const std::string& y, const std::string& w) {
            return ChooseRoundDialog(this, caption, y, w);
        };
    savedOmgId_ = ctx_.doc->OmgID;
    loadKnownTeams();
    build(homes, aways);
    const std::string& omg = ctx_.doc->Omg;
    SetYearWeek(omg.substr(0, 4), omg.size() >= 7 ? omg.substr(5, 2) : std::string());
}

TfrmWebStatus::~TfrmWebStatus() {
    std::error_code ec;
    std::filesystem::remove(ctx_.dataFolder / "download.htm", ec);
}

int TfrmWebStatus::matchCount() const {
    const int n = ctx_.doc->MatchCount;
    return n < 1 ? core::kDefaultMatches : std::min(n, core::kMaxMatches);
}

// Value lines of a prize grid: N - 9 (4 for 13 matches), at least 1, at most
// the four stored levels.
int TfrmWebStatus::valueLines() const { return std::clamp(matchCount() - 9, 1, checking::kSlotCount); }

void TfrmWebStatus::build(const std::vector<std::string>& homes, const std::vector<std::string>& aways) {
    setObjectName(QStringLiteral("frmWebStatus"));
    setWindowTitle(M(14).remove(QLatin1Char('&')));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    year_ = new QComboBox(this);
    year_->setObjectName(QStringLiteral("cboYear"));
    const int lastYear = std::max(2010, QDate::currentDate().year() + 1);
    for (int y = kFirstYear; y <= lastYear; ++y) year_->addItem(QString::number(y));
    week_ = new QComboBox(this);
    week_->setObjectName(QStringLiteral("cboWeek"));
    for (int w = 1; w <= 53; ++w) week_->addItem(QStringLiteral("%1").arg(w, 2, 10, QLatin1Char('0')));
    auto* yearLabel = Tag(new QLabel(M(46), this), 46);
    yearLabel->setBuddy(year_);
    auto* weekLabel = Tag(new QLabel(M(47), this), 47);
    weekLabel->setBuddy(week_);
    top->addWidget(yearLabel);
    top->addWidget(year_);
    top->addWidget(weekLabel);
    top->addWidget(week_);
    auto* get = Tag(new QPushButton(M(43), this), 43);
    get->setObjectName(QStringLiteral("btnGet"));
    auto* interval = Tag(new QPushButton(M(48), this), 48);
    interval->setObjectName(QStringLiteral("btnInterval"));
    top->addWidget(get);
    top->addWidget(interval);
    tabNav_ = Tag(new QCheckBox(M(45), this), 45);
    tabNav_->setObjectName(QStringLiteral("chkTab"));
    top->addWidget(tabNav_);
    top->addStretch();
    layout->addLayout(top);
    connect(get, &QPushButton::clicked, this, &TfrmWebStatus::btnGetClick);
    connect(interval, &QPushButton::clicked, this, &TfrmWebStatus::btnIntervalClick);

    const bool results = mode_ == Mode::Results;
    const int n = matchCount();
    grid_ = new QTableWidget(n, results ? 9 : 3, this);
    grid_->setObjectName(QStringLiteral("grdGames"));
    QStringList headers = {QStringLiteral("#"), QStringLiteral("Hemmalag"), QStringLiteral("Bortalag")};
    const core::DisplaySigns& ds = ctx_.pool.signs;
    if (results)
        for (int k = 0; k < 2; ++k) headers << Q(ds.home) << Q(ds.draw) << Q(ds.away);
    grid_->setHorizontalHeaderLabels(headers);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int m = 0; m < n; ++m) {
        for (int c = 0; c < grid_->columnCount(); ++c) grid_->setItem(m, c, new QTableWidgetItem);
        grid_->item(m, 0)->setText(QString::number(m + 1));
        if (m < static_cast<int>(homes.size())) grid_->item(m, 1)->setText(Q(homes[m]));
        if (m < static_cast<int>(aways.size())) grid_->item(m, 2)->setText(Q(aways[m]));
    }
    grid_->setColumnWidth(0, 30);
    grid_->setColumnWidth(1, 170);
    grid_->setColumnWidth(2, 170);
    for (int c = 3; c < grid_->columnCount(); ++c) grid_->setColumnWidth(c, 28);
    layout->addWidget(grid_, 1);
    connect(grid_, &QTableWidget::cellClicked, this, &TfrmWebStatus::EditCell);

    team_ = new QComboBox(grid_->viewport());
    team_->setObjectName(QStringLiteral("cboTeam"));
    team_->setEditable(true);
    team_->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& t : known_) team_->addItem(Q(t));
    team_->hide();
    team_->installEventFilter(this);
    team_->lineEdit()->installEventFilter(this);

    if (results) {
        auto* prizes = new QHBoxLayout;
        auto makeGrid = [&](int msg, const char* name, QGroupBox*& boxOut) {
            auto* box = Tag(new QGroupBox(M(msg), this), msg);
            auto* g = new QTableWidget(valueLines(), 2, box);
            g->setObjectName(QLatin1String(name));
            g->setHorizontalHeaderLabels({M(111), M(391)});  // payout, count
            QStringList labels;
            for (int l = 1; l <= valueLines(); ++l) labels << QString::number(9 + l);
            g->setVerticalHeaderLabels(labels);
            for (int r = 0; r < g->rowCount(); ++r)
                for (int c = 0; c < 2; ++c) g->setItem(r, c, new QTableWidgetItem);
            g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            g->setFixedHeight(g->horizontalHeader()->sizeHint().height() +
                              g->rowCount() * g->verticalHeader()->defaultSectionSize() + 2 * g->frameWidth());
            g->setFixedWidth(g->verticalHeader()->sizeHint().width() + 2 * g->columnWidth(0) + 2 * g->frameWidth());
            auto* bl = new QVBoxLayout(box);
            bl->addWidget(g);
            prizes->addWidget(box);
            boxOut = box;
            return g;
        };
        QGroupBox* fullBox = nullptr;
        half_ = makeGrid(38, "grdHalfTime", halfBox_);
        full_ = makeGrid(39, "grdFullTime", fullBox);
        halfBox_->setVisible(ctx_.pool.pauseTipping);
        prizes->addStretch();
        layout->addLayout(prizes);
    }

    auto* bulk = Tag(new QGroupBox(M(kMsgBulkResults), this), kMsgBulkResults);
    bulk->setObjectName(QStringLiteral("grpBulk"));
    auto* bl = new QHBoxLayout(bulk);
    bulkPool_ = new QComboBox(bulk);
    bulkPool_->setObjectName(QStringLiteral("cboBulkPool"));
    for (const std::string& code : net::BulkPoolCodes()) bulkPool_->addItem(Q(code));
    bulkXml_ = new QCheckBox(QStringLiteral("XML?"), bulk);
    bulkXml_->setObjectName(QStringLiteral("chkBulkXml"));
    bulkXml_->setChecked(true);
    bulkFrom_ = new QSpinBox(bulk);
    bulkFrom_->setObjectName(QStringLiteral("spnFrom"));
    bulkTo_ = new QSpinBox(bulk);
    bulkTo_->setObjectName(QStringLiteral("spnTo"));
    for (QSpinBox* s : {bulkFrom_, bulkTo_}) s->setRange(0, 99999999);
    auto* view = Tag(new QPushButton(M(44), bulk), 44);
    view->setObjectName(QStringLiteral("btnView"));
    bl->addWidget(bulkPool_);
    bl->addWidget(bulkXml_);
    bl->addWidget(bulkFrom_);
    bl->addWidget(bulkTo_);
    bl->addWidget(view);
    layout->addWidget(bulk);
    connect(view, &QPushButton::clicked, this, &TfrmWebStatus::btnViewClick);

    auto* bottom = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    bottom->addWidget(status_, 1);
    auto* ok = Tag(new QPushButton(M(40), this), 40);
    ok->setObjectName(QStringLiteral("btnOK"));
    auto* cancel = Tag(new QPushButton(M(41), this), 41);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    connect(ok, &QPushButton::clicked, this, &TfrmWebStatus::btnOKClick);
    connect(cancel, &QPushButton::clicked, this, &TfrmWebStatus::btnCancelClick);

    for (int m = 0; m < n; ++m)
        for (int c = 1; c <= 2; ++c) validateCell(m, c);
    resize(results ? 720 : 560, 560);
}

void TfrmWebStatus::loadKnownTeams() {
    const auto path = ctx_.dataFolder / "teamstat.ini";
    std::set<std::string> names;
    try {
        if (std::filesystem::exists(path)) {
            const core::IniFile ini = core::IniFile::FromFile(path);
            for (const char* section : {"Alias", "League"})
                for (const std::string& k : ini.Keys(section)) names.insert(k);
        }
    } catch (const std::exception&) {
        // Without the club file every name simply shows as unknown.
    }
    known_.assign(names.begin(), names.end());
}

core::IniFile TfrmWebStatus::updateIni() const {
    const auto path = ctx_.dataFolder / "update.ini";
    if (!std::filesystem::exists(path)) return {};
    return core::IniFile::FromFile(path);
}

std::string TfrmWebStatus::YearText() const { return year_->currentText().toStdString(); }
std::string TfrmWebStatus::WeekText() const { return week_->currentText().toStdString(); }

void TfrmWebStatus::SetYearWeek(const std::string& year, const std::string& week) {
    year_->setCurrentIndex(year_->findText(Q(year)));
    week_->setCurrentIndex(week_->findText(Q(week)));
}

std::vector<std::string> TfrmWebStatus::Homes() const {
    std::vector<std::string> out;
    for (int m = 0; m < grid_->rowCount(); ++m) out.push_back(grid_->item(m, 1)->text().toStdString());
    return out;
}

std::vector<std::string> TfrmWebStatus::Aways() const {
    std::vector<std::string> out;
    for (int m = 0; m < grid_->rowCount(); ++m) out.push_back(grid_->item(m, 2)->text().toStdString());
    return out;
}

bool TfrmWebStatus::CellMarked(int line, int column) const {
    const QTableWidgetItem* item = grid_->item(line, column);
    return item && item->background().color() == QColor(Qt::red);
}

int32_t TfrmWebStatus::roundInteger() const {
    const auto y = core::ParseInteger(YearText());
    const auto w = core::ParseInteger(WeekText());
    if (!y || !w) return 0;
    return static_cast<int32_t>(*y * 100 + *w);
}

void TfrmWebStatus::showBusy(bool busy) {
    status_->setText(busy ? M(467) : QString());
    status_->repaint();
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

// A download and its parse on a worker thread: the window keeps painting while
// a slow operator's page arrives (its controls are disabled meanwhile, so no
// second command starts). The result is read after the join.
net::FetchOutcome TfrmWebStatus::fetchOffGuiThread(const std::string& url, bool xml, const core::IniFile& ini,
                                                   const net::ParseOptions& options, net::TCouponInfo& info) {
    net::FetchOutcome out;
    const std::filesystem::path file = ctx_.dataFolder / "download.htm";
    BackgroundJob job;
    QEventLoop wait;
    connect(&job, &BackgroundJob::finished, &wait, &QEventLoop::quit);
    setEnabled(false);
    job.Start([&](JobProgress&) { out = net::FetchRound(url, file, xml, ini, options, info); });
    wait.exec();
    setEnabled(true);
    return out;
}

bool TfrmWebStatus::prepare() { return !ctx_.prepareConnection || ctx_.prepareConnection(); }

// One download into "download.htm" and its parse, with the keys of typ.
TfrmWebStatus::Fetch TfrmWebStatus::fetch(const std::string& typ, int addressMode, int32_t draw,
                                          net::TCouponInfo& info) {
    const bool results = mode_ == Mode::Results;
    const core::IniFile ini = updateIni();
    std::string url;
    try {
        url = net::ServiceAddress(ini, typ, ctx_.pool.xml, results, addressMode, draw, info.Year, info.Week);
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
        return Fetch::Stop;
    }
    net::ParseOptions options;
    options.typ = typ;
    options.resultsMode = results;
    options.matchCount = matchCount();
    options.signs = ctx_.pool.signs;
    options.warnings = ctx_.warnings;
    options.debug = ctx_.debug;
    options.debugFolder = ctx_.dataFolder;
    showBusy(true);
    const net::FetchOutcome out = fetchOffGuiThread(url, ctx_.pool.xml, ini, options, info);
    showBusy(false);
    if (!out.ok) {
        ctx_.prompter->error(this, Q(out.error));
        return out.transportFailed || out.badKeys ? Fetch::Stop : Fetch::Failed;
    }
    for (int m : out.messages) ctx_.prompter->information(this, M(m));
    if (out.drawNumber) ctx_.doc->OmgID = *out.drawNumber;
    return Fetch::Ok;
}

// The full-time round, and for a pool with a half-time game in results mode
// the half-time round under its own code.
TfrmWebStatus::Fetch TfrmWebStatus::fetchBoth(int addressMode, int32_t draw, Round& round, int64_t* currentDraw) {
    const Fetch f = fetch(ctx_.doc->Typ, addressMode, draw, round.full);
    if (f != Fetch::Ok) return f;
    if (currentDraw) {
        const std::string key = updateIni().ReadString(ctx_.doc->Typ, "XMLResDBID");
        *currentDraw =
            core::ParseInteger(net::XmlFirstNodeText(ctx_.dataFolder / "download.htm", key).value_or("0")).value_or(0);
    }
    const std::string halfCode = net::HalfTimeCode(ctx_.doc->Typ);
    if (mode_ == Mode::Results && ctx_.pool.pauseTipping && !halfCode.empty()) {
        // The half-time round is fetched under its own code, passed along: the
        // system's pool code is never changed for it.
        const int32_t ownDraw = ctx_.doc->OmgID;
        const Fetch h = fetch(halfCode, addressMode, draw, round.half);
        // The half-time page names its own draw; the system keeps the full-time one.
        ctx_.doc->OmgID = ownDraw;
        if (h == Fetch::Stop) return Fetch::Stop;
    }
    return Fetch::Ok;
}

void TfrmWebStatus::btnGetClick() {
    const std::string current = ctx_.currentRound();
    const std::string year = current.substr(0, 4);
    const std::string week = current.size() >= 7 ? current.substr(5, 2) : std::string();
    if (WeekText() != week || YearText() != year) {
        const bool weekDiffers = WeekText() != week;
        SetYearWeek(year, week);
        if (weekDiffers && ctx_.warnings) ctx_.prompter->information(this, M(468));
    }
    if (!prepare()) return;
    Round round;
    round.full.Year = round.half.Year = year;
    round.full.Week = round.half.Week = week;
    if (fetchBoth(net::kCurrentRound, 0, round) != Fetch::Ok) return;
    showAndSave(round);
}

void TfrmWebStatus::btnIntervalClick() {
    const core::IniFile ini = updateIni();
    const std::string typ = ctx_.doc->Typ;
    const int64_t linkType = ini.ReadInteger(typ, "ResultLinkType", 2);
    if (linkType == 1) {
        const auto answer = ctx_.prompter->inputText(this, M(469), M(470), QStringLiteral("5"));
        if (!answer) return;
        const std::string digits = core::KeepChars(answer->toStdString(), "0123456789");
        if (digits.empty()) return;
        const int count = digits.size() > 4 ? kMaxRunRounds : std::min(std::stoi(digits), kMaxRunRounds);
        if (!prepare()) return;
        Round round;
        round.full.Year = round.half.Year = YearText();
        round.full.Week = round.half.Week = WeekText();
        int64_t current = 0;
        if (fetchBoth(net::kCurrentRound, 0, round, &current) != Fetch::Ok) return;
        showAndSave(round);
        for (int i = 0; i < count; ++i) {
            const int64_t draw = current - i - 1;
            if (draw < 1) break;
            net::ClearCouponInfo(round.full);
            net::ClearCouponInfo(round.half);
            const Fetch f = fetchBoth(net::kByDrawNumber, static_cast<int32_t>(draw), round);
            if (f == Fetch::Stop) return;
            if (f == Fetch::Ok) showAndSave(round);
        }
        return;
    }
    const auto from = ctx_.chooseRound(M(471), YearText(), WeekText());
    if (!from) return;
    auto to = ctx_.chooseRound(M(472), from->first, from->second);
    if (!to) return;
    if (to->first != from->first) {
        ctx_.prompter->information(this, M(473));
        to->first = from->first;
    }
    const auto fromWeek = core::ParseInteger(from->second);
    const auto toWeek = core::ParseInteger(to->second);
    if (!fromWeek || !toWeek || core::ParseInteger(from->first).value_or(0) < 1) return;
    if (*fromWeek > *toWeek) return;
    if (!prepare()) return;
    for (int64_t w = *fromWeek; w <= *toWeek && w <= 53; ++w) {
        Round round;
        round.full.Year = round.half.Year = from->first;
        round.full.Week = round.half.Week = TwoDigitWeek(std::to_string(w));
        const Fetch f = fetchBoth(net::kByYearWeek, 0, round);
        if (f == Fetch::Stop) return;
        if (f == Fetch::Ok) showAndSave(round);
    }
}

void TfrmWebStatus::btnViewClick() {
    const std::string code = bulkPool_->currentText().toStdString();
    const bool xml = bulkXml_->isChecked();
    const int from = bulkFrom_->value();
    const int to = std::min(bulkTo_->value(), from + kMaxRunRounds - 1);
    const core::IniFile ini = updateIni();
    if (!prepare()) return;
    std::vector<std::string> failed;
    for (int draw = from; draw <= to; ++draw) {
        const std::string url = net::BulkResultsAddress(ini, code, draw);
        if (url.empty()) {
            ctx_.prompter->error(this, Q(core::FormatMsg(core::Msg(kMsgNoResultsAddress), {code})));
            return;
        }
        net::TCouponInfo info;
        info.Typ = code;
        net::ParseOptions options;
        options.typ = code;
        options.resultsMode = true;
        options.matchCount = matchCount();
        options.signs = ctx_.pool.signs;
        options.warnings = false;
        options.debug = ctx_.debug;
        options.debugFolder = ctx_.dataFolder;
        showBusy(true);
        // The bulk run stores rounds of any pool: the open system is not touched.
        const net::FetchOutcome out = fetchOffGuiThread(url, xml, ini, options, info);
        showBusy(false);
        if (!out.ok) {
            if (out.transportFailed || out.badKeys) {
                ctx_.prompter->error(this, Q(out.error));
                return;
            }
            failed.push_back(std::to_string(draw));
            continue;
        }
        info.Typ = code;
        info.OmgID = draw;
        if (info.Homes.size() <= 5 || info.Row.size() <= 5) continue;
        try {
            ctx_.db->SaveCouponResult(info);
            ctx_.db->SaveCouponGames(info);
        } catch (const std::exception& e) {
            ctx_.prompter->error(this, Q(e.what()));
            return;
        }
    }
    if (!failed.empty()) {
        std::string list;
        for (const auto& d : failed) list += (list.empty() ? "" : ", ") + d;
        ctx_.prompter->error(this, Q(core::FormatMsg(core::Msg(kMsgRoundsNotFetched), {list})));
    }
}

void TfrmWebStatus::writeSigns(const std::string& row, int firstColumn) {
    const core::DisplaySigns& ds = ctx_.pool.signs;
    const std::string* shown[3] = {&ds.home, &ds.draw, &ds.away};
    const QString text = Q(row);
    for (int m = 0; m < grid_->rowCount(); ++m) {
        for (int k = 0; k < 3; ++k) grid_->item(m, firstColumn + k)->setText(QString());
        if (m >= text.size()) continue;
        const QString c = text.mid(m, 1);
        for (int k = 0; k < 3; ++k) {
            // A character that is none of the pool's signs ("-": no result yet) is left blank.
            if (c.compare(Q(*shown[k]), Qt::CaseInsensitive) == 0) {
                grid_->item(m, firstColumn + k)->setText(Q(*shown[k]));
                break;
            }
        }
    }
}

void TfrmWebStatus::fillPrizeGrid(QTableWidget* grid, const net::TCouponInfo& info) {
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < 2; ++c) grid->item(r, c)->setText(QString());
    const int top = valueLines() - 1;  // 0-based line of the top level
    for (size_t i = 0; i < info.Payouts.size() && static_cast<int>(i) <= top; ++i)
        grid->item(top - static_cast<int>(i), 0)->setText(Q(info.Payouts[i]));
    for (size_t i = 0; i < info.Winners.size() && static_cast<int>(i) <= top; ++i)
        grid->item(top - static_cast<int>(i), 1)->setText(Q(info.Winners[i]));
}

bool TfrmWebStatus::savePrizeGrid(QTableWidget* grid, const std::string& row, const std::string& typ) {
    // Line L holds slot 9 + L; the texts go A13, U13, A12, U12, A11, U11, A10, U10.
    std::array<std::string, 8> numbers;
    for (int slot = 13; slot >= 10; --slot) {
        const int line = slot - 10;  // 0-based
        const bool present = line < grid->rowCount();
        const std::string payout = present ? grid->item(line, 0)->text().toStdString() : std::string();
        const std::string winners = present ? grid->item(line, 1)->text().toStdString() : std::string();
        const int at = (13 - slot) * 2;
        numbers[at] = winners.empty() ? "0" : winners;
        numbers[at + 1] = payout.empty() ? "0" : payout;
    }
    const int32_t omg = roundInteger();
    if (omg == 0) {
        ctx_.prompter->error(this, M(166).remove(QLatin1Char('&')));
        return false;
    }
    try {
        ctx_.db->SaveResult(*ctx_.doc, omg, row, numbers, typ);
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
        return false;
    }
    return true;
}

bool TfrmWebStatus::saveGames() {
    const int32_t omg = roundInteger();
    if (omg == 0) {
        ctx_.prompter->error(this, M(166).remove(QLatin1Char('&')));
        return false;
    }
    try {
        ctx_.db->SaveGames(*ctx_.doc, omg, ctx_.doc->Typ, Homes(), Aways());
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
        return false;
    }
    return true;
}

void TfrmWebStatus::showAndSave(const Round& round) {
    const net::TCouponInfo& f = round.full;
    const bool results = mode_ == Mode::Results;
    if (!f.Homes.empty() || !f.Row.empty()) {
        SetYearWeek(f.Year, TwoDigitWeek(f.Week));
        for (int m = 0; m < grid_->rowCount(); ++m) {
            if (m < static_cast<int>(f.Homes.size())) grid_->item(m, 1)->setText(Q(f.Homes[m]));
            if (m < static_cast<int>(f.Aways.size())) grid_->item(m, 2)->setText(Q(f.Aways[m]));
        }
        if (results) {
            writeSigns(f.Row, 3);
            fillPrizeGrid(full_, f);
            savePrizeGrid(full_, f.Row, ctx_.doc->Typ);
        }
        saveGames();
    }
    const std::string halfCode = net::HalfTimeCode(ctx_.doc->Typ);
    if (results && ctx_.pool.pauseTipping && !halfCode.empty() && !round.half.Row.empty()) {
        writeSigns(round.half.Row, 6);
        fillPrizeGrid(half_, round.half);
        savePrizeGrid(half_, round.half.Row, halfCode);
    }
    for (int m = 0; m < grid_->rowCount(); ++m)
        for (int c = 1; c <= 2; ++c) validateCell(m, c);
}

// --- team name editing ----------------------------------------------------------

void TfrmWebStatus::validateCell(int line, int column) {
    QTableWidgetItem* item = grid_->item(line, column);
    if (!item) return;
    const std::string text = item->text().toStdString();
    const bool unknown = !text.empty() && text != "-" && !std::binary_search(known_.begin(), known_.end(), text);
    item->setBackground(QBrush(unknown ? QColor(Qt::red) : QColor(Qt::white)));
}

void TfrmWebStatus::commitEdit() {
    if (editLine_ < 0) return;
    grid_->item(editLine_, editColumn_)->setText(team_->currentText());
    validateCell(editLine_, editColumn_);
}

void TfrmWebStatus::moveEditTo(int line, int column) {
    editLine_ = line;
    editColumn_ = column;
    team_->setEditText(grid_->item(line, column)->text());
    grid_->scrollToItem(grid_->item(line, column));
    team_->setGeometry(grid_->visualItemRect(grid_->item(line, column)));
    team_->show();
    team_->setFocus();
}

void TfrmWebStatus::EditCell(int line, int column) {
    if (column != 1 && column != 2) return;
    if (line < 0 || line >= grid_->rowCount()) return;
    commitEdit();
    moveEditTo(line, column);
}

bool TfrmWebStatus::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == team_ || watched == team_->lineEdit()) && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab && tabNav_->isChecked() && editLine_ >= 0) {
        commitEdit();
        int line = editLine_ + 1, column = editColumn_;
        if (line >= grid_->rowCount()) {
            line = 0;
            column = column == 1 ? 2 : 1;
        }
        moveEditTo(line, column);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- closing --------------------------------------------------------------------

void TfrmWebStatus::btnOKClick() {
    if (mode_ == Mode::Games) {
        commitEdit();
        if (!saveGames()) return;
    }
    accept();
}

void TfrmWebStatus::btnCancelClick() { reject(); }

void TfrmWebStatus::done(int result) {
    if (result != QDialog::Accepted) ctx_.doc->OmgID = savedOmgId_;
    std::error_code ec;
    std::filesystem::remove(ctx_.dataFolder / "download.htm", ec);
    QDialog::done(result);
}

// --- entry points ---------------------------------------------------------------

std::optional<core::TVinraFile> RunGetGames(QWidget* parent, Program& program, Prompter& prompter,
                                            const core::TVinraFile& doc, const std::vector<std::string>& homes,
                                            const std::vector<std::string>& aways) {
    // The window works on a copy: the open system changes only through its
    // owner, and not at all on Cancel.
    core::TVinraFile copy = doc;
    WebStatusContext ctx = MakeWebStatusContext(program, prompter);
    ctx.doc = &copy;
    ctx.pool = program.national.SettingsOfSystem(copy.Pool, copy.Typ);
    TfrmWebStatus dlg(TfrmWebStatus::Mode::Games, std::move(ctx), homes, aways, parent);
    Localise(&dlg);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    copy.Omg = dlg.YearText() + "-" + dlg.WeekText();
    return copy;
}

std::optional<int32_t> RunGetResults(QWidget* parent, Program& program, Prompter& prompter,
                                     const std::vector<std::string>& homes, const std::vector<std::string>& aways) {
    TfrmWebStatus dlg(TfrmWebStatus::Mode::Results, MakeWebStatusContext(program, prompter), homes, aways, parent);
    Localise(&dlg);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const auto y = core::ParseInteger(dlg.YearText());
    const auto w = core::ParseInteger(dlg.WeekText());
    if (!y || !w) return std::nullopt;
    return static_cast<int32_t>(*y * 100 + *w);
}

}  // namespace vinra::ui
