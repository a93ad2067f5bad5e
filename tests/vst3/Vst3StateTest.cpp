// The VST 3 state: the VST plugin's chunk bytes exactly, carried into a fresh instance however the
// host's stream hands them over; the controller shows what was restored; an empty state gives
// the defaults and a malformed one changes nothing.
#include "engine/Palladon.h"
#include "support/Vst3TestHost.h"
#include "support/EngineHarness.h"
#include "support/chunkSamples.h"
#include "tools/pluginState.h"
#include "vst3/vst3Sessions.h"

#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::vst3;

TEST(Vst3State, IsTheChunkTheVstPluginSaves)
{
    Vst3TestHost vst3(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(vst3.loaded()) << vst3.error();
    VstHost vst2(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(vst2.loaded());
    EXPECT_EQ(vst3.saveState(), readPluginChunk(vst2));

    std::vector<std::uint8_t> edited = editedChunk();
    ASSERT_TRUE(vst3.restoreState(edited));
    ASSERT_TRUE(writePluginChunk(vst2, edited));
    const std::vector<std::uint8_t> saved = vst3.saveState();
    EXPECT_EQ(saved, readPluginChunk(vst2));
    EXPECT_EQ(saved, editedChunk());
}

TEST(Vst3State, AFreshInstanceRestoredFromItSavesTheSameWhateverPiecesTheStreamGives)
{
    Vst3TestHost original(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(original.loaded()) << original.error();
    ASSERT_TRUE(original.restoreState(editedChunk()));
    const std::vector<std::uint8_t> saved = original.saveState();
    for (const int piece : {0, 1, 7, 4096, 5000})
    {
        Vst3TestHost restored(QUELVAR_VST3_BUNDLE);
        ASSERT_TRUE(restored.loaded());
        ASSERT_TRUE(restored.restoreState(saved, piece)) << piece;
        EXPECT_EQ(restored.saveState(), saved) << piece;
    }
}

TEST(Vst3State, ARestoredInstancePlaysLikeTheOneThatSavedIt)
{
    Vst3TestHost original(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(original.loaded()) << original.error();
    ASSERT_TRUE(original.restoreState(editedChunk()));
    Vst3TestHost restored(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(restored.restoreState(original.saveState()));
    const Session s = playingSession(0.0, 150, 512);
    const Played a = playVst3In(original, s);
    const Played b = playVst3In(restored, s);
    EXPECT_GT(peakOf(a.left), 0.01f);
    EXPECT_TRUE(a.left == b.left && a.right == b.right);
    EXPECT_EQ(a.midi, b.midi);
}

TEST(Vst3State, TheControllerShowsTheRestoredValuesAndTellsTheHost)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    host.controller->setParamNormalized(kResonance, 0.9);
    ASSERT_TRUE(host.restoreState(editedChunk()));
    EXPECT_EQ(host.controller->getParamNormalized(kResonance), 0.3f);
    EXPECT_EQ(host.controller->getParamNormalized(kDelayOn), 1.0);
    ASSERT_FALSE(host.restarts.empty());
    EXPECT_TRUE(host.restarts.back() & kParamValuesChanged);
}

TEST(Vst3State, AnEmptyStateRestoresTheDefaults)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    const std::vector<std::uint8_t> defaults = host.saveState();
    const double resonance = host.controller->getParamNormalized(kResonance);
    ASSERT_TRUE(host.restoreState(editedChunk()));
    ASSERT_NE(host.saveState(), defaults);
    EXPECT_TRUE(host.restoreState({}));
    EXPECT_EQ(host.saveState(), defaults);
    EXPECT_EQ(host.controller->getParamNormalized(kResonance), resonance);
}

class Vst3StateRejected : public testing::TestWithParam<MalformedChunk>
{
};

TEST_P(Vst3StateRejected, AndNothingChanges)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    ASSERT_TRUE(host.restoreState(editedChunk()));
    const std::vector<std::uint8_t> before = host.saveState();
    const double resonance = host.controller->getParamNormalized(kResonance);
    host.restarts.clear();
    EXPECT_FALSE(host.restoreState(GetParam().bytes));
    EXPECT_EQ(host.saveState(), before);
    EXPECT_EQ(host.controller->getParamNormalized(kResonance), resonance);
    EXPECT_TRUE(host.restarts.empty());
}

std::vector<MalformedChunk> rejectedStates()
{
    std::vector<MalformedChunk> states = malformedChunks();
    std::vector<std::uint8_t> huge = editedChunk();
    huge.resize(2 << 20, 0);
    states.push_back({"largerThanAnyState", huge});
    return states;
}

INSTANTIATE_TEST_SUITE_P(States, Vst3StateRejected, testing::ValuesIn(rejectedStates()),
                         [](const testing::TestParamInfo<MalformedChunk>& info)
                         { return info.param.name; });
