// The CLAP state is the VST 2 plugin's chunk, byte for byte, through streams that move any
// number of bytes at a time; a state that cannot be read, an empty one included, changes nothing.
#include "clap/ClapPlugin.h"
#include "clap/clapParameters.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "support/ClapTestHost.h"
#include "support/chunkSamples.h"
#include "tools/pluginState.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace quelvar;
using namespace quelvar::clap;

namespace
{
class ClapState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.loaded()) << host.error();
        ASSERT_NE(host.create(), nullptr);
    }

    static std::vector<std::uint8_t> saved(const ClapTestHost& h) { return h.save().value(); }

    ClapTestHost host{QUELVAR_CLAP_PATH};
};
} // namespace

TEST_F(ClapState, IsTheVstPluginsChunk)
{
    VstHost vst(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(vst.loaded()) << vst.error();
    EXPECT_EQ(saved(host), readPluginChunk(vst));
    for (const auto& [slot, value] : {std::pair{kCutoff, 0.42},
                                      {kNbStep, 9.0},
                                      {kDistOn, 1.0},
                                      {kSyncType, 1.0},
                                      {kTempo, 133.0},
                                      {kStepRecord, 1.0}})
    {
        host.flush(slot, value);
        vst.setParameter(slot, fromClapValue(*clapParameterWithId(slot), value));
    }
    const std::vector<std::uint8_t> state = saved(host);
    EXPECT_EQ(state, readPluginChunk(vst));
    EXPECT_NE(state, getChunkBytes(*std::make_unique<Palladon>(nullptr, Flavour::plugin)));
}

// As the validator checks reproducibility: load, save gives the bytes loaded; a second instance
// loading those holds the same values and saves the same bytes again, also when the streams
// move the bytes in pieces of any size.
TEST_F(ClapState, LoadsAndSavesTheSameBytesThroughStreamsOfAnyPieceSize)
{
    const std::vector<std::uint8_t> edited = editedChunk();
    ASSERT_TRUE(host.load(edited));
    EXPECT_EQ(host.rescans, 1);
    EXPECT_TRUE(host.lastRescanFlags & CLAP_PARAM_RESCAN_VALUES);
    EXPECT_EQ(saved(host), edited);
    EXPECT_FLOAT_EQ(host.value(kResonance), 0.3f);

    for (const std::size_t piece : {1, 3, 4096, 100000})
    {
        ClapTestHost other(QUELVAR_CLAP_PATH);
        ASSERT_NE(other.create(), nullptr);
        ASSERT_TRUE(other.load(saved(host), piece)) << piece;
        EXPECT_EQ(other.save(piece), edited) << piece;
        for (const clap_param_info& info : host.parameters())
            EXPECT_EQ(other.value(info.id), host.value(info.id)) << info.name;
    }
}

// As the validator checks reproducibility after setting parameters with flush, and then by ear:
// an instance that loads the state renders what the instance it came from renders. ("trigger
// pt" chooses a pattern there and then; a state does not carry it.)
TEST_F(ClapState, LoadedRendersAsTheInstanceItCameFrom)
{
    ASSERT_TRUE(host.load(editedChunk()));
    std::mt19937 random(7);
    for (const clap_param_info& info : host.parameters())
        if (info.id != kSyncType && info.id != kTriggerPattern && info.id != kVolume)
            host.flush(info.id, info.min_value + (info.max_value - info.min_value) *
                                                     std::uniform_real_distribution<>()(random));
    const std::vector<std::uint8_t> state = saved(host);
    ClapTestHost other(QUELVAR_CLAP_PATH);
    ASSERT_NE(other.create(), nullptr);
    ASSERT_TRUE(other.load(state));
    EXPECT_EQ(saved(other), state);

    std::vector<float> played[2];
    for (int i = 0; i < 2; ++i)
    {
        ClapTestHost& h = i == 0 ? host : other;
        ASSERT_TRUE(h.activate(44100.0, 512));
        h.transport = ClapTestHost::transportAt(0.0, 120.0, true);
        std::vector<float> left(512), right(512);
        for (int b = 0; b < 300; ++b)
        {
            h.process(left.data(), right.data(), 512);
            played[i].insert(played[i].end(), left.begin(), left.end());
            played[i].insert(played[i].end(), right.begin(), right.end());
        }
    }
    EXPECT_TRUE(played[0] == played[1]);
    EXPECT_GT(*std::max_element(played[0].begin(), played[0].end()), 0.01f);
    ASSERT_EQ(host.sent.size(), other.sent.size());
    for (std::size_t i = 0; i < host.sent.size(); ++i)
        EXPECT_EQ(host.sent[i].midi, other.sent[i].midi) << i;
}

struct BadState
{
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::optional<std::size_t> readFailsAfter;
};

class ClapStateRejected : public ClapState, public ::testing::WithParamInterface<BadState>
{
};

TEST_P(ClapStateRejected, AndNothingChanges)
{
    ASSERT_TRUE(host.load(editedChunk()));
    const std::vector<std::uint8_t> before = saved(host);
    const int rescans = host.rescans;
    EXPECT_FALSE(host.load(GetParam().bytes, 1000, GetParam().readFailsAfter));
    EXPECT_EQ(saved(host), before);
    EXPECT_EQ(host.rescans, rescans);
}

namespace
{
std::vector<BadState> badStates()
{
    std::vector<BadState> states;
    for (const MalformedChunk& m : malformedChunks())
        states.push_back({m.name, m.bytes, {}});
    std::mt19937 random(27);
    std::vector<std::uint8_t> noise(11512);
    for (auto& x : noise)
        x = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> patternSixtyFive = editedChunk();
    patternSixtyFive[kChunkHeaderBytes] = 64;
    std::vector<std::uint8_t> beyondAnyState = editedChunk();
    beyondAnyState.resize(ClapPlugin::kMaxStateBytes + 1);
    states.push_back({"empty", {}, {}});
    states.push_back({"noise", noise, {}});
    states.push_back({"patternSixtyFive", patternSixtyFive, {}});
    states.push_back({"beyondAnyState", beyondAnyState, {}});
    states.push_back({"streamFailsMidway", editedChunk(), 3000});
    return states;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(States, ClapStateRejected, ::testing::ValuesIn(badStates()),
                         [](const ::testing::TestParamInfo<BadState>& info)
                         { return info.param.name; });
