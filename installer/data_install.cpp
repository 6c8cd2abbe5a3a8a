#include "installer/data_install.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "checking/tips_data.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "core/text.h"

namespace fs = std::filesystem;

namespace vinra::installer {
namespace {

using core::IniFile;

constexpr int kMaxLinks = 10;
constexpr int kMaxCheckBoxes = 256;

std::vector<std::pair<std::string, std::string>> LinkList(const IniFile& ini, std::string_view section) {
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < kMaxLinks; ++i) {
        auto caption = ini.Get(section, "MENU" + std::to_string(i));
        if (!caption) break;
        out.emplace_back(*caption, ini.ReadString(section, "URL" + std::to_string(i)));
    }
    return out;
}

std::vector<std::string> CheckBoxList(const IniFile& ini, std::string_view section) {
    std::vector<std::string> out;
    for (int i = 0; i < kMaxCheckBoxes; ++i) {
        auto box = ini.Get(section, "CB" + std::to_string(i));
        if (!box) break;
        out.push_back(*box);
    }
    return out;
}

// Pool sections and operator sections named by the shipped file.
std::vector<std::string> PoolSections(const core::NationalIni& national) {
    std::vector<std::string> out;
    for (const auto& op : national.Operators())
        for (const auto& code : national.PoolCodes(op)) out.push_back(national.PoolName(op, code));
    return out;
}

std::optional<std::string> ReadIfExists(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return std::nullopt;
    return core::ReadFileBytes(path);
}

class Installer {
public:
    Installer(fs::path source, fs::path dataFolder) : source_(std::move(source)), data_(std::move(dataFolder)) {}

    InstallReport run() {
        std::error_code ec;
        fs::create_directories(data_, ec);
        if (ec) {
            add({}, Action::Failed, "cannot create the data folder " + data_.string() + ": " + ec.message());
            return std::move(report_);
        }
        guard("National.Ini", [&] { nationalIni(); });
        guard("update.ini", [&] { updateIni(); });
        guard("activepools.ini", [&] { onlyWhenAbsent("activepools.ini"); });
        tree("pictures", "Images");
        tree("sounds", fs::path("Cache") / "Sounds");
        tree("systems", "SYSTEM");
        templates();
        commit();
        guard(fs::path("DB") / "tipsdata.sqlite", [&] { database(); });
        return std::move(report_);
    }

private:
    void add(fs::path target, Action action, std::string detail = {}) {
        report_.entries.push_back({std::move(target), action, std::move(detail)});
    }

    template <class F>
    void guard(const fs::path& target, F&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            add(target, Action::Failed, e.what());
        }
    }

    std::string shipped(const fs::path& rel) {
        const fs::path from = source_ / rel;
        std::error_code ec;
        if (!fs::is_regular_file(from, ec)) throw core::FileError(from.string() + ": the shipped file is missing");
        return core::ReadFileBytes(from);
    }

    // Writes bytes unless the target already holds exactly them.
    void put(const fs::path& rel, std::string_view bytes, Action whenChanged, std::string detail = {}) {
        const fs::path to = data_ / rel;
        const auto old = ReadIfExists(to);
        if (old && *old == bytes) {
            add(rel, Action::Unchanged);
            return;
        }
        if (to.has_parent_path()) fs::create_directories(to.parent_path());
        write(to, bytes);
        add(rel, old ? whenChanged : Action::Installed, std::move(detail));
    }

    // The files of a run are written to temporary files and put in place together
    // at commit(), with one sync of the disk instead of one per file: a first
    // start installs hundreds of files. A batch holds an open file per entry, so
    // it is committed before it grows past what a process may hold open.
    static constexpr size_t kBatchFiles = 256;
    void write(const fs::path& to, std::string_view bytes) {
        batch_.Add(to, bytes);
        if (batch_.PendingCount() >= kBatchFiles) commit();
    }

    // A file that could not be put in place is reported failed, whatever the
    // report said when it was written.
    void commit() {
        for (const auto& f : batch_.Commit()) {
            const fs::path rel = f.path.lexically_relative(data_);
            auto it = std::find_if(report_.entries.begin(), report_.entries.end(),
                                   [&](const InstallEntry& e) { return e.target == rel; });
            if (it != report_.entries.end()) {
                it->action = Action::Failed;
                it->detail = f.reason;
            } else {
                add(rel, Action::Failed, f.reason);
            }
        }
    }

    void nationalIni() {
        const std::string ship = shipped("National.Ini");
        const fs::path target = data_ / "National.Ini";
        const fs::path copy = data_ / "National.Ini.shipped";
        std::error_code ec;
        if (!fs::exists(target, ec)) {
            put("National.Ini", ship, Action::Replaced);
        } else {
            // A file that cannot be read is left alone: replacing it would lose
            // what the user set without our knowing.
            const IniFile user = IniFile::FromFile(target);
            std::optional<IniFile> previous;
            if (fs::exists(copy, ec)) previous = IniFile::FromFile(copy);
            const IniFile shippedIni = IniFile::FromText(core::DecodeFileText(ship));
            MergeResult merged = MergeNationalIni(shippedIni, user, previous ? &*previous : nullptr);
            if (merged.carried.empty()) {
                put("National.Ini", ship, Action::Replaced);
            } else {
                std::string detail = "kept your";
                for (size_t i = 0; i < merged.carried.size(); ++i) detail += (i ? ", " : " ") + merged.carried[i];
                // The same encoding as every settings file: the player's link captions are kept whole.
                put("National.Ini", core::EncodeFileText(merged.ini.ToText()), Action::Merged, detail);
            }
        }
        // Only after National.Ini itself is in place, so a failed write is
        // retried against the same reference next time.
        const auto oldCopy = ReadIfExists(copy);
        if (!oldCopy || *oldCopy != ship) write(copy, ship);
    }

    void updateIni() {
        const std::string ship = shipped("update.ini");
        const fs::path target = data_ / "update.ini";
        std::error_code ec;
        if (!fs::exists(target, ec)) {
            put("update.ini", ship, Action::Installed);
            return;
        }
        if (core::ReadFileBytes(target) == ship) {
            add("update.ini", Action::Unchanged);
            return;
        }
        IniFile user = IniFile::FromFile(target);
        const size_t added = AddMissingKeys(user, IniFile::FromText(core::DecodeFileText(ship)));
        if (added == 0) {
            add("update.ini", Action::Kept);
            return;
        }
        user.SaveToFile(target);
        add("update.ini", Action::Merged, "added " + std::to_string(added) + " missing key(s)");
    }

    void onlyWhenAbsent(const fs::path& rel) {
        const std::string ship = shipped(rel);
        std::error_code ec;
        if (fs::exists(data_ / rel, ec)) {
            add(rel, Action::Kept);
            return;
        }
        put(rel, ship, Action::Installed);
    }

    void tree(const fs::path& from, const fs::path& to) {
        const fs::path root = source_ / from;
        std::error_code ec;
        if (!fs::is_directory(root, ec)) return;  // nothing of this kind shipped
        std::vector<fs::path> files;
        for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) files.push_back(fs::relative(it->path(), root));
        if (ec) {
            add(to, Action::Failed, root.string() + ": " + ec.message());
            return;
        }
        std::sort(files.begin(), files.end());
        for (const auto& rel : files)
            guard(to / rel, [&] { put(to / rel, core::ReadFileBytes(root / rel), Action::Replaced); });
    }

    // Expert templates: the template editor saves into the same folder, so a
    // shipped template the player changed is kept. What was shipped last lies
    // in Expertsystem/.shipped/ to tell his changes from an older version of ours.
    void templates() {
        const fs::path root = source_ / "templates";
        std::error_code ec;
        if (!fs::is_directory(root, ec)) return;
        std::vector<fs::path> files;
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) files.push_back(it->path().filename());
        std::sort(files.begin(), files.end());
        const fs::path folder = "Expertsystem";
        for (const auto& name : files) {
            guard(folder / name, [&] {
                const std::string ship = core::ReadFileBytes(root / name);
                const fs::path copy = data_ / folder / ".shipped" / name;
                const auto old = ReadIfExists(data_ / folder / name);
                const auto previous = ReadIfExists(copy);
                if (old && *old != ship && (!previous || *old != *previous))
                    add(folder / name, Action::Kept, "changed by you");
                else put(folder / name, ship, Action::Replaced);
                if (!previous || *previous != ship) {
                    fs::create_directories(copy.parent_path());
                    write(copy, ship);
                }
            });
        }
    }

    void database() {
        const fs::path rel = fs::path("DB") / "tipsdata.sqlite";
        std::error_code ec;
        if (fs::exists(data_ / rel, ec)) {
            add(rel, Action::Kept);
            return;
        }
        checking::TTipsData db;
        const checking::OpenReport r = db.Open(data_ / rel);
        db.Close();
        std::string detail;
        if (r.packetGames || r.packetResults)
            detail = "read " + std::to_string(r.packetGames) + " games and " + std::to_string(r.packetResults) +
                     " results of the old data packets";
        if (!r.packetError.empty()) detail += (detail.empty() ? "" : "; ") + r.packetError;
        add(rel, Action::Created, detail);
    }

    fs::path source_;
    fs::path data_;
    InstallReport report_;
    core::AtomicWriteBatch batch_;
};

}  // namespace

const char* ActionName(Action action) {
    switch (action) {
        case Action::Installed: return "installed";
        case Action::Replaced: return "updated";
        case Action::Merged: return "merged";
        case Action::Unchanged: return "unchanged";
        case Action::Kept: return "kept";
        case Action::Created: return "created";
        case Action::Failed: return "FAILED";
    }
    return "?";
}

bool InstallReport::ok() const { return count(Action::Failed) == 0; }

size_t InstallReport::count(Action action) const {
    return static_cast<size_t>(
        std::count_if(entries.begin(), entries.end(), [&](const InstallEntry& e) { return e.action == action; }));
}

fs::path FindShippedData(const fs::path& exeDir) {
    std::error_code ec;
    std::vector<fs::path> candidates{exeDir / ".." / "share" / "vinra2000"};
#if defined(VINRA_RESOURCES_DIR) && defined(VINRA_BUILD_BIN_DIR)
    // Only a program run from the build tree takes the source tree's data. An
    // installed one whose data is missing says so, rather than quietly using a
    // checkout that may lie at the path it was built from.
    if (fs::equivalent(exeDir, VINRA_BUILD_BIN_DIR, ec)) candidates.emplace_back(VINRA_RESOURCES_DIR);
#endif
    for (const auto& dir : candidates)
        if (fs::is_regular_file(dir / "National.Ini", ec)) return fs::weakly_canonical(dir, ec);
    return {};
}

const std::vector<std::string>& UserPoolKeys() {
    static const std::vector<std::string> keys = {
        "PrintChar",   "CouponColumns", "Fontname",    "Fontsize",  "Bold",       "KolumnAvstand", "KolumnBredd",
        "StartBredd1", "StartBreddX",   "StartBredd2", "StartHojd", "HojdOkning", "NamnX",         "NamnY",
    };
    return keys;
}

MergeResult MergeNationalIni(const IniFile& shipped, const IniFile& user, const IniFile* previous) {
    MergeResult out{shipped, {}};
    const core::NationalIni national(shipped);

    for (const auto& op : national.Operators()) {
        if (!user.HasSection(op)) continue;
        const auto mine = LinkList(user, op);
        const bool own = previous ? mine != LinkList(*previous, op) : !mine.empty();
        if (!own || mine == LinkList(shipped, op)) continue;
        for (int i = 0; i < kMaxLinks; ++i) {
            out.ini.DeleteKey(op, "MENU" + std::to_string(i));
            out.ini.DeleteKey(op, "URL" + std::to_string(i));
        }
        for (size_t i = 0; i < mine.size(); ++i) {
            out.ini.WriteString(op, "MENU" + std::to_string(i), mine[i].first);
            out.ini.WriteString(op, "URL" + std::to_string(i), mine[i].second);
        }
        out.carried.push_back(op + "/links");
    }

    for (const auto& pool : PoolSections(national)) {
        if (!user.HasSection(pool)) continue;
        for (const auto& key : UserPoolKeys()) {
            const auto mine = user.Get(pool, key);
            if (!mine) continue;
            if (previous && previous->Get(pool, key) == mine) continue;
            if (shipped.Get(pool, key) == mine) continue;
            out.ini.WriteString(pool, key, *mine);
            out.carried.push_back(pool + "/" + key);
        }
        const auto boxes = CheckBoxList(user, pool);
        const bool own = previous ? boxes != CheckBoxList(*previous, pool) : !boxes.empty();
        if (!own || boxes == CheckBoxList(shipped, pool)) continue;
        for (int i = 0; i < kMaxCheckBoxes; ++i) out.ini.DeleteKey(pool, "CB" + std::to_string(i));
        for (size_t i = 0; i < boxes.size(); ++i) out.ini.WriteString(pool, "CB" + std::to_string(i), boxes[i]);
        out.carried.push_back(pool + "/CB");
    }
    return out;
}

size_t AddMissingKeys(IniFile& target, const IniFile& shipped) {
    size_t added = 0;
    for (const auto& section : shipped.Sections())
        for (const auto& key : shipped.Keys(section))
            if (!target.HasKey(section, key)) {
                target.WriteString(section, key, shipped.ReadString(section, key));
                ++added;
            }
    return added;
}

InstallReport InstallDataFiles(const fs::path& source, const fs::path& dataFolder) {
    return Installer(source, dataFolder).run();
}

bool InstallationDue(std::string_view lastInstall, const fs::path& dataFolder) {
    std::error_code ec;
    return lastInstall != core::kProgramVersion || !fs::exists(dataFolder / "National.Ini", ec);
}

fs::path DatabaseFile(const fs::path& dataFolder) { return dataFolder / "DB" / "tipsdata.sqlite"; }

bool DatabaseMissing(const fs::path& dataFolder) {
    std::error_code ec;
    return !fs::exists(DatabaseFile(dataFolder), ec);
}

}  // namespace vinra::installer
