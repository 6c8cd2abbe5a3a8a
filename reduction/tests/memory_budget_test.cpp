// A run whose result would not fit the memory budget is refused with a message
// naming its rows, instead of taking gigabytes.
#include "reduction/row_generation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vinra::reduction {
namespace {

using ::testing::HasSubstr;

ConditionSet AllOff(int n) {
    ConditionSet c = NewConditionSet(n);
    c.flags.fill(false);
    return c;
}

TEST(MemoryBudget, TheBudgetHoldsEveryRoundSizeTheProgramPlays) {
    for (int n : {1, 8, 13, 15, 16, 30}) {
        SCOPED_TRACE(n);
        EXPECT_LE(MaxResultRows(n) * ResultBytesEstimate(1, n), kMemoryBudgetBytes);
        EXPECT_GT(MaxResultRows(n) + 1, kMemoryBudgetBytes / ResultBytesEstimate(1, n));
    }
    // The whole frame of a 13-match round still fits as a system.
    EXPECT_GE(MaxResultRows(13), 1594323u);
    EXPECT_EQ(ResultBytesEstimate(UINT64_MAX / 2, 16), UINT64_MAX);
}

TEST(MemoryBudget, AFullExpansionTooLargeToKeepFailsNamingItsRows) {
    GenerationInput in;
    in.conditions = AllOff(15);
    in.frame = std::vector<std::string>(15, "012");
    TRowGeneration gen(in);
    gen.Run();
    EXPECT_THAT(gen.Error(), HasSubstr("14 348 907 rows"));
    EXPECT_TRUE(gen.Rows().empty());

    // The same frame with a condition that leaves few rows runs as before.
    // (at least 13 away wins: C(15,13)*4 + C(15,14)*2 + 1 rows).
    in.conditions.flags[core::UseMaxMin] = true;
    in.conditions.maxCount = {15, 15, 15};
    in.conditions.runMax = {15, 15, 15};
    in.conditions.minCount = {0, 0, 13};
    TRowGeneration narrow(in);
    narrow.Run();
    EXPECT_EQ(narrow.Error(), "");
    EXPECT_EQ(narrow.Rows().size(), 451u);
}

TEST(MemoryBudget, ARandomRunAskingForTooManyRowsIsRefusedUpFront) {
    GenerationInput in;
    in.mode = GenerationMode::Random;
    in.conditions = AllOff(13);
    in.frame = std::vector<std::string>(13, "012");
    in.requestedCount = 100'000'000;
    try {
        TRowGeneration gen(in);
        ADD_FAILURE() << "accepted";
    } catch (const GenerationError& e) {
        EXPECT_THAT(e.what(), HasSubstr("100 000 000 rows"));
    }
    in.requestedCount = 1000;
    EXPECT_NO_THROW(TRowGeneration{in});
}

}  // namespace
}  // namespace vinra::reduction
