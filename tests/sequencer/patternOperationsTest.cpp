#include "sequencer/patternOperations.h"

#include <array>
#include <gtest/gtest.h>
#include <vector>

using namespace quelvar;

namespace
{
using Fields = std::vector<std::array<int, 3>>; // all 64 steps: note, slide, accent

Fields fieldsOf(const Pattern& p)
{
    Fields f;
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        const Step& s = *p.getStepAnyIndex(i);
        f.push_back({s.note(), s.slide(), s.accent()});
    }
    return f;
}

Pattern numbered(int count, int firstNote)
{
    Pattern p(kStepsPerPattern);
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        p.setStepNote(firstNote + i % 50, i);
        p.setStepSlide(i % 3 == 0, i);
        p.setStepAccent(i % 4 == 1, i);
    }
    p.setNBStep(count);
    return p;
}

class RandomizedField : public testing::TestWithParam<StepField>
{
};
} // namespace

TEST(PatternOperations, CopyTakesTheSourceLengthAndKeepsTheTargetsHiddenSteps)
{
    const Pattern source = numbered(12, 1);
    Pattern target = numbered(16, 30);
    const Fields before = fieldsOf(target);
    copySteps(source, target);
    EXPECT_EQ(target.getNBStep(), 12);
    const Fields after = fieldsOf(target);
    for (int i = 0; i < kStepsPerPattern; ++i)
        EXPECT_EQ(after[i], i < 12 ? fieldsOf(source)[i] : before[i]) << "step " << i;
}

TEST(PatternOperations, ShiftingWrapsAroundTheVisibleStepsOnly)
{
    Pattern p = numbered(16, 5);
    const Fields start = fieldsOf(p);
    shiftStepsLeft(p);
    EXPECT_EQ(p.getStep(0)->note(), 6);
    EXPECT_EQ(p.getStep(15)->note(), 5);
    EXPECT_EQ(p.getStepAnyIndex(16)->note(), start[16][0]);
    shiftStepsRight(p);
    EXPECT_EQ(fieldsOf(p), start);
    for (int i = 0; i < 16; ++i)
        shiftStepsLeft(p);
    EXPECT_EQ(fieldsOf(p), start);

    for (int count : {0, 1})
    {
        p.setNBStep(count);
        const Fields still = fieldsOf(p);
        shiftStepsLeft(p);
        shiftStepsRight(p);
        EXPECT_EQ(fieldsOf(p), still) << count << " steps";
    }
}

TEST(PatternOperations, RandomStepsStayInRangeWithAQuarterAccentedAndSliding)
{
    int steps = 0, accents = 0, slides = 0;
    for (std::uint32_t seed = 1; seed <= 64; ++seed)
    {
        Pattern p = numbered(64, 1);
        RandomSource source(seed);
        randomizeSteps(p, source);
        for (int i = 0; i < 64; ++i)
        {
            const Step& s = *p.getStep(i);
            EXPECT_GE(s.note(), 15);
            EXPECT_LE(s.note(), 30);
            accents += s.accent();
            slides += s.slide();
            ++steps;
        }
    }
    EXPECT_NEAR(static_cast<double>(accents) / steps, 0.24, 0.04);
    EXPECT_NEAR(static_cast<double>(slides) / steps, 0.24, 0.04);
}

TEST_P(RandomizedField, OnlyThatFieldOfTheVisibleStepsChanges)
{
    const int field = static_cast<int>(GetParam());
    Pattern p = numbered(16, 1);
    const Fields before = fieldsOf(p);
    RandomSource source(7);
    randomizeStepField(p, GetParam(), source);
    const Fields after = fieldsOf(p);
    int changed = 0;
    for (int i = 0; i < kStepsPerPattern; ++i)
        for (int f = 0; f < 3; ++f)
        {
            if (i >= 16 || f != field)
                EXPECT_EQ(after[i][f], before[i][f]) << "step " << i << " field " << f;
            else
                changed += after[i][f] != before[i][f];
        }
    EXPECT_GT(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(EachField, RandomizedField,
                         testing::Values(StepField::note, StepField::slide, StepField::accent));
