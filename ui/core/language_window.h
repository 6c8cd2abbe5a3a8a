#pragma once
// The language window of the first start: five buttons, one per language.
// It cannot be closed without a choice.
#include <QDialog>

class QCloseEvent;

namespace vinra::ui {

class Program;

class TfrmLanguage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLanguage(QWidget* parent = nullptr);
    // The chosen language base, -1 before a choice.
    int Choice() const { return choice_; }

    void reject() override;  // Escape does not close the window

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void choose(int base);
    int choice_ = -1;
};

// Shows the language window and returns the chosen base.
int AskLanguage(QWidget* parent = nullptr);

// What the first-start choice sets: the language (current and in the
// settings), the start document's pool code, and ShowPool of the five operators.
void ApplyLanguageChoice(Program& program, int base);

}  // namespace vinra::ui
