#include "checking/db_browser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/temp_dir.h"

namespace vinra::checking {
namespace {

using vinra::testing::TempDir;

class DbBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.Open(dir.path() / "DB" / "tipsdata.sqlite");
        db.StoreResult(Rec("S", 3921, 200928, "1X21X21X21X21"));
        db.StoreResult(Rec("S", 3922, 200929, "1111111111111"));
        db.StoreResult(Rec("I", 800, 200929, "XXXXXXXXXXXXX"));
        CouponRound r;
        r.Year = "2009";
        r.Week = "28";
        r.Typ = "S";
        r.OmgID = 3921;
        r.Homes = {"AIK", "Hammarby", "Malmö FF"};
        r.Aways = {"Djurgården", "IFK Göteborg", "Örebro"};
        db.SaveCouponGames(r);
        r.Typ = "I";
        r.OmgID = 800;
        db.SaveCouponGames(r);
    }
    static TFacitRec Rec(std::string typ, int32_t id, int32_t omg, std::string rad) {
        TFacitRec r;
        r.found = true;
        r.Typ = std::move(typ);
        r.OmgID = id;
        r.Omg = omg;
        r.Rad = std::move(rad);
        r.Winners = {12, 340, 3100, 25000};
        r.Payout = {150000000, 420050, 21000, 3500};
        return r;
    }
    TempDir dir;
    TTipsData db;
};

TEST_F(DbBrowserTest, ListsFilterByPoolAndDeleteASelection) {
    EXPECT_EQ(ListGames(db, "").size(), 6u);
    const auto s = ListGames(db, "S");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[2].Home, "Malmö FF");
    EXPECT_EQ(ListResults(db, "").size(), 3u);
    ASSERT_EQ(ListResults(db, "I").size(), 1u);

    EXPECT_EQ(DeleteGames(db, {{"S", 3921, 1}, {"S", 3921, 3}, {"S", 3921, 9}}), 2u);
    const auto left = ListGames(db, "S");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].Match, 2);
    EXPECT_EQ(ListGames(db, "I").size(), 3u);  // the other pool's match 1 stays
    EXPECT_EQ(DeleteResults(db, {{"S", 3922}}), 1u);
    EXPECT_FALSE(db.FindResult("S", 3922).found);
    EXPECT_TRUE(db.FindResult("S", 3921).found);
}

TEST_F(DbBrowserTest, FieldEditsAreCheckedBeforeTheyAreStored) {
    const TFacitRec rec = db.FindResult("S", 3921);
    const std::string longRow(31, '1');
    struct Case {
        ResultField f;
        const char* text;
        bool ok;
        const char* shown;  // the field's text afterwards when ok
    } cases[] = {
        {ResultField::U13, "1 234 567,89", true, "1 234 567,89"},
        {ResultField::U12, "12,5,0", false, ""},
        {ResultField::U11, "-5,00", false, ""},
        {ResultField::A10, "1 000", true, "1 000"},
        {ResultField::A12, "-1", false, ""},
        {ResultField::Rad, "1x2", true, "1X2"},
        {ResultField::Rad, longRow.c_str(), false, ""},
        {ResultField::Typ, "d", true, "D"},
        {ResultField::Typ, "S1", false, ""},
        {ResultField::Omg, "", false, ""},
        {ResultField::OmgID, "abc", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(ResultFieldName(c.f)) + " <- " + c.text);
        const auto out = WithResultField(rec, c.f, c.text);
        ASSERT_EQ(out.has_value(), c.ok);
        if (c.ok) {
            EXPECT_EQ(ResultFieldText(*out, c.f), c.shown);
        }
    }
}

TEST_F(DbBrowserTest, ReplaceKeepsOneRecordAndRefusesATakenKey) {
    const TFacitRec rec = db.FindResult("S", 3921);
    TFacitRec payout = *WithResultField(rec, ResultField::U10, "40,00");
    EXPECT_EQ(ReplaceResult(db, rec, payout), EditOutcome::Stored);
    EXPECT_EQ(db.FindResult("S", 3921).U(10), 4000);
    EXPECT_EQ(db.ResultCount(), 3u);

    // Moving the record onto another round's key would lose that round.
    TFacitRec clash = *WithResultField(payout, ResultField::OmgID, "3922");
    EXPECT_EQ(ReplaceResult(db, payout, clash), EditOutcome::KeyTaken);
    EXPECT_EQ(db.FindResult("S", 3922).Rad, "1111111111111");
    EXPECT_EQ(db.FindResult("S", 3921).U(10), 4000);

    TFacitRec moved = *WithResultField(payout, ResultField::OmgID, "3930");
    EXPECT_EQ(ReplaceResult(db, payout, moved), EditOutcome::Stored);
    EXPECT_FALSE(db.FindResult("S", 3921).found);
    EXPECT_EQ(db.FindResult("S", 3930).U(13), 150000000);
    EXPECT_EQ(db.ResultCount(), 3u);

    // An edit of a record someone deleted meanwhile writes nothing.
    EXPECT_EQ(ReplaceResult(db, payout, payout), EditOutcome::Missing);
    EXPECT_EQ(db.ResultCount(), 3u);
}

}  // namespace
}  // namespace vinra::checking
