// The language table must hold every message the program shows, in all five
// languages, with the placeholders of the English text in every translation.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/settings.h"

using namespace vinra::core;

namespace {

std::vector<int> ExpectedNumbers() {
    std::ifstream in(std::string(VINRA_TEST_DATA) + "/message_numbers.txt");
    std::vector<int> numbers;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') numbers.push_back(std::stoi(line));
    // Branches add their numbers at the end and merge by union: the order of
    // the lines is no part of what is checked.
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex spec(R"(%(\.\d)?[sdf]|%%)");
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), spec); it != std::sregex_iterator(); ++it)
        out.push_back(it->str());
    return out;
}

}  // namespace

TEST(LanguageTable, EveryMessageInEveryLanguage) {
    const auto numbers = ExpectedNumbers();
    ASSERT_GT(numbers.size(), 500u);
    const int bases[] = {LangSwedish, LangEnglish, LangDanish, LangNorwegian, LangFinnish};
    for (int n : numbers) {
        for (int base : bases) EXPECT_FALSE(MsgIn(base, n).empty()) << "message " << n << " language " << base;
    }
    // Nothing in the table that the program does not use.
    EXPECT_EQ(MessageNumbers(), numbers);
}

TEST(LanguageTable, TranslationsKeepThePlaceholders) {
    for (int n : ExpectedNumbers()) {
        const auto english = Placeholders(MsgIn(LangEnglish, n));
        for (int base : {LangSwedish, LangDanish, LangNorwegian, LangFinnish})
            EXPECT_EQ(Placeholders(MsgIn(base, n)), english) << "message " << n << " language " << base;
    }
}

TEST(LanguageTable, AcceleratorsAtMostOncePerText) {
    for (int n : ExpectedNumbers()) {
        for (int base : {LangSwedish, LangEnglish, LangDanish, LangNorwegian, LangFinnish}) {
            std::string t = MsgIn(base, n);
            size_t amps = 0;
            for (size_t i = 0; i < t.size(); ++i) {
                if (t[i] != '&') continue;
                if (i + 1 < t.size() && t[i + 1] == '&') {
                    ++i;
                    continue;
                }
                ++amps;
            }
            EXPECT_LE(amps, 1u) << "message " << n << " language " << base << ": " << t;
        }
    }
}

// The file itself, line by line: a line that lost a column (a tab too few, a
// language left empty) or repeats a number is caught before it ships.
TEST(LanguageTable, EveryLineOfTheFileHasFiveTexts) {
    std::ifstream in(std::string(VINRA_SOURCE_DIR) + "/resources/messages.tsv", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::set<int> seen;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> cols;
        size_t from = 0;
        for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            cols.push_back(line.substr(from, tab - from));
        cols.push_back(line.substr(from));
        ASSERT_EQ(cols.size(), 6u) << "line " << lineNo << ": " << line.substr(0, 60);
        const int n = std::stoi(cols[0]);
        EXPECT_TRUE(seen.insert(n).second) << "message " << n << " appears twice";
        for (size_t c = 1; c < cols.size(); ++c)
            EXPECT_FALSE(cols[c].find_first_not_of(' ') == std::string::npos)
                << "message " << n << " has no text in column " << c;
    }
    EXPECT_GT(seen.size(), 500u);
}

// Each language is read from the table on its first use; every text must be
// the one the whole table gives, escapes and all, and no other number appears.
TEST(LanguageTable, EachLanguageReadAloneGivesTheWholeTablesTexts) {
    std::ifstream in(std::string(VINRA_SOURCE_DIR) + "/resources/messages.tsv", std::ios::binary);
    ASSERT_TRUE(in.good());
    const std::string tsv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<int> numbers;
    for (const MessageRow& row : ParseMessageTable(tsv)) {
        numbers.insert(row.number);
        for (int l = 0; l < 5; ++l) EXPECT_EQ(MsgIn(l * 10000, row.number), row.texts[l]) << row.number << " " << l;
    }
    const std::vector<int> listed = MessageNumbers();
    EXPECT_EQ(std::set<int>(listed.begin(), listed.end()), numbers);
    EXPECT_EQ(MsgIn(50000, 1), "");
    EXPECT_EQ(MsgIn(-10000, 1), "");
}
