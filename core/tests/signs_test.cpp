#include <gtest/gtest.h>

#include "core/packed_row.h"
#include "core/pools.h"
#include "core/signs.h"

using namespace vinra::core;

TEST(Signs, DisplayConversionsFollowThePool) {
    const DisplaySigns def;
    const DisplaySigns hub{"H", "U", "B"};
    EXPECT_EQ(SignsToDisplay("012-9", def), "1X2--");
    EXPECT_EQ(SignsToDisplay("012", hub), "HUB");
    EXPECT_EQ(DisplayToSigns("HUB", hub), "012");
    // The draw string is compared exactly: a lower-case x is not a draw.
    EXPECT_EQ(DisplayToSigns("1x2", def), "0-2");
    EXPECT_EQ(DisplayToSigns(KeepChars("1 x-X 2", "1xX2"), def), "0112");
    EXPECT_EQ(ReplaceSigns("012", true, hub), "HUB");
    EXPECT_EQ(ReplaceSigns("hub", false, hub), "012");
    EXPECT_EQ(KeepChars("2009-28", "0123456789"), "200928");
}

TEST(Signs, FrameCounts) {
    EXPECT_EQ(MarkedCount("0 2"), 2);
    EXPECT_EQ(MarkedCount("02"), 2);
    EXPECT_EQ(MarkedCount(" 1 "), 1);
    EXPECT_EQ(EntrySigns("0 2"), "02");
    EXPECT_EQ(EntrySigns(" 1 "), "1");
    EXPECT_EQ(EntrySigns("   "), "");
    const std::vector<std::string> frame = {"0",   "1",   "2",   "0",   "01",  "02", "12",
                                            "0 2", " 12", "012", "012", "012", "012"};
    EXPECT_EQ(MathRowCount(frame), 2592u);
    EXPECT_TRUE(FrameComplete(frame));
    const auto counts = CountFrame(frame);
    EXPECT_EQ(counts.singles, 4);
    EXPECT_EQ(counts.doubles, 5);
    EXPECT_EQ(counts.triples, 4);
    const std::vector<std::string> empty(13, "");
    EXPECT_EQ(MathRowCount(empty), 1u);
    EXPECT_FALSE(FrameComplete(empty));
    EXPECT_FALSE(FrameComplete({"0", " ", "1"}));
    // 3^30 needs 64 bits.
    EXPECT_EQ(MathRowCount(std::vector<std::string>(30, "012")), 205891132094649ull);
}

TEST(Signs, FrameFromRowsIsPositional) {
    EXPECT_EQ(FrameFromRows({"012", "021"}, 3), (std::vector<std::string>{"0  ", " 12", " 12"}));
    EXPECT_EQ(FrameFromRows({}, 2), (std::vector<std::string>{"   ", "   "}));
}

TEST(Signs, RoundOfDateUsesIsoWeeks) {
    struct Case {
        int y, m, d;
        const char* round;
    };
    const Case cases[] = {
        {2010, 1, 3, "2009-53"}, {2010, 1, 4, "2010-01"},   {2009, 12, 31, "2009-53"}, {2011, 2, 3, "2011-05"},
        {2009, 7, 9, "2009-28"}, {2008, 12, 29, "2009-01"}, {2026, 12, 10, "2026-50"},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundOfDate(c.y, c.m, c.d), c.round) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(RoundNumber("2009-28"), 200928);
    EXPECT_EQ(RoundNumber(""), 0);
}

TEST(Signs, GroupDigits) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"2592", "2 592"}, {"1234567", "1 234 567"},      {"1234,5", "1 234,50"}, {"12,345", "12,34"},  {"123", "123"},
        {"0", "0"},        {"-123456,00", "-123 456,00"}, {"-12", "-12"},         {"1000,", "1 000,0"}, {"12,", "12,0"},
    };
    for (const auto& c : cases) EXPECT_EQ(GroupDigits(c.in), c.out) << c.in;
    EXPECT_EQ(FormatAmount(123456789), "1 234 567,89");
    EXPECT_EQ(FormatAmount(-5), "-0,05");
    EXPECT_EQ(FormatAmount(-12345600), "-123 456,00");
}

TEST(Signs, PackedRowsCountEqualSigns) {
    const std::string a = "0120021102210", b = "0120021102212", c = "2201200110022";
    auto plain = [](const std::string& x, const std::string& y) {
        int n = 0;
        for (size_t i = 0; i < x.size(); ++i) n += x[i] == y[i];
        return n;
    };
    EXPECT_EQ(UnpackRow(PackRow(a), 13), a);
    EXPECT_EQ(CountEqualPacked(PackRow(a), PackRow(b), 13), 12);
    EXPECT_EQ(CountEqualPacked(PackRow(a), PackRow(c), 13), plain(a, c));
    EXPECT_LT(PackRow("012"), PackRow("020"));  // integer order is string order
    const std::string long30(30, '2');
    EXPECT_EQ(CountEqualPacked(PackRow(long30), PackRow(long30), 30), 30);
}

TEST(Pools, NationalIniKeysAndDefaults) {
    auto ini = IniFile::FromText(
        "[Countries]\n0=Svenska Spel\n1=Norsk Tipping\n[Pools]\nS=Svenska Spel\nC=Norsk Tipping\n"
        "[Norsk Tipping]\nC=Tipping L\xC3\xB8rdag\nMENU0=Resultater\nURL0=http://example.invalid/\n"
        "[Tipping L\xC3\xB8rdag]\nHome=H\nDraw=U\nAway=B\nCouponColumns=10\ndbID=C\nPricePerRow=50\n");
    NationalIni nat(ini);
    EXPECT_EQ(nat.Operators(), (std::vector<std::string>{"Svenska Spel", "Norsk Tipping"}));
    EXPECT_EQ(nat.OperatorOfPool("C"), "Norsk Tipping");
    EXPECT_EQ(nat.OperatorOfPool("Z"), "Svenska Spel");
    ASSERT_EQ(nat.Links("Norsk Tipping").size(), 1u);
    const auto s = nat.SettingsOfCode("C");
    EXPECT_EQ(s.signs.home + s.signs.draw + s.signs.away, "HUB");
    EXPECT_EQ(s.couponColumns, 10);
    EXPECT_EQ(s.pricePerRow, 50);
    const auto def = nat.Settings("Unknown");
    EXPECT_EQ(def.couponColumns, 12);
    EXPECT_EQ(def.dbId, "S");
    EXPECT_EQ(def.printChar, "X");
    EXPECT_TRUE(def.xml);
    EXPECT_EQ(FirstWinLevel("T"), 11);
    EXPECT_EQ(FirstWinLevel("O"), 7);
    EXPECT_EQ(FirstWinLevel("S"), 10);
    ASSERT_NE(FindPool("h"), nullptr);
    EXPECT_STREQ(FindPool("H")->country, "Dansk Tipstjeneste");
}
