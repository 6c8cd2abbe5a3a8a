#include "ui/checking/check_window.h"

#include <QCheckBox>
#include <QDate>
#include <QLabel>
#include <QTableWidget>

#include "checking/engine.h"
#include "net/game_info.h"
#include "output/coupon_print.h"
#include "output/row_files.h"
#include "output/winnings_report.h"
#include "reduction/conditions.h"
#include "ui/checking/check_texts.h"
#include "ui/checking/check_window_helpers.h"
#include "ui/checking/goal_service_tab.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {

using namespace checkwin;

// ---------------------------------------------------------------------------
// Rounds

void TfrmRatta::setTeams(const std::vector<std::string>& homes, const std::vector<std::string>& aways) {
    const int n = work_.MatchCount;
    labels_.clear();
    filling_ = true;
    for (int m = 1; m <= n; ++m) {
        const std::string h = static_cast<size_t>(m - 1) < homes.size() ? homes[static_cast<size_t>(m - 1)] : "";
        const std::string a = static_cast<size_t>(m - 1) < aways.size() ? aways[static_cast<size_t>(m - 1)] : "";
        cell(grid_, m, ColHome)->setText(Q(h));
        cell(grid_, m, ColAway)->setText(Q(a));
        labels_.push_back(h + " - " + a);
    }
    filling_ = false;
}

void TfrmRatta::setRoundLabel(int32_t omg) {
    labelOmg_ = omg;
    const QString text = QString::number(omg).rightJustified(6, QLatin1Char('0'));
    roundLabel_->setText(QStringLiteral("[%1-%2]").arg(text.left(4), text.mid(4, 2)));
}

QString TfrmRatta::RoundLabel() const { return roundLabel_->text(); }
int32_t TfrmRatta::labelRound() const { return labelOmg_; }

void TfrmRatta::loadCurrentRound() {
    if (!nav_ || !nav_->HasRecord()) return;
    const checking::TFacitRec rec = nav_->Current();
    shownOmgId_ = rec.OmgID;
    showNote({});
    // The teams and the label of the round shown, not of the system's own
    // round: otherwise a round of another week shows under the wrong label.
    core::TVinraFile scratch;
    scratch.Omg = work_.Omg;
    std::vector<std::string> homes, aways;
    int count = 0;
    try {
        count = ctx_.db->LoadRoundTeams(scratch, rec.OmgID, rec.Typ, homes, aways);
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
    }
    if (count > 0) {
        setTeams(homes, aways);
    } else {
        setTeams(homes_, aways_);
    }
    if (rec.OmgID == work_.OmgID && count > 0 && scratch.Omg != work_.Omg) {
        work_.Omg = scratch.Omg;
        roundChanged_ = true;
    }
    setRoundLabel(rec.Omg);
    loadPeople();
    // A short stored row is padded and counted: the figures always belong to this round.
    session_->LoadRound(rec);
    display_ = session_->DisplayResult();
    writeSignCells();
    showRecount();
    computeBestRows();
    session_->GoalsFromResult();
    showResultInGoalTab();
}

void TfrmRatta::loadPeople() {
    checking::PercentTable people{};
    // No market figures until the game information is read: the chart then says why.
    const reduction::ValueModel none =
        reduction::MarketValueModel(work_.MatchCount, {}, {}, {}, 0, core::FirstWinLevel(work_.Typ));
    valueModel_ = none;
    if (net::GameInfoAvailable(work_.Typ) && !ctx_.dataFolder.empty()) {
        net::TSvSpelInfo info;
        try {
            info.Load(ctx_.dataFolder, work_, std::to_string(work_.OmgID));
            valueModel_ = ValueModelOfRound(info, work_.MatchCount, work_.Typ);
            for (int m = 0; m < work_.MatchCount; ++m)
                for (int s = 0; s < 3; ++s)
                    people[static_cast<size_t>(m)][static_cast<size_t>(s)] =
                        checking::PeoplePercentFromText(info.People[static_cast<size_t>(m)][static_cast<size_t>(s)]);
        } catch (const std::exception&) {
            people = {};  // no game information for the round: the line shows 0
            valueModel_ = none;
        }
    }
    session_->SetPeoplePercent(people);
    startValue();
}

void TfrmRatta::updateNavigation() {
    const bool have = nav_ && nav_->HasRecord();
    Action(QStringLiteral("actPrior"))->setEnabled(have && !nav_->Bof());
    Action(QStringLiteral("actNext"))->setEnabled(have && !nav_->Eof());
    const bool db = nav_ != nullptr;
    for (const char* name : {"actLocal", "actLastYear", "actNextYear", "actSave"})
        Action(QString::fromLatin1(name))->setEnabled(db);
}

void TfrmRatta::btnPriorClick() {
    if (nav_ && nav_->Prior()) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnNextClick() {
    if (nav_ && nav_->Next()) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnLastYearClick() {
    if (nav_ && nav_->Locate(labelRound() - 100)) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnNextYearClick() {
    if (nav_ && nav_->Locate(labelRound() + 100)) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnLocalClick() {
    if (!nav_) return;
    const QString text = QString::number(labelRound()).rightJustified(6, QLatin1Char('0'));
    const std::string year = text.left(4).toStdString(), week = text.mid(4, 2).toStdString();
    auto chosen =
        ctx_.chooseRound ? ctx_.chooseRound(this, year, week) : ChooseRound(this, QString(), year, week, ctx_.help);
    if (!chosen) return;
    const int32_t round = static_cast<int32_t>(core::RoundNumber(chosen->first + chosen->second));
    if (nav_->Locate(round)) {
        loadCurrentRound();
    } else {
        // Said plainly, and looked up on the web service when it can be.
        showRoundWithoutResult(round);
        lookUpOnService(round);
    }
    updateNavigation();
}

void TfrmRatta::btnWebClick() {
    if (!ctx_.downloadResults) return;
    const std::string typ = work_.Typ;
    if (ctx_.pool.pauseTipping && pause_->isChecked()) {
        // The download stores both halves; the window shows the base pool afterwards.
        const QSignalBlocker block(pause_);
        pause_->setChecked(false);
        work_.Typ = baseTyp_;
        resetNavigator();
    }
    const auto round = ctx_.downloadResults(this, work_);
    if (!round) return;
    setRoundLabel(*round);
    resetNavigator();
    if (nav_ && nav_->Locate(*round)) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::chkPausePoolClick(bool on) {
    work_.Typ = on ? pauseTyp_ : baseTyp_;
    const int32_t round = labelRound();
    resetNavigator();
    // A pool without the round shows an empty round: the other pool's row and
    // payouts left on screen would be saved as this pool's result.
    if (nav_ && nav_->Locate(round)) loadCurrentRound();
    else showRoundWithoutResult(round);
    updateNavigation();
}

void TfrmRatta::showRoundWithoutResult(int32_t round) {
    shownOmgId_ = 0;
    setRoundLabel(round);
    display_ = std::string(static_cast<size_t>(work_.MatchCount), '-');
    session_->Levels().ClearPayouts();
    writeSignCells();
    recount();
    computeBestRows();
    showNote(Fmt(checktext::kNoResultStored, {RoundText(round)}));
}

void TfrmRatta::btnClearClick() { resetAll(); }

void TfrmRatta::resetAll() {
    if (ctx_.prompter->question(this, M(504), false) != Answer::Yes) return;
    shownOmgId_ = 0;
    setRoundLabel(static_cast<int32_t>(core::RoundNumber(work_.Omg)));
    display_ = std::string(static_cast<size_t>(work_.MatchCount), '-');
    session_->Reset();
    writeSignCells();
    showRecount();
    computeBestRows();
    // The goal tab is part of what is reset: scores, marks, live state, log and sounds.
    if (goalTab_) goalTab_->ResetAll();
    marksModified_ = true;
}

// ---------------------------------------------------------------------------
// Saving and printing

void TfrmRatta::takePreliminaryWinnings() {
    // The operator's preliminary winnings (Svenska Spel pools only) fill a
    // prize table that is still empty, so the player need not copy them by hand.
    if (!goalTab_ || (baseTyp_ != "S" && baseTyp_ != "I")) return;
    const net::TResultInfo& pre = goalTab_->Preliminary();
    if (session_->Levels().TakePreliminary(pre.winners, pre.winAmount)) recount();
}

void TfrmRatta::btnSaveClick() {
    if (!ctx_.db || !ctx_.db->IsOpen()) return;
    takePreliminaryWinnings();
    const int n = work_.MatchCount;
    std::array<int, 4> levels{};
    SaveResultValues values;
    const QString label = RoundLabel();
    values.round = label.mid(1, label.size() - 2).toStdString();
    values.row = display_;
    for (int i = 0; i < 4; ++i) {
        const int level = checking::SlotLevel(checking::SlotNumber(i), n);
        levels[static_cast<size_t>(i)] = level;
        const checking::WinLevel* line = session_->Levels().Level(level);
        values.winners[static_cast<size_t>(i)] = line ? line->winners : std::string();
        values.payouts[static_cast<size_t>(i)] = core::FormatAmount(line ? line->payout : 0);
    }
    TfrmSave dialog(n, ctx_.pool.signs, levels, values, *ctx_.prompter,
                    ctx_.chooseRound ? TfrmSave::ChooseFn(ctx_.chooseRound) : TfrmSave::ChooseFn(), ctx_.help, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const SaveResultValues v = dialog.Values();

    checking::TFacitRec rec;
    rec.found = true;
    rec.Typ = work_.Typ;
    rec.Omg = static_cast<int32_t>(core::RoundNumber(v.round));
    // The record of the round shown: a stored round keeps its own draw number,
    // so saving never writes over another round's result. Only the system's
    // own round may take (or give) the system's draw number; any other round
    // without a record is keyed by its round integer, as rounds saved without
    // a draw number always were.
    const bool own = shownOmgId_ != 0 ? work_.OmgID != 0 && shownOmgId_ == work_.OmgID
                                      : labelRound() == static_cast<int32_t>(core::RoundNumber(work_.Omg));
    if (shownOmgId_ != 0) rec.OmgID = shownOmgId_;
    else if (own && work_.OmgID != 0) rec.OmgID = work_.OmgID;
    else rec.OmgID = rec.Omg;
    rec.Rad = v.row;
    for (size_t i = 0; i < 4; ++i) {
        rec.Winners[i] = checking::ReadCountText(v.winners[i]).value_or(0);
        rec.Payout[i] = checking::ParseAmount(v.payouts[i]).value_or(0);
    }
    try {
        ctx_.db->StoreResult(rec);
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
        return;
    }
    if (own && work_.OmgID == 0) work_.OmgID = rec.OmgID;
    // Show what was stored, and step on from it.
    resetNavigator();
    if (nav_) {
        nav_->Locate(rec.Omg);
        while (nav_->HasRecord() && nav_->Current().OmgID != rec.OmgID && nav_->Next() && !nav_->Eof()) {}
        if (nav_->HasRecord() && nav_->Current().OmgID == rec.OmgID) loadCurrentRound();
    }
    updateNavigation();
}

void TfrmRatta::btnPrintClick() {
    std::string omg = work_.Omg;
    const std::string today = ctx_.today ? ctx_.today() : QDate::currentDate().toString(Qt::ISODate).toStdString();
    if (omg.size() < 7) {
        omg = today.substr(0, 4) + omg;
        work_.Omg = omg;
    }
    TfrmSkrivUtVinst dialog(ctx_.help, this);
    dialog.move(geometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted) return;
    const checking::Recount& r = session_->Last();
    output::WinningsReportInput in;
    in.typ = work_.Typ;
    in.pool = work_.Pool;
    in.omg = work_.Omg;
    in.matchCount = work_.MatchCount;
    in.rowCount = static_cast<int64_t>(work_.Rader.size());
    in.pricePerRow = ctx_.pool.pricePerRow;
    in.signs = ctx_.pool.signs;
    // The round of the label: the round whose result is shown.
    const QString label = RoundLabel();
    in.roundText = output::ReportRoundText(label.mid(1, label.size() - 2).toStdString(), today.substr(0, 4));
    in.displayResult = display_;
    in.matchLabels = labels_;
    in.winningLines = r.check.winningLines;
    in.levels = output::SummaryLevels(work_.MatchCount, r.check.counts, session_->Levels());
    output::PrintDocument doc = dialog.Choice() == TfrmSkrivUtVinst::Report::Summary
                                    ? output::WinningSummaryDocument(in)
                                    : output::WinningRowsDocument(in);
    if (ctx_.showReport) ctx_.showReport(this, std::move(doc));
    else ShowReportPreview(this, std::move(doc), *ctx_.prompter, Q(ctx_.pdfFolder.string()));
}

}  // namespace vinra::ui
