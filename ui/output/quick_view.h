#pragma once
// The overview: a narrow tool window with the system's frame as a grid of
// marks, one line per match and a column per sign. Clicking a mark toggles it
// in the frame; the windows that edit the frame elsewhere tell it which cell
// changed so it stays in step.
#include <QWidget>

#include "core/system_document.h"

class QTableWidget;

namespace vinra::ui {

class TfrmQuick : public QWidget {
    Q_OBJECT
public:
    // Reads and edits doc.Grundrad directly (the one live document).
    // stayOnTop: the check window and the game wizard keep it above themselves.
    explicit TfrmQuick(core::TVinraFile& doc, QWidget* parent = nullptr, bool stayOnTop = false);

    // Rebuilds the grid from the document (N lines, current display strings).
    void Refresh();
    // One cell from the document's frame: sign column 1..3 (1, X, 2), match 1..N.
    void UpdateCell(int signColumn, int match);
    // As a click on the cell: toggles the sign in the frame when input is enabled.
    void ToggleCell(int signColumn, int match);
    bool CellMarked(int signColumn, int match) const;

    // The check window shows the frame without letting it be edited.
    void SetInputEnabled(bool enabled) { inputEnabled_ = enabled; }
    bool InputEnabled() const { return inputEnabled_; }
    // Follows the row height of the grid beside it; the window's height becomes
    // (lines x row height) + N + 30 pixels.
    void SetRowHeight(int pixels);

    QTableWidget* Grid() const { return grid_; }
    int Matches() const { return matches_; }

signals:
    // A click changed the frame entry of a match.
    void frameEdited(int signColumn, int match);

private:
    void fitHeight();

    core::TVinraFile& doc_;
    QTableWidget* grid_ = nullptr;
    int matches_ = 13;
    int rowHeight_ = 20;
    bool inputEnabled_ = true;
};

}  // namespace vinra::ui
