// The percentage editor on a round whose game information lacks a reference:
// it opens on figures the player can use, and Copy never puts zeros over his
// own numbers without asking.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "core/messages.h"
#include "core/settings.h"
#include "reduction/conditions.h"
#include "ui/core/localise.h"
#include "ui/reduction/condition_dialogs.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui::testing {
namespace {

RoundView RoundWithoutBookmaker() {
    RoundView r;
    r.n = 3;
    r.frame = {"0", "1", "2"};
    r.homes = {"A", "B", "C"};
    r.aways = {"D", "E", "F"};
    r.hasInfo = true;
    // No bookmaker odds at all; the operator's odds for matches 1 and 3 only.
    r.operatorOdds[0] = {50.4, 29.6, 20.0};
    r.operatorOdds[2] = {20.0, 30.0, 50.0};
    for (int m = 0; m < 3; ++m) r.people[static_cast<size_t>(m)] = {40.0, 30.0, 30.0};
    return r;
}

reduction::ConditionSet OwnPercentages() {
    reduction::ConditionSet c = reduction::NewConditionSet(3);
    c.userPercent[0] = {"60", "60", "60"};  // per sign, one entry a match
    c.userPercent[1] = {"30", "30", "30"};
    c.userPercent[2] = {"10", "10", "10"};
    return c;
}

TEST(PercentDialog, OpensOnAReferenceWithFiguresAndAsksBeforeCopyingZeros) {
    core::SetCurrentLanguage(core::LangEnglish);
    const RoundView round = RoundWithoutBookmaker();
    const reduction::ConditionSet c = OwnPercentages();
    ScriptedPrompter prompter;
    {
        TfrmPercent d(c, round, prompter);
        EXPECT_EQ(d.CurrentSource(), TfrmPercent::Source::OperatorOdds);
        EXPECT_EQ(d.Reference(0, 0)->text(), "50,4");
        auto* bookie = d.findChild<QRadioButton*>(
            QStringLiteral("rbSource%1").arg(static_cast<int>(TfrmPercent::Source::Bookie)));
        ASSERT_NE(bookie, nullptr);
        EXPECT_FALSE(bookie->isEnabled());  // nothing to show or copy

        // Match 2 has no operator figures: No keeps the player's numbers there.
        prompter.answers.push_back(Answer::No);
        d.CopyClick();
        ASSERT_EQ(prompter.Texts("question").size(), 1u);
        EXPECT_EQ(prompter.Texts("question").back(),
                  QString::fromStdString(core::FormatMsg(core::Msg(3167), {1LL})));
        EXPECT_EQ(d.Field(0, 0)->text(), "50");
        EXPECT_EQ(d.Field(1, 0)->text(), "60");
        EXPECT_EQ(d.Field(1, 2)->text(), "10");
        EXPECT_EQ(d.Field(2, 2)->text(), "50");

        // Yes: the player asked for the zeros.
        prompter.answers.push_back(Answer::Yes);
        d.CopyClick();
        EXPECT_EQ(d.Field(1, 0)->text(), "0");

        // Only the blank match unchecked: no question, a plain copy.
        d.Check(1)->setChecked(false);
        d.CopyClick();
        EXPECT_EQ(prompter.Texts("question").size(), 2u);
    }
    // A round with every reference: the bookmaker's come first, as always.
    RoundView full = round;
    for (int m = 0; m < 3; ++m) full.bookie[static_cast<size_t>(m)] = {45.0, 30.0, 25.0};
    TfrmPercent d(c, full, prompter);
    EXPECT_EQ(d.CurrentSource(), TfrmPercent::Source::Bookie);
}

// The sign-count lines say what each one bounds, in every language: the
// shared "Max:" / "Min:" beside "In a row:" left the count unnamed.
TEST(SignCountsDialog, LinesNameWhatTheyBound) {
    RoundView round;
    round.frame = std::vector<std::string>(13, "012");
    const reduction::ConditionSet c = reduction::NewConditionSet(13);
    ScriptedPrompter prompter;
    for (int base : {core::LangSwedish, core::LangEnglish, core::LangDanish, core::LangNorwegian,
                     core::LangFinnish}) {
        SCOPED_TRACE(base);
        core::SetCurrentLanguage(base);
        TfrmSignCounts d(c, round, prompter);
        Localise(&d);
        QStringList lines;
        for (auto* l : d.findChildren<QLabel*>())
            if (l->text().endsWith(QLatin1Char(':'))) lines << l->text();
        ASSERT_EQ(lines.size(), 3);
        EXPECT_FALSE(lines.contains(QString::fromStdString(core::Msg(100))));  // not the bare "Max:"
        EXPECT_FALSE(lines.contains(QString::fromStdString(core::Msg(101))));
        EXPECT_EQ(lines.removeDuplicates(), 0);
        if (base == core::LangEnglish) {
            EXPECT_EQ(lines, (QStringList{"At most:", "At most in a row:", "At least:"}));
            EXPECT_EQ(d.windowTitle(), "Sign counts and runs");
        }
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui::testing
