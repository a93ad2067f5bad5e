// Chain play in the engine: the entries and steps the timeline implies in host and internal
// sync, onset by onset, through starts, locates and loops; switching it on while playing; the
// trigger that leaves it; and a chain of one pattern playing exactly as that pattern loops.
#include "support/EngineHarness.h"
#include "support/chainTimeline.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quelvar;
using namespace quelvar::chaintest;

namespace
{
constexpr double kRate = 44100.0;

std::vector<Onset> onsetsOf(const EngineHarness& h)
{
    std::vector<Onset> onsets;
    for (const SentMidi& m : h.midiOut)
        addNoteOn(onsets, m.frame, m.status, m.data1, m.data2);
    return onsets;
}

double samplesPerBeat(double bpm)
{
    return kRate * 60.0 / bpm;
}

struct TimelineCase
{
    const char* name;
    bool internal;
    double tempo;
    int block;
    std::vector<Placement> placed; // host sync: the first is the start, the others locates
    long long frames;
};

void PrintTo(const TimelineCase& c, std::ostream* os)
{
    *os << c.name;
}

class ChainTimeline : public testing::TestWithParam<TimelineCase>
{
};
} // namespace

TEST_P(ChainTimeline, PlaysTheEntriesAndStepsThePositionImplies)
{
    const TimelineCase c = GetParam();
    EngineHarness h(Flavour::plugin, kRate, 1024);
    const ChainSong song = sampleChain();
    song.applyTo(h.engine());
    if (c.internal)
    {
        h.engine().setParameter(kSyncType, 0.5f);
        h.engine().setParameter(kTempo, static_cast<float>((c.tempo - 40.0) / 260.0));
        h.engine().internalPlay();
    }
    h.setTempo(c.tempo);
    for (std::size_t i = 0; i < c.placed.size(); ++i)
    {
        if (!c.internal)
            (i == 0 ? h.play(c.placed[i].beats) : h.locate(c.placed[i].beats));
        const long long until = i + 1 < c.placed.size() ? c.placed[i + 1].frame : c.frames;
        h.render(static_cast<int>(until - h.framesRendered()), c.block);
    }
    const std::vector<std::string> differences =
        compareOnsets(song, c.placed, c.frames, samplesPerBeat(c.tempo), onsetsOf(h));
    for (const std::string& d : differences)
        ADD_FAILURE() << d;
    EXPECT_GE(h.engine().getChainEntry(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    HostAndInternal, ChainTimeline,
    testing::Values(
        TimelineCase{"fromPositionZero", false, 120.0, 64, {{0, 0.0}}, 230000},
        TimelineCase{"startingAtBarNine", false, 133.0, 1024, {{0, 32.0}}, 150000},
        TimelineCase{"countIn", false, 120.0, 100, {{0, -1.0}}, 120000},
        TimelineCase{"locatingBackAndOn",
                     false,
                     120.0,
                     64,
                     {{0, 0.0}, {100003, 1.75}, {180001, 7.3}, {230017, 0.6}},
                     300000},
        TimelineCase{"loopingARegion",
                     false,
                     120.0,
                     64,
                     {{0, 2.0}, {55125, 2.0}, {110250, 2.0}, {165375, 2.0}},
                     220500},
        TimelineCase{"internalFromItsStart", true, 140.0, 512, {{0, 0.0}}, 200000}),
    [](const testing::TestParamInfo<TimelineCase>& info) { return std::string(info.param.name); });

TEST(Chain, SwitchedOnWhileTheHostPlaysItTakesItsPlaceAtOnce)
{
    EngineHarness h;
    const ChainSong song = sampleChain();
    song.applyTo(h.engine());
    h.engine().setParameter(kChainPlay, 0.0f);
    h.play(0.0);
    h.render(50000, 64);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 0) << "without the chain the pattern plays";
    h.engine().setParameter(kChainPlay, 1.0f);
    h.render(100000, 64);
    const std::vector<std::string> differences = compareOnsets(
        song, {{50000, 50000 / samplesPerBeat(120.0)}}, 150000, samplesPerBeat(120.0),
        onsetsOf(h));
    for (const std::string& d : differences)
        ADD_FAILURE() << d;
}

TEST(Chain, SwitchedOnInInternalSyncItStartsWhenThePlayingPassEnds)
{
    EngineHarness h;
    const ChainSong song = sampleChain();
    song.applyTo(h.engine());
    h.engine().setParameter(kChainPlay, 0.0f);
    h.engine().setParameter(kSyncType, 0.5f);
    h.engine().internalPlay();
    h.render(10000, 64);
    h.engine().setParameter(kChainPlay, 1.0f);
    h.render(200000, 64);
    // Pattern 0 has 16 steps: its pass ends at beat 4.
    const long long passEnd = 4 * 22050;
    const std::vector<std::string> differences =
        compareOnsets(song, {{passEnd, 0.0}}, 210000, samplesPerBeat(120.0), onsetsOf(h));
    for (const std::string& d : differences)
        ADD_FAILURE() << d;
}

// The trigger leaves chain play: the switch goes off (and the host hears of it), the playing
// entry ends its pass, then the chosen pattern loops. Stopped, a trigger only picks a pattern.
TEST(Chain, APatternTriggeredWhileTheChainPlaysLeavesIt)
{
    EngineHarness h;
    const ChainSong song = sampleChain();
    song.applyTo(h.engine());
    h.play(0.0);
    h.render(30000, 64); // beat 1.36: the second entry (pattern 8) plays
    ASSERT_EQ(h.engine().getChainEntry(), 1);
    h.engine().triggerPattern(41);
    EXPECT_EQ(h.engine().getParameter(kChainPlay), 0.0f);
    h.render(120000, 64);
    EXPECT_EQ(h.engine().getChainEntry(), -1);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 41);
    EXPECT_NE(std::find(h.reported.begin(), h.reported.end(), std::make_pair(static_cast<int>(kChainPlay), 0.0f)),
              h.reported.end());
    std::vector<Onset> after;
    for (const Onset& o : onsetsOf(h))
        if (o.frame >= 30000)
            after.push_back(o);
    // Steps 6 and 7 of the pass (pattern 8's last two), then pattern 41 from its first step at
    // beat 2, looping.
    ASSERT_GE(after.size(), 10u);
    const int expected[] = {12, 13, 21, 22, 23, 24, 25, 26, 27, 21};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(after[i].key, expected[i] + kMidiNoteOffset) << i;
    EXPECT_EQ(after[2].frame, 44100);

    h.stop();
    h.render(1000, 64);
    h.engine().setParameter(kChainPlay, 1.0f);
    h.engine().triggerPattern(8);
    EXPECT_EQ(h.engine().getParameter(kChainPlay), 1.0f);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 8);
}

// A one-entry chain is the pattern looping, slides across the loop included, sample for sample.
TEST(Chain, AChainOfOnePatternPlaysExactlyAsThatPatternLooping)
{
    for (const bool internal : {false, true})
    {
        std::vector<float> rendered[2];
        for (const bool chained : {false, true})
        {
            EngineHarness h;
            if (chained)
            {
                ChainEntries one;
                one.append(0);
                h.engine().setChain(one);
                h.engine().setParameter(kChainPlay, 1.0f);
            }
            if (internal)
            {
                h.engine().setParameter(kSyncType, 0.5f);
                h.engine().internalPlay();
            }
            else
            {
                h.play(0.0);
            }
            rendered[chained] = h.render(3 * 4 * 22050 + 777, 256);
        }
        EXPECT_TRUE(rendered[0] == rendered[1]) << (internal ? "internal" : "host") << " sync";
    }
}

TEST(Chain, EmptyChainsAndMidiInSyncPlayNoChain)
{
    EngineHarness h;
    h.engine().setParameter(kChainPlay, 1.0f);
    h.play(0.0);
    h.render(30000, 64);
    EXPECT_EQ(h.engine().getChainEntry(), -1);
    EXPECT_EQ(h.engine().getCurrentPatternIndex(), 0);

    sampleChain().applyTo(h.engine());
    h.render(64, 64);
    EXPECT_GE(h.engine().getChainEntry(), 0);
    h.engine().setParameter(kSyncType, 1.0f);
    h.render(64, 64);
    EXPECT_EQ(h.engine().getChainEntry(), -1);
}
