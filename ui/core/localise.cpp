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
#include <span>
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

// The rest of what the file dialog shows: its labels, buttons and the columns
// of its detail view.
constexpr StandardText kFileDialogTexts[] = {
    {"QFileDialog", "File &name:", 4300},
    {"QFileDialog", "Files of type:", 4301},
    {"QFileDialog", "&Save", 4302},
    {"QFileDialog", "&Open", 4303},
    {"QFileSystemModel", "Name", 4304},
    {"QFileSystemModel", "Size", 4305},
    {"QFileSystemModel", "Type", 4306},
    {"QFileSystemModel", "Date Modified", 4307},
    {"QFileDialog", "Save As", 4308},
    {"QFileDialog", "Open", 4309},
    {"QFileDialog", "Directory:", 4310},
    {"QFileDialog", "Show &hidden files", 4311},
    {"QFileDialog", "&Rename", 4312},
    {"QFileDialog", "&Delete", 4313},
};

// Qt's texts the program always says in its own words, also where a Qt
// catalogue has them: the print dialog (mostly untranslated there, and half
// translated reads worse than either language), the message box's details
// button ("Dölj detaljer,,," in the Swedish catalogue) and what the file
// dialog's detail view still shows in English.
constexpr StandardText kOwnTexts[] = {
    {"QPrintDialog", "&Options >>", 3100},
    {"QPrintDialog", "&Options <<", 3101},
    {"QPrintDialog", "&Print", 3102},
    {"QPrintDialog", "Print", 3103},
    {"QPrintDialog", "All Pages", 3104},
    {"QPrintDialog", "Odd Pages", 3105},
    {"QPrintDialog", "Even Pages", 3106},
    {"QPrintDialog", "Local file", 3107},
    {"QPrintDialog", "Print to File (PDF)", 3108},
    {"QPrintDialog", "Write PDF file", 3109},
    {"QPrintWidget", "Printer", 3110},
    {"QPrintWidget", "&Name:", 3111},
    {"QPrintWidget", "P&roperties", 3112},
    {"QPrintWidget", "Location:", 3113},
    {"QPrintWidget", "Preview", 3114},
    {"QPrintWidget", "Type:", 3115},
    {"QPrintWidget", "Output &file:", 3116},
    {"QPrintSettingsOutput", "Copies", 3117},
    {"QPrintSettingsOutput", "Copies:", 3118},
    {"QPrintSettingsOutput", "Collate", 3119},
    {"QPrintSettingsOutput", "Reverse", 3120},
    {"QPrintSettingsOutput", "Options", 3121},
    {"QPrintSettingsOutput", "Output Settings", 3122},
    {"QPrintSettingsOutput", "Print range", 3123},
    {"QPrintSettingsOutput", "Print all", 3124},
    {"QPrintSettingsOutput", "Pages from", 3125},
    {"QPrintSettingsOutput", "to", 3126},
    {"QPrintSettingsOutput", "Pages", 3127},
    {"QPrintSettingsOutput", "Current Page", 3128},
    {"QPrintSettingsOutput", "Selection", 3129},
    {"QPrintSettingsOutput", "Page Set:", 3130},
    {"QPrintSettingsOutput", "Color Mode", 3131},
    {"QPrintSettingsOutput", "Color", 3132},
    {"QPrintSettingsOutput", "Grayscale", 3133},
    {"QPrintSettingsOutput", "Double Sided Printing", 3134},
    {"QPrintSettingsOutput", "Off", 3135},
    {"QPrintSettingsOutput", "Long side binding", 3136},
    {"QPrintSettingsOutput", "Short side binding", 3137},
    {"QPrintPropertiesDialog", "Printer Properties", 3138},
    {"QPrintPropertiesDialog", "Job Options", 3139},
    {"QPrintPropertiesWidget", "Page", 3140},
    {"QPrintPropertiesWidget", "Advanced", 3141},
    {"QPageSetupWidget", "Paper", 3142},
    {"QPageSetupWidget", "Page size:", 3143},
    {"QPageSetupWidget", "Width:", 3144},
    {"QPageSetupWidget", "Height:", 3145},
    {"QPageSetupWidget", "Paper source:", 3146},
    {"QPageSetupWidget", "Orientation", 3147},
    {"QPageSetupWidget", "Portrait", 3148},
    {"QPageSetupWidget", "Landscape", 3149},
    {"QPageSetupWidget", "Reverse landscape", 3150},
    {"QPageSetupWidget", "Reverse portrait", 3151},
    {"QPageSetupWidget", "Margins", 3152},
    {"QPageSetupWidget", "Page Layout", 3153},
    {"QPageSetupWidget", "Page order:", 3154},
    {"QPageSetupWidget", "Pages per sheet:", 3155},
    {"QPageSetupWidget", "Custom", 3156},
    {"QPageSetupWidget", "Millimeters (mm)", 3157},
    {"QPageSetupWidget", "Inches (in)", 3158},
    {"QPageSetupWidget", "Points (pt)", 3159},
    {"QMessageBox", "Show Details...", 3160},
    {"QMessageBox", "Hide Details...", 3161},
    {"QAbstractFileIconProvider", "Folder", 3162},
    {"QAbstractFileIconProvider", "Drive", 3163},
    {"QAbstractFileIconProvider", "File", 3164},
    {"QFileDialog", "&New Folder", 3165},
    {"QFileDialog", "Files", 3166},
};

// Searched after Qt's own catalogue: answers only what that one lacks.
class StandardButtonTranslator : public QTranslator {
public:
    StandardButtonTranslator(int base, std::span<const StandardText> texts) : base_(base), texts_(texts) {}
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        if (!context || !sourceText) return {};
        for (const auto& t : texts_)
            if (std::strcmp(t.context, context) == 0 && std::strcmp(t.source, sourceText) == 0)
                return QString::fromStdString(core::MsgIn(base_, t.msg));
        return {};
    }
    bool isEmpty() const override { return false; }

private:
    int base_;
    std::span<const StandardText> texts_;
};

// Catalogue names to try per language, best first. Norwegian: Debian has
// Nynorsk only, which is closer to Bokmål than English is; the program's own
// Bokmål words go before it where it has them.
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
    g_translators.push_back(std::make_unique<StandardButtonTranslator>(base, kStandardTexts));
    QCoreApplication::installTranslator(g_translators.back().get());
    g_translators.push_back(std::make_unique<StandardButtonTranslator>(base, kFileDialogTexts));
    QCoreApplication::installTranslator(g_translators.back().get());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : names) {
        auto qt = std::make_unique<QTranslator>();
        if (!qt->load(QString::fromLatin1(name), folder)) continue;
        QCoreApplication::installTranslator(qt.get());
        g_translators.push_back(std::move(qt));
        break;
    }
    if (base == core::LangNorwegian) {
        // A Bokmål reader gets "Lagre" and "Filnavn", not the catalogue's "Lagra" and "Filnamn".
        for (std::span<const StandardText> texts : {std::span<const StandardText>(kStandardTexts),
                                                    std::span<const StandardText>(kFileDialogTexts)}) {
            g_translators.push_back(std::make_unique<StandardButtonTranslator>(base, texts));
            QCoreApplication::installTranslator(g_translators.back().get());
        }
    }
    // Installed last, so searched first.
    g_translators.push_back(std::make_unique<StandardButtonTranslator>(base, kOwnTexts));
    QCoreApplication::installTranslator(g_translators.back().get());
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
