// The engine's render call on its own: it reaches no host, hands back its notes sorted inside the
// block, and a change inside a block acts as if the block had been cut there.
#include "engine/Palladon.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

using namespace quelvar;

namespace
{

int hostCalls = 0;

VstIntPtr failingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    ++hostCalls;
    ADD_FAILURE() << "the render call reached the host with opcode " << opcode;
    return 0;
}

struct Played
{
    std::vector<float> left;
    std::vector<float> right;
    std::vector<BlockMidi> midi; // frames from the start of the run
    std::vector<ParameterReport> reports;
    bool controllersChanged = false;
};

// An engine driven through render() only, with a host that fails the test when called.
class Renderer
{
public:
    explicit Renderer(double rate = 44100.0, int prepared = 512)
        : engine(&failingHost, Flavour::plugin)
    {
        engine.setSampleRate(static_cast<float>(rate));
        engine.setBlockSize(prepared);
        engine.resume();
        in.time.sampleRate = rate;
        in.time.tempo = 120.0;
    }

    // Renders a block of in.frames into played; in is cleared afterwards, its time moved on.
    void block(Played& played)
    {
        const auto start = static_cast<long long>(played.left.size());
        played.left.resize(played.left.size() + static_cast<std::size_t>(in.frames));
        played.right.resize(played.left.size());
        out.left = played.left.data() + start;
        out.right = played.right.data() + start;
        engine.render(in, out);
        int previous = 0;
        for (const BlockMidi& m : out.midi)
        {
            EXPECT_GE(m.frame, previous) << "notes out of order";
            EXPECT_LT(m.frame, in.frames) << "a note outside its block";
            previous = m.frame;
            played.midi.push_back({static_cast<int>(start) + m.frame, m.bytes});
        }
        played.reports.insert(played.reports.end(), out.reports.begin(), out.reports.end());
        played.controllersChanged = played.controllersChanged || out.controllersChanged;
        // A block of no frames leaves its transport to the next one.
        HostTime& t = in.time;
        for (const TransportChange& c : in.transport)
            t = c.time;
        if (t.playing)
            t.ppqPosition += in.frames / t.sampleRate * t.tempo / 60.0;
        if (in.frames > 0)
            t.transportChanged = false;
        in.clear();
    }

    void midiAt(int frame, std::uint8_t status, std::uint8_t d1, std::uint8_t d2)
    {
        in.midi.add({frame, {status, d1, d2}});
    }

    Palladon engine;
    RenderInput in;
    RenderOutput out;
};

struct Scenario
{
    const char* name;
    double rate;
    std::function<void(Renderer&, int block)> beforeBlock; // sets frames and changes
};

void PrintTo(const Scenario& s, std::ostream* os)
{
    *os << s.name;
}

class RenderCallScenario : public testing::TestWithParam<Scenario>
{
};

void playFrom(Renderer& r, double beats)
{
    r.in.time.ppqPosition = beats;
    r.in.time.playing = true;
    r.in.time.transportChanged = true;
}

HostTime jumpTo(const Renderer& r, double beats, double tempo)
{
    HostTime t = r.in.time;
    t.ppqPosition = beats;
    t.tempo = tempo;
    t.playing = true;
    t.transportChanged = true;
    return t;
}

} // namespace

TEST_P(RenderCallScenario, ReachesNoHostAndHandsBackSortedNotesInsideTheBlock)
{
    hostCalls = 0;
    Renderer r(GetParam().rate);
    Played played;
    for (int b = 0; b < 200; ++b)
    {
        r.in.frames = 512;
        GetParam().beforeBlock(r, b);
        r.block(played);
    }
    EXPECT_EQ(hostCalls, 0);
    EXPECT_TRUE(allFinite(played.left) && allFinite(played.right));
    EXPECT_GT(peakOf(played.left), 0.01f);
    EXPECT_FALSE(played.midi.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RenderCallScenario,
    testing::Values(
        Scenario{"hostTransport", 44100.0,
                 [](Renderer& r, int b)
                 {
                     if (b == 0)
                         playFrom(r, 0.0);
                 }},
        Scenario{"jumpsTempoAndStopsInsideBlocks", 48000.0,
                 [](Renderer& r, int b)
                 {
                     if (b == 0)
                         playFrom(r, 0.0);
                     if (b % 7 == 3)
                         r.in.transport.add({100 + b, jumpTo(r, b * 0.37, 90.0 + b)});
                     if (b % 31 == 30)
                     {
                         HostTime stopped = r.in.time;
                         stopped.playing = false;
                         stopped.transportChanged = true;
                         r.in.transport.add({300, stopped});
                         r.in.transport.add({400, jumpTo(r, 2.0, 128.0)});
                     }
                 }},
        Scenario{"parametersControllersAndProgramsInsideBlocks", 44100.0,
                 [](Renderer& r, int b)
                 {
                     if (b == 0)
                     {
                         playFrom(r, 0.0);
                         r.engine.learnController(kCutoff);
                         r.midiAt(0, 0xB0, 20, 90);
                     }
                     r.in.parameters.add({(b * 37) % 512, kResonance, (b % 10) / 9.0f});
                     r.in.parameters.add({(b * 91) % 512, kDelayOn, b > 50 ? 1.0f : 0.0f});
                     r.midiAt((b * 13) % 512, 0xB0, 20, static_cast<std::uint8_t>(b % 128));
                     if (b % 40 == 39)
                         r.midiAt(5, 0xC0, static_cast<std::uint8_t>(b % 3), 0);
                 }},
        Scenario{"liveNotesAfterASyncChange", 44100.0,
                 [](Renderer& r, int b)
                 {
                     if (b == 0)
                         r.in.parameters.add({200, kSyncType, 1.0f});
                     if (b % 20 == 1)
                         r.midiAt(b % 500, 0x90, static_cast<std::uint8_t>(40 + b % 30), 100);
                     if (b % 20 == 11)
                         r.midiAt(7, 0x80, static_cast<std::uint8_t>(40 + (b - 10) % 30), 0);
                     // The sequencer's notes keep coming: internal sync through the editor.
                     if (b == 150)
                         r.in.parameters.add({0, kSyncType, 0.5f});
                     if (b == 151)
                         r.engine.internalPlay();
                 }},
        Scenario{"emptyAndLongBlocks", 16000.0,
                 [](Renderer& r, int b)
                 {
                     if (b == 0)
                         playFrom(r, 1.0);
                     r.in.frames = b % 5 == 0 ? 0 : (b % 5 == 1 ? 9000 : 1 + (b * 97) % 700);
                 }}),
    [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

struct SplitCase
{
    const char* name;
    // Adds the changes of frame `at` to a block, at that frame.
    void (*changes)(Renderer&, int at);
    bool midiInSync = false; // from the start: the voice plays live notes
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.name;
}

class RenderCallSplit : public testing::TestWithParam<SplitCase>
{
};

// One block with changes at frame 700 against two blocks cut there, the changes at the second's
// first frame: audio and notes the same, bit for bit, over the blocks that follow too.
TEST_P(RenderCallSplit, AChangeInsideABlockActsAsIfTheBlockWereCutThere)
{
    const auto run = [](bool cut)
    {
        Renderer r(44100.0, 1024);
        Played played;
        playFrom(r, 0.0);
        if (GetParam().midiInSync)
            r.in.parameters.add({0, kSyncType, 1.0f});
        r.in.frames = 512;
        r.block(played);
        if (cut)
        {
            r.in.frames = 700;
            r.block(played);
            r.in.frames = 1300;
            GetParam().changes(r, 0);
        }
        else
        {
            r.in.frames = 2000;
            GetParam().changes(r, 700);
        }
        r.block(played);
        for (int b = 0; b < 40; ++b)
        {
            r.in.frames = 512;
            r.block(played);
        }
        return played;
    };
    const Played whole = run(false);
    const Played cut = run(true);
    ASSERT_EQ(whole.left.size(), cut.left.size());
    EXPECT_EQ(std::memcmp(whole.left.data(), cut.left.data(), whole.left.size() * sizeof(float)),
              0);
    EXPECT_EQ(std::memcmp(whole.right.data(), cut.right.data(), whole.right.size() * sizeof(float)),
              0);
    EXPECT_EQ(whole.midi, cut.midi);
    EXPECT_GT(peakOf(whole.left), 0.01f);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, RenderCallSplit,
    testing::Values(SplitCase{"voiceParameters",
                              [](Renderer& r, int at)
                              {
                                  r.in.parameters.add({at, kCutoff, 0.6f});
                                  r.in.parameters.add({at, kWaveform, 1.0f});
                              }},
                    SplitCase{"distortionAndDelaySwitchedOn",
                              [](Renderer& r, int at)
                              {
                                  r.in.parameters.add({at, kDistOn, 1.0f});
                                  r.in.parameters.add({at, kDelayOn, 1.0f});
                              }},
                    SplitCase{"jump",
                              [](Renderer& r, int at) {
                                  r.in.transport.add({at, jumpTo(r, 5.5, 120.0)});
                              }},
                    SplitCase{"tempo",
                              [](Renderer& r, int at)
                              {
                                  HostTime t = r.in.time;
                                  t.ppqPosition += at / 44100.0 * t.tempo / 60.0;
                                  t.tempo = 151.0;
                                  r.in.transport.add({at, t});
                              }},
                    SplitCase{"jumpWithAParameterAndAPatternNote",
                              [](Renderer& r, int at)
                              {
                                  r.in.transport.add({at, jumpTo(r, 3.0, 133.0)});
                                  r.in.parameters.add({at, kPattSync, 0.0f});
                                  r.midiAt(at, 0x90, 1, 100);
                              }},
                    SplitCase{"liveNoteAndAParameter",
                              [](Renderer& r, int at)
                              {
                                  r.in.parameters.add({at, kCutoff, 0.5f});
                                  r.midiAt(at, 0x90, 45, 100);
                              },
                              true}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(RenderCall, ControllersReportEachSlotOnceWithItsLastValue)
{
    Renderer r;
    Played played;
    r.engine.learnController(kCutoff);
    r.in.frames = 256;
    r.midiAt(10, 0xB0, 21, 30);
    r.midiAt(20, 0xB0, 21, 127);
    r.midiAt(30, 0xC0, 4, 0);
    r.block(played);
    ASSERT_EQ(played.reports.size(), 2u);
    EXPECT_EQ(played.reports[0].slot, kCutoff);
    EXPECT_EQ(played.reports[0].value, 1.0f);
    EXPECT_TRUE(played.reports[0].fromController);
    EXPECT_EQ(played.reports[1].slot, kTriggerPattern);
    EXPECT_FALSE(played.reports[1].fromController);
    EXPECT_EQ(r.engine.getParameter(kTriggerPattern), played.reports[1].value);
    EXPECT_TRUE(played.controllersChanged);
}
