#include "ui/core/file_list.h"

#include <algorithm>

#include "core/text.h"

namespace vinra::ui {

std::vector<SystemFileEntry> ListSystemFiles(const std::filesystem::path& userFolder) {
    namespace fs = std::filesystem;
    std::vector<SystemFileEntry> out;
    std::error_code ec;
    if (!fs::is_directory(userFolder, ec)) return out;
    fs::recursive_directory_iterator it(userFolder, fs::directory_options::skip_permission_denied, ec);
    const fs::recursive_directory_iterator end;
    while (!ec && it != end) {
        const fs::directory_entry& entry = *it;
        std::error_code e2;
        if (entry.is_symlink(e2)) {
            // A linked folder is not entered; a linked file is not listed either,
            // the panel shows the user's own files only.
            it.disable_recursion_pending();
        } else if (entry.is_regular_file(e2) && core::EqualsNoCase(entry.path().extension().string(), ".1x2")) {
            SystemFileEntry f;
            f.path = entry.path();
            f.name = QString::fromStdString(entry.path().filename().string());
            f.folder = QString::fromStdString(entry.path().parent_path().filename().string());
            f.size = entry.file_size(e2);
            f.modified = entry.last_write_time(e2);
            out.push_back(std::move(f));
        }
        it.increment(ec);
    }
    return out;
}

void SortSystemFiles(std::vector<SystemFileEntry>& files, FileOrder order, bool descending) {
    auto byName = [](const SystemFileEntry& a, const SystemFileEntry& b) {
        const int c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        if (c != 0) return c < 0;
        return a.path < b.path;
    };
    auto ascending = [&](const SystemFileEntry& a, const SystemFileEntry& b) {
        switch (order) {
            case FileOrder::Date:
                if (a.modified != b.modified) return a.modified < b.modified;
                return byName(a, b);
            case FileOrder::Size:
                if (a.size != b.size) return a.size < b.size;
                return byName(a, b);
            case FileOrder::Name: break;
        }
        return byName(a, b);
    };
    if (descending)
        std::stable_sort(files.begin(), files.end(), [&](const auto& a, const auto& b) { return ascending(b, a); });
    else std::stable_sort(files.begin(), files.end(), ascending);
}

}  // namespace vinra::ui
