#include "engine/Palladon.h"
#include "support/RecordingEditor.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace quelvar;

namespace
{
std::string display(Palladon& engine, int index)
{
    char text[64];
    std::strcpy(text, "unchanged");
    engine.getParameterDisplay(index, text);
    return text;
}

std::string name(Palladon& engine, int index)
{
    char text[64] = {};
    engine.getParameterName(index, text);
    return text;
}

std::string label(Palladon& engine, int index)
{
    char text[64] = {};
    engine.getParameterLabel(index, text);
    return text;
}

struct FlavourCase
{
    Flavour flavour;
    float cutoff, resonance, envMod, accent;
};

class ParameterDefaults : public testing::TestWithParam<FlavourCase>
{
};
} // namespace

TEST_P(ParameterDefaults, AfterConstruction)
{
    const FlavourCase c = GetParam();
    Palladon engine(nullptr, c.flavour);
    const float expected[kNumParams] = {
        1.0f,          0.0f,    0.5f,   c.cutoff, c.resonance, c.envMod, 0.9f, c.accent,
        0.5f,          0.0f,    15.0f / 63.0f,    1.0f,        0.0f,     1.0f, 0.0f,
        0.0f,          1.0f,    0.0f,   0.5f,     0.3f,        0.3f,     0.5f, 0.0f,
        0.0f,          0.0f,    0.5f,   0.0f,     80.0f / 260.0f, 0.0f,        0.0f};
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_FLOAT_EQ(engine.getParameter(i), expected[i]) << "slot " << i;
    EXPECT_EQ(engine.getSlideSamples(), 5512);
    EXPECT_EQ(engine.getCurrentPatternIndex(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    BothFlavours, ParameterDefaults,
    testing::Values(FlavourCase{Flavour::plugin, 0.09375f, 0.919375f, 0.170625f, 0.304375f},
                    FlavourCase{Flavour::standalone, 0.15f, 1.0f, 0.1f, 1.0f}));

TEST(Parameters, NamesAndLabels)
{
    Palladon engine(nullptr);
    EXPECT_EQ(name(engine, 0), "Volume");
    EXPECT_EQ(name(engine, 15), "Delay ");
    EXPECT_EQ(name(engine, 25), "Dist prm2");
    for (int i : {26, 27, 28, 30, -1})
        EXPECT_EQ(name(engine, i), "invalid") << i;
    EXPECT_EQ(name(engine, kChainPlay), "Chain");
    EXPECT_EQ(label(engine, 0), "dB");
    EXPECT_EQ(label(engine, 3), "%");
    EXPECT_EQ(label(engine, 8), "ms");
    for (int i = 10; i < kNumParams; ++i)
        EXPECT_EQ(label(engine, i), " ") << i;
}

TEST(Parameters, WaveformSwitchesAtHalf)
{
    Palladon engine(nullptr);
    engine.setParameter(kWaveform, 0.49f);
    EXPECT_EQ(engine.getParameter(kWaveform), 0.0f);
    EXPECT_EQ(display(engine, kWaveform), "saw");
    engine.setParameter(kWaveform, 0.5f);
    EXPECT_EQ(engine.getParameter(kWaveform), 1.0f);
    EXPECT_EQ(display(engine, kWaveform), "square");
}

TEST(Parameters, StepCountFollowsSlotTen)
{
    Palladon engine(nullptr);
    engine.setParameter(kNbStep, 0.0f);
    EXPECT_EQ(engine.getCurrentPattern()->getNBStep(), 1);
    EXPECT_EQ(engine.getParameter(kNbStep), 0.0f);
    engine.setParameter(kNbStep, 1.0f);
    EXPECT_EQ(engine.getCurrentPattern()->getNBStep(), 64);
    EXPECT_EQ(engine.getParameter(kNbStep), 1.0f);
    EXPECT_EQ(display(engine, kNbStep), "64");
}

TEST(Parameters, PatternSyncModesAndQuantum)
{
    Palladon engine(nullptr);
    engine.setParameter(kPattSync, 0.3f);
    EXPECT_EQ(display(engine, kPattSync), "1 step");
    EXPECT_EQ(engine.getTransport().patternSyncQuantum(), 0.25);
    engine.setParameter(kPattSync, 0.2f);
    EXPECT_EQ(display(engine, kPattSync), "free");
    EXPECT_EQ(engine.getTransport().patternSyncQuantum(), 0.25);
    engine.setParameter(kPattSync, 0.75f);
    EXPECT_EQ(display(engine, kPattSync), "16 step");
    EXPECT_EQ(engine.getTransport().patternSyncQuantum(), 4.0);
    engine.setParameter(kPattSync, 1.0f);
    EXPECT_EQ(display(engine, kPattSync), "AUTO");
}

TEST(Parameters, SlideTimeInSamplesWhateverTheRate)
{
    Palladon engine(nullptr);
    engine.setSampleRate(96000.0f);
    engine.setParameter(kSlideTime, 1.0f);
    EXPECT_EQ(engine.getSlideSamples(), 65512);
    engine.setParameter(kSlideTime, 0.0f);
    EXPECT_EQ(engine.getSlideSamples(), 5512);
}

TEST(Parameters, AntialiasFixedInPluginSettableInStandalone)
{
    Palladon plugin(nullptr, Flavour::plugin);
    plugin.setParameter(kAntialias, 0.0f);
    EXPECT_EQ(plugin.getParameter(kAntialias), 1.0f);
    EXPECT_EQ(display(plugin, kAntialias), "ON");

    Palladon standalone(nullptr, Flavour::standalone);
    standalone.setParameter(kAntialias, 0.0f);
    EXPECT_EQ(standalone.getParameter(kAntialias), 0.0f);
    EXPECT_EQ(display(standalone, kAntialias), "OFF");
}

TEST(Parameters, TriggerSlotSelectsFirstThirtyTwoPatterns)
{
    Palladon engine(nullptr);
    engine.setParameter(kTriggerPattern, 0.5f);
    EXPECT_EQ(engine.getCurrentPatternIndex(), 16);
    EXPECT_EQ(display(engine, kTriggerPattern), "17");
    EXPECT_FLOAT_EQ(engine.getParameter(kTriggerPattern), 0.5f);
    engine.setParameter(kTriggerPattern, 1.0f);
    EXPECT_EQ(engine.getCurrentPatternIndex(), 16);
    EXPECT_FLOAT_EQ(engine.getParameter(kTriggerPattern), 0.5f);
}

TEST(Parameters, TempoInWholeBeatsPerMinute)
{
    Palladon engine(nullptr);
    const std::pair<float, double> cases[] = {{0.0f, 40.0}, {1.0f, 300.0}, {0.5f, 170.0}};
    for (auto [v, bpm] : cases)
    {
        engine.setParameter(kTempo, v);
        EXPECT_EQ(engine.getTransport().tempo(), bpm);
        EXPECT_FLOAT_EQ(engine.getParameter(kTempo), static_cast<float>((bpm - 40.0) / 260.0));
    }
}

TEST(Parameters, GateMovesTheReleaseByUpToFourTenthsOfAStep)
{
    Palladon engine(nullptr);
    const std::pair<float, int> cases[] = {{0.0f, 2204}, {0.5f, 0}, {1.0f, -2204}};
    for (auto [v, offset] : cases)
    {
        engine.setParameter(kGate, v);
        EXPECT_EQ(engine.getGateOffset(), offset) << v;
    }
}

TEST(Parameters, GrooveDelaysOddStepsOnly)
{
    Palladon engine(nullptr);
    engine.setParameter(kGroove, 1.0f);
    const Pattern* p = engine.getCurrentPattern();
    for (int i = 0; i < p->getNBStep(); ++i)
        EXPECT_DOUBLE_EQ(p->getStep(i)->timeStart(), i * 0.25 + ((i & 1) ? 0.09375 : 0.0));
}

TEST(Parameters, UnnamedSlotsHaveNoDisplayText)
{
    Palladon engine(nullptr);
    for (int i : {26, 27, 28, 30, -3})
        EXPECT_EQ(display(engine, i), "unchanged") << i;
    EXPECT_EQ(display(engine, kChainPlay), "OFF");
    engine.setParameter(kStepRecord, 0.7f);
    EXPECT_EQ(engine.getParameter(kStepRecord), 1.0f);
}

TEST(Parameters, DisplayFormats)
{
    Palladon engine(nullptr);
    EXPECT_EQ(display(engine, kVolume), "0.000000");
    engine.setParameter(kVolume, 0.5f);
    EXPECT_EQ(display(engine, kVolume), "-6.02060");
    engine.setParameter(kVolume, 0.0f);
    EXPECT_EQ(display(engine, kVolume), "-oo");
    EXPECT_EQ(display(engine, kTuning), "0.500000");
    EXPECT_EQ(display(engine, kCutoff), "9");
    EXPECT_EQ(display(engine, kDelayFilter), "0");
    engine.setParameter(kDelayFilter, 0.0f);
    EXPECT_EQ(display(engine, kDelayFilter), "-100");
    engine.setParameter(kDistSelect, 0.25f);
    EXPECT_EQ(display(engine, kDistSelect), "ClipInferno");
    EXPECT_EQ(display(engine, kDelayOn), "OFF");
}

// A host asks for the text of values the slot does not hold: it must be the text the slot shows
// once it holds them, whatever the tempo, rate and delay sync ("antialias" holds nothing but on
// in the plugin).
class ParameterTextOfAnyValue : public testing::TestWithParam<int>
{
};

TEST_P(ParameterTextOfAnyValue, IsWhatTheSlotShowsHoldingIt)
{
    const int slot = GetParam();
    for (const float rate : {44100.0f, 96000.0f})
        for (const float delaySync : {0.0f, 1.0f})
        {
            Palladon engine(nullptr);
            engine.setSampleRate(rate);
            engine.setParameter(kDelaySync, delaySync);
            engine.setParameter(kTempo, 0.37f);
            for (const float v : {0.0f, 0.013f, 0.25f, 0.3f, 0.5f, 0.66f, 0.749f, 0.97f, 1.0f})
            {
                char text[64] = {};
                engine.formatParameterValue(slot, v, text);
                engine.setParameter(slot, v);
                EXPECT_EQ(text, display(engine, slot)) << "value " << v << " rate " << rate;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(NamedSlots, ParameterTextOfAnyValue,
                         testing::Values(kVolume, kWaveform, kTuning, kCutoff, kResonance,
                                         kEnvMod, kDecay, kAccent, kGate, kGroove, kNbStep,
                                         kPattSync, kSlideTime, kDelayOn,
                                         kDelaySync, kDelayPing, kDelayTime, kDelayVolume,
                                         kDelayFeedback, kDelayFilter, kDistOn, kDistSelect,
                                         kDistParam1, kDistParam2));

TEST(Parameters, SlotsWithoutADisplayStillHaveATextForEveryValue)
{
    Palladon engine(nullptr);
    const std::pair<int, float> cases[] = {{kSyncType, 0.0f}, {kSyncType, 0.5f},
                                           {kSyncType, 1.0f}, {kTempo, 0.0f},
                                           {kTempo, 1.0f},    {kStepRecord, 0.7f}};
    const char* const expected[] = {"Host", "Internal", "MIDI in", "40", "300", "ON"};
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        char text[64] = {};
        engine.formatParameterValue(cases[i].first, cases[i].second, text);
        EXPECT_STREQ(text, expected[i]);
    }
}

TEST(Parameters, OutOfRangeIndexIsIgnored)
{
    Palladon engine(nullptr);
    RecordingEditor* editor = new RecordingEditor;
    engine.attachEditor(editor);
    engine.setParameter(kNumParams, 0.3f);
    engine.setParameter(-1, 0.3f);
    EXPECT_EQ(engine.getParameter(kNumParams), 0.0f);
    EXPECT_EQ(engine.getParameter(-1), 0.0f);
    EXPECT_TRUE(editor->parameters.empty());
}

TEST(Parameters, ValuesOutsideZeroToOneAreClampedAtTheEntry)
{
    Palladon engine(nullptr);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    engine.setParameter(kNbStep, 2.0f);
    EXPECT_EQ(engine.getCurrentPattern()->getNBStep(), 64);
    engine.setParameter(kNbStep, nan);
    EXPECT_EQ(engine.getCurrentPattern()->getNBStep(), 1);
    engine.setParameter(kTriggerPattern, -inf);
    EXPECT_EQ(engine.getCurrentPatternIndex(), 0);
    engine.setParameter(kTempo, inf);
    EXPECT_EQ(engine.getTransport().tempo(), 300.0);
    engine.setParameter(kSlideTime, 50.0f);
    EXPECT_EQ(engine.getSlideSamples(), 65512);
    for (int i = 0; i < kNumParams; ++i)
    {
        engine.setParameter(i, nan);
        const float v = engine.getParameter(i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << "slot " << i;
    }
}

TEST(Parameters, EveryChangeReachesTheEditorWithTheGivenValue)
{
    Palladon engine(nullptr, Flavour::plugin);
    RecordingEditor* editor = new RecordingEditor;
    engine.attachEditor(editor);
    for (int i = 0; i < kNumParams; ++i)
        engine.setParameter(i, 0.3f);
    ASSERT_EQ(editor->parameters.size(), static_cast<std::size_t>(kNumParams));
    for (int i = 0; i < kNumParams; ++i)
    {
        EXPECT_EQ(editor->parameters[i].first, i);
        EXPECT_EQ(editor->parameters[i].second, 0.3f);
    }
    EXPECT_EQ(engine.getParameter(kWaveform), 0.0f);
}

TEST(Parameters, EveryEngineGetsItsOwnInstanceNumber)
{
    Palladon first(nullptr);
    Palladon second(nullptr);
    EXPECT_EQ(second.getInstanceNumber(), first.getInstanceNumber() + 1);
}
