#include "net/goal_publish.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

namespace vinra::net {
namespace {

core::TVinraFile Doc() {
    core::TVinraFile d;
    d.NewSystem(13, true);
    d.Pool = "Stryktipset";
    d.Typ = "S";
    d.OmgID = 4711;
    d.Omg = "2026-50";
    d.Rader = {"0000000000000", "1111111111111"};
    d.HGoal.fill(-1);
    d.AGoal.fill(-1);
    d.HGoal[0] = 2;
    d.AGoal[0] = 1;
    d.Facit = "0------------";
    d.Grundrad[1] = "1";
    return d;
}

TEST(PublishXml, ParsesAndEscapesEverything) {
    core::TVinraFile doc = Doc();
    doc.Comment = "Go *13*<script>&\xE2\x82\xAC";  // a line break, markup, and a euro sign outside Latin-1
    GoalPublication p;
    p.homes = {"Brighton & Hove/Albion", "Malmö"};
    p.aways = {"<b>X</b>", "Wolves"};
    p.marks = {"<-", "(S)"};
    p.bestRows = {{"0000000000000", 1, 12}, {"1111111111111", 0, 13}};
    p.counts.assign(14, 0);
    p.counts[13] = 1;
    p.winAmount = {123456789, 0, 0, 0};
    p.now = "2026-12-10 16:40:00";
    const std::string xml = PublishXml(doc, p, core::DisplaySigns{});
    for (unsigned char c : xml) ASSERT_LT(c, 0x80) << "only ASCII, with entities, reaches the wire here";

    pugi::xml_document d;
    ASSERT_TRUE(d.load_buffer(xml.data(), xml.size())) << xml;
    const pugi::xml_node gs = d.child("goalservice");
    const pugi::xml_node m1 = gs.child("games").child("match");
    EXPECT_STREQ(m1.child("home").text().get(), "Brighton & Hove/Albion");
    EXPECT_NE(xml.find("Brighton &amp; Hove&#47;Albion"), std::string::npos);
    EXPECT_STREQ(m1.child("away").text().get(), "<b>X</b>");
    EXPECT_STREQ(m1.child("goals").text().get(), "2 - 1");
    EXPECT_STREQ(m1.child("status").text().get(), "<-");
    EXPECT_STREQ(m1.child("result").text().get(), "1");
    const pugi::xml_node m2 = m1.next_sibling("match");
    EXPECT_STREQ(m2.child("home").text().get(), "Malm\xC3\xB6");
    EXPECT_STREQ(m2.child("goals").text().get(), "x - x");
    EXPECT_STREQ(m2.child("tkn1").text().get(), "");
    EXPECT_STREQ(m2.child("tknx").text().get(), "X");
    EXPECT_EQ(std::distance(m2.child("bestrows").children("tkn").begin(), m2.child("bestrows").children("tkn").end()),
              2);
    EXPECT_STREQ(gs.child("games").child("summary").child("goalsleft").last_child().text().get(), "13");
    const pugi::xml_node win = gs.child("result").child("win");
    EXPECT_STREQ(win.child("rights").text().get(), "13");
    EXPECT_STREQ(win.child("value").text().get(), "12346");
    EXPECT_STREQ(win.child("sum").text().get(), "12346");
    // "*13*" arrives as the escaped form of <br/>; the euro sign as a numeric entity.
    EXPECT_NE(xml.find("<comment>Go &lt;br&#47;&gt;&lt;script&gt;&amp;&#8364;</comment>"), std::string::npos);
    EXPECT_STREQ(gs.child("comment").text().get(), "Go <br/><script>&\xE2\x82\xAC");
}

TEST(PublishXml, LongCommentIsCutBetweenEntities) {
    core::TVinraFile doc = Doc();
    GoalPublication p;
    for (size_t filler = 1018; filler <= 1024; ++filler) {
        doc.Comment = std::string(filler, 'a') + "\xC3\xA5\xC3\xA5\xC3\xA5";  // "å" becomes "&#229;"
        const std::string xml = PublishXml(doc, p, core::DisplaySigns{});
        pugi::xml_document d;
        ASSERT_TRUE(d.load_buffer(xml.data(), xml.size())) << filler;
        const size_t open = xml.find("<comment>") + 9, close = xml.find("</comment>");
        EXPECT_LE(close - open, kMaxPublishedComment);
        const std::string text = d.child("goalservice").child("comment").text().get();
        EXPECT_EQ(text.substr(0, filler), std::string(filler, 'a'));
        EXPECT_EQ(text.find("&"), std::string::npos) << "a cut entity would show as text";
    }
}

TEST(PublishId, FileNameReducedAndExtensionDropped) {
    const core::TVinraFile doc = Doc();
    EXPECT_EQ(PublishId(doc, "anna", "/home/a/My system ö!.vin"), "S4711_anna_Mysystem");
    EXPECT_EQ(PublishId(doc, "an/na", "x.vin"), "S4711_anna_x");
}

}  // namespace
}  // namespace vinra::net
