#pragma once
// The .1x2 system file beyond TVinraFile's own LoadFromFile/SaveToFile.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/ini.h"
#include "core/system_document.h"

namespace vinra::core {

// Text of message 280, the refusal of a file that cannot be read.
extern const char* const kMsgCannotOpen;

// The whole file as UTF-8 text with CR LF (SaveToFile writes it as Windows-1252).
std::string SystemFileText(const TVinraFile& doc);

// Reads a system file as an INI file; throws FileError for a missing or unreadable
// file and for a file that is not a system file.
IniFile ReadSystemIni(const std::filesystem::path& path);

// Old-layout files may lack the draw number; the games database fills it in
// (pool code, round) -> draw number or 0. Set once by the program at start-up.
void SetDrawNumberResolver(std::function<int32_t(std::string_view typ, std::string_view omg)> resolver);

}  // namespace vinra::core
