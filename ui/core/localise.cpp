#include "ui/core/localise.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>

#include "core/messages.h"

namespace vinra::ui {
namespace {

// The message of a number, or a null string when the table has none.
QString MessageOf(const QObject* obj, const char* property) {
    const QVariant v = obj->property(property);
    if (!v.isValid()) return {};
    bool ok = false;
    const int n = v.toInt(&ok);
    if (!ok || n <= 0) return {};
    const std::string text = core::Msg(n);
    if (text.empty()) return {};
    return QString::fromStdString(text);
}

// The tab widget a page belongs to, when it is a tab page.
QTabWidget* TabWidgetOfPage(QWidget* page) {
    auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
    if (!stack) return nullptr;
    return qobject_cast<QTabWidget*>(stack->parentWidget());
}

void ApplyCaption(QObject* obj, const QString& text, bool isWindow) {
    if (auto* action = qobject_cast<QAction*>(obj)) {
        action->setText(text);
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(obj)) {
        menu->setTitle(text);
        return;
    }
    auto* w = qobject_cast<QWidget*>(obj);
    if (!w) return;
    if (isWindow || qobject_cast<QDockWidget*>(w)) {
        w->setWindowTitle(text);
        return;
    }
    if (auto* tabs = TabWidgetOfPage(w)) {
        tabs->setTabText(tabs->indexOf(w), text);
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable()) combo->setEditText(text);
        else if (combo->currentIndex() >= 0) combo->setItemText(combo->currentIndex(), text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        rich->setPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->setPlainText(text);
    } else {
        w->setWindowTitle(text);
    }
}

void ApplyHint(QObject* obj, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(obj)) {
        action->setToolTip(text);
        if (action->property(kMsgProperty).isNull()) action->setText(text);
    } else if (auto* w = qobject_cast<QWidget*>(obj)) {
        w->setToolTip(text);
    }
}

void LocaliseObject(QObject* obj, bool isWindow) {
    const QString caption = MessageOf(obj, kMsgProperty);
    if (!caption.isNull()) ApplyCaption(obj, caption, isWindow);
    const QString hint = MessageOf(obj, kHintProperty);
    if (!hint.isNull()) ApplyHint(obj, hint);
}

}  // namespace

void SetMsgTag(QObject* obj, int msg) { obj->setProperty(kMsgProperty, msg); }
void SetHintTag(QObject* obj, int msg) { obj->setProperty(kHintProperty, msg); }

void Localise(QWidget* window) {
    if (!window) return;
    LocaliseObject(window, true);
    // Actions first: a tool button that shows an action takes the action's
    // texts, and its own hint must win afterwards.
    const auto actions = window->findChildren<QAction*>();
    for (QAction* a : actions) LocaliseObject(a, false);
    for (QAction* a : window->actions())
        if (a->parent() != window) LocaliseObject(a, false);
    const auto children = window->findChildren<QWidget*>();
    for (QWidget* w : children) LocaliseObject(w, w->isWindow() && !qobject_cast<QMenu*>(w));
}

}  // namespace vinra::ui
