#pragma once
// The protocol page: one A4 page (more only for very long systems) that sums a
// system up for the player's folder: the matches with the frame, room to mark
// half-time and final results by hand, the system's figures, its warranty,
// lines for the winnings and the comment.
#include <filesystem>
#include <string>
#include <vector>

#include "core/signs.h"
#include "core/system_document.h"
#include "output/page.h"

namespace vinra::output {

struct ProtocolOptions {
    bool winnings = true;
    bool systemInformation = true;
    bool warranty = true;
    bool comment = true;
};

struct ProtocolInput {
    const core::TVinraFile* doc = nullptr;
    // One label per match: home team, " - ", away team (missing labels print empty).
    std::vector<std::string> matchLabels;
    core::DisplaySigns signs;
    ProtocolOptions options;
    bool printUpperCase = true;
    // The pool's logo (Img of the pool, resolved against the data folder); an
    // absent file is left out.
    std::filesystem::path poolLogo;
    // Folder of the decorative pictures kicker_grey.png, kicker.png, kicker_mirror.png.
    std::filesystem::path picturesFolder;
    // Shown after message 428 in the footer.
    std::string webAddress;
};

// Composes the protocol into the composer (begins and ends the document).
void PrintProtocol(PageComposer& composer, const ProtocolInput& in);
// The same as a finished document, marked A4 portrait for the renderer.
PrintDocument ProtocolDocument(const ProtocolInput& in);

// Upper-cases a-z and the Swedish letters å, ä, ö (UTF-8); other characters stay.
std::string ProtocolUpperCase(const std::string& text);

// A combination pattern in display strings: codes become the pool's signs,
// the pattern characters '?', '!' and '*' stay as they are.
std::string PatternToDisplay(const std::string& pattern, const core::DisplaySigns& signs);

}  // namespace vinra::output
