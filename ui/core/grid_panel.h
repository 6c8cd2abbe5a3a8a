#pragma once
// The centre of the main window: the round line with the pool logo, the tips
// grid (the matches of the round and the frame) and the result panel (what the
// rows of the system won in the round, when the database has its result).
// Everything shown follows the document session's signals.
#include <array>
#include <map>
#include <string>

#include <QPixmap>
#include <QWidget>

#include "checking/tips_data.h"
#include "core/signs.h"
#include "ui/core/command_table.h"

class QLabel;
class QStackedWidget;
class QTableWidget;

namespace vinra::ui {

// The item role of a sign cell holding the people's percentage shown under the
// sign ("47%"); empty when none is shown.
inline constexpr int kPeopleRole = Qt::UserRole + 7;

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
    // The size the pool's picture under the grid is drawn at now.
    QSize PictureShownSize() const;

    // The people's percentage under each sign, when the round's game
    // information is at hand (the System menu's toggle).
    bool PeopleShown() const { return showPeople_; }
    void SetPeopleShown(bool on);
    // The round's game information again (after a statistics download).
    void ReloadGameInfo();

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
    // Draws the pool's picture as large as its room allows, up to its full size.
    void fitPicture();
    QPixmap teamLogo(const std::string& team) const;
    void loadPeople();
    // Names the game-information file of the round and its time of change.
    std::string GameInfoStamp() const;

    ShellContext shell_;
    std::map<std::string, QPixmap> logoCache_;
    checking::TFacitRec result_;
    bool warnedFrameChange_ = false;
    // The people's percentages of the round, per match and sign.
    std::array<std::array<double, 3>, core::kMaxMatches> people_{};
    bool havePeople_ = false;
    bool showPeople_ = true;
    std::string peopleStamp_;

    QLabel* roundLine_ = nullptr;
    QLabel* poolLogo_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QStackedWidget* resultStack_ = nullptr;
    QTableWidget* resultList_ = nullptr;
    QLabel* resultPicture_ = nullptr;
    QPixmap picture_;
};

}  // namespace vinra::ui
