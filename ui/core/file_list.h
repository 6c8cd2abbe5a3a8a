#pragma once
// The system files of the user folder for the file panel.
#include <cstdint>
#include <filesystem>
#include <vector>

#include <QString>

namespace vinra::ui {

enum class FileOrder { Date, Name, Size };

struct SystemFileEntry {
    std::filesystem::path path;
    QString name;    // file name without folder
    QString folder;  // name of the folder it lies in
    uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
};

// Every file with the extension .1x2 (any case) in the user folder and its
// subfolders. Folder links are not followed, so a link to a parent folder
// cannot make the walk endless; unreadable folders are skipped.
std::vector<SystemFileEntry> ListSystemFiles(const std::filesystem::path& userFolder);

// Descending: newest first, Z to A, largest first (equal sizes by name Z to A);
// ascending the reverse. Names compare without regard to case.
void SortSystemFiles(std::vector<SystemFileEntry>& files, FileOrder order, bool descending);

}  // namespace vinra::ui
