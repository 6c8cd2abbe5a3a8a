#pragma once
// The one open system and everything that belongs to it while the program
// runs: the document, its file name, the unsaved-changes flag, the state text
// of the status bar, the team names of the round and the undo stack.
//
// Every window changes the document through a session: either with one of the
// operations below, or by editing a working copy of its own and handing it back
// with Replace() when the player confirms. Views never poll the document; they
// refresh from the signals, which name what changed. The session never shows a
// dialog: questions and file choosers stay with the file controller and the
// windows, so the session is driven by tests without a screen.
//
// Undo: every hand edit (a sign, the comment, rows applied from a wizard or the
// coupon viewer, an import) becomes one entry of the undo stack. An entry keeps
// only the parts of the document it changed, so undoing a sign does not copy
// a million rows. New, Open and a round of another pool start a fresh stack.
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QFlags>
#include <QObject>
#include <QString>

#include "core/system_document.h"

class QUndoCommand;
class QUndoStack;

namespace vinra::ui {

// The parts of a document an edit touches. Views subscribe to the parts they
// show; an undo entry keeps exactly these parts.
enum class DocPart : unsigned {
    None = 0,
    Frame = 1u << 0,       // Grundrad, N, the people's percentages (Proc, UserPercent)
    Rows = 1u << 1,        // Rader and what describes them: SystemTyp, Systemnamn, MatGard, LogRows
    Conditions = 1u << 2,  // UseFlags and every reduction condition
    Warranty = 1u << 3,    // Gar, GarRad, GarAnt, AntalRader, AntalGarantiRader
    Result = 1u << 4,      // Facit and the live goals
    Comment = 1u << 5,     // Comment and SalvikLink
    Round = 1u << 6,       // Omg, OmgID, Typ, Pool, Country
    Printed = 1u << 7,     // the printed mark
    All = 0xffu,
};
Q_DECLARE_FLAGS(DocParts, DocPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(DocParts)

// Copies the named parts of `from` into `to` (the rest of `to` is kept).
void CopyDocParts(const core::TVinraFile& from, core::TVinraFile& to, DocParts parts);

// What the status bar's state field says (message numbers).
enum class DocState : int {
    NoChanges = 368,  // "No changes made"
    Changed = 364,    // "The system has been changed"
    Saved = 365,      // "Saved"
};

class DocumentSession : public QObject {
    Q_OBJECT
public:
    // doc: the program's document, which the session wraps for the whole run.
    explicit DocumentSession(core::TVinraFile& doc, QObject* parent = nullptr);
    ~DocumentSession() override;

    // --- reading ------------------------------------------------------------
    const core::TVinraFile& Doc() const { return doc_; }
    int MatchCount() const { return doc_.MatchCount; }
    const std::filesystem::path& FileName() const { return fileName_; }
    // A new system that was never saved: its name is the untitled name.
    bool IsUntitled() const { return untitled_; }
    // Message 429 of the current language ("Untitled.1x2").
    static std::string UntitledName();
    // "Stryktipset 2026-50.1x2": what Save as proposes for an untitled system.
    std::string ProposedName() const;
    bool Modified() const { return modified_; }
    DocState State() const { return state_; }
    // Team names of the round's N matches (empty texts when unknown).
    const std::vector<std::string>& HomeTeams() const { return homes_; }
    const std::vector<std::string>& AwayTeams() const { return aways_; }
    // "home - away" per match, for printing and the coupon viewer.
    std::vector<std::string> MatchLabels() const;

    QUndoStack* UndoStack() const { return undo_; }

    // --- whole-document operations (each starts a fresh undo stack) ----------
    // Clears the document as a new own system of n matches; untitled, not modified.
    void NewDocument(int n, bool fillAll);
    // Reads a system file. The name is made absolute before it is used. On a
    // failure core::FileError is thrown and nothing changes.
    void Open(const std::filesystem::path& path);
    // Writes the document to path (absolute) and makes it the file name; saved.
    // On a failure core::FileError is thrown and the state stays as it was.
    void SaveAs(const std::filesystem::path& path);
    // Save to the present file name (the caller sends an untitled system to SaveAs).
    void Save() { SaveAs(fileName_); }
    // A language change: an untitled system takes the untitled name of the new language.
    void Relocalise();

    // --- edits a player makes (one undo entry each) ---------------------------
    // Toggles one sign (0 home, 1 draw, 2 away) of match 1..N.
    void ToggleSign(int match, int sign);
    // The comment as the document keeps it (lines joined by CR LF). Typing in
    // a row merges into one undo entry.
    void SetComment(const std::string& comment);
    // Adds rows from .1x2 and text files (rows in the pool's signs or 1, X, 2);
    // the frame becomes the frame of the rows, the rows are sorted. Returns the
    // number of rows added; files that could not be read are listed in errors.
    int64_t Import(const std::vector<std::filesystem::path>& files, std::vector<std::string>* errors = nullptr);
    // Rows edited outside (the coupon viewer's deletions): own system from now on.
    void ApplyRows(std::vector<std::string> rows, const QString& undoText);
    // Frame entries (compact or positional form), with the percentages the
    // frame editor keeps.
    void ApplyFrame(std::vector<std::string> frame, const QString& undoText);
    // A window that edited a working copy hands it back: the named parts are
    // taken from it as one undo entry. This is the call of the wizards
    // (rows + conditions + warranty), the frame editor and the expert system.
    void Replace(const core::TVinraFile& workingCopy, DocParts parts, const QString& undoText);
    // General form for an edit in place: runs change on the document and
    // records the named parts before and after as one undo entry.
    void Edit(DocParts parts, const QString& undoText, const std::function<void(core::TVinraFile&)>& change);

    // --- changes that are not undone ---------------------------------------
    // The result of the round (the check window): result row and goals.
    void SetResult(const std::string& facit, const std::array<int32_t, core::kMaxMatches>& hGoal,
                   const std::array<int32_t, core::kMaxMatches>& aGoal);
    // The round of the system: pool code, operator, pool name, round and draw
    // number always change together. n > 0 also sets N (the frame is cut or
    // padded with empty entries).
    struct Round {
        std::string typ, country, pool, omg;
        int32_t omgId = 0;
        int n = 0;
    };
    void SetRound(const Round& round, bool marksModified = false);
    // Changes that a window makes outside the undo stack (the printed mark
    // after printing, the live-check link of the comment): the parts are
    // reported and, with marksModified, the system counts as changed.
    void Change(DocParts parts, bool marksModified, const std::function<void(core::TVinraFile&)>& change);
    // The team names of the round (from the games database).
    void SetTeams(std::vector<std::string> homes, std::vector<std::string> aways);
    // An undoable edit of something other than the document (a match of the
    // games database): the stack runs its redo() now. It does not make the
    // system count as changed.
    void PushCommand(QUndoCommand* command);

signals:
    // One signal per part, emitted after every change, undo and redo;
    // documentChanged comes last with all the parts at once.
    void frameChanged();
    void rowsChanged();
    void conditionsChanged();
    void warrantyChanged();
    void resultChanged();
    void commentChanged();
    void roundChanged();
    void printedChanged();
    void teamsChanged();
    void documentChanged(vinra::ui::DocParts parts);
    // The file name or the untitled state.
    void fileNameChanged();
    void modifiedChanged(bool modified);
    // The state field of the status bar (also when only the text changes).
    void stateChanged();
    // New, Open: everything was replaced.
    void documentReset();

private:
    friend class DocEditCommand;
    void emitParts(DocParts parts);
    void markChanged();
    void setClean(DocState state);
    void afterUndoRedo();
    bool differsFromClean() const;
    void push(QUndoCommand* command);

    core::TVinraFile& doc_;
    std::filesystem::path fileName_;
    bool untitled_ = true;
    bool modified_ = false;
    // Changes outside the undo stack since the last save: undoing back to the
    // clean entry does not make such a system unchanged.
    bool dirtyOutsideUndo_ = false;
    bool resetting_ = false;
    DocState state_ = DocState::NoChanges;
    DocState cleanState_ = DocState::NoChanges;
    std::vector<std::string> homes_, aways_;
    QUndoStack* undo_ = nullptr;
};

}  // namespace vinra::ui

Q_DECLARE_METATYPE(vinra::ui::DocParts)
