#include "sequencer/Song.h"

#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
void setNotes(Pattern& p, std::initializer_list<int> notes)
{
    int i = 0;
    for (int n : notes)
        p.setStepNote(n, i++);
}

std::vector<int> notesOf(const Pattern& p)
{
    std::vector<int> notes;
    for (int i = 0; i < p.getNBStep(); ++i)
        notes.push_back(p.getStep(i)->note());
    return notes;
}
} // namespace

TEST(Pattern, StepAccessOutsideCountGivesNoneAndChangesNothing)
{
    Pattern p(16);
    EXPECT_EQ(p.getStep(16), nullptr);
    EXPECT_EQ(p.getStep(-1), nullptr);
    ASSERT_NE(p.getStep(15), nullptr);

    p.setStepNote(30, 64);
    p.setStepNote(30, 16);
    p.setStepSlide(true, -1);
    p.setNBStep(64);
    for (int i = 0; i < 64; ++i)
    {
        EXPECT_EQ(p.getStep(i)->note(), kDefaultStepNote);
        EXPECT_FALSE(p.getStep(i)->slide());
    }
}

TEST(Pattern, NewPatternHasDefaultsAndGridStartTimes)
{
    Pattern p(12);
    EXPECT_EQ(p.getName(), "Default");
    EXPECT_EQ(p.getNBStep(), 12);
    for (int i = 0; i < 64; ++i)
    {
        const Step* s = p.getStepAnyIndex(i);
        EXPECT_EQ(s->note(), 25);
        EXPECT_FALSE(s->slide());
        EXPECT_FALSE(s->accent());
        EXPECT_DOUBLE_EQ(s->timeStart(), i * 0.25);
    }
}

TEST(Pattern, StepCountIsHeldWithinTheSteps)
{
    Pattern p;
    p.setNBStep(127);
    EXPECT_EQ(p.getNBStep(), 64);
    p.setNBStep(-5);
    EXPECT_EQ(p.getNBStep(), 0);
    EXPECT_EQ(p.getStep(0), nullptr);
}

TEST(Pattern, ClearResetsVisibleStepsAndKeepsHiddenOnes)
{
    Pattern p(32);
    for (int i = 0; i < 32; ++i)
    {
        p.setStepNote(40, i);
        p.setStepSlide(true, i);
        p.setStepAccent(true, i);
    }
    p.setNBStep(16);
    p.clear();
    p.setNBStep(32);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(p.getStep(i)->note(), 25);
        EXPECT_FALSE(p.getStep(i)->slide());
        EXPECT_FALSE(p.getStep(i)->accent());
    }
    for (int i = 16; i < 32; ++i)
    {
        EXPECT_EQ(p.getStep(i)->note(), 40);
        EXPECT_TRUE(p.getStep(i)->slide());
        EXPECT_TRUE(p.getStep(i)->accent());
    }
}

TEST(Pattern, TransposeUpMovesWholePatternOrNothing)
{
    Pattern p(4);
    setNotes(p, {59, 0, 10, 1});
    p.transposeUp();
    EXPECT_EQ(notesOf(p), (std::vector<int>{60, 0, 11, 2}));
    p.transposeUp();
    EXPECT_EQ(notesOf(p), (std::vector<int>{60, 0, 11, 2}));
}

TEST(Pattern, TransposeDownMovesWholePatternOrNothing)
{
    Pattern p(4);
    setNotes(p, {2, 0, 10, 60});
    p.transposeDown();
    EXPECT_EQ(notesOf(p), (std::vector<int>{1, 0, 9, 59}));
    p.transposeDown();
    EXPECT_EQ(notesOf(p), (std::vector<int>{1, 0, 9, 59}));
}

TEST(Pattern, RestsOnlyPatternIgnoresTranspose)
{
    Pattern p(3);
    setNotes(p, {0, 0, 0});
    p.transposeUp();
    p.transposeDown();
    EXPECT_EQ(notesOf(p), (std::vector<int>{0, 0, 0}));
}

TEST(Pattern, TransposeLooksOnlyAtVisibleSteps)
{
    Pattern p(4);
    setNotes(p, {10, 10, 10, 60});
    p.setNBStep(3);
    p.transposeUp();
    p.setNBStep(4);
    EXPECT_EQ(notesOf(p), (std::vector<int>{11, 11, 11, 60}));
}

TEST(Song, NewSongHasSixtyFourNamedSixteenStepPatterns)
{
    Song song;
    for (int i = 0; i < 64; ++i)
    {
        const Pattern* p = song.getPattern(i);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getName(), "pattern " + std::to_string(i + 1));
        EXPECT_EQ(p->getNBStep(), 16);
    }
    EXPECT_EQ(song.getPattern(63)->getStep(15)->note(), 25);
    EXPECT_EQ(song.getPattern(64), nullptr);
    EXPECT_EQ(song.getPattern(-1), nullptr);
}

TEST(Song, SetPatternCopiesIntoSlotAndKeepsReferencesValid)
{
    Song song;
    Pattern* slot = song.getPattern(5);
    Pattern replacement(7);
    replacement.setName("acid");
    replacement.setStepNote(33, 6);
    song.setPattern(5, replacement);
    song.setPattern(64, replacement);
    EXPECT_EQ(song.getPattern(5), slot);
    EXPECT_EQ(slot->getName(), "acid");
    EXPECT_EQ(slot->getNBStep(), 7);
    EXPECT_EQ(slot->getStep(6)->note(), 33);
    EXPECT_EQ(song.getPattern(63)->getName(), "pattern 64");
}
