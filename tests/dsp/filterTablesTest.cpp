#include "dsp/filterTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quelvar;

TEST(funTab1, TellingRows)
{
    initFilterTables();
    EXPECT_EQ(funTab1[0], 0.0);
    EXPECT_NEAR(funTab1[1], 0.094892, 1e-6);
    EXPECT_NEAR(funTab1[8], 0.656978, 1e-6);
    EXPECT_NEAR(funTab1[16], 0.938764, 1e-6);
    EXPECT_NEAR(funTab1[32], 0.999781, 1e-6);
    EXPECT_NEAR(funTab1[64], 1.0, 1e-15);
    for (int j = 1; j < kFunTab1Size; ++j)
        EXPECT_GE(funTab1[j], funTab1[j - 1]) << j;
}

TEST(funTab2, CoversSixteenOctavesInThirtySecondSteps)
{
    initFilterTables();
    EXPECT_EQ(funTab2[0], 1.0 / 256.0);
    EXPECT_EQ(funTab2[256], 1.0);
    EXPECT_EQ(funTab2[512], 256.0);
    for (int i = 0; i + 32 < kFunTab2Size; i += 7)
        EXPECT_NEAR(funTab2[i + 32] / funTab2[i], 2.0, 1e-6) << i;
    // Single-precision values, widened.
    for (int i = 0; i < kFunTab2Size; ++i)
        EXPECT_EQ(funTab2[i], static_cast<double>(static_cast<float>(funTab2[i]))) << i;
}

TEST(exp2FromTable, InterpolatesAndHoldsAtBothEnds)
{
    initFilterTables();
    EXPECT_NEAR(static_cast<double>(exp2FromTable(0.0L)), 1.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(exp2FromTable(-1.5L)), std::pow(2.0, -1.5), 2e-4);
    EXPECT_NEAR(static_cast<double>(exp2FromTable(3.3L)), std::pow(2.0, 3.3), 2e-3);
    // The top of the table is reached, not held one step below it.
    EXPECT_EQ(exp2FromTable(8.0L), 256.0L);
    EXPECT_GT(exp2FromTable(7.99L), static_cast<long double>(funTab2[511]));
    EXPECT_EQ(exp2FromTable(12.0L), 256.0L);
    EXPECT_EQ(exp2FromTable(-12.0L), 1.0L / 256.0L);
    EXPECT_EQ(exp2FromTable(std::numeric_limits<long double>::quiet_NaN()), 1.0L / 256.0L);
}
