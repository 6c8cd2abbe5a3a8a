#pragma once
// The state of a system followed live, as the XML the goal service publishes
// for friends to follow, and the id it is published under.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/signs.h"
#include "core/system_document.h"

namespace vinra::net {

// One of the first ten best rows of the recount.
struct PublishedBestRow {
    std::string codes;  // the row, N codes '0'/'1'/'2'
    int right = 0;
    int64_t goalsNeeded = 0;
};

struct GoalPublication {
    std::vector<std::string> homes, aways;   // team names of matches 1..N
    std::vector<std::string> marks;          // status marks per match ("<-", "S", "(S)", "")
    std::vector<PublishedBestRow> bestRows;  // at most ten are written
    std::vector<int64_t> counts;             // [k] rows with k right
    std::array<int64_t, 4> winAmount{};      // ten-thousandths, group 1 = top level
    std::string now;                         // "yyyy-mm-dd hh:mm:ss"
    int bannerId = 0;                        // 0..99
};

inline constexpr size_t kMaxPublishedComment = 1024;

// The publish XML, ISO-8859-1 bytes: every value escaped, characters outside
// Latin-1 as numeric entities, the comment cut at 1024 characters but never
// inside an entity, unknown goals as "x - x".
std::string PublishXml(const core::TVinraFile& doc, const GoalPublication& p, const core::DisplaySigns& signs);

// Typ, draw number, "_", user, "_", the system file's name reduced to
// A-Z a-z 0-9 - _ . and without its extension.
std::string PublishId(const core::TVinraFile& doc, std::string_view userName, std::string_view systemFileName);

// Escaped text as ISO-8859-1: code points above U+00FF as "&#n;", control
// characters XML cannot hold dropped.
std::string ToLatin1Xml(std::string_view utf8);

}  // namespace vinra::net
