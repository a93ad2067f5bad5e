// A chain through the plugins a host loads, the VST plugin and the LV2 bundle, fed the same
// session: the chain switch turned on through the parameter (the LV2 control port "chain"), a
// start at bar 9, a jump back inside a block and a loop; every onset where the timeline puts it.
#include "engine/PalladonFiles.h"
#include "lv2/lv2Sessions.h"
#include "lv2/lv2Uris.h"
#include "support/chainTimeline.h"
#include "tools/pluginState.h"

#include <gtest/gtest.h>

#include <lv2/atom/atom.h>

using namespace quelvar;
using namespace quelvar::chaintest;

namespace
{
constexpr int kBlock = 512;
constexpr double kSamplesPerBeat = 22050.0;

struct Jump
{
    int block;
    int frame;
    double beats;
};

// Starts at bar 9 (beat 32), jumps back to beat 3 inside block 200, and loops beat 1.5 to 4 from
// block 300 on.
Session chainSession(std::vector<Placement>& placed)
{
    Session s = playingSession(32.0, 520, kBlock);
    s.blocks[0].controls = {{"chain", 1.0f}};
    std::vector<Jump> jumps{{200, 173, 3.0}};
    for (int block = 300, frame = 0; block < 520;)
    {
        jumps.push_back({block, frame, 1.5});
        const long long next = block * kBlock + frame + static_cast<long long>(2.5 * kSamplesPerBeat);
        block = static_cast<int>(next / kBlock);
        frame = static_cast<int>(next % kBlock);
    }
    placed = {{0, 32.0}};
    for (const Jump& j : jumps)
    {
        if (j.block >= 520)
            break;
        s.blocks[static_cast<std::size_t>(j.block)].events.push_back(
            positionAt(j.frame, j.beats, true));
        placed.push_back({static_cast<long long>(j.block) * kBlock + j.frame, j.beats});
    }
    return s;
}

std::vector<Onset> onsetsOf(const Played& played)
{
    std::vector<Onset> onsets;
    for (const SentNote& n : played.midi)
        addNoteOn(onsets, n.frame, n.bytes[0], n.bytes[1], n.bytes[2]);
    return onsets;
}

// The chain in the state with its switch off: the session's control turns it on.
std::vector<std::uint8_t> chainStateSwitchedOff()
{
    Palladon engine(nullptr, Flavour::plugin);
    sampleChain().applyTo(engine);
    engine.setParameter(kChainPlay, 0.0f);
    return getChunkBytes(engine);
}
} // namespace

TEST(ChainSession, BothPluginsPlayWhatTheTimelineImplies)
{
    std::vector<Placement> placed;
    const Session s = chainSession(placed);
    const long long end = 520LL * kBlock;
    std::vector<std::uint8_t> state = chainStateSwitchedOff();

    VstHost vst(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(vst.loaded());
    ASSERT_TRUE(writePluginChunk(vst, state));
    const Played fromVst = playVstIn(vst, s);
    EXPECT_EQ(vst.getParameter(kChainPlay), 1.0f);
    EXPECT_EQ(vst.parameterName(kChainPlay), "Chain");

    Lv2TestHost lv2(QUELVAR_LV2_PATH, kLv2PluginUri, s.rate, s.announcedBlock);
    ASSERT_TRUE(lv2.loaded());
    ASSERT_TRUE(lv2.restoreProperty(kLv2ChunkKey, state, LV2_ATOM__Chunk));
    const Played fromLv2 = playLv2In(lv2, s);

    for (const auto& [name, played] : {std::pair{"VST", &fromVst}, std::pair{"LV2", &fromLv2}})
        for (const std::string& d :
             compareOnsets(sampleChain(), placed, end, kSamplesPerBeat, onsetsOf(*played)))
            ADD_FAILURE() << name << ": " << d;
}
