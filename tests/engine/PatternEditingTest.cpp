#include "support/EngineHarness.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
struct Snapshot
{
    int count;
    std::vector<std::array<int, 3>> steps; // all 64: note, slide, accent
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const Pattern& p)
{
    Snapshot s{p.getNBStep(), {}};
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        const Step* step = p.getStepAnyIndex(i);
        s.steps.push_back({step->note(), step->slide(), step->accent()});
    }
    return s;
}

void numberSteps(Pattern& p, int count, int firstNote)
{
    p.setNBStep(count);
    for (int i = 0; i < count; ++i)
    {
        p.setStepNote(firstNote + i, i);
        p.setStepSlide(i % 3 == 0, i);
        p.setStepAccent(i % 4 == 1, i);
    }
}
} // namespace

TEST(PatternEditing, PasteTakesTheSourceLengthAndKeepsHiddenSteps)
{
    Palladon engine(nullptr);
    Pattern& source = *engine.getSong().getPattern(3);
    Pattern& target = *engine.getSong().getPattern(4);
    numberSteps(source, 12, 1);
    numberSteps(target, 16, 30);
    engine.PatternCopy(3);
    engine.PatternPaste(4);
    EXPECT_EQ(target.getNBStep(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(target.getStep(i)->note(), 1 + i);
    for (int i = 12; i < 16; ++i)
        EXPECT_EQ(target.getStepAnyIndex(i)->note(), 30 + i);
}

TEST(PatternEditing, PasteBeforeAnyCopyChangesNothing)
{
    Palladon engine(nullptr);
    const Snapshot before = snapshot(*engine.getCurrentPattern());
    engine.PatternPaste(-1);
    engine.PatternPaste(7);
    EXPECT_EQ(snapshot(*engine.getCurrentPattern()), before);
}

TEST(PatternEditing, FieldRandomiserTouchesOnlyItsFieldOfThatPattern)
{
    Palladon engine(nullptr);
    Pattern& five = *engine.getSong().getPattern(5);
    numberSteps(five, 16, 10);
    const Snapshot current = snapshot(*engine.getCurrentPattern());
    const Snapshot before = snapshot(five);
    engine.patternRandom3(1, 5);
    const Snapshot after = snapshot(five);
    for (int i = 0; i < 64; ++i)
    {
        EXPECT_EQ(after.steps[i][0], before.steps[i][0]);
        EXPECT_EQ(after.steps[i][2], before.steps[i][2]);
        if (i >= 16)
        {
            EXPECT_EQ(after.steps[i], before.steps[i]);
        }
    }
    EXPECT_EQ(snapshot(*engine.getCurrentPattern()), current);
    engine.patternRandom3(7, 5);
    EXPECT_EQ(snapshot(five), after);
}

TEST(PatternEditing, ParameterRandomiserPicksAWaveformAndHundredths)
{
    Palladon engine(nullptr);
    for (int round = 0; round < 20; ++round)
    {
        engine.randomParameters();
        const float waveform = engine.getParameter(kWaveform);
        EXPECT_TRUE(waveform == 0.0f || waveform == 1.0f);
        for (int slot : {kCutoff, kResonance, kEnvMod, kDecay, kAccent})
        {
            const float v = engine.getParameter(slot);
            EXPECT_GE(v, 0.0f);
            EXPECT_LE(v, 1.0f);
            EXPECT_NEAR(v * 100.0f, std::round(v * 100.0f), 1e-3f) << slot;
        }
    }
}

TEST(PatternEditing, RandomisingTheCurrentPatternWaitsForTheNextBlock)
{
    EngineHarness h;
    const Snapshot before = snapshot(*h.engine().getCurrentPattern());
    h.engine().PatternRandom1(-1);
    EXPECT_EQ(snapshot(*h.engine().getCurrentPattern()), before);
    h.render(64);
    EXPECT_NE(snapshot(*h.engine().getCurrentPattern()), before);

    const Snapshot randomised = snapshot(*h.engine().getCurrentPattern());
    h.engine().PatternRandom1(-1);
    h.engine().suspend();
    h.render(64);
    EXPECT_EQ(snapshot(*h.engine().getCurrentPattern()), randomised);
}

TEST(PatternEditing, ClearAndTransposeWorkOnTheCurrentPattern)
{
    Palladon engine(nullptr);
    Pattern& p = *engine.getCurrentPattern();
    numberSteps(p, 16, 20);
    engine.patternTransposeUp();
    EXPECT_EQ(p.getStep(0)->note(), 21);
    engine.patternTransposeDown();
    engine.patternTransposeDown();
    EXPECT_EQ(p.getStep(0)->note(), 19);
    engine.PatternClear();
    EXPECT_EQ(p.getStep(5)->note(), kDefaultStepNote);
    EXPECT_FALSE(p.getStep(3)->slide());
}

namespace
{
using LineEditMethod = void (Palladon::*)();

class LineEdits : public testing::TestWithParam<std::pair<const char*, LineEditMethod>>
{
};
} // namespace

// Generate, Mutate and Fit to key change the current pattern's visible steps at once, in the
// engine's key, leave the rest of the song alone and tell the editor.
TEST_P(LineEdits, ChangeTheCurrentPatternInTheKeyAtOnce)
{
    EngineHarness h;
    Palladon& engine = h.engine();
    LineSettings s;
    s.key = 2;
    s.scale = Scale::dorian;
    s.mutatePercent = 50;
    engine.setLineSettings(s);
    Pattern& current = *engine.getCurrentPattern();
    numberSteps(current, 16, 20);
    current.setStepNote(0, 3);
    const Snapshot before = snapshot(current);
    const Snapshot other = snapshot(*engine.getSong().getPattern(5));
    const int updates = h.editor().displayUpdates;

    (engine.*GetParam().second)();
    const Snapshot after = snapshot(current);
    EXPECT_NE(after, before);
    EXPECT_EQ(after.count, 16);
    for (std::size_t i = 0; i < kStepsPerPattern; ++i)
    {
        const int note = after.steps[i][0];
        if (i >= 16)
        {
            EXPECT_EQ(after.steps[i], before.steps[i]) << "hidden step " << i;
        }
        else if (note != 0 && note != before.steps[i][0])
        {
            EXPECT_TRUE(inScale(note, 2, Scale::dorian)) << note << " at " << i;
        }
    }
    EXPECT_EQ(snapshot(*engine.getSong().getPattern(5)), other);
    EXPECT_GT(h.editor().displayUpdates, updates);
}

INSTANTIATE_TEST_SUITE_P(Engine, LineEdits,
                         testing::Values(std::make_pair("generate", &Palladon::generateLine),
                                         std::make_pair("mutate", &Palladon::mutateLine),
                                         std::make_pair("fitToKey", &Palladon::fitLineToKey)),
                         [](const auto& info) { return std::string(info.param.first); });
