#pragma once
// The right side of the main window: the workflow links (each step purple
// when done, blue otherwise; a click runs the step's command), the Place-bet
// button and the comment of the system.
#include <vector>

#include <QWidget>

#include "ui/core/command_table.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vinra::ui {

// Workflow steps of the links panel.
enum class Step { Statistics = 0, Frame, Rows, Print, Check };

class LinksPanel : public QWidget {
    Q_OBJECT
public:
    LinksPanel(const ShellContext& shell, CommandTable& commands, QWidget* parent = nullptr);

    bool StepDone(Step step) const;
    QPlainTextEdit* CommentEdit() const { return comment_; }
    void SetPlaceBetVisible(bool visible);
    // The link colours again (a step may be done by something outside the document).
    void Refresh();
    void Relocalise();

signals:
    // The "Set frame" link: the frame editor opens at this match (always 1,
    // wherever the grid's cursor stands).
    void setFrameRequested(int match);

private:
    void loadComment();

    ShellContext shell_;
    CommandTable& commands_;
    std::vector<QLabel*> links_;
    QPushButton* placeBet_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    bool loadingComment_ = false;
};

// Text of the comment field <-> the document's comment (lines joined by CR LF).
// Every line break is kept, a last one too.
std::string CommentFromEditor(const QString& text);
QString CommentToEditor(const std::string& comment);

}  // namespace vinra::ui
