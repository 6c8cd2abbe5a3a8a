// The value chart: the figures of a real system from the round's game
// information, in Swedish and English, bars on the logarithmic scale.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <filesystem>

#include "core/messages.h"
#include "core/settings.h"
#include "net/game_info.h"
#include "reduction/system_value.h"
#include "tests/temp_dir.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

// Game information of 13 matches with odds and people's percentages.
std::string GameInfo() {
    std::string ini;
    for (int m = 0; m < 13; ++m)
        ini += "[Game" + std::to_string(m) + "]\r\nPeople1=" + std::to_string(35 + 2 * m) + ".5\r\nPeopleX=28.0\r\n" +
               "People2=" + std::to_string(36 - 2 * m) +
               ".5\r\nOdds1=1.95\r\nOddsX=3.40\r\nOdds2=" + std::to_string(3 + m % 4) + ".20\r\n";
    return ini;
}

class ValueChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBytes(dir_.path() / "info.ini", GameInfo());
        info_.Load(dir_.path() / "info.ini", 13);
        model_ = ValueModelOfRound(info_, 13, "S");
        // Half guards on four matches, full on two: 64 rows.
        std::vector<std::string> rows{""};
        const std::vector<std::string> frame = {"0",   "01", "0",  "012", "1",  "02", "0",
                                                "012", "2",  "01", "0",   "12", "0"};
        for (const std::string& signs : frame) {
            std::vector<std::string> next;
            for (const auto& r : rows)
                for (char c : signs) next.push_back(r + c);
            rows.swap(next);
        }
        value_ = reduction::ComputeSystemValue(rows, model_);
        ASSERT_TRUE(value_.complete);
    }
    void TearDown() override { core::SetCurrentLanguage(core::LangEnglish); }

    testing::TempDir dir_;
    net::TSvSpelInfo info_;
    reduction::ValueModel model_;
    reduction::SystemValue value_;
};

TEST_F(ValueChartTest, ShowsTheFiguresInTheCurrentLanguage) {
    // The model took the odds: match 1's home chance is the odds' implied share.
    const double inv = 1 / 1.95 + 1 / 3.40 + 1 / 3.20;
    EXPECT_NEAR(model_.probability[0][0], (1 / 1.95) / inv, 1e-9);
    EXPECT_EQ(model_.matchesWithoutOdds, 0);
    EXPECT_EQ(model_.firstWinLevel, 10);

    ValueChart chart;
    chart.resize(chart.sizeHint());
    chart.SetValue(value_, model_);
    ASSERT_TRUE(chart.HasValue());
    ASSERT_EQ(chart.ClassLabels().size(), 7);

    core::SetCurrentLanguage(core::LangSwedish);
    EXPECT_EQ(chart.ClassLabels().front(), QString::fromUtf8("Ingen vinst"));
    EXPECT_EQ(chart.ClassLabels()[1], QString::fromUtf8("under 1"));
    EXPECT_EQ(chart.ClassLabels().back(), QString::fromUtf8("100 eller mer"));
    const QStringList sv = chart.SummaryLines();
    ASSERT_EQ(sv.size(), 6);
    EXPECT_TRUE(sv[0].startsWith(QString::fromUtf8("Chans till 13 rätt: "))) << sv[0].toStdString();
    EXPECT_TRUE(sv[5].contains("50 000 000")) << sv[5].toStdString();
    // Percentages with the decimal comma.
    EXPECT_TRUE(chart.ClassPercentages().front().contains(',')) << chart.ClassPercentages().front().toStdString();

    core::SetCurrentLanguage(core::LangEnglish);
    EXPECT_EQ(chart.ClassLabels().front(), "No win");
    EXPECT_EQ(chart.ClassLabels().back(), "100 or more");
    EXPECT_TRUE(chart.SummaryLines()[4].startsWith("Expected return per krona staked: "));
    EXPECT_FALSE(chart.grab().isNull());
}

TEST_F(ValueChartTest, BarsFollowTheProbabilitiesOnALogScale) {
    ValueChart chart;
    chart.resize(480, chart.sizeHint().height());
    chart.SetValue(value_, model_);
    const auto& d = value_.distribution;
    for (int i = 0; i < 7; ++i) {
        if (d[i].probability == 0) {
            EXPECT_EQ(chart.BarLength(i), 0) << i;
        }
        for (int j = 0; j < 7; ++j)
            if (d[i].probability > d[j].probability) {
                EXPECT_GE(chart.BarLength(i), chart.BarLength(j)) << i << " " << j;
            }
    }
    // Ten times the chance is one decade longer: a fifth of the bar area.
    reduction::SystemValue v = value_;
    v.distribution[1].probability = 0.01;
    v.distribution[2].probability = 0.1;
    chart.SetValue(v, model_);
    const int decade = chart.BarLength(2) - chart.BarLength(1);
    EXPECT_GT(decade, 40);
    v.distribution[3].probability = 1.0;
    chart.SetValue(v, model_);
    EXPECT_NEAR(chart.BarLength(3) - chart.BarLength(2), decade, 1);

    // An unfinished value, or none, shows no bars.
    v.complete = false;
    chart.SetValue(v, model_);
    EXPECT_FALSE(chart.HasValue());
    EXPECT_EQ(chart.BarLength(0), 0);
    chart.SetValue(value_, model_);
    chart.Clear(QString::fromStdString(core::Msg(1419)));
    EXPECT_FALSE(chart.HasValue());
    EXPECT_TRUE(chart.SummaryLines().isEmpty());
    EXPECT_FALSE(chart.grab().isNull());
}

TEST_F(ValueChartTest, Screenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    fs::create_directories(out);
    for (auto [base, code] : {std::pair{core::LangSwedish, "sv"}, {core::LangEnglish, "en"}}) {
        core::SetCurrentLanguage(base);
        ValueChart chart;
        chart.SetValue(value_, model_);
        chart.resize(chart.sizeHint());
        chart.show();
        QApplication::processEvents();
        ASSERT_TRUE(chart.grab().save(
            QString::fromStdString((fs::path(out) / (std::string("value_chart_") + code + ".png")).string())));
        ValueChart empty;
        empty.Clear(QString::fromStdString(core::Msg(1419)));
        empty.resize(420, 90);
        ASSERT_TRUE(empty.grab().save(
            QString::fromStdString((fs::path(out) / (std::string("value_chart_none_") + code + ".png")).string())));
    }
}

}  // namespace
}  // namespace vinra::ui
