#include "core/system_document.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

#include <fmt/format.h>

#include "core/messages.h"
#include "core/text.h"

namespace vinra::core {

namespace {
constexpr int kMsgSaveBeforeSplit = 4010;  // "The system must be saved before its rows can be split into files"
}  // namespace

int TBooleanList::Add(bool value) {
    flags_.push_back(value);
    return static_cast<int>(flags_.size()) - 1;
}

bool TBooleanList::Get(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range(fmt::format("List index out of bounds ({})", index));
    return flags_[static_cast<size_t>(index)];
}

void TBooleanList::Put(int index, bool value) {
    if (index < 0 || index >= Count()) throw std::out_of_range(fmt::format("List index out of bounds ({})", index));
    flags_[static_cast<size_t>(index)] = value;
}

uint32_t TBooleanList::ToInteger() const {
    uint32_t v = 0;
    for (size_t i = 0; i < flags_.size() && i < 32; ++i)
        if (flags_[i]) v |= 1u << i;
    return v;
}

void TBooleanList::FromInteger(uint32_t value, int count) {
    flags_.clear();
    for (int i = 0; i < count; ++i) flags_.push_back(i < 32 && ((value >> i) & 1u) != 0);
}

TVinraFile::TVinraFile() = default;

void TVinraFile::Clear() {
    if (MatchCount < 8) MatchCount = kDefaultMatches;
    if (MatchCount > kMaxMatches) MatchCount = kMaxMatches;
    const int n = MatchCount;
    Grundrad.clear();
    Rader.clear();
    Printed = false;
    Facit.clear();
    Comment.clear();
    SalvikLink.clear();
    UseFlags.FromInteger(kDefaultUseFlags, 8);
    RadDiff = 2;
    FirstRow.clear();
    FilterToRader = 100;
    ProcMin = 0.0;
    ProcMax = 100.0;
    Max = {n, n, n};
    Ord = {n, n, n};
    Min = {0, 0, 0};
    Ja.clear();
    JaMin.clear();
    JaMax.clear();
    Nej.clear();
    for (auto& list : Proc) list.assign(kMaxMatches, "1");
    URad.clear();
    UMin.clear();
    UMax.clear();
    WinMin = 0;
    WinMax = n * 1000;
    Gar.clear();
    GarRad.clear();
    GarAnt.clear();
    AntalRader = 1;
    AntalGarantiRader = 0;
    Systemnamn.clear();
    for (auto& m : MatGard) m.clear();
    for (auto& u : URow) u.clear();
    LogRows.clear();
    for (int m = 0; m < n; ++m) {
        HGoal[m] = -1;
        AGoal[m] = -1;
        End[m] = false;
    }
}

void TVinraFile::NewSystem(int n, bool fillAll) {
    MatchCount = n;
    Clear();
    SystemTyp = std::string(1, 'E');
    Program = std::string(kProgramName);
    Version = std::string(kProgramVersion);
    Grundrad.assign(static_cast<size_t>(MatchCount), std::string(fillAll ? "012" : ""));
}

void TVinraFile::SetMatGard(std::string_view text) {
    const size_t n =
        std::min<size_t>({text.size(), static_cast<size_t>(std::max(MatchCount, 0)), static_cast<size_t>(kMaxMatches)});
    for (size_t i = 0; i < n; ++i) MatGard[i] = std::string(text[i] == 'M' ? 1 : 0, 'X');
}

std::string TVinraFile::GetMatGard() const {
    std::string out;
    const int n = std::min(std::max(MatchCount, 0), kMaxMatches);
    for (int i = 0; i < n; ++i) out += MatGard[i].empty() ? '-' : 'M';
    return out;
}

void TVinraFile::SetURow(std::string_view text) {
    const size_t n =
        std::min<size_t>({text.size(), static_cast<size_t>(std::max(MatchCount, 0)), static_cast<size_t>(kMaxMatches)});
    for (size_t i = 0; i < n; ++i) {
        switch (text[i]) {
            case '1': URow[i] = "1  "; break;
            case '2': URow[i] = "  2"; break;
            case 'X':
            case 'x': URow[i] = " X "; break;
            default: URow[i] = "   ";
        }
    }
}

// URow entries hold the U sign in three positions home, draw, away: "1  " as
// SetURow writes them, or the pool's own character ("  B" in Norway) as the
// reduced-system dialog stores them. The file keeps 1, X, 2 whatever the pool.
std::string TVinraFile::GetURow() const {
    static constexpr char kFixed[3] = {'1', 'X', '2'};
    std::string out;
    const int n = std::min(std::max(MatchCount, 0), kMaxMatches);
    for (int i = 0; i < n; ++i) {
        const std::string& entry = URow[i];
        char sign = '*';
        // Three positions home, draw, away holding the pool's own character
        // (H, U, B in Norway): the position names the sign, whatever the character.
        const size_t marked = entry.size() == 3 ? entry.find_first_not_of(' ') : std::string::npos;
        if (marked != std::string::npos && entry.find_last_not_of(' ') == marked) {
            sign = kFixed[marked];
        } else {
            for (char c : entry)
                if (c == '1' || c == '2' || c == 'X' || c == 'x') sign = c;
        }
        out += sign;
    }
    return out;
}

std::vector<std::filesystem::path> TVinraFile::SplitRowsToFiles(const std::filesystem::path& path,
                                                                const DisplaySigns& signs) const {
    const std::string name = path.string();
    std::error_code ec;
    if (name.size() < 4 || path.filename().empty() || !std::filesystem::is_regular_file(path, ec))
        throw FileError(Msg(kMsgSaveBeforeSplit));
    constexpr size_t kPerFile = 20000;
    const size_t parts = (Rader.size() + kPerFile - 1) / kPerFile;
    const std::string base = name.substr(0, name.size() - 4);
    std::vector<std::filesystem::path> written;
    for (size_t k = 1; k <= parts; ++k) {
        std::string text = Pool + "\r\n";
        const size_t end = std::min(Rader.size(), k * kPerFile);
        for (size_t r = (k - 1) * kPerFile; r < end; ++r) {
            text += 'E';
            for (char c : Rader[r]) {
                text += ',';
                text += c == '0' ? signs.home : c == '1' ? signs.draw : signs.away;
            }
            text += "\r\n";
        }
        std::filesystem::path file = base + fmt::format(" - Del {} av {}.txt", k, parts);
        WriteFileAtomic(file, Utf8ToCp1252(text));
        written.push_back(std::move(file));
    }
    return written;
}

}  // namespace vinra::core
