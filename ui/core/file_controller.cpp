#include "ui/core/file_controller.h"

#include <algorithm>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/text.h"
#include "output/row_files.h"
#include "ui/core/document_session.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

FileController::FileController(const ShellContext& shell, QObject* parent) : QObject(parent), shell_(shell) {}

fs::path FileController::PoolFolder(bool create) const {
    fs::path folder = shell_.program.UserFolder();
    const auto& pool = shell_.session.Doc().Pool;
    if (!pool.empty()) folder /= pool;
    if (create) {
        std::error_code ec;
        fs::create_directories(folder, ec);
    }
    return folder;
}

bool FileController::AskSaveChanges(bool cancelIsNo) {
    auto& session = shell_.session;
    if (!session.Modified()) return true;
    switch (shell_.prompter.question(shell_.window, M(279), true)) {
        case Answer::Yes:
            if (session.IsUntitled()) {
                if (!SaveAsClick()) return cancelIsNo;
            } else {
                SaveClick();
            }
            // A save that failed keeps the changes: do not throw them away.
            return !session.Modified() || cancelIsNo;
        case Answer::No: return true;
        case Answer::Cancel: break;
    }
    return cancelIsNo;
}

fs::path FileController::SaveRecoveryCopy() {
    constexpr int kMsgRecovered = 4113;  // "%s (recovered)"
    const auto& session = shell_.session;
    if (!session.Modified()) return {};
    const fs::path own = session.IsUntitled() ? PoolFolder(true) / session.ProposedName() : session.FileName();
    const std::string stem = core::FormatMsg(core::Msg(kMsgRecovered), {own.stem().string()});
    for (int n = 1; n < 1000; ++n) {
        const fs::path copy = own.parent_path() / ((n == 1 ? stem : stem + " " + std::to_string(n)) + ".1x2");
        std::error_code ec;
        if (fs::exists(copy, ec) || ec) continue;
        try {
            session.Doc().SaveToFile(copy);
            return copy;
        } catch (const core::FileError&) {
            return {};  // nothing to do about it now: nobody is there to tell
        }
    }
    return {};
}

void FileController::NewClick() {
    if (!AskSaveChanges()) return;
    NewSystem(shell_.program.settings.guideOnNewFile);
}

void FileController::NewSystem(bool withGuide, bool quiet) {
    auto& program = shell_.program;
    auto& session = shell_.session;
    const core::TVinraFile& doc = session.Doc();
    if (doc.OmgID == 0) {
        session.Change(DocPart::Round | DocPart::Frame, false, [&](core::TVinraFile& d) {
            net::ActivePoolsFile::Load(program.ActivePoolsPath()).CurrentRound(d.Typ, d);
        });
    }
    if (doc.Pool.empty()) {
        session.Change(DocPart::Round, false, [&](core::TVinraFile& d) {
            d.Country = program.national.OperatorOfPool(d.Typ);
            d.Pool = program.national.PoolName(d.Country, d.Typ);
        });
    }
    SwitchPool(doc.Pool);
    session.SetTeams({}, {});
    int n = doc.MatchCount;
    if (doc.OmgID >= 0) {
        LoadRoundTeams();
        // Without games in the database the statistics download fetches them.
        bool fetchLater = false;
        if (session.HomeTeams().empty() && fetchStatistics) {
            if (fetchStatistics(quiet)) LoadRoundTeams();
            else fetchLater = quiet && doc.OmgID > 0;
        }
        if (session.HomeTeams().size() > 1) n = static_cast<int>(session.HomeTeams().size());
        if (fetchLater) {
            session.NewDocument(n, program.settings.fillAll);
            program.DeleteTemporaryFiles();
            if (fetchRoundGamesLater) fetchRoundGamesLater();
            if (withGuide && openGuide) openGuide();
            return;
        }
    }
    session.NewDocument(n, program.settings.fillAll);
    program.DeleteTemporaryFiles();
    if (withGuide && openGuide) openGuide();
}

void FileController::OpenClick() {
    if (!AskSaveChanges()) return;
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Vinra 2000 (*.1X2 *.1x2)");
    spec.defaultSuffix = QStringLiteral("1X2");
    spec.folder = Q(PoolFolder(true).string());
    if (!shell_.session.IsUntitled()) spec.selected = Q(shell_.session.FileName().string());
    const QString chosen = shell_.prompter.openFile(shell_.window, spec);
    if (chosen.isEmpty()) return;
    OpenFile(S(chosen));
}

bool FileController::OpenFile(const fs::path& path) {
    auto& program = shell_.program;
    auto& session = shell_.session;
    try {
        session.Open(path);
    } catch (const core::FileError& e) {
        shell_.prompter.error(shell_.window, M(280) + QStringLiteral("\n\n") + Q(e.what()));
        return false;
    }
    if (program.db.IsOpen()) {
        session.Change(DocPart::Round, false, [&](core::TVinraFile& d) {
            try {
                program.db.FillDrawNumberOfOldFile(d);
            } catch (const checking::DatabaseError&) {}
        });
    }
    SwitchPool(session.Doc().Pool);
    LoadRoundTeams();
    // A round whose games the database lacks (a system of another week, the
    // sample on any date): they are fetched in the background. Opening never
    // waits for the network; the team names come when the service answers.
    const bool fetch = session.Doc().OmgID > 0 && NoTeamNames();
    fixMatchCount();
    if (session.HomeTeams().empty()) {
        const size_t n = static_cast<size_t>(std::max(session.MatchCount(), 0));
        session.SetTeams(std::vector<std::string>(n), std::vector<std::string>(n));
    }
    addRecent(session.FileName());
    if (fetch && fetchRoundGamesLater) fetchRoundGamesLater();
    return true;
}

bool FileController::NoTeamNames() const {
    const auto empty = [](const std::vector<std::string>& names) {
        return std::all_of(names.begin(), names.end(), [](const std::string& s) { return s.empty(); });
    };
    return empty(shell_.session.HomeTeams()) && empty(shell_.session.AwayTeams());
}

void FileController::RoundGamesArrived(const std::string& typ, int32_t omgId) {
    const core::TVinraFile& doc = shell_.session.Doc();
    if (doc.Typ != typ || doc.OmgID != omgId || !NoTeamNames()) return;
    const size_t n = static_cast<size_t>(std::max(shell_.session.MatchCount(), 0));
    LoadRoundTeams();
    if (shell_.session.HomeTeams().empty()) shell_.session.SetTeams(std::vector<std::string>(n), std::vector<std::string>(n));
}

// A file without frame keys reads as N = 0. The number of matches then comes
// from its rows, else the round's games, else the pool's open round, else the
// usual 13; the frame gets that many entries (the rows' own frame when it has rows).
void FileController::fixMatchCount() {
    auto& session = shell_.session;
    const core::TVinraFile& doc = session.Doc();
    if (doc.MatchCount >= 1) return;
    int n = 0;
    if (!doc.Rader.empty()) n = static_cast<int>(doc.Rader.front().size());
    if (n < 1) n = static_cast<int>(session.HomeTeams().size());
    if (n < 1) {
        core::TVinraFile probe;
        probe.Typ = doc.Typ;
        net::ActivePoolsFile::Load(shell_.program.ActivePoolsPath()).CurrentRound(doc.Typ, probe);
        if (probe.Pool == doc.Pool) n = probe.MatchCount;
    }
    if (n < 1) n = core::kDefaultMatches;
    n = std::clamp(n, 1, core::kMaxMatches);
    session.Change(DocPart::Frame, false, [&](core::TVinraFile& d) {
        d.MatchCount = n;
        d.Grundrad = d.Rader.empty() ? std::vector<std::string>(n) : core::FrameFromRows(d.Rader, n);
    });
}

void FileController::SaveClick() {
    auto& session = shell_.session;
    if (session.IsUntitled()) {
        SaveAsClick();
        return;
    }
    try {
        session.Save();
    } catch (const core::FileError& e) {
        shell_.prompter.error(shell_.window, Q(e.what()));
        return;
    }
    emit saved();
}

bool FileController::SaveAsClick() {
    auto& session = shell_.session;
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Vinra 2000 (*.1x2 *.1X2)");
    spec.defaultSuffix = QStringLiteral("1x2");
    spec.folder = Q(PoolFolder(true).string());
    spec.selected = session.IsUntitled() ? Q(session.ProposedName()) : Q(session.FileName().filename().string());
    spec.confirmOverwrite = true;
    const QString chosen = shell_.prompter.saveFile(shell_.window, spec);
    if (chosen.isEmpty()) return false;
    const fs::path path = S(chosen);
    if (path.filename().string() == DocumentSession::UntitledName()) {
        shell_.prompter.information(shell_.window,
                                    Q(core::FormatMsg(core::Msg(278), {DocumentSession::UntitledName()})));
        return false;
    }
    try {
        session.SaveAs(path);
    } catch (const core::FileError& e) {
        shell_.prompter.error(shell_.window, Q(e.what()));
        return false;
    }
    emit saved();
    addRecent(session.FileName());
    return true;
}

void FileController::ImportClick() {
    if (!AskSaveChanges()) return;
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Vinra 2000 + Text (*.1x2 *.1X2 *.txt *.TXT);;*.* (*)");
    spec.folder = Q(PoolFolder(true).string());
    const QStringList files = shell_.prompter.openFiles(shell_.window, spec);
    if (files.isEmpty()) return;
    std::vector<fs::path> paths;
    for (const QString& f : files) paths.emplace_back(S(f));
    std::vector<std::string> errors;
    const int64_t added = shell_.session.Import(paths, &errors);
    for (const auto& e : errors) shell_.prompter.error(shell_.window, Q(e));
    shell_.prompter.information(shell_.window, Q(core::FormatMsg(core::Msg(528), {added})));
}

void FileController::ExportClick() {
    const core::TVinraFile& doc = shell_.session.Doc();
    if (doc.Rader.empty()) {
        shell_.prompter.information(shell_.window, M(283));
        return;
    }
    if (output::RowFileFormatOfPool(doc.Typ) == output::RowFileFormat::None) {
        // Say so before the save dialog: this pool has no row file to write.
        shell_.prompter.information(shell_.window,
                                    Q(output::ExportRows(doc, fs::path(), {}, core::CurrentDisplaySigns()).message));
        return;
    }
    FileDialogSpec spec;
    spec.filter = QStringLiteral("*.txt (*.txt);;*.* (*)");
    spec.defaultSuffix = QStringLiteral("txt");
    spec.folder = Q(PoolFolder(true).string());
    spec.selected = Q(output::ProposedExportName(doc, PoolFolder(true)).string());
    const QString chosen = shell_.prompter.saveFile(shell_.window, spec);
    if (chosen.isEmpty()) return;
    const auto pcBet = output::ReadPcBetSettings(shell_.program.settingsFile().ini());
    const auto result = output::ExportRows(doc, S(chosen), pcBet, core::CurrentDisplaySigns());
    if (result.status != output::ExportStatus::Written) shell_.prompter.error(shell_.window, Q(result.message));
    else shell_.prompter.information(shell_.window, Q(output::ExportWrittenText(result, S(chosen))));
}

void FileController::addRecent(const fs::path& path) {
    shell_.program.settings.recent.Add(path);
    emit recentChanged();
}

void FileController::OpenRecent(int index) {
    const auto& entries = shell_.program.settings.recent.entries();
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    const fs::path path = entries[index].path;
    if (!AskSaveChanges()) return;
    OpenFile(path);
}

void FileController::LoadRoundTeams() {
    auto& program = shell_.program;
    auto& session = shell_.session;
    std::vector<std::string> homes, aways;
    const core::TVinraFile& doc = session.Doc();
    if (doc.OmgID >= 0 && program.db.IsOpen()) {
        // The games also name the round's week: the document takes it from them.
        session.Change(DocPart::Round, false, [&](core::TVinraFile& d) {
            try {
                program.db.LoadRoundTeams(d, d.OmgID, d.Typ, homes, aways);
            } catch (const checking::DatabaseError&) {
                homes.clear();
                aways.clear();
            }
        });
    }
    session.SetTeams(std::move(homes), std::move(aways));
}

void FileController::SwitchPool(const std::string& poolName) {
    if (poolName.empty() || poolName == currentPool_) return;
    currentPool_ = poolName;
    auto& program = shell_.program;
    const bool known = program.national.ini().HasSection(poolName);
    const core::PoolSettings ps = program.national.Settings(poolName);
    core::SetCurrentDisplaySigns(ps.signs);
    if (known && shell_.session.Doc().Typ != ps.dbId)
        shell_.session.Change(DocPart::Round, false, [&](core::TVinraFile& d) { d.Typ = ps.dbId; });
    emit poolSwitched();
}

void FileController::ChoosePool(const net::TCouponInfoEx& entry) {
    if (!AskSaveChanges(true)) return;
    auto& program = shell_.program;
    DocumentSession::Round round;
    round.typ = entry.code;
    round.omgId = entry.omgId;
    round.omg = entry.omg;
    round.n = std::clamp(entry.numGames, 1, core::kMaxMatches);
    round.country = program.national.OperatorOfPool(entry.code);
    round.pool = program.national.PoolName(round.country, entry.code);
    shell_.session.SetRound(round);
    SwitchPool(round.pool);
    NewSystem(false);
}

void FileController::SelectDatabaseRound(const checking::RoundKey& key) {
    auto& program = shell_.program;
    auto& session = shell_.session;
    const core::TVinraFile& doc = session.Doc();
    DocumentSession::Round round;
    round.typ = key.Typ;
    round.omgId = key.OmgID;
    round.omg = key.Omg > 0 ? S(QStringLiteral("%1-%2").arg(key.Omg / 100).arg(key.Omg % 100, 2, 10, QLatin1Char('0')))
                            : doc.Omg;
    round.country = program.national.OperatorOfPool(key.Typ);
    round.pool = program.national.PoolName(round.country, key.Typ);
    const bool otherPool = round.pool != doc.Pool;
    if (otherPool && !doc.Rader.empty()) {
        // Rows of one pool checked against the draw of another make no sense,
        // and saving them would mix the two: only a new system takes the round.
        const QString text = Q(core::FormatMsg(core::Msg(1014), {doc.Pool, round.pool}));
        if (shell_.prompter.question(shell_.window, text, false) != Answer::Yes) return;
        if (!AskSaveChanges()) return;
        session.SetRound(round);
        SwitchPool(round.pool);
        NewSystem(false);
        return;
    }
    // Without rows, the number of matches follows the round's games.
    if (otherPool && program.db.IsOpen()) {
        try {
            const auto games = program.db.RoundGames(key.OmgID, key.Typ);
            if (games.size() > 1) round.n = static_cast<int>(games.size());
        } catch (const checking::DatabaseError&) {}
    }
    session.SetRound(round);
    SwitchPool(round.pool);
    // A half-time pool keeps its own code, whatever the pool's settings say.
    if (session.Doc().Typ != key.Typ)
        session.Change(DocPart::Round, false, [&](core::TVinraFile& d) { d.Typ = key.Typ; });
    LoadRoundTeams();
}

}  // namespace vinra::ui
