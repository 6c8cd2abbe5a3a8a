#include "ui/core/localise.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QComboBox>
#include <QLibraryInfo>
#include <QTranslator>
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

#include <cstring>
#include <memory>
#include <vector>

#include "core/messages.h"
#include "core/settings.h"

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

// Qt's own texts that its catalogues for our languages lack, by the
// program's messages: the standard buttons (OK, &Yes, &No, Cancel, Save,
// Open, Close, Apply, Help) and what the file dialog shows untranslated.
struct StandardText {
    const char* context;
    const char* source;
    int msg;
};
constexpr StandardText kStandardTexts[] = {
    {"QPlatformTheme", "OK", 1121},
    {"QPlatformTheme", "&Yes", 1122},
    {"QPlatformTheme", "&No", 1123},
    {"QPlatformTheme", "Cancel", 1124},
    {"QPlatformTheme", "Save", 1125},
    {"QPlatformTheme", "Open", 1126},
    {"QPlatformTheme", "Close", 1127},
    {"QPlatformTheme", "Apply", 1128},
    {"QPlatformTheme", "Help", 1129},
    {"QFileDialog", "Look in:", 1300},
    {"QFileSystemModel", "Computer", 1301},
    {"QFileDialog", "Back", 1302},
    {"QFileDialog", "Forward", 1303},
    {"QFileDialog", "Parent Directory", 1304},
    {"QFileDialog", "Create New Folder", 1305},
    {"QFileDialog", "List View", 1306},
    {"QFileDialog", "Detail View", 1307},
};

// Searched after Qt's own catalogue: answers only what that one lacks.
class StandardButtonTranslator : public QTranslator {
public:
    explicit StandardButtonTranslator(int base) : base_(base) {}
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        if (!context || !sourceText) return {};
        for (const auto& t : kStandardTexts)
            if (std::strcmp(t.context, context) == 0 && std::strcmp(t.source, sourceText) == 0)
                return QString::fromStdString(core::MsgIn(base_, t.msg));
        return {};
    }
    bool isEmpty() const override { return false; }

private:
    int base_;
};

// Catalogue names to try per language, best first. Norwegian: Debian has
// Nynorsk only, which is closer to Bokmål than English is.
std::vector<const char*> CatalogueNames(int base) {
    switch (base) {
        case core::LangSwedish: return {"qtbase_sv", "qt_sv"};
        case core::LangDanish: return {"qtbase_da", "qt_da"};
        case core::LangNorwegian: return {"qtbase_nb", "qtbase_no", "qtbase_nn", "qt_nb", "qt_nn"};
        case core::LangFinnish: return {"qtbase_fi", "qt_fi"};
        default: return {};
    }
}

int g_qtLanguage = -1;
std::vector<std::unique_ptr<QTranslator>> g_translators;

}  // namespace

int QtLanguage() { return g_qtLanguage; }

void UseQtLanguage(int base) {
    if (!QCoreApplication::instance() || base == g_qtLanguage) return;
    for (const auto& t : g_translators) QCoreApplication::removeTranslator(t.get());
    g_translators.clear();
    g_qtLanguage = base;
    const std::vector<const char*> names = CatalogueNames(base);
    if (names.empty()) return;  // English: Qt's own texts as they are
    // Installed first, so searched last.
    g_translators.push_back(std::make_unique<StandardButtonTranslator>(base));
    QCoreApplication::installTranslator(g_translators.back().get());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : names) {
        auto qt = std::make_unique<QTranslator>();
        if (!qt->load(QString::fromLatin1(name), folder)) continue;
        QCoreApplication::installTranslator(qt.get());
        g_translators.push_back(std::move(qt));
        break;
    }
}

void SetMsgTag(QObject* obj, int msg) { obj->setProperty(kMsgProperty, msg); }
void SetHintTag(QObject* obj, int msg) { obj->setProperty(kHintProperty, msg); }

void Localise(QWidget* window) {
    if (!window) return;
    UseQtLanguage(core::CurrentLanguage());
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
