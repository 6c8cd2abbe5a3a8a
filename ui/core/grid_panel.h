#pragma once
// The centre of the main window: the round line with the pool logo, the tips
// grid (the matches of the round and the frame) and the result panel (what the
// rows of the system won in the round, when the database has its result).
// Everything shown follows the document session's signals.
#include <map>
#include <string>

#include <QPixmap>
#include <QWidget>

#include "checking/tips_data.h"
#include "ui/core/command_table.h"

class QLabel;
class QStackedWidget;
class QTableWidget;

namespace vinra::ui {

class TipsGridPanel : public QWidget {
    Q_OBJECT
public:
    explicit TipsGridPanel(const ShellContext& shell, QWidget* parent = nullptr);

    QTableWidget* Grid() const { return grid_; }
    QString RoundLine() const;
    bool ResultShown() const;
    // The match of the current grid row (1..N).
    int CurrentMatch() const;

    // Sign 0 home, 1 draw, 2 away of match 1..N, as a click or a key does it.
    void ToggleSign(int match, int sign);
    // Ctrl+Shift and a click on a grid row: rename or delete the match in the
    // games database (undoable).
    void MaintainMatch(int match);

    // After the pool changed: its signs in the header and its logo.
    void PoolSwitched();
    // The team logos again (after a logo download).
    void ReloadLogos();
    // Texts in the current language.
    void Relocalise();

signals:
    // Double click or Enter on a match: the frame editor at that match.
    void setFrameRequested(int match);
    // The round's teams changed in the database (the shell reloads them).
    void teamsEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildGrid();
    void redrawSigns();
    void updateRoundLine();
    void showResult();
    void hideResult();
    void loadLogos();
    QPixmap teamLogo(const std::string& team) const;

    ShellContext shell_;
    std::map<std::string, QPixmap> logoCache_;
    checking::TFacitRec result_;
    bool warnedFrameChange_ = false;

    QLabel* roundLine_ = nullptr;
    QLabel* poolLogo_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QStackedWidget* resultStack_ = nullptr;
    QTableWidget* resultList_ = nullptr;
    QLabel* resultPicture_ = nullptr;
};

}  // namespace vinra::ui
