// The language table must hold every message the program shows, in all five
// languages, with the placeholders of the English text in every translation.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

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
                if (i + 1 < t.size() && t[i + 1] == '&') { ++i; continue; }
                ++amps;
            }
            EXPECT_LE(amps, 1u) << "message " << n << " language " << base << ": " << t;
        }
    }
}
