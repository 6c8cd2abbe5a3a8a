#include "ui/core/document_session.h"

#include <algorithm>
#include <utility>

#include <QUndoCommand>
#include <QUndoStack>

#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"
#include "output/row_files.h"

namespace vinra::ui {

namespace fs = std::filesystem;

void CopyDocParts(const core::TVinraFile& from, core::TVinraFile& to, DocParts parts) {
    if (parts.testFlag(DocPart::Frame)) {
        to.MatchCount = from.MatchCount;
        to.Grundrad = from.Grundrad;
        to.Proc = from.Proc;
        to.UserPercent = from.UserPercent;
    }
    if (parts.testFlag(DocPart::Rows)) {
        to.Rader = from.Rader;
        to.SystemTyp = from.SystemTyp;
        to.Systemnamn = from.Systemnamn;
        to.MatGard = from.MatGard;
        to.LogRows = from.LogRows;
    }
    if (parts.testFlag(DocPart::Conditions)) {
        to.UseFlags = from.UseFlags;
        to.RadDiff = from.RadDiff;
        to.FirstRow = from.FirstRow;
        to.FilterToRader = from.FilterToRader;
        to.ProcMin = from.ProcMin;
        to.ProcMax = from.ProcMax;
        to.Max = from.Max;
        to.Ord = from.Ord;
        to.Min = from.Min;
        to.Ja = from.Ja;
        to.JaMin = from.JaMin;
        to.JaMax = from.JaMax;
        to.Nej = from.Nej;
        to.URad = from.URad;
        to.UMin = from.UMin;
        to.UMax = from.UMax;
        to.URow = from.URow;
        to.WinMin = from.WinMin;
        to.WinMax = from.WinMax;
    }
    if (parts.testFlag(DocPart::Warranty)) {
        to.Gar = from.Gar;
        to.GarRad = from.GarRad;
        to.GarAnt = from.GarAnt;
        to.AntalRader = from.AntalRader;
        to.AntalGarantiRader = from.AntalGarantiRader;
    }
    if (parts.testFlag(DocPart::Result)) {
        to.Facit = from.Facit;
        to.HGoal = from.HGoal;
        to.AGoal = from.AGoal;
        to.End = from.End;
    }
    if (parts.testFlag(DocPart::Comment)) {
        to.Comment = from.Comment;
        to.SalvikLink = from.SalvikLink;
    }
    if (parts.testFlag(DocPart::Round)) {
        to.Omg = from.Omg;
        to.OmgID = from.OmgID;
        to.Typ = from.Typ;
        to.Pool = from.Pool;
        to.Country = from.Country;
    }
    if (parts.testFlag(DocPart::Printed)) to.Printed = from.Printed;
}

// One undo entry: the named parts of the document before and after the edit.
class DocEditCommand : public QUndoCommand {
public:
    // Comment edits typed one after the other merge into one entry.
    static constexpr int kCommentId = 1;

    DocEditCommand(DocumentSession& session, DocParts parts, core::TVinraFile before, core::TVinraFile after,
                   const QString& text, int id)
        : QUndoCommand(text),
          session_(session),
          parts_(parts),
          before_(std::move(before)),
          after_(std::move(after)),
          id_(id) {}

    int id() const override { return id_; }
    bool mergeWith(const QUndoCommand* other) override {
        if (other->id() != id_ || id_ < 0) return false;
        const auto* o = static_cast<const DocEditCommand*>(other);
        if (o->parts_ != parts_) return false;
        after_ = o->after_;
        return true;
    }
    void redo() override {
        // The edit was made before the entry was pushed: the first redo has nothing to do.
        if (first_) {
            first_ = false;
            return;
        }
        CopyDocParts(after_, session_.doc_, parts_);
        session_.emitParts(parts_);
    }
    void undo() override {
        CopyDocParts(before_, session_.doc_, parts_);
        session_.emitParts(parts_);
    }

private:
    DocumentSession& session_;
    DocParts parts_;
    core::TVinraFile before_, after_;
    int id_;
    bool first_ = true;
};

namespace {

// A document holding only the named parts of doc (the rest default), so an
// undo entry of a sign does not carry the rows.
core::TVinraFile PartsOf(const core::TVinraFile& doc, DocParts parts) {
    core::TVinraFile out;
    CopyDocParts(doc, out, parts);
    return out;
}

}  // namespace

DocumentSession::DocumentSession(core::TVinraFile& doc, QObject* parent)
    : QObject(parent), doc_(doc), fileName_(UntitledName()) {
    undo_ = new QUndoStack(this);
    // The stack moves its index after an entry's undo or redo ran: the
    // changed state is worked out from there.
    connect(undo_, &QUndoStack::indexChanged, this, [this] {
        if (!resetting_) afterUndoRedo();
    });
}

DocumentSession::~DocumentSession() = default;

std::string DocumentSession::UntitledName() { return core::Msg(429); }

std::string DocumentSession::ProposedName() const { return core::FormatMsg("%s %s.1x2", {doc_.Pool, doc_.Omg}); }

std::vector<std::string> DocumentSession::MatchLabels() const {
    std::vector<std::string> labels;
    for (int m = 0; m < doc_.MatchCount; ++m) {
        const std::string home = m < static_cast<int>(homes_.size()) ? homes_[m] : std::string();
        const std::string away = m < static_cast<int>(aways_.size()) ? aways_[m] : std::string();
        labels.push_back(home + " - " + away);
    }
    return labels;
}

void DocumentSession::emitParts(DocParts parts) {
    if (parts.testFlag(DocPart::Round)) emit roundChanged();
    if (parts.testFlag(DocPart::Frame)) emit frameChanged();
    if (parts.testFlag(DocPart::Rows)) emit rowsChanged();
    if (parts.testFlag(DocPart::Conditions)) emit conditionsChanged();
    if (parts.testFlag(DocPart::Warranty)) emit warrantyChanged();
    if (parts.testFlag(DocPart::Result)) emit resultChanged();
    if (parts.testFlag(DocPart::Comment)) emit commentChanged();
    if (parts.testFlag(DocPart::Printed)) emit printedChanged();
    emit documentChanged(parts);
}

void DocumentSession::markChanged() {
    const bool was = modified_;
    modified_ = true;
    state_ = DocState::Changed;
    if (!was) emit modifiedChanged(true);
    emit stateChanged();
}

void DocumentSession::setClean(DocState state) {
    const bool was = modified_;
    modified_ = false;
    dirtyOutsideUndo_ = false;
    state_ = cleanState_ = state;
    undo_->setClean();
    if (was) emit modifiedChanged(false);
    emit stateChanged();
}

// Only entries that changed the document count: an undone rename of a match
// in the database leaves the system as it was saved.
bool DocumentSession::differsFromClean() const {
    const int clean = undo_->cleanIndex(), now = undo_->index();
    if (clean < 0) return true;
    for (int i = std::min(clean, now); i < std::max(clean, now); ++i)
        if (dynamic_cast<const DocEditCommand*>(undo_->command(i))) return true;
    return false;
}

void DocumentSession::PushCommand(QUndoCommand* command) { undo_->push(command); }

void DocumentSession::afterUndoRedo() {
    const bool now = differsFromClean() || dirtyOutsideUndo_;
    const bool was = modified_;
    modified_ = now;
    state_ = now ? DocState::Changed : cleanState_;
    if (was != now) emit modifiedChanged(now);
    emit stateChanged();
}

void DocumentSession::push(QUndoCommand* command) { undo_->push(command); }

// --- whole-document operations ----------------------------------------------

void DocumentSession::NewDocument(int n, bool fillAll) {
    doc_.NewSystem(n, fillAll);
    fileName_ = UntitledName();
    untitled_ = true;
    resetting_ = true;
    undo_->clear();
    resetting_ = false;
    setClean(DocState::NoChanges);
    emit fileNameChanged();
    emitParts(DocPart::All);
    // Last, so that what a view does for a fresh document wins over its refresh of the parts.
    emit documentReset();
}

void DocumentSession::Open(const fs::path& path) {
    // A name without a folder ("my.1x2" from the command line) would count as
    // untitled and be saved wherever the program happens to run.
    const fs::path absolute = fs::absolute(path).lexically_normal();
    doc_.LoadFromFile(absolute);  // throws and leaves the document as it was
    fileName_ = absolute;
    untitled_ = false;
    resetting_ = true;
    undo_->clear();
    resetting_ = false;
    setClean(DocState::NoChanges);
    emit fileNameChanged();
    emitParts(DocPart::All);
    // Last, so that what a view does for a fresh document wins over its refresh of the parts.
    emit documentReset();
}

void DocumentSession::SaveAs(const fs::path& path) {
    const fs::path absolute = fs::absolute(path).lexically_normal();
    doc_.SaveToFile(absolute);  // throws and leaves the file and the state as they were
    const bool renamed = untitled_ || absolute != fileName_;
    fileName_ = absolute;
    untitled_ = false;
    setClean(DocState::Saved);
    if (renamed) emit fileNameChanged();
}

void DocumentSession::Relocalise() {
    if (!untitled_) return;
    fileName_ = UntitledName();
    emit fileNameChanged();
}

// --- edits ----------------------------------------------------------------------

void DocumentSession::Edit(DocParts parts, const QString& undoText,
                           const std::function<void(core::TVinraFile&)>& change) {
    core::TVinraFile before = PartsOf(doc_, parts);
    change(doc_);
    core::TVinraFile after = PartsOf(doc_, parts);
    markChanged();
    push(new DocEditCommand(*this, parts, std::move(before), std::move(after), undoText, -1));
    emitParts(parts);
}

void DocumentSession::Replace(const core::TVinraFile& workingCopy, DocParts parts, const QString& undoText) {
    Edit(parts, undoText, [&](core::TVinraFile& doc) { CopyDocParts(workingCopy, doc, parts); });
}

void DocumentSession::ToggleSign(int match, int sign) {
    if (match < 1 || match > doc_.MatchCount || sign < 0 || sign > 2) return;
    Edit(DocPart::Frame, QString::fromStdString(core::Msg(1002)), [&](core::TVinraFile& doc) {
        if (static_cast<int>(doc.Grundrad.size()) < doc.MatchCount) doc.Grundrad.resize(doc.MatchCount);
        std::string& entry = doc.Grundrad[match - 1];
        std::string compact;
        for (int s = 0; s < 3; ++s) {
            const char code = static_cast<char>('0' + s);
            bool has = core::EntryHas(entry, code);
            if (s == sign) has = !has;
            if (has) compact += code;
        }
        entry = compact;
    });
}

void DocumentSession::SetComment(const std::string& comment) {
    if (comment == doc_.Comment) return;
    core::TVinraFile before = PartsOf(doc_, DocPart::Comment);
    doc_.Comment = comment;
    core::TVinraFile after = PartsOf(doc_, DocPart::Comment);
    markChanged();
    push(new DocEditCommand(*this, DocPart::Comment, std::move(before), std::move(after),
                            QString::fromStdString(core::Msg(1003)), DocEditCommand::kCommentId));
    emitParts(DocPart::Comment);
}

int64_t DocumentSession::Import(const std::vector<fs::path>& files, std::vector<std::string>* errors) {
    core::TVinraFile copy = doc_;
    int64_t added = 0;
    for (const fs::path& path : files) {
        try {
            if (core::EqualsNoCase(path.extension().string(), ".1x2")) added += copy.MergeRowsFrom(path);
            else added += output::ImportRowText(copy, path, core::CurrentDisplaySigns());
        } catch (const core::FileError& e) {
            if (errors) errors->push_back(e.what());
        }
    }
    if (added == 0) return 0;
    copy.Rader.Sort();
    copy.Grundrad = core::FrameFromRows(copy.Rader, copy.MatchCount);
    Replace(copy, DocPart::Rows | DocPart::Frame, QString::fromStdString(core::Msg(1004)));
    return added;
}

void DocumentSession::ApplyRows(std::vector<std::string> rows, const QString& undoText) {
    Edit(DocPart::Rows, undoText, [&](core::TVinraFile& doc) {
        doc.Rader = std::move(rows);
        doc.SystemTyp = "E";
    });
}

void DocumentSession::ApplyFrame(std::vector<std::string> frame, const QString& undoText) {
    Edit(DocPart::Frame, undoText, [&](core::TVinraFile& doc) { doc.Grundrad = std::move(frame); });
}

// --- changes outside the undo stack -------------------------------------------------

void DocumentSession::Change(DocParts parts, bool marksModified, const std::function<void(core::TVinraFile&)>& change) {
    change(doc_);
    if (marksModified) {
        dirtyOutsideUndo_ = true;
        markChanged();
    }
    emitParts(parts);
}

void DocumentSession::SetResult(const std::string& facit, const std::array<int32_t, core::kMaxMatches>& hGoal,
                                const std::array<int32_t, core::kMaxMatches>& aGoal) {
    Change(DocPart::Result, true, [&](core::TVinraFile& doc) {
        doc.Facit = facit;
        doc.HGoal = hGoal;
        doc.AGoal = aGoal;
    });
}

void DocumentSession::SetRound(const Round& round, bool marksModified) {
    DocParts parts = DocPart::Round;
    if (round.n > 0 && round.n != doc_.MatchCount) parts |= DocPart::Frame;
    Change(parts, marksModified, [&](core::TVinraFile& doc) {
        doc.Typ = round.typ;
        doc.Country = round.country;
        doc.Pool = round.pool;
        doc.Omg = round.omg;
        doc.OmgID = round.omgId;
        if (round.n > 0) {
            doc.MatchCount = std::clamp(round.n, 1, core::kMaxMatches);
            doc.Grundrad.resize(doc.MatchCount);
        }
    });
}

void DocumentSession::SetTeams(std::vector<std::string> homes, std::vector<std::string> aways) {
    homes_ = std::move(homes);
    aways_ = std::move(aways);
    emit teamsChanged();
}

}  // namespace vinra::ui
