#include "output/coupon_view_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vinra::output {
namespace {

// n distinct 13-match rows: row i holds i in base 3, so every row is its own
// and its position can be read back from it.
std::vector<std::string> Rows(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        std::string r(13, '0');
        for (int v = i, pos = 12; v > 0; v /= 3, --pos) r[pos] = static_cast<char>('0' + v % 3);
        out.push_back(r);
    }
    return out;
}

std::vector<int> CouponSizes(const CouponViewModel& m) {
    std::vector<int> sizes;
    for (int k = 1; k <= m.CouponCount(); ++k) sizes.push_back(m.RowsOnCoupon(k));
    return sizes;
}

TEST(CouponViewModelTest, RowsAreLaidOutInPlainCoupons) {
    struct Case {
        int rows, perCoupon;
        std::vector<int> sizes;
    };
    const Case cases[] = {
        {25, 12, {12, 12, 1}},  // the last single row is not moved: that is a print-time rule
        {24, 12, {12, 12}},      {1, 12, {1}},      {0, 12, {}},
        {5, 1, {1, 1, 1, 1, 1}}, {20, 16, {16, 4}}, {25, 0, {12, 12, 1}},  // a layout outside 1..16 counts as 12
        {25, 17, {12, 12, 1}},
    };
    for (const auto& c : cases) {
        CouponViewModel m(Rows(c.rows), c.perCoupon);
        EXPECT_EQ(CouponSizes(m), c.sizes) << c.rows << " rows, R=" << c.perCoupon;
    }
    CouponViewModel m(Rows(25), 12);
    EXPECT_EQ(m.RowIndex(3, 1), 24);
    EXPECT_EQ(m.RowIndex(3, 2), -1);
    EXPECT_EQ(m.RowIndex(2, 12), 23);
    EXPECT_EQ(m.RowIndex(4, 1), -1);
    EXPECT_EQ(m.RowIndex(1, 0), -1);
    m.SetCurrent(9);
    EXPECT_EQ(m.Current(), 3);
    m.SetCurrent(-2);
    EXPECT_EQ(m.Current(), 1);
    EXPECT_FALSE(m.Changed());

    CouponViewModel empty({}, 12);
    EXPECT_EQ(empty.PageCount(), 1);
    EXPECT_EQ(empty.RowAt(1), nullptr);
}

TEST(CouponViewModelTest, DeletingARowClosesTheGapAndFollowsTheLastCoupon) {
    const auto all = Rows(25);
    CouponViewModel m(all, 12);
    m.SetCurrent(2);
    EXPECT_FALSE(m.DeleteRow(13));  // beyond the coupon
    EXPECT_FALSE(m.Changed());
    ASSERT_TRUE(m.DeleteRow(3));  // row 15 of the system
    EXPECT_TRUE(m.Changed());
    ASSERT_EQ(m.Rows().size(), 24u);
    EXPECT_EQ(m.Rows()[13], all[13]);
    EXPECT_EQ(m.Rows()[14], all[15]);
    EXPECT_EQ(m.Current(), 2);
    EXPECT_EQ(CouponSizes(m), (std::vector<int>{12, 12}));

    // The only row of the last coupon: the view moves to the new last coupon.
    CouponViewModel last(all, 12);
    last.SetCurrent(3);
    ASSERT_TRUE(last.DeleteRow(1));
    EXPECT_EQ(last.Current(), 2);
    EXPECT_EQ(last.Rows().back(), all[23]);

    // Down to nothing: one empty coupon remains to add rows to.
    CouponViewModel one(Rows(1), 12);
    ASSERT_TRUE(one.DeleteRow(1));
    EXPECT_TRUE(one.Rows().empty());
    EXPECT_EQ(one.Current(), 1);
    EXPECT_EQ(one.CouponCount(), 0);
}

TEST(CouponViewModelTest, DeletingACouponRemovesExactlyItsRows) {
    const auto all = Rows(30);
    CouponViewModel m(all, 12);
    m.SetCurrent(2);
    EXPECT_EQ(m.DeleteCoupon(), 12);
    ASSERT_EQ(m.Rows().size(), 18u);
    EXPECT_EQ(m.Rows()[11], all[11]);
    EXPECT_EQ(m.Rows()[12], all[24]);  // rows 13 to 24 are gone
    EXPECT_EQ(m.Current(), 1);
    EXPECT_EQ(CouponSizes(m), (std::vector<int>{12, 6}));

    CouponViewModel tail(Rows(25), 12);
    tail.SetCurrent(3);
    EXPECT_EQ(tail.DeleteCoupon(), 1);  // row 25 only
    EXPECT_EQ(tail.Rows(), std::vector<std::string>(all.begin(), all.begin() + 24));
    EXPECT_EQ(tail.Current(), 2);

    CouponViewModel first(Rows(25), 12);
    EXPECT_EQ(first.DeleteCoupon(), 12);
    EXPECT_EQ(first.Current(), 1);
    EXPECT_EQ(first.Rows().front(), all[12]);

    CouponViewModel none({}, 12);
    EXPECT_EQ(none.DeleteCoupon(), 0);
    EXPECT_FALSE(none.Changed());
}

TEST(CouponViewModelTest, InsertingAppendsOnceAndShowsTheLastCoupon) {
    CouponViewModel m(Rows(12), 12);
    EXPECT_FALSE(m.InsertRow(Rows(12)[4]));
    EXPECT_FALSE(m.Changed());
    EXPECT_EQ(m.Rows().size(), 12u);
    ASSERT_TRUE(m.InsertRow("2222222222222"));
    EXPECT_TRUE(m.Changed());
    EXPECT_EQ(m.Rows().back(), "2222222222222");
    EXPECT_EQ(m.Current(), 2);
    EXPECT_EQ(*m.RowAt(1), "2222222222222");
}

TEST(CouponViewModelTest, TypedRowsAreCheckedAgainstTheDisplayStrings) {
    const core::DisplaySigns standard;
    const core::DisplaySigns letters{"H", "U", "B"};
    const core::DisplaySigns wide{"\xC3\x98", "U", "B"};  // a non-ASCII home sign
    struct Case {
        const char* typed;
        int n;
        const core::DisplaySigns* signs;
        int message;
        const char* codes;
    };
    const Case cases[] = {
        {"1X2", 3, &standard, 0, "012"},    {"1X22", 3, &standard, 482, ""}, {"1X", 3, &standard, 482, ""},
        {"", 3, &standard, 482, ""},        {"1x2", 3, &standard, 483, ""},  // the window upper-cases first
        {"1Y2", 3, &standard, 483, ""},     {"HUB", 3, &letters, 0, "012"},  {"1X2", 3, &letters, 483, ""},
        {"\xC3\x98UB", 3, &wide, 0, "012"},  // two bytes, one character
    };
    for (const auto& c : cases) {
        const TypedRowCheck r = CheckTypedRow(c.typed, c.n, *c.signs);
        EXPECT_EQ(r.message, c.message) << c.typed;
        EXPECT_EQ(r.codes, c.codes) << c.typed;
    }
}

TEST(CouponViewModelTest, RightCountsAndMarks) {
    EXPECT_EQ(RightCount("0120", "0121"), 3);
    EXPECT_EQ(RightCount("0120", ""), 0);     // no result row yet
    EXPECT_EQ(RightCount("0120", "0-2"), 2);  // a match without result counts nowhere
    EXPECT_EQ(RightCount("01", "0121"), 2);   // over the shorter length

    const core::DisplaySigns letters{"H", "U", "B"};
    EXPECT_EQ(MarkOf('0', letters).box, 0);
    EXPECT_EQ(MarkOf('0', letters).text, "H");
    EXPECT_EQ(MarkOf('1', letters).box, 1);
    EXPECT_EQ(MarkOf('2', letters).text, "B");
    EXPECT_EQ(MarkOf('2', letters).box, 2);
    EXPECT_EQ(MarkOf('-', letters).box, 0);
    EXPECT_EQ(MarkOf('-', letters).text, "-");
}

}  // namespace
}  // namespace vinra::output
