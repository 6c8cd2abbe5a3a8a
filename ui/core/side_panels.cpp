#include "ui/core/side_panels.h"

#include <functional>
#include <map>

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/system_document.h"
#include "ui/core/active_pools.h"
#include "ui/core/background_job.h"
#include "ui/core/icons.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/ui_text.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kMsgRefreshFailed = 1012;       // "The current games could not be fetched: %s"
constexpr int kMsgRefreshFailedShort = 1025;  // "The current games could not be fetched."
constexpr int kMsgRefreshing = 1013;          // "Fetching the current games..."
constexpr int kMsgCancel = 1021;              // "Cancel"

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
std::string S(const QString& s) { return s.toStdString(); }

QString Plain(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.trimmed();
}

// A panel button that runs a command and is enabled with it.
QPushButton* CommandButton(CommandTable& commands, const QString& command, Icon icon, int msg, const char* name,
                           QWidget* parent) {
    auto* b = Tag(new QPushButton(MakeIcon(icon), QString(), parent), msg);
    b->setObjectName(QString::fromLatin1(name));
    QObject::connect(b, &QPushButton::clicked, parent, [&commands, command] { commands.Trigger(command); });
    if (QAction* a = commands.Action(command)) {
        b->setEnabled(a->isEnabled());
        QObject::connect(a, &QAction::changed, b, [a, b] { b->setEnabled(a->isEnabled()); });
    }
    return b;
}

}  // namespace

// ---------------------------------------------------------------------------
// Active pools

ActivePoolsPanel::ActivePoolsPanel(const ShellContext& shell, CommandTable& commands, QWidget* parent)
    : QWidget(parent), shell_(shell), commands_(commands) {
    setObjectName(QStringLiteral("pnlActivePools"));
    job_ = new BackgroundJob(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("lblActivePools"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->installEventFilter(this);
    layout->addWidget(title_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblActivePoolsStatus"));
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::RichText);
    status_->setVisible(false);
    // A slow service can be given up: the line offers Cancel while the list is fetched.
    connect(status_, &QLabel::linkActivated, this, [this](const QString&) { job_->Cancel(); });
    layout->addWidget(status_);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("tvActivePools"));
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(16, 16));
    tree_->setRootIsDecorated(true);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, Qt::UserRole).isValid()) return;
        const QStringList v = item->data(0, Qt::UserRole).toStringList();
        if (v.size() < 7) return;
        net::TCouponInfoEx e;
        e.code = S(v[0]);
        e.name = S(v[1]);
        e.country = S(v[2]);
        e.omg = S(v[3]);
        e.omgId = v[4].toInt();
        e.numGames = v[5].toInt();
        e.deadline = S(v[6]);
        emit poolChosen(e);
    });
    layout->addWidget(tree_, 1);
    statistics_ =
        CommandButton(commands_, QStringLiteral("actStatistics"), Icon::Statistics, 24, "btnPoolsStatistics", this);
    check_ = CommandButton(commands_, QStringLiteral("actCheck"), Icon::Check, 22, "btnPoolsCheck", this);
    placeBet_ = new QPushButton(this);
    placeBet_->setObjectName(QStringLiteral("btnPoolsPlaceBet"));
    connect(placeBet_, &QPushButton::clicked, this, [this] { commands_.Trigger(QStringLiteral("actPlaceBet")); });
    layout->addWidget(statistics_);
    layout->addWidget(check_);
    layout->addWidget(placeBet_);

    connect(job_, &BackgroundJob::finished, this, [this](bool cancelled, const QString& error) {
        auto& program = shell_.program;
        // The worker has been joined: its result may be read.
        net::ActivePoolsRefresh r = result_ ? *result_ : net::ActivePoolsRefresh{};
        result_.reset();
        if (!error.isEmpty()) r.error = S(error);
        // The database belongs to this thread: the list's games and results go in here.
        if (r.replaced && program.db.IsOpen()) net::ImportActivePoolsData(program.DataFolder(), program.db, r);
        if (r.replaced) {
            failure_.clear();
            setStatus(QString(), false);
        } else if (!cancelled) {
            // The panel says it in a line; the transfer's own words are in its tooltip and the box.
            failure_ = r.error;
            showFailure();
            if (report_) shell_.prompter.errorWithDetail(shell_.window, M(kMsgRefreshFailedShort), Q(failure_));
        } else {
            setStatus(QString(), false);
        }
        Rebuild();
        emit refreshed(r.replaced);
    });
}

ActivePoolsPanel::~ActivePoolsPanel() { job_->CancelAndJoin(); }

QString ActivePoolsPanel::StatusText() const { return statusText_; }

bool ActivePoolsPanel::Refreshing() const { return job_->Running(); }

void ActivePoolsPanel::setStatus(const QString& text, bool failure) {
    statusText_ = text;
    QString shown = text.toHtmlEscaped();
    if (job_->Running() && !text.isEmpty())
        shown += QStringLiteral(" <a href=\"cancel\">") + M(kMsgCancel).toHtmlEscaped() + QStringLiteral("</a>");
    status_->setText(shown);
    status_->setToolTip(QString());
    status_->setStyleSheet(failure ? QStringLiteral("color: #a40000;") : QString());
    status_->setVisible(!text.isEmpty());
}

void ActivePoolsPanel::showFailure() {
    setStatus(M(kMsgRefreshFailedShort), true);
    status_->setToolTip(Q(core::FormatMsg(core::Msg(kMsgRefreshFailed), {failure_})));
}

bool ActivePoolsPanel::StartRefresh(bool force, bool report) {
    if (job_->Running()) return false;
    auto& program = shell_.program;
    if (!force) {
        const auto present = net::ActivePoolsFile::Load(program.ActivePoolsPath());
        if (present.FileOK() && !present.RefreshDue(net::LocalNow())) {
            Rebuild();
            return false;
        }
    }
    report_ = report;
    const std::string host = net::ServiceHostOf(program.updateIni);
    const fs::path dataFolder = program.DataFolder();
    // The worker downloads and replaces the file; it never touches the database.
    auto result = std::make_shared<net::ActivePoolsRefresh>();
    result_ = result;
    failure_.clear();
    job_->Start([host, dataFolder, result](JobProgress& p) {
        *result = net::RefreshActivePools(host, dataFolder, nullptr,
                                          [&p](int64_t now, int64_t total) { return p.Bytes(now, total); });
    });
    setStatus(M(kMsgRefreshing), false);
    return true;
}

void ActivePoolsPanel::Rebuild() {
    auto& program = shell_.program;
    tree_->clear();
    const net::ActivePoolsFile pools = net::ActivePoolsFile::Load(program.ActivePoolsPath());
    std::map<std::string, QTreeWidgetItem*> groups;
    std::vector<std::string> operators = program.national.Operators();
    if (operators.empty()) operators = {"Svenska Spel", "Norsk Tipping", "Dansk Tipstjeneste", "Veikkaus", "Unibet"};
    // Every operator the player shows keeps its category, with or without an open round.
    for (const auto& op : operators) {
        if (!program.settingsFile().ShowPool(op)) continue;
        auto* item = new QTreeWidgetItem(tree_, {Q(op)});
        QFont f = item->font(0);
        f.setBold(true);
        item->setFont(0, f);
        item->setFlags(Qt::ItemIsEnabled);
        groups[op] = item;
    }
    int entries = 0;
    for (const auto& e : pools.Entries(net::LocalNow())) {
        auto it = groups.find(e.country);
        if (it == groups.end()) continue;
        auto* item = new QTreeWidgetItem(it->second, {Q(e.Caption()).trimmed()});
        item->setIcon(0, MakeIcon(e.closed ? Icon::LockClosed : Icon::LockOpen));
        item->setData(0, Qt::UserRole,
                      QStringList{Q(e.code), Q(e.name), Q(e.country), Q(e.omg), QString::number(e.omgId),
                                  QString::number(e.numGames), Q(e.deadline)});
        ++entries;
    }
    if (entries == 0) {
        auto* none = new QTreeWidgetItem(tree_, {T(UiText::NoActivePools)});
        none->setFlags(Qt::ItemIsEnabled);
        none->setForeground(0, QColor(120, 120, 120));
    }
    tree_->expandAll();
}

void ActivePoolsPanel::SetPlaceBetVisible(bool visible) { placeBet_->setVisible(visible); }

void ActivePoolsPanel::Relocalise() {
    title_->setText(T(UiText::PanelActivePools));
    title_->setToolTip(T(UiText::RefreshActivePools));
    statistics_->setText(Plain(statistics_->text()));
    check_->setText(Plain(check_->text()));
    check_->setToolTip(check_->isEnabled() ? QString() : T(UiText::ComesLater));
    placeBet_->setText(T(UiText::PlaceBet));
    if (job_->Running()) setStatus(M(kMsgRefreshing), false);
    else if (!failure_.empty()) showFailure();
    Rebuild();
}

bool ActivePoolsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::MouseButtonDblClick) {
        StartRefresh(true, true);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Files

FilesPanel::FilesPanel(const ShellContext& shell, CommandTable& commands, QWidget* parent)
    : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("pnlFiles"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* orderRow = new QHBoxLayout;
    orderRow->setSpacing(2);
    const std::tuple<FileOrder, Icon, int, const char*> orders[] = {
        {FileOrder::Date, Icon::SortDate, 595, "btnSortDate"},
        {FileOrder::Name, Icon::SortName, 593, "btnSortName"},
        {FileOrder::Size, Icon::SortSize, 594, "btnSortSize"}};
    for (const auto& [order, icon, hint, name] : orders) {
        auto* b = TagHint(new QToolButton(this), hint);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(MakeIcon(icon));
        b->setCheckable(true);
        b->setAutoRaise(true);
        const FileOrder o = order;
        connect(b, &QToolButton::clicked, this, [this, o] { SetOrder(o, descending_); });
        orderRow->addWidget(b);
        orderButtons_.push_back(b);
    }
    orderRow->addSpacing(8);
    direction_ = new QToolButton(this);
    direction_->setObjectName(QStringLiteral("btnSortDirection"));
    direction_->setAutoRaise(true);
    connect(direction_, &QToolButton::clicked, this, [this] { SetOrder(order_, !descending_); });
    orderRow->addWidget(direction_);
    orderRow->addStretch(1);
    layout->addLayout(orderRow);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("tvFiles"));
    tree_->setHeaderHidden(true);
    auto choose = [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, Qt::UserRole).isValid()) return;
        emit fileChosen(S(item->data(0, Qt::UserRole).toString()));
    };
    connect(tree_, &QTreeWidget::itemClicked, this, choose);
    connect(tree_, &QTreeWidget::itemActivated, this, choose);
    layout->addWidget(tree_, 1);
    updateDb_ =
        CommandButton(commands, QStringLiteral("actUpdateDatabase"), Icon::Database, 598, "btnUpdateDatabase", this);
    layout->addWidget(updateDb_);
}

void FilesPanel::showOrder() {
    for (size_t i = 0; i < orderButtons_.size(); ++i) {
        const FileOrder o = i == 0 ? FileOrder::Date : i == 1 ? FileOrder::Name : FileOrder::Size;
        orderButtons_[i]->setChecked(o == order_);
    }
    direction_->setIcon(MakeIcon(descending_ ? Icon::SortDescending : Icon::SortAscending));
    direction_->setToolTip(T(UiText::SortDirection) + QStringLiteral(": ") + M(descending_ ? 597 : 596));
}

void FilesPanel::SetOrder(FileOrder order, bool descending) {
    order_ = order;
    descending_ = descending;
    showOrder();
    Rebuild();
}

void FilesPanel::Relocalise() {
    updateDb_->setText(Plain(updateDb_->text()));
    showOrder();
    Rebuild();
}

void FilesPanel::Rebuild() {
    auto& program = shell_.program;
    tree_->clear();
    auto* root = new QTreeWidgetItem(tree_, {QString::fromUtf8(core::kProgramName)});
    root->setIcon(0, MakeIcon(Icon::Folder));
    const net::ActivePoolsFile pools = net::ActivePoolsFile::Load(program.ActivePoolsPath());
    std::vector<std::pair<QString, QTreeWidgetItem*>> poolItems;
    for (const auto& code : pools.PoolCodes()) {
        const QString name = Q(PoolTreeName(program.updateIni, code));
        auto* item = new QTreeWidgetItem(root, {name});
        item->setIcon(0, MakeIcon(Icon::Folder));
        poolItems.emplace_back(name, item);
    }
    auto files = ListSystemFiles(program.UserFolder());
    SortSystemFiles(files, order_, descending_);
    for (const auto& f : files) {
        for (auto& [name, item] : poolItems) {
            if (QString::compare(name, f.folder, Qt::CaseInsensitive) != 0) continue;
            auto* child = new QTreeWidgetItem(item, {f.name});
            child->setIcon(0, MakeIcon(Icon::SystemFile));
            child->setData(0, Qt::UserRole, Q(f.path.string()));
            child->setToolTip(0, Q(f.path.string()));
            break;
        }
    }
    for (auto& [name, item] : poolItems)
        if (item->childCount() == 0) delete item;
    tree_->expandAll();
}

QStringList FilesPanel::Names() const {
    QStringList names;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        if (item->data(0, Qt::UserRole).isValid()) names << item->text(0);
        for (int i = 0; i < item->childCount(); ++i) walk(item->child(i));
    };
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) walk(tree_->topLevelItem(i));
    return names;
}

// ---------------------------------------------------------------------------
// Results database

DatabasePanel::DatabasePanel(const ShellContext& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("pnlDatabase"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("tvDatabase"));
    tree_->setHeaderHidden(true);
    auto choose = [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, Qt::UserRole).isValid()) return;
        const QStringList v = item->data(0, Qt::UserRole).toStringList();
        if (v.size() < 3) return;
        emit roundChosen({S(v[0]), v[1].toInt(), v[2].toInt()});
    };
    connect(tree_, &QTreeWidget::itemClicked, this, choose);
    connect(tree_, &QTreeWidget::itemActivated, this, choose);
    layout->addWidget(tree_, 1);
}

void DatabasePanel::Rebuild() {
    auto& program = shell_.program;
    tree_->clear();
    auto* root = new QTreeWidgetItem(tree_, {QString::fromUtf8(core::kProgramName)});
    root->setIcon(0, MakeIcon(Icon::Database));
    const net::ActivePoolsFile pools = net::ActivePoolsFile::Load(program.ActivePoolsPath());
    for (const auto& code : pools.PoolCodes()) {
        auto* poolItem = new QTreeWidgetItem(root, {Q(PoolTreeName(program.updateIni, code))});
        poolItem->setIcon(0, MakeIcon(Icon::Folder));
        std::vector<checking::RoundKey> rounds;
        if (program.db.IsOpen()) {
            try {
                rounds = program.db.ResultsTree(code);
            } catch (const checking::DatabaseError&) {}
        }
        QTreeWidgetItem* yearItem = nullptr;
        int year = -1;
        for (const auto& r : rounds) {
            const int y = r.Omg / 100;
            if (y != year || !yearItem) {
                year = y;
                yearItem = new QTreeWidgetItem(poolItem, {QString::number(y)});
            }
            const QString caption = QStringLiteral("%1-%2").arg(y).arg(r.Omg % 100, 2, 10, QLatin1Char('0'));
            auto* item = new QTreeWidgetItem(yearItem, {caption});
            item->setIcon(0, MakeIcon(Icon::Round));
            item->setData(0, Qt::UserRole, QStringList{Q(r.Typ), QString::number(r.Omg), QString::number(r.OmgID)});
        }
    }
    root->setExpanded(true);
}

}  // namespace vinra::ui
