// The LV2 state: the VST plugin's chunk bytes under one key, carried through lilv's own save and
// restore into a fresh instance, and left alone when a state cannot be read.
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "lv2/lv2Sessions.h"
#include "lv2/lv2Uris.h"
#include "support/EngineHarness.h"
#include "support/chunkSamples.h"
#include "tools/pluginState.h"

#include <gtest/gtest.h>

#include <lv2/atom/atom.h>

using namespace quelvar;

namespace
{
// Settings, a pattern chosen by a note and steps written by a held key: state of every kind.
Session editingSession()
{
    Session s = playingSession(0.0, 120, 512);
    s.blocks[3].controls = {{"cutoff", 42.0f}, {"distortion", 1.0f}, {"distortion_type", 3.0f},
                            {"delay", 1.0f},   {"steps", 9.0f},      {"step_record", 1.0f}};
    s.blocks[10].events = {midiAt(40, 0x90, 62, 110)};
    s.blocks[50].events = {midiAt(40, 0x80, 62, 0), midiAt(41, 0x90, 2, 100)};
    s.blocks[60].controls = {{"step_record", 0.0f}};
    return s;
}
} // namespace

TEST(Lv2State, SavesTheBytesTheVstPluginSaves)
{
    const Session s = editingSession();
    Lv2TestHost lv2(QUELVAR_LV2_PATH, kLv2PluginUri, s.rate, s.announcedBlock);
    ASSERT_TRUE(lv2.loaded());
    VstHost vst(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(vst.loaded());
    playLv2In(lv2, s);
    playVstIn(vst, s);
    std::string type;
    const std::vector<std::uint8_t> saved = lv2.saveProperty(kLv2ChunkKey, &type);
    EXPECT_EQ(type, LV2_ATOM__Chunk);
    const std::vector<std::uint8_t> vstChunk = readPluginChunk(vst);
    EXPECT_EQ(saved, vstChunk);
    EXPECT_NE(saved, getChunkBytes(*std::make_unique<Palladon>(nullptr, Flavour::plugin)));
}

TEST(Lv2State, AFreshInstanceRestoredFromTheStateSavesAndPlaysTheSame)
{
    Lv2TestHost original(QUELVAR_LV2_PATH, kLv2PluginUri, 44100.0, 512);
    ASSERT_TRUE(original.loaded());
    ASSERT_TRUE(original.restoreProperty(kLv2ChunkKey, editedChunk(), LV2_ATOM__Chunk));
    original.setControl("cutoff", 33.0f);
    original.setControl("pattern", 6.0f);
    const std::string turtle = original.saveState();
    ASSERT_NE(turtle.find(kLv2ChunkKey), std::string::npos) << "the state is not written out";

    Lv2TestHost restored(QUELVAR_LV2_PATH, kLv2PluginUri, 44100.0, 512);
    ASSERT_TRUE(restored.loaded());
    ASSERT_TRUE(restored.restoreState(turtle));
    EXPECT_EQ(restored.saveProperty(kLv2ChunkKey), original.saveProperty(kLv2ChunkKey));

    const Session s = playingSession(0.0, 200, 512);
    const Played a = playLv2In(original, s);
    const Played b = playLv2In(restored, s);
    EXPECT_GT(peakOf(a.left), 0.01f);
    EXPECT_TRUE(a.left == b.left);
    EXPECT_EQ(a.midi, b.midi);
    EXPECT_EQ(restored.saveProperty(kLv2ChunkKey), original.saveProperty(kLv2ChunkKey));
}

TEST(Lv2State, AnEmptyStateRestoresTheDefaults)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    const std::vector<std::uint8_t> defaults = host.saveProperty(kLv2ChunkKey);
    ASSERT_TRUE(host.restoreProperty(kLv2ChunkKey, editedChunk(), LV2_ATOM__Chunk));
    ASSERT_NE(host.saveProperty(kLv2ChunkKey), defaults);
    EXPECT_TRUE(host.restoreEmptyState());
    EXPECT_EQ(host.saveProperty(kLv2ChunkKey), defaults);
}

namespace
{
struct BadState
{
    std::string name;
    std::vector<std::uint8_t> bytes;
    const char* type;
};

std::vector<BadState> badStates()
{
    std::vector<BadState> states{{"notAChunk", editedChunk(), LV2_ATOM__String}};
    for (MalformedChunk& c : malformedChunks())
        states.push_back({c.name, std::move(c.bytes), LV2_ATOM__Chunk});
    return states;
}
} // namespace

class Lv2StateRejected : public testing::TestWithParam<BadState>
{
};

TEST_P(Lv2StateRejected, AndNothingChanges)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    const std::vector<std::uint8_t> before = host.saveProperty(kLv2ChunkKey);
    EXPECT_FALSE(host.restoreProperty(kLv2ChunkKey, GetParam().bytes, GetParam().type));
    EXPECT_EQ(host.saveProperty(kLv2ChunkKey), before);
}

INSTANTIATE_TEST_SUITE_P(States, Lv2StateRejected, testing::ValuesIn(badStates()),
                         [](const testing::TestParamInfo<BadState>& info)
                         { return info.param.name; });
