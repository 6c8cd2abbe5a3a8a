#pragma once
// Everything `vinra` prints goes through a filter that shows control characters
// escaped: names, team texts and messages come from files and servers, and a raw
// ESC or BEL in them would drive the user's terminal.
#include <iosfwd>
#include <string>
#include <string_view>

namespace vinra::cli {

// The text with C0 control characters other than line feed and tab, DEL, and the
// C1 controls of UTF-8 (U+0080..U+009F) written as \xHH or \u00HH.
std::string EscapeControls(std::string_view text);

// Puts the filter in front of std::cout and std::cerr for the life of the object.
class TerminalOutputGuard {
public:
    TerminalOutputGuard();
    ~TerminalOutputGuard();
    TerminalOutputGuard(const TerminalOutputGuard&) = delete;
    TerminalOutputGuard& operator=(const TerminalOutputGuard&) = delete;
};

// Standard error without the filter, for the progress line that returns to the
// start of the line with CR. Only the program's own texts go there.
std::ostream& ProgressStream();

}  // namespace vinra::cli
