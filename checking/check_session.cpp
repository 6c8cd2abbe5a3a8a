#include "checking/check_session.h"

#include <algorithm>

namespace vinra::checking {

namespace {
int ClampN(int n) { return std::clamp(n, 0, core::kMaxMatches); }
}  // namespace

CheckSession::CheckSession(core::TVinraFile& doc, core::PoolSettings pool, CheckMessages messages,
                           WinningsMessages winningsMessages)
    : doc_(doc),
      pool_(std::move(pool)),
      messages_(std::move(messages)),
      checker_(doc.Rader, doc.MatchCount),
      levels_(doc.MatchCount, doc.Typ, std::move(winningsMessages)) {}

void CheckSession::SetDisplayResult(std::string_view display) {
    doc_.Facit = core::DisplayToSigns(display, pool_.signs);
}

const Recount& CheckSession::DoRecount() {
    const std::string& facit = doc_.Facit;
    const int n = ClampN(doc_.MatchCount);
    last_.check = checker_.Check(facit, doc_.HGoal, doc_.AGoal, pool_.couponColumns, pool_.signs, messages_);
    levels_.SetCounts(last_.check.counts);
    last_.totals = levels_.WinTotals(static_cast<int64_t>(checker_.RowCount()), pool_.pricePerRow);
    last_.signs = SignCounts(facit, n, pool_.signs, messages_);
    last_.protocol = WinningRowConditions(doc_, facit, pool_.signs, messages_);
    last_.peopleLine = PeoplePercentLine(facit, people_, messages_);
    if (!referenceBest_) referenceBest_ = last_.check.best;
    return last_;
}

bool CheckSession::LoadRound(const TFacitRec& rec) {
    const size_t n = static_cast<size_t>(ClampN(doc_.MatchCount));
    std::string facit = core::DisplayToSigns(rec.Rad, pool_.signs);
    if (facit.size() > n) facit.resize(n);
    // A stored row shorter than the system (a round saved while matches were
    // still open, or a damaged record) counts its missing matches as undecided:
    // the counts on screen must always belong to the round that is shown.
    const bool complete = facit.size() == n;
    facit.resize(n, '-');
    doc_.Facit = facit;
    levels_.LoadSlots(rec);
    DoRecount();
    return complete;
}

TFacitRec CheckSession::ResultRecord(int32_t omg) const {
    TFacitRec rec;
    rec.found = true;
    rec.Typ = doc_.Typ;
    rec.OmgID = doc_.OmgID;
    rec.Omg = omg;
    rec.Rad = DisplayResult().substr(0, static_cast<size_t>(ClampN(doc_.MatchCount)));
    levels_.SaveSlots(rec);
    return rec;
}

void CheckSession::GoalsFromResult() {
    const size_t n = std::min(doc_.Facit.size(), static_cast<size_t>(core::kMaxMatches));
    for (size_t m = 0; m < n; ++m) {
        int32_t& h = doc_.HGoal[m];
        int32_t& a = doc_.AGoal[m];
        // A score only counts as giving the sign when both goals are known.
        const bool known = h >= 0 && a >= 0;
        switch (doc_.Facit[m]) {
            case '0':
                if (!(known && h > a)) h = 1, a = 0;
                break;
            case '1':
                if (!(known && h == a)) h = 0, a = 0;
                break;
            case '2':
                if (!(known && a > h)) h = 0, a = 1;
                break;
            default: h = -1, a = -1;
        }
    }
}

void CheckSession::Reset() {
    doc_.Facit.clear();
    const int n = ClampN(doc_.MatchCount);
    for (int m = 0; m < n; ++m) {
        doc_.HGoal[m] = -1;
        doc_.AGoal[m] = -1;
        doc_.End[m] = false;
    }
    doc_.LogRows.clear();
    levels_.ClearPayouts();
    DoRecount();
    referenceBest_.reset();
}

}  // namespace vinra::checking
