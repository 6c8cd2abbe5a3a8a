#include "ui/core/command_table.h"

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QToolBar>

#include "core/messages.h"
#include "ui/core/ui_text.h"

namespace vinra::ui {

struct CommandTable::Entry {
    CommandSpec spec;
    QAction* action = nullptr;   // the menu entry (also when the row has no menu: keys, triggers)
    QAction* toolBar = nullptr;  // the tool-bar copy, with a hint of its own
    QMenu* submenu = nullptr;
};

namespace {

QString PlainCaption(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.trimmed();
}

QString ToolBarName(const QString& name) {
    return QStringLiteral("tb") + (name.startsWith(QStringLiteral("act")) ? name.mid(3) : name);
}

// Merges a replacing row into the present one: what the new row leaves empty is kept.
void Merge(CommandSpec& into, CommandSpec&& from) {
    if (from.msg) into.msg = from.msg;
    if (!from.text.isEmpty()) into.text = from.text;
    if (from.shortcut) into.shortcut = from.shortcut;
    if (from.icon) into.icon = from.icon;
    if (from.menu != MenuId::None) into.menu = from.menu;
    if (from.position) into.position = from.position;
    if (from.separatorBefore) into.separatorBefore = true;
    if (from.toolBarPosition) into.toolBarPosition = from.toolBarPosition;
    if (from.toolBarHint) into.toolBarHint = from.toolBarHint;
    if (from.handler) into.handler = std::move(from.handler);
    if (from.enabled) into.enabled = std::move(from.enabled);
    if (from.visible) into.visible = std::move(from.visible);
    if (from.checked) into.checked = std::move(from.checked);
    if (from.fillSubmenu) into.fillSubmenu = std::move(from.fillSubmenu);
    into.later = from.later;
    into.debugOnly = from.debugOnly || into.debugOnly;
}

}  // namespace

CommandTable::CommandTable(QWidget* owner, bool debugMode) : QObject(owner), owner_(owner), debugMode_(debugMode) {}

CommandTable::~CommandTable() = default;

QAction* CommandTable::Add(CommandSpec spec) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e->spec.name == spec.name; });
    Entry* entry = nullptr;
    const MenuId oldMenu = it == entries_.end() ? MenuId::None : (*it)->spec.menu;
    if (it != entries_.end()) {
        entry = it->get();
        Merge(entry->spec, std::move(spec));
    } else {
        entries_.push_back(std::make_unique<Entry>());
        entry = entries_.back().get();
        entry->spec = std::move(spec);
        entry->action = new QAction(owner_);
        entry->action->setObjectName(entry->spec.name);
        // The handler is looked up at every trigger, so a replacing row takes effect at once.
        connect(entry->action, &QAction::triggered, this, [this, name = entry->spec.name] {
            if (const CommandSpec* row = Row(name); row && row->handler && !row->later) row->handler();
        });
    }
    apply(*entry);
    if (oldMenu != MenuId::None && oldMenu != entry->spec.menu) rebuildMenu(oldMenu);
    rebuildMenu(entry->spec.menu);
    rebuildToolBar();
    emit rowsChanged();
    return entry->action;
}

void CommandTable::Remove(const QString& name) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e->spec.name == name; });
    if (it == entries_.end()) return;
    const MenuId menu = (*it)->spec.menu;
    const bool onToolBar = (*it)->toolBar != nullptr;
    delete (*it)->action;
    delete (*it)->toolBar;
    delete (*it)->submenu;
    entries_.erase(it);
    rebuildMenu(menu);
    if (onToolBar) rebuildToolBar();
    emit rowsChanged();
}

bool CommandTable::Has(const QString& name) const { return Row(name) != nullptr; }

const CommandSpec* CommandTable::Row(const QString& name) const {
    for (const auto& e : entries_)
        if (e->spec.name == name) return &e->spec;
    return nullptr;
}

QAction* CommandTable::Action(const QString& name) const {
    for (const auto& e : entries_)
        if (e->spec.name == name) return e->action;
    return nullptr;
}

QAction* CommandTable::ToolBarAction(const QString& name) const {
    for (const auto& e : entries_)
        if (e->spec.name == name) return e->toolBar;
    return nullptr;
}

QStringList CommandTable::MenuRows(MenuId menu) const {
    std::vector<const Entry*> rows;
    for (const auto& e : entries_)
        if (e->spec.menu == menu) rows.push_back(e.get());
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Entry* a, const Entry* b) { return a->spec.position < b->spec.position; });
    QStringList names;
    for (const Entry* e : rows) names << e->spec.name;
    return names;
}

bool CommandTable::Trigger(const QString& name) {
    QAction* a = Action(name);
    if (!a || !a->isEnabled()) return false;
    a->trigger();
    return true;
}

void CommandTable::SetText(const QString& name, const QString& text) {
    for (auto& e : entries_)
        if (e->spec.name == name) {
            e->spec.text = text;
            localise(*e);
        }
}

void CommandTable::apply(Entry& e) {
    const CommandSpec& s = e.spec;
    QAction* a = e.action;
    a->setShortcut(s.shortcut ? *s.shortcut : QKeySequence());
    // Keys of rows without a menu entry still work: the action lives on the window.
    if (s.menu == MenuId::None && !s.shortcut) owner_->removeAction(a);
    else owner_->addAction(a);
    if (s.icon) a->setIcon(MakeIcon(*s.icon));
    a->setCheckable(static_cast<bool>(s.checked));
    a->setProperty("later", s.later);
    if (s.fillSubmenu && !e.submenu) {
        e.submenu = new QMenu(owner_);
        e.submenu->setObjectName(QStringLiteral("mnu") +
                                 (s.name.startsWith(QStringLiteral("act")) ? s.name.mid(3) : s.name));
        a->setMenu(e.submenu);
        connect(e.submenu, &QMenu::aboutToShow, this, [this, sub = e.submenu, name = s.name] {
            sub->clear();
            if (const CommandSpec* row = Row(name); row && row->fillSubmenu) row->fillSubmenu(sub);
        });
    }
    if (s.toolBarPosition > 0 && !e.toolBar) {
        // A tool-bar action of its own, so that its hint is not the menu caption.
        e.toolBar = new QAction(owner_);
        e.toolBar->setObjectName(ToolBarName(s.name));
        connect(e.toolBar, &QAction::triggered, a, &QAction::trigger);
    }
    if (e.toolBar) {
        if (s.icon) e.toolBar->setIcon(MakeIcon(*s.icon));
        e.toolBar->setProperty("later", s.later);
    }
    localise(e);
    a->setEnabled(!s.later && (!s.enabled || s.enabled()));
    a->setVisible((!s.debugOnly || debugMode_) && (!s.visible || s.visible()));
    if (s.checked) a->setChecked(s.checked());
    if (e.toolBar) e.toolBar->setEnabled(a->isEnabled());
}

void CommandTable::localise(Entry& e) {
    const CommandSpec& s = e.spec;
    QAction* a = e.action;
    QString caption = s.msg > 0 ? QString::fromStdString(core::Msg(s.msg)) : s.text;
    // Captions such as "&Statistics (F5)" name their key; the menu shows the
    // key in its own column, so it is written once.
    if (s.shortcut && !s.shortcut->isEmpty()) {
        const QString key = s.shortcut->toString(QKeySequence::NativeText);
        const QString suffix = QStringLiteral("(") + key + QStringLiteral(")");
        if (caption.trimmed().endsWith(suffix, Qt::CaseInsensitive))
            caption = caption.trimmed().chopped(suffix.size()).trimmed();
    }
    a->setText(caption);
    QString tip = PlainCaption(caption);
    if (s.later) tip += QStringLiteral("\n") + T(UiText::ComesLater);
    a->setToolTip(tip);
    if (e.submenu) e.submenu->setTitle(caption);
    if (e.toolBar) {
        QString hint = s.toolBarHint > 0 ? QString::fromStdString(core::Msg(s.toolBarHint)) : PlainCaption(caption);
        e.toolBar->setText(hint);
        if (s.later) hint += QStringLiteral("\n") + T(UiText::ComesLater);
        e.toolBar->setToolTip(hint);
    }
}

void CommandTable::AttachMenu(MenuId menu, QMenu* qmenu) {
    menus_[menu] = qmenu;
    qmenu->setToolTipsVisible(true);
    rebuildMenu(menu);
}

void CommandTable::AttachToolBar(QToolBar* toolBar) {
    toolBar_ = toolBar;
    rebuildToolBar();
}

void CommandTable::rebuildMenu(MenuId menu) {
    auto it = menus_.find(menu);
    if (it == menus_.end() || !it->second) return;
    QMenu* m = it->second;
    // Submenus of the shell (Databases under Tools) are kept where they are.
    QList<QAction*> keep;
    for (QAction* a : m->actions())
        if (a->menu() && !std::any_of(entries_.begin(), entries_.end(), [&](const auto& e) { return e->action == a; }))
            keep << a;
    m->clear();
    bool first = true;
    for (const QString& name : MenuRows(menu)) {
        const auto e =
            std::find_if(entries_.begin(), entries_.end(), [&](const auto& x) { return x->spec.name == name; });
        if ((*e)->spec.separatorBefore && !first) m->addSeparator();
        m->addAction((*e)->action);
        first = false;
    }
    for (QAction* a : keep) m->addAction(a);
}

void CommandTable::rebuildToolBar() {
    if (!toolBar_) return;
    std::vector<Entry*> rows;
    for (auto& e : entries_)
        if (e->toolBar) rows.push_back(e.get());
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Entry* a, const Entry* b) { return a->spec.toolBarPosition < b->spec.toolBarPosition; });
    toolBar_->clear();
    int group = -1;
    for (Entry* e : rows) {
        // Buttons are grouped by tens of their position, with a separator between groups.
        const int g = e->spec.toolBarPosition / 10;
        if (group >= 0 && g != group) toolBar_->addSeparator();
        group = g;
        toolBar_->addAction(e->toolBar);
    }
}

void CommandTable::Refresh() {
    for (auto& e : entries_) {
        const CommandSpec& s = e->spec;
        e->action->setEnabled(!s.later && (!s.enabled || s.enabled()));
        e->action->setVisible((!s.debugOnly || debugMode_) && (!s.visible || s.visible()));
        if (s.checked) e->action->setChecked(s.checked());
        if (e->toolBar) e->toolBar->setEnabled(e->action->isEnabled());
    }
}

void CommandTable::Localise() {
    for (auto& e : entries_) localise(*e);
}

}  // namespace vinra::ui
