#pragma once
// For tests of texts the player sees: run in another language than English
// and find English words that leaked through (curl's texts, bare status lines,
// texts written into the code instead of taken from the language table).
#include <cctype>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/messages.h"

namespace vinra::testing {

// The program's language while it lives; English again afterwards.
class InLanguage {
public:
    explicit InLanguage(int base) : saved_(core::CurrentLanguage()) { core::SetCurrentLanguage(base); }
    ~InLanguage() { core::SetCurrentLanguage(saved_); }
    InLanguage(const InLanguage&) = delete;
    InLanguage& operator=(const InLanguage&) = delete;

private:
    int saved_;
};

// The English words of text, after every occurrence of `ignore` (an address,
// a file name) is taken out. Only words no Nordic text has, so a translated
// text gives none.
inline std::vector<std::string> EnglishWords(std::string text, const std::vector<std::string>& ignore = {}) {
    for (const std::string& part : ignore) {
        if (part.empty()) continue;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at))
            text.erase(at, part.size());
    }
    static const std::set<std::string> english = {
        "the",       "could",    "not",     "cannot",    "was",         "were",    "is",      "be",       "of",
        "from",      "with",     "to",      "server",    "answered",    "refused", "failed",  "error",    "http",
        "timed",     "out",      "timeout", "connect",   "connection",  "couldn",  "resolve", "host",     "reply",
        "list",      "kept",     "written", "section",   "key",         "picture", "larger",  "than",     "bytes",
        "cancelled", "transfer", "started", "stored",    "replaced",    "clip",    "sound",   "received", "file",
        "an",        "and",      "after",   "operation", "milliseconds"};
    std::vector<std::string> found;
    std::string word;
    auto flush = [&] {
        std::string lower;
        for (char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (english.count(lower)) found.push_back(word);
        word.clear();
    };
    for (char c : text) {
        if (std::isalpha(static_cast<unsigned char>(c))) word += c;
        else flush();
    }
    flush();
    return found;
}

// The fixed pieces of a message: what stays of it once the values are put in.
// A text made from the message holds every one of them.
inline std::vector<std::string> FixedPieces(const std::string& message) {
    static const std::regex placeholder(R"(%(\.\d)?[sdf])");
    std::vector<std::string> pieces;
    std::sregex_token_iterator it(message.begin(), message.end(), placeholder, -1), end;
    for (; it != end; ++it)
        if (!it->str().empty()) pieces.push_back(it->str());
    return pieces;
}

}  // namespace vinra::testing
