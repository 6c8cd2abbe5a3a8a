#pragma once
// Every question, message and file dialog of the main window goes through a
// Prompter, so the windows can be driven by tests that answer them.
#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

namespace vinra::ui {

enum class Answer { Yes, No, Cancel };

struct FileDialogSpec {
    QString filter;         // Qt form: "Vinra 2000 (*.1x2 *.1X2)", several separated by ";;"
    QString defaultSuffix;  // without dot
    QString folder;         // folder the dialog starts in
    QString selected;       // file name proposed (may be a full path)
    bool confirmOverwrite = true;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Yes/No, or Yes/No/Cancel when withCancel.
    virtual Answer question(QWidget* parent, const QString& text, bool withCancel) = 0;
    virtual void information(QWidget* parent, const QString& text) = 0;
    virtual void error(QWidget* parent, const QString& text) = 0;
    // An error with a technical detail (a transfer's own words, an address):
    // the message speaks the player's language and the detail is there on
    // request. Without its own box the detail follows the text.
    virtual void errorWithDetail(QWidget* parent, const QString& text, const QString& detail) {
        error(parent, detail.isEmpty() ? text : text + QStringLiteral("\n\n") + detail);
    }
    // Empty when cancelled.
    virtual QString openFile(QWidget* parent, const FileDialogSpec& spec) = 0;
    virtual QStringList openFiles(QWidget* parent, const FileDialogSpec& spec) = 0;
    virtual QString saveFile(QWidget* parent, const FileDialogSpec& spec) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> inputText(QWidget* parent, const QString& title, const QString& label,
                                             const QString& value) = 0;
};

// The real dialogs: QMessageBox with the program's caption, QFileDialog.
class QtPrompter : public Prompter {
public:
    Answer question(QWidget* parent, const QString& text, bool withCancel) override;
    void information(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    void errorWithDetail(QWidget* parent, const QString& text, const QString& detail) override;
    QString openFile(QWidget* parent, const FileDialogSpec& spec) override;
    QStringList openFiles(QWidget* parent, const FileDialogSpec& spec) override;
    QString saveFile(QWidget* parent, const FileDialogSpec& spec) override;
    std::optional<QString> inputText(QWidget* parent, const QString& title, const QString& label,
                                     const QString& value) override;
};

// The caption of every message box.
inline constexpr const char* kProgramCaption = "Vinra 2000";

}  // namespace vinra::ui
