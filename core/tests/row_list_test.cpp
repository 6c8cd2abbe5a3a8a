#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/row_list.h"
#include "core/system_document.h"
#include "core/system_file.h"
#include "core/text.h"
#include "tests/temp_dir.h"

using namespace vinra::core;
using vinra::testing::TempDir;

namespace {

std::string RandomRow(std::mt19937& rng, int width) {
    std::string r(static_cast<size_t>(width), '0');
    for (auto& c : r) c = static_cast<char>('0' + rng() % 3);
    return r;
}

// Mostly rows of the list's width; now and then one the packed form cannot hold.
std::string AnyRow(std::mt19937& rng, int width, bool odd) {
    std::string r = RandomRow(rng, width);
    if (!odd) return r;
    switch (rng() % 4) {
        case 0: r[rng() % r.size()] = '-'; break;
        case 1: r.pop_back(); break;
        case 2: r += '1'; break;
        default: r.clear(); break;
    }
    return r;
}

void ExpectSame(const RowList& list, const std::vector<std::string>& want, bool mayBeText,
                const std::string& step) {
    ASSERT_EQ(list.size(), want.size()) << step;
    EXPECT_EQ(list.empty(), want.empty()) << step;
    EXPECT_EQ(list.Strings(), want) << step;
    EXPECT_TRUE(list == want) << step;
    EXPECT_TRUE(std::equal(list.begin(), list.end(), want.begin(), want.end())) << step;
    for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(list[i], want[i]) << step << " row " << i;
    // Packed only when every row is the same number of signs 0/1/2.
    bool packs = true;
    for (const auto& r : want)
        packs = packs && !r.empty() && r.size() == want.front().size() && r.size() <= 30 &&
                r.find_first_not_of("012") == std::string::npos;
    // A list that once held a row that does not pack stays text until cleared.
    EXPECT_TRUE(!list.IsPacked() || packs) << step;
    EXPECT_TRUE(mayBeText || list.IsPacked() || !packs) << step;
    if (list.IsPacked()) {
        ASSERT_EQ(list.Words().size(), want.size()) << step;
        for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(list.Words()[i], PackRow(want[i])) << step;
    }
}

}  // namespace

// Random edits applied to a row list and to a plain list of strings must leave
// the two the same, whether the rows stay packed or a row turns them into text.
TEST(RowList, ActsAsAListOfStrings) {
    for (const int width : {1, 8, 13, 16, 30}) {
        for (const bool withOdd : {false, true}) {
            std::mt19937 rng(static_cast<unsigned>(width * 2 + withOdd));
            RowList list;
            std::vector<std::string> want;
            for (int step = 0; step < 400; ++step) {
                const bool odd = withOdd && rng() % 40 == 0;
                const std::string what = "width " + std::to_string(width) + (withOdd ? " with odd rows" : "") +
                                         " step " + std::to_string(step);
                switch (rng() % 9) {
                    case 0:
                    case 1:
                    case 2: {
                        const std::string r = AnyRow(rng, width, odd);
                        list.push_back(r);
                        want.push_back(r);
                        break;
                    }
                    case 3:
                        if (!want.empty()) {
                            const size_t i = rng() % want.size();
                            const std::string r = AnyRow(rng, width, odd);
                            list.Set(i, r);
                            want[i] = r;
                        }
                        break;
                    case 4:
                        if (!want.empty()) {
                            const size_t a = rng() % want.size();
                            const size_t b = a + rng() % (want.size() - a + 1);
                            list.erase(list.begin() + static_cast<std::ptrdiff_t>(a),
                                       list.begin() + static_cast<std::ptrdiff_t>(b));
                            want.erase(want.begin() + static_cast<std::ptrdiff_t>(a),
                                       want.begin() + static_cast<std::ptrdiff_t>(b));
                        }
                        break;
                    case 5:
                        if (!want.empty()) {
                            list.pop_back();
                            want.pop_back();
                        }
                        break;
                    case 6:
                        list.Sort();
                        std::sort(want.begin(), want.end());
                        break;
                    case 7:
                        if (rng() % 8 == 0) {
                            list.clear();
                            want.clear();
                        }
                        break;
                    default: {
                        RowList copy = list;
                        EXPECT_TRUE(copy == list) << what;
                        if (!want.empty()) {
                            copy.Set(0, want[0] + "0");
                            EXPECT_FALSE(copy == list) << what;
                        }
                        break;
                    }
                }
                ExpectSame(list, want, withOdd, what);
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

TEST(RowList, BuildsAndReadsLikeAVector) {
    const RowList braced = {"012", "210"};
    EXPECT_EQ(braced, (std::vector<std::string>{"012", "210"}));
    EXPECT_EQ(braced.front(), "012");
    EXPECT_EQ(braced.back(), "210");
    EXPECT_EQ(braced.at(1), "210");
    EXPECT_THROW((void)braced.at(2), std::out_of_range);
    EXPECT_EQ(braced.Width(), 3);

    RowList many;
    many.assign(3, "11");
    EXPECT_EQ(many, (std::vector<std::string>{"11", "11", "11"}));
    EXPECT_THROW(many.Set(3, "00"), std::out_of_range);

    // The only row may change its width and the list stays packed.
    RowList one = {"0000"};
    one.Set(0, "12");
    EXPECT_TRUE(one.IsPacked());
    EXPECT_EQ(one, (std::vector<std::string>{"12"}));

    // Emptied, a list takes rows of any width packed again.
    RowList mixed = {"01", "0-"};
    EXPECT_FALSE(mixed.IsPacked());
    mixed.clear();
    mixed.push_back("2222");
    EXPECT_TRUE(mixed.IsPacked());
    EXPECT_EQ(mixed.Width(), 4);
}

TEST(RowList, FromPackedRefusesWordsThatAreNotRows) {
    EXPECT_EQ(RowList::FromPacked({PackRow("0120"), PackRow("2222")}, 4), (std::vector<std::string>{"0120", "2222"}));
    EXPECT_TRUE(RowList::FromPacked({}, 13).empty());
    const struct {
        std::vector<PackedRow> words;
        int width;
    } bad[] = {
        {{PackRow("012")}, 0},
        {{PackRow("012")}, 31},
        {{PackRow("0120"), PackRow("01-0")}, 4},  // code 3 in a sign
        {{PackRow("01201")}, 4},                  // a sign past the width
    };
    for (const auto& b : bad) EXPECT_THROW((void)RowList::FromPacked(b.words, b.width), std::invalid_argument);
}

// The rows section written from packed words is the section the text rows
// give, column by column, and a saved file reads back to the same rows and
// saves again to the same bytes.
TEST(RowList, SavedRowsMatchTheTextColumnsAndRoundTrip) {
    TempDir dir;
    std::mt19937 rng(11);
    for (const int width : {8, 13, 16, 17, 29, 30}) {
        for (const size_t count : {size_t{1}, size_t{2}, size_t{7}, size_t{1000}}) {
            TVinraFile doc;
            doc.NewSystem(width, true);
            std::vector<std::string> rows;
            for (size_t i = 0; i < count; ++i) rows.push_back(RandomRow(rng, width));
            doc.Rader = rows;
            ASSERT_TRUE(doc.Rader.IsPacked());

            std::string section = "[Rader]\r\n";
            for (int j = 0; j < width; ++j) {
                section += "Rad" + std::to_string(j + 1) + "=";
                for (const auto& r : rows) section += r[static_cast<size_t>(j)];
                section += "\r\n";
            }
            section += "\r\n[Grundrad]";
            const std::string text = SystemFileText(doc);
            EXPECT_NE(text.find(section), std::string::npos) << width << " x " << count;

            const auto path = dir.path() / "rows.1x2";
            doc.SaveToFile(path);
            EXPECT_EQ(ReadFileBytes(path), text);
            TVinraFile back;
            back.LoadFromFile(path);
            EXPECT_TRUE(back.Rader.IsPacked());
            EXPECT_EQ(back.Rader, rows) << width << " x " << count;
            const auto again = dir.path() / "again.1x2";
            back.SaveToFile(again);
            EXPECT_NE(ReadFileBytes(again).find(section), std::string::npos) << width << " x " << count;
        }
    }
}

// Rows the packed form cannot hold are written as before: the first row's
// length sets the columns, a shorter row fills with '-'.
TEST(RowList, TextRowsAreWrittenAsBefore) {
    TVinraFile doc;
    doc.NewSystem(4, true);
    doc.Rader = {"0120", "01", "0-21"};
    ASSERT_FALSE(doc.Rader.IsPacked());
    EXPECT_NE(SystemFileText(doc).find("[Rader]\r\nRad1=000\r\nRad2=11-\r\nRad3=2-2\r\nRad4=0-1\r\n\r\n[Grundrad]"),
              std::string::npos);
}
