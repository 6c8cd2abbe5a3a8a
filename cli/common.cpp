// What several commands share: reading a system, the settings of its pool.
#include <filesystem>

#include "cli/command.h"
#include "core/folders.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "core/text.h"

namespace vinra::cli {

core::TVinraFile LoadSystem(const std::string& file) {
    core::TVinraFile doc;
    try {
        doc.LoadFromFile(file);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
    return doc;
}

core::PoolSettings PoolOfSystem(const core::TVinraFile& doc) {
    const auto path = core::DataFolder() / "National.Ini";
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    try {
        return core::NationalIni::FromFile(path).SettingsOfSystem(doc.Pool, doc.Typ);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
}

}  // namespace vinra::cli
