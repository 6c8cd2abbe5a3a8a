#include "reduction/wizard_model.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "core/text.h"

namespace vinra::reduction {

const std::vector<WizardMethodInfo>& WizardMethods() {
    static const std::vector<WizardMethodInfo> methods = {
        {WizardMethod::Mathematical, 254, 308},   {WizardMethod::Random, 255, 309}, {WizardMethod::Filter, 256, 310},
        {WizardMethod::Guarantee, 1400, 1428},     // "Reduce with &guarantee: %d / %d right"
        {WizardMethod::HighestValue, 1418, 1429},  // "Keep the %d rows of highest value"
    };
    return methods;
}

int32_t SumFigureOfText(std::string_view text) {
    if (!text.empty() && text.front() == '0') text.remove_prefix(1);
    int64_t v = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') continue;
        v = v * 10 + (ch - '0');
        // A figure is a percentage; anything this long is nonsense, not a reason to overflow.
        if (v > std::numeric_limits<int32_t>::max() / 10) return std::numeric_limits<int32_t>::max() / 10;
    }
    return static_cast<int32_t>(v);
}

std::string StartRowFromEntry(std::string_view typed, int n, const core::DisplaySigns& signs) {
    const std::string kept = core::KeepChars(typed, signs.home + signs.draw + signs.away);
    if (static_cast<int>(kept.size()) != n) return {};
    const std::string codes = core::DisplayToSigns(kept, signs);
    return core::IsRow(codes, static_cast<size_t>(n)) ? codes : std::string();
}

int64_t CountFieldValue(std::string_view text) {
    std::string t(text);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
    size_t i = 0;
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    t.erase(0, i);
    if (t.empty()) return 100;
    size_t k = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (k == t.size()) return 100;
    int64_t v = 0;
    for (; k < t.size(); ++k) {
        if (t[k] < '0' || t[k] > '9') return 100;
        if (v > (std::numeric_limits<int32_t>::max() - 9) / 10) return 100;  // not an integer of the field
        v = v * 10 + (t[k] - '0');
    }
    return t[0] == '-' ? -v : v;
}

double GuaranteeSecondsOfText(std::string_view text) {
    // Whole seconds only; anything else is the usual budget, not CountFieldValue's 100.
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.empty() || text.size() > 9) return text.empty() ? 10.0 : 3600.0;
    int64_t v = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return 10.0;
        v = v * 10 + (ch - '0');
    }
    return static_cast<double>(std::clamp<int64_t>(v, 1, 3600));
}

int64_t GradeOfReduction(uint64_t rows, uint64_t frameRows) {
    if (frameRows == 0) return 0;
    // rows * 100 in 128 bits: a frame of 3^30 rows times 100 does not fit in 64.
    const unsigned __int128 scaled = static_cast<unsigned __int128>(rows) * 100u / frameRows;
    return 100 - static_cast<int64_t>(scaled);
}

namespace {

int SignMask(std::string_view entry) {
    int mask = 0;
    for (char ch : entry)
        if (ch >= '0' && ch <= '2') mask |= 1 << (ch - '0');
    return mask;
}

}  // namespace

std::optional<std::vector<std::string>> ChangedFrame(const core::RowList& rows, const std::vector<std::string>& frame,
                                                     int n) {
    if (rows.empty()) return std::nullopt;
    std::vector<std::string> spanned = core::FrameFromRows(rows, n);
    bool differs = static_cast<int>(frame.size()) != n;
    for (int m = 0; !differs && m < n; ++m)
        differs = SignMask(spanned[static_cast<size_t>(m)]) != SignMask(frame[static_cast<size_t>(m)]);
    if (!differs) return std::nullopt;
    return spanned;
}

WizardModel::WizardModel(const core::TVinraFile& doc, const RoundFigures& round)
    : n_(std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches)),
      frame_(doc.Grundrad),
      frameRows_(core::MathRowCount(doc.Grundrad)),
      round_(round),
      c_(FromDocument(doc)),
      rows_(doc.Rader.Strings()),
      systemRows_(rows_) {
    c_.n = n_;
    if (c_.firstRow.empty() && !rows_.empty()) c_.firstRow = rows_.front();
    // The list offers 2 to 6; what it shows is what a run uses and Finish stores.
    if (c_.radDiff < 2 || c_.radDiff > 6) c_.radDiff = 2;
    // Without game information the system's own table is all there is; filling
    // it with zeros would wipe the win level of a system opened elsewhere.
    if (round_.present)
        for (int m = 0; m < n_; ++m)
            for (int s = 0; s < 3; ++s)
                c_.sumTable[static_cast<size_t>(m)][static_cast<size_t>(s)] =
                    SumFigureOfText(round_.peopleText[static_cast<size_t>(m)][static_cast<size_t>(s)]);
    const auto [lo, hi] = FrameSumBounds(c_.sumTable, frame_, true);
    NormaliseWinBounds(c_, lo, hi);
    filterCountText_ = std::to_string(c_.filterToRader);
    systemWarranty_ = WarrantyFromDocument(doc);
    shown_ = complete_ = systemWarranty_;
}

int64_t RandomStallTries(uint64_t frameRows) {
    constexpr uint64_t kLeast = 1'000'000, kMost = 100'000'000;
    return static_cast<int64_t>(std::clamp<uint64_t>(frameRows > kMost / 10 ? kMost : frameRows * 10, kLeast, kMost));
}

WizardMethod WizardModel::Method() const {
    // Methods that work on the rows there are need rows; a guarantee needs three matches.
    if ((method_ == WizardMethod::Filter || method_ == WizardMethod::HighestValue) && (rows_.empty() || readFromFile_))
        return WizardMethod::Mathematical;
    if (method_ == WizardMethod::Guarantee && (readFromFile_ || n_ < 3)) return WizardMethod::Mathematical;
    return method_;
}

MethodControls WizardModel::MethodStates() const {
    MethodControls m;
    const bool generate = !readFromFile_ && !Running();
    m.mathematical = generate;
    m.random = generate;
    m.filter = generate && !rows_.empty();
    m.useBox = m.filter;
    m.filterCount = m.filter;
    m.randomCount = m.random && Method() == WizardMethod::Random;
    m.guarantee = generate && n_ >= 3;
    m.highestValue = generate && !rows_.empty();
    m.guaranteeChoice = m.guarantee && Method() == WizardMethod::Guarantee;
    m.seconds = m.guaranteeChoice;
    m.keepCount = m.highestValue && Method() == WizardMethod::HighestValue;
    return m;
}

WizardModel::NextResult WizardModel::Next() {
    if (Running() || step_ >= 3) return NextResult::Refused;
    if (step_ == 0) {
        if (readFromFile_) return NextResult::ReadFromFile;
        entered_ = Method();
        typeFigure_ = 0;
        switch (Method()) {
            case WizardMethod::Mathematical:
                mode_ = GenerationMode::Full;
                typeMsg_ = 308;
                break;
            case WizardMethod::Random:
                mode_ = GenerationMode::Random;
                randomCount_ = CountFieldValue(randomCountText_);
                // A run that can never be done is refused before it starts.
                if (randomCount_ <= 0) return NextResult::RandomCountTooSmall;
                if (static_cast<uint64_t>(randomCount_) > frameRows_) return NextResult::RandomCountTooLarge;
                typeMsg_ = 309;
                if (PrepareRandomWeights(c_, frame_) == WeightsCheck::SumOver100) return NextResult::WeightsOver100;
                break;
            case WizardMethod::Filter: {
                mode_ = GenerationMode::Filter;
                const int64_t limit = static_cast<int64_t>(rows_.size()) - 1;
                const int64_t t = std::min(CountFieldValue(filterCountText_), limit);
                c_.filterToRader = static_cast<int>(
                    std::clamp<int64_t>(t, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
                filterCountText_ = std::to_string(c_.filterToRader);
                typeMsg_ = UseFilterTo() ? 311 : 310;
                break;
            }
            case WizardMethod::Guarantee:
                mode_ = GenerationMode::Full;
                seconds_ = GuaranteeSecondsOfText(secondsText_);
                secondsText_ = std::to_string(static_cast<int>(seconds_));
                typeMsg_ = 1428;
                typeFigure_ = n_ - guaranteeWrong_;
                break;
            case WizardMethod::HighestValue:
                mode_ = GenerationMode::Full;
                keepCount_ = std::clamp<int64_t>(CountFieldValue(keepCountText_), 1,
                                                 std::max<int64_t>(static_cast<int64_t>(rows_.size()), 1));
                keepCountText_ = std::to_string(keepCount_);
                typeMsg_ = 1429;
                typeFigure_ = keepCount_;
                break;
        }
    }
    ++step_;
    return NextResult::Moved;
}

void WizardModel::Previous() {
    if (!Running() && step_ > 0) --step_;
}

WizardControls WizardModel::Controls(bool systemFileExists) const {
    WizardControls w;
    const bool run = Running();
    w.cancelRun = run;
    w.warrantyCancel = run;
    w.reduce = !run;
    w.restore = !run;
    w.warrantyGenerate = !run;
    w.exportButton = !run;
    w.importButton = !run && systemFileExists;
    w.close = !run;
    w.previous = !run && step_ > 0;
    w.next = !run && step_ < 3;
    w.finish = !run && step_ >= 2;
    return w;
}

ConditionControls WizardModel::ConditionStates() const {
    ConditionControls cc;
    if (entered_ == WizardMethod::HighestValue) return cc;  // the value alone decides: no condition applies
    // A guarantee covers what the conditions leave; thinning by row difference is no condition on the result.
    const bool others = mode_ != GenerationMode::Filter || !UseFilterTo();
    cc.percentage = true;
    cc.rowDiff = others && entered_ != WizardMethod::Guarantee;
    cc.signCounts = others;
    cc.sourceRows = others;
    cc.noComb = others;
    cc.yesComb = others;
    cc.winLevel = others;
    return cc;
}

void WizardModel::SetFlag(int flag, bool on) {
    if (flag >= 0 && flag < kConditionFlags) c_.flags[static_cast<size_t>(flag)] = on;
}

void WizardModel::SetRowDiffIndex(int index) { c_.radDiff = std::clamp(index, 0, 4) + 2; }

void WizardModel::SetStartRowEntry(std::string_view typed, const core::DisplaySigns& signs) {
    c_.firstRow = StartRowFromEntry(typed, n_, signs);
}

GenerationInput WizardModel::BeginReduction() {
    shownBefore_ = shown_;
    completeBefore_ = complete_;
    flagsBefore_ = c_.flags;
    shown_ = WarrantyTable{};
    complete_ = WarrantyTable{};  // the rows are about to change: the old warranty no longer holds
    rowsAtStart_ = static_cast<int64_t>(rows_.size());
    switch (mode_) {
        case GenerationMode::Full: progressMax_ = static_cast<int64_t>(frameRows_); break;
        case GenerationMode::Random: progressMax_ = randomCount_; break;
        default:
            if (UseFilterTo()) {
                c_.filterToRader = static_cast<int>(std::min<int64_t>(c_.filterToRader, rowsAtStart_ - 1));
                filterCountText_ = std::to_string(c_.filterToRader);
                // Reducing to a number of rows does not thin by row difference as well.
                c_.flags[core::UseRadDiff] = false;
                progressMax_ = c_.filterToRader;
            } else {
                progressMax_ = rowsAtStart_;
            }
            break;
    }
    interrupted_ = false;
    running_ = RunKind::Reduction;
    lastRun_ = RunKind::Reduction;

    GenerationInput in;
    in.mode = mode_;
    in.frame = frame_;
    in.conditions = c_;
    in.percent.user = UserPercentTable(c_);
    in.percent.people = round_.people;
    if (mode_ == GenerationMode::Filter) in.rows = rows_;
    in.requestedCount = randomCount_;
    in.randomSelection = !c_.flag(core::UseProcent);
    in.maxTries = 0;  // a random run goes on until it has its rows, the player cancels,
    in.stallTries = RandomStallTries(frameRows_);  // or no new row turns up for a long while
    return in;
}

void WizardModel::beginRun() {
    shownBefore_ = shown_;
    completeBefore_ = complete_;
    flagsBefore_ = c_.flags;
    shown_ = WarrantyTable{};
    complete_ = WarrantyTable{};  // the rows are about to change: the old warranty no longer holds
    rowsAtStart_ = static_cast<int64_t>(rows_.size());
    interrupted_ = false;
    running_ = RunKind::Reduction;
    lastRun_ = RunKind::Reduction;
}

GuaranteeInput WizardModel::BeginGuarantee() {
    beginRun();
    c_.flags[core::UseRadDiff] = false;  // see ConditionStates: not a condition on the result
    progressMax_ = static_cast<int64_t>(frameRows_);
    GuaranteeInput in;
    in.frame = frame_;
    in.conditions = c_;
    in.percent.user = UserPercentTable(c_);
    in.percent.people = round_.people;
    in.wrong = guaranteeWrong_;
    in.seconds = seconds_;
    return in;
}

void WizardModel::EndGuarantee(const GuaranteeResult& result, bool cancelled) {
    running_ = RunKind::None;
    interrupted_ = cancelled;
    if (result.rows.empty()) {
        // Nothing found (cancelled at once, or nothing to cover): the rows and their warranty stay.
        shown_ = shownBefore_;
        complete_ = completeBefore_;
        return;
    }
    rows_ = result.rows;
    shown_ = result.warranty;
    if (shown_.complete) complete_ = shown_;
}

int64_t WizardModel::BeginHighestValue() {
    beginRun();
    progressMax_ = rowsAtStart_;
    return keepCount_;
}

void WizardModel::EndReduction(std::vector<std::string> rows, bool cancelled) {
    rows_ = std::move(rows);
    running_ = RunKind::None;
    interrupted_ = cancelled;
}

GenerationInput WizardModel::BeginWarranty() {
    shownBefore_ = shown_;
    completeBefore_ = complete_;
    flagsBefore_ = c_.flags;
    progressMax_ = static_cast<int64_t>(frameRows_);
    interrupted_ = false;
    running_ = RunKind::Warranty;
    lastRun_ = RunKind::Warranty;

    GenerationInput in;
    in.mode = GenerationMode::Warranty;
    in.frame = frame_;
    in.conditions = c_;
    in.percent.user = UserPercentTable(c_);
    in.percent.people = round_.people;
    in.rows = rows_;
    return in;
}

void WizardModel::EndWarranty(WarrantyTable table, bool cancelled) {
    if (cancelled) table.complete = false;
    shown_ = std::move(table);
    if (shown_.complete) complete_ = shown_;
    running_ = RunKind::None;
    interrupted_ = cancelled;
}

void WizardModel::AbortRun() {
    shown_ = shownBefore_;
    complete_ = completeBefore_;
    c_.flags = flagsBefore_;
    running_ = RunKind::None;
    lastRun_ = RunKind::None;
    interrupted_ = false;
}

WizardModel::Counters WizardModel::CountersAfterRun(int64_t testedByEngine) const {
    Counters k;
    k.used = static_cast<int64_t>(rows_.size());
    if (entered_ == WizardMethod::Guarantee || entered_ == WizardMethod::HighestValue) {
        k.tested = entered_ == WizardMethod::Guarantee ? static_cast<int64_t>(frameRows_) : rowsAtStart_;
        k.bar = k.tested;
        return k;
    }
    if (interrupted_) {
        k.tested = testedByEngine;
        k.bar = mode_ == GenerationMode::Random ? k.used : testedByEngine;
        return k;
    }
    switch (mode_) {
        case GenerationMode::Full:
            k.tested = static_cast<int64_t>(frameRows_);
            k.bar = k.tested;
            break;
        case GenerationMode::Random:
            k.tested = testedByEngine;
            k.bar = k.used;
            break;
        default:
            k.tested = rowsAtStart_;
            k.bar = UseFilterTo() ? c_.filterToRader : rowsAtStart_;
            break;
    }
    return k;
}

int WizardModel::RunStatusMessage() const {
    if (running_ == RunKind::Warranty) return 313;
    if (running_ == RunKind::Reduction) return 314;
    switch (lastRun_) {
        case RunKind::Warranty: return interrupted_ ? 315 : 317;
        case RunKind::Reduction: return interrupted_ ? 316 : 318;
        default: return 0;
    }
}

void WizardModel::Restore() {
    if (Running()) return;
    rows_ = systemRows_;
    c_.filterToRader = static_cast<int>(std::min<size_t>(systemRows_.size(), std::numeric_limits<int>::max()));
    filterCountText_ = std::to_string(c_.filterToRader);
    shown_ = complete_ = systemWarranty_;
}

void WizardModel::SetImportedWarranty(WarrantyTable table) {
    shown_ = std::move(table);
    if (shown_.complete) complete_ = shown_;
}

void WizardModel::ApplyTo(core::TVinraFile& doc, const WarrantyTexts& texts) const {
    doc.Rader = rows_;
    ToDocument(c_, doc);
    if (complete_.keys.empty()) {
        ClearWarranty(doc);
        doc.AntalRader =
            static_cast<int32_t>(std::clamp<int64_t>(complete_.total, 0, std::numeric_limits<int32_t>::max()));
    } else {
        const WarrantyView view(complete_, n_, texts);
        StoreWarranty(doc, complete_, view.lines());
    }
}

}  // namespace vinra::reduction
