#pragma once
// Which section and key names an INI file can hold. A name written as it
// stands must read back as itself: otherwise a team name such as "[Alias]" or
// "Home=Away" would become a section of its own, a comment or another key, and
// could hide the keys after it. IniFile's writers refuse such names.
#include <stdexcept>
#include <string_view>

namespace vinra::core {

// Raised by IniFile's writers for a section or key name that would not read
// back as itself; nothing is changed. what() names the name.
class IniNameError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A key written as "key=value" reads back as the same key: not empty, no
// blanks at either end, no "=", no line break, not starting with "[" (a
// section header), ";" or "#" (a comment).
bool IniKeyReadsBack(std::string_view key);
// A section written as "[name]" reads back as the same section: no "]", no
// line break, no blanks at either end.
bool IniSectionReadsBack(std::string_view section);

}  // namespace vinra::core
