#pragma once
// INI files read and written key by key, as the program's shared files are.
// Section and key names compare without regard to case; spaces around "=" and
// at both ends of a value are dropped; the first of duplicate keys wins; writing
// a key keeps every other line (comments included) and their order.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vinra::core {

// Shortest general decimal form with a decimal comma: 100, 12,5, 0,333333333333333.
std::string FormatFloat(double value);
// Parses an integer (optional sign, digits, surrounding spaces). nullopt when it does not parse.
std::optional<int64_t> ParseInteger(std::string_view text);
// Parses a decimal number written with "," or "."; nullopt when it does not parse.
std::optional<double> ParseFloat(std::string_view text);

class IniFile {
public:
    IniFile() = default;

    // Parses text (UTF-8, any line ends).
    static IniFile FromText(std::string_view text);
    // Reads a file through DecodeFileText. Throws FileError when it cannot be read;
    // a missing file is an error too (use std::filesystem::exists first when absence is fine).
    static IniFile FromFile(const std::filesystem::path& path);

    // The file as text with CR LF line ends (UTF-8).
    std::string ToText() const;
    // Saves as Windows-1252 with CR LF, atomically (temporary file + rename).
    void SaveToFile(const std::filesystem::path& path) const;

    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    // The value as written (trimmed), or nullopt when the key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    // Text that is absent or does not parse gives def.
    int64_t ReadInteger(std::string_view section, std::string_view key, int64_t def) const;
    // "1"/"0"; any non-zero integer is true; text that does not parse gives def.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    double ReadFloat(std::string_view section, std::string_view key, double def) const;

    // Sets a key; creates the section at the end and the key at the end of its
    // section when absent. A line break in the value becomes a space.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int64_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteFloat(std::string_view section, std::string_view key, double value);

    void DeleteKey(std::string_view section, std::string_view key);
    void EraseSection(std::string_view section);

    // Section names in file order, and the keys of one section in file order
    // (duplicates listed once, as the first occurrence).
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;

private:
    struct Line {
        std::string text;   // the raw line for comments/blank/other lines
        std::string key;    // key as written, empty for non-key lines
        std::string value;  // trimmed value
        bool isKey = false;
    };
    struct Section {
        std::string name;    // as written; empty name = lines before the first header
        std::string header;  // raw header line
        std::vector<Line> lines;
        std::unordered_map<std::string, size_t> index;  // lower-case key -> first line
    };
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_;  // lower-case name -> first section

    const Section* findSection(std::string_view name) const;
    Section* findSection(std::string_view name);
    Section& sectionForWrite(std::string_view name);
    const Line* findLine(std::string_view section, std::string_view key) const;
};

}  // namespace vinra::core
