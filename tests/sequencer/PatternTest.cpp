#include "sequencer/Song.h"

#include <gtest/gtest.h>

using namespace quelvar;

TEST(Pattern, StepAccessOutsideCountGivesNone)
{
    Pattern p(16);
    EXPECT_EQ(p.getStep(16), nullptr);
    EXPECT_EQ(p.getStep(-1), nullptr);
    EXPECT_NE(p.getStep(15), nullptr);
}
