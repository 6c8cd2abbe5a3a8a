#pragma once
// The commands of the main window: one row per command, from which the menus,
// the tool bar and the enable states are built.
//
// How a new window plugs in
// -------------------------
// A window module registers its own commands and touches nothing else of the
// main window. In the module (for example ui/checking/check_window.cpp):
//
//     void RegisterCheckCommands(CommandTable& table, const ShellContext& shell) {
//         table.Add({.name = "actCheck", .handler = [shell] { RunCheckWindow(shell); },
//                    .enabled = [&s = shell.session] { return !s.Doc().Rader.empty(); }});
//     }
//
// and one line in RegisterWindowModules() (ui/core/window_modules.cpp):
//
//     RegisterCheckCommands(table, shell);
//
// A row whose name is already in the table (here the placeholder "actCheck"
// that says "Comes in a later version") is replaced field by field: what the
// new row leaves empty (caption, shortcut, icon, menu place, tool-bar button)
// is kept, and `later` is cleared. A new name adds a row. The window reads and
// changes the system only through shell.session (DocumentSession: operations,
// or Replace() with its working copy); the main window's views follow the
// session's signals, so the window calls no refresh of the main window.
//
// Enable rules are evaluated again after every change of the document
// (Refresh), so a rule is a cheap test of the session's state.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QKeySequence>
#include <QObject>
#include <QString>

#include "ui/core/icons.h"

class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace vinra::ui {

class DocumentSession;
class Program;
class Prompter;

// What a module's commands may use: the program's data, the dialogs, the open
// system and the main window as the parent of its windows.
struct ShellContext {
    Program& program;
    Prompter& prompter;
    DocumentSession& session;
    QWidget* window = nullptr;
    // The match the player is on in the tips grid (1..N): where the frame
    // editor opens.
    std::function<int()> currentMatch;
};

// The menus of the main window. Databases is the submenu of Tools.
enum class MenuId { None, File, System, Tools, Databases, Language, Help };

struct CommandSpec {
    QString name;  // object name of the action: "actCheck"
    int msg = 0;   // caption (message number); 0: `text`
    QString text;  // caption without a message (file names, web links)
    std::optional<QKeySequence> shortcut;
    std::optional<Icon> icon;
    MenuId menu = MenuId::None;  // None: no menu entry (a key or a panel button only)
    int position = 0;            // order inside the menu; 0 on a replacing row: keep
    bool separatorBefore = false;
    int toolBarPosition = 0;  // > 0: a tool-bar button, in this order
    int toolBarHint = 0;      // tooltip message of the tool-bar button
    std::function<void()> handler;
    std::function<bool()> enabled;  // empty: always enabled
    std::function<bool()> visible;  // empty: always visible
    std::function<bool()> checked;  // non-empty: a checkable entry showing this state
    // A submenu whose entries are rebuilt each time it opens (mail lists).
    std::function<void(QMenu*)> fillSubmenu;
    // The window comes in a later version: disabled, and its tooltip says so.
    bool later = false;
    bool debugOnly = false;  // shown only in debug mode
};

class CommandTable : public QObject {
    Q_OBJECT
public:
    // owner: parent of the actions (the main window, so its shortcuts work).
    explicit CommandTable(QWidget* owner, bool debugMode = false);
    ~CommandTable() override;

    // Adds a row, or replaces the row of the same name (see the guide above).
    // Returns the row's action.
    QAction* Add(CommandSpec spec);
    void Remove(const QString& name);
    bool Has(const QString& name) const;
    const CommandSpec* Row(const QString& name) const;
    QAction* Action(const QString& name) const;
    // The tool-bar copy of a command ("tb" + name without "act"); nullptr without one.
    QAction* ToolBarAction(const QString& name) const;
    // Names of the rows in a menu, in menu order.
    QStringList MenuRows(MenuId menu) const;
    // Runs the command when it is enabled; false when it is not.
    bool Trigger(const QString& name);
    // Changes the caption text of a row without a message number.
    void SetText(const QString& name, const QString& text);

    // The table keeps these menus and the tool bar built from its rows; rows
    // added later appear at once.
    void AttachMenu(MenuId menu, QMenu* qmenu);
    void AttachToolBar(QToolBar* toolBar);

    // Evaluates every enable, visible and checked rule again.
    void Refresh();
    // After a language change: captions from their messages, a shortcut shown
    // once, and the "later" rows' tooltips in the new language.
    void Localise();

signals:
    // A row was added, replaced or removed.
    void rowsChanged();

private:
    struct Entry;
    void rebuildMenu(MenuId menu);
    void rebuildToolBar();
    void apply(Entry& entry);
    void localise(Entry& entry);

    QWidget* owner_;
    bool debugMode_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::map<MenuId, QMenu*> menus_;
    QToolBar* toolBar_ = nullptr;
};

// Every window module's registration, called once by the main window after
// its own rows (ui/core/window_modules.cpp: one line per module).
void RegisterWindowModules(CommandTable& table, const ShellContext& shell);

}  // namespace vinra::ui
