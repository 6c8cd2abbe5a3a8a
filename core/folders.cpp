#include "core/folders.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace vinra::core {
namespace {

std::filesystem::path Env(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::filesystem::path(v) : std::filesystem::path();
}

std::filesystem::path Home() {
    auto h = Env("HOME");
    return h.empty() ? std::filesystem::temp_directory_path() : h;
}

// XDG_DOCUMENTS_DIR from the environment or ~/.config/user-dirs.dirs, else ~/Documents.
std::filesystem::path DocumentsFolder() {
    auto fromEnv = Env("XDG_DOCUMENTS_DIR");
    if (!fromEnv.empty()) return fromEnv;
    auto config = Env("XDG_CONFIG_HOME");
    if (config.empty()) config = Home() / ".config";
    std::ifstream in(config / "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string v = line.substr(key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0) return Home() / v.substr(v.size() > 5 && v[5] == '/' ? 6 : 5);
        if (!v.empty() && v[0] == '/') return v;
    }
    return Home() / "Documents";
}

}  // namespace

std::filesystem::path UserFolder() {
    auto home = Env("VINRA_HOME");
    if (!home.empty()) return home / "User";
    return DocumentsFolder() / "Vinra 2000" / "User";
}

std::filesystem::path DataFolder() {
    auto home = Env("VINRA_HOME");
    if (!home.empty()) return home / "Program";
    auto data = Env("XDG_DATA_HOME");
    if (data.empty()) data = Home() / ".local" / "share";
    return data / "Vinra 2000" / "Program";
}

std::filesystem::path DatabaseFolder() { return DataFolder() / "DB"; }

}  // namespace vinra::core
