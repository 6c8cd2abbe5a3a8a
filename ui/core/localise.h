#pragma once
// Window localisation: every window and every control with a text carries its
// message number as a dynamic property, and Localise gives it the text of that
// message in the current language. Controls whose message is absent keep the
// text they were built with.
//
//   kMsgProperty  ("msg")     caption of labels, buttons, check boxes, group
//                             boxes, tab pages, menus and menu items; the whole
//                             text of edit fields and combo boxes; the title of
//                             a window.
//   kHintProperty ("msgHint") tooltip (tool-bar buttons, speed buttons).
class QObject;
class QWidget;

namespace vinra::ui {

inline constexpr const char* kMsgProperty = "msg";
inline constexpr const char* kHintProperty = "msgHint";

// Sets the message number of a widget, action or menu (returns obj for chaining).
template <typename T>
T* Tag(T* obj, int msg);
template <typename T>
T* TagHint(T* obj, int msg);

void SetMsgTag(QObject* obj, int msg);
void SetHintTag(QObject* obj, int msg);

// Localises the window (its title from its own number) and every child and
// action in it. Qt's own texts follow the current language too (UseQtLanguage).
void Localise(QWidget* window);

// Qt's own texts (the standard buttons Yes, No, Cancel..., the file and print
// dialogs) in the language of base: Qt's translations from the system's
// translations folder (Debian's qt6-translations-l10n), and for standard
// buttons that a language's catalogue lacks (Debian ships no Swedish qtbase)
// the program's own messages. Replaces what an earlier call installed; a call
// for the language in force does nothing. Needs a QCoreApplication.
void UseQtLanguage(int base);
// The language base Qt's texts are in now (-1 before the first call).
int QtLanguage();

template <typename T>
T* Tag(T* obj, int msg) {
    SetMsgTag(obj, msg);
    return obj;
}
template <typename T>
T* TagHint(T* obj, int msg) {
    SetHintTag(obj, msg);
    return obj;
}

}  // namespace vinra::ui
