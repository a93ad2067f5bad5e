// The VST 3 instrument rendering in the VST 3 test host, loaded from the bundle by its path: the
// shared sessions give the VST plugin's audio and notes sample for sample; parameter changes,
// the program, pitch-bend and controller parameters act at their offsets as the MIDI they stand
// for; the engine's own moves and the panel's reach the host; process() never allocates.
#include "engine/Palladon.h"
#include "support/AllocGuard.h"
#include "support/EngineHarness.h"
#include "vst3/Vst3Plugin.h"
#include "vst3/vst3Sessions.h"

#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::vst3;

namespace
{
constexpr ParamID kFirstController = kFirstControllerParamId;

void expectSamePlay(const Played& vst3, const Played& vst2)
{
    ASSERT_EQ(vst3.left.size(), vst2.left.size());
    EXPECT_GT(peakOf(vst2.left), 0.01f);
    EXPECT_TRUE(vst3.left == vst2.left);
    EXPECT_TRUE(vst3.right == vst2.right);
    EXPECT_EQ(vst3.midi, vst2.midi);
}

// Something the host gives at a frame of the session: a slot's value, or MIDI (a note, or what
// the program, pitch-bend or a controller parameter stands for: `id` is that parameter then).
struct TimedInput
{
    long long frame;
    ParamID id; // kNoParamId: a note event
    double value;
    std::array<std::uint8_t, 3> midi;
};

constexpr int kBlock = 1000;
constexpr int kBlocks = 60;

bool isSlot(const TimedInput& in)
{
    return in.id != kNoParamId && in.id < static_cast<ParamID>(kNumParams);
}

// The VST plugin has no timed parameter changes: its blocks are cut where a slot changes, and
// it gets the MIDI the VST 3 parameters stand for.
Played playTimedVst(const std::vector<TimedInput>& inputs)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    host.start(44100.0, kBlock);
    host.setTempo(120.0);
    host.play(0.0);
    Played p;
    auto render = [&](int frames)
    {
        std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
        host.processBlock(left.data(), right.data(), frames);
        p.left.insert(p.left.end(), left.begin(), left.end());
        p.right.insert(p.right.end(), right.begin(), right.end());
    };
    for (long long start = 0; start < kBlock * kBlocks; start += kBlock)
    {
        long long at = start;
        for (const TimedInput& in : inputs)
        {
            if (in.frame < start || in.frame >= start + kBlock)
                continue;
            if (isSlot(in))
            {
                if (in.frame > at)
                    render(static_cast<int>(in.frame - at));
                at = std::max(at, in.frame);
                host.setParameter(static_cast<int>(in.id), static_cast<float>(in.value));
            }
            else
            {
                host.queueMidi(static_cast<int>(in.frame - at), in.midi[0], in.midi[1], in.midi[2]);
            }
        }
        render(static_cast<int>(start + kBlock - at));
    }
    return p;
}

Played playTimedVst3(Vst3TestHost& host, const std::vector<TimedInput>& inputs)
{
    EXPECT_TRUE(host.start(44100.0, kBlock));
    host.context.state |= ProcessContext::kPlaying;
    Played p;
    std::vector<float> left(kBlock), right(kBlock);
    for (long long start = 0; start < kBlock * kBlocks; start += kBlock)
    {
        host.context.projectTimeMusic = static_cast<double>(start) / 44100.0 * 2.0;
        for (const TimedInput& in : inputs)
        {
            if (in.frame < start || in.frame >= start + kBlock)
                continue;
            const auto offset = static_cast<int>(in.frame - start);
            if (in.id != kNoParamId)
            {
                host.inputChanges.add(in.id, offset, in.value);
                continue;
            }
            Event e{};
            e.sampleOffset = offset;
            e.type = Event::kNoteOnEvent;
            e.noteOn = {0, in.midi[1], 0.0f, in.midi[2] / 127.0f, 0, -1};
            host.inputEvents.addEvent(e);
        }
        host.process(left.data(), right.data(), kBlock);
        p.left.insert(p.left.end(), left.begin(), left.end());
        p.right.insert(p.right.end(), right.begin(), right.end());
    }
    return p;
}

// A plugin of the adapter itself, in a host object whose handler records and whose context
// offers a run loop of the test's.
struct InProcess
{
    TestRunLoop loop;
    Vst3TestHost host{QUELVAR_VST3_BUNDLE, &loop};
    Vst3Plugin* plugin = Vst3Plugin::create();

    InProcess()
    {
        plugin->initialize(static_cast<IHostApplication*>(&host));
        plugin->setComponentHandler(&host);
        ProcessSetup setup{kRealtime, kSample32, 512, 44100.0};
        plugin->setupProcessing(setup);
        plugin->setActive(true);
        plugin->setProcessing(true);
    }
    ~InProcess()
    {
        plugin->terminate();
        plugin->release();
    }

    void process(ParameterChanges& in, ParameterChanges& out)
    {
        std::vector<float> left(512), right(512);
        ProcessBlock block(left.data(), right.data(), 512, &in, &out);
        out.clear();
        plugin->process(block.data);
        in.clear();
    }
};
} // namespace

class Vst3MatchesVst : public testing::TestWithParam<SessionCase>
{
};

TEST_P(Vst3MatchesVst, SampleForSampleAndNoteForNote)
{
    const Session s = GetParam().make();
    expectSamePlay(playVst3(s), playVst(s));
}

INSTANTIATE_TEST_SUITE_P(Sessions, Vst3MatchesVst, testing::ValuesIn(sessionCases()),
                         [](const testing::TestParamInfo<SessionCase>& info)
                         { return std::string(info.param.name); });

class Vst3AtRate : public testing::TestWithParam<double>
{
};

// setupProcessing at any rate the engine takes, the low-rate path's included.
TEST_P(Vst3AtRate, PlaysLikeTheVstPlugin)
{
    Session s = playingSession(5.0, 100, 700);
    s.rate = GetParam();
    expectSamePlay(playVst3(s), playVst(s));
}

INSTANTIATE_TEST_SUITE_P(Rates, Vst3AtRate, testing::Values(11025.0, 48000.0, 192000.0),
                         [](const testing::TestParamInfo<double>& info)
                         { return std::to_string(static_cast<int>(info.param)); });

// Slots change at their offsets; the program, pitch-bend and controller parameters are the MIDI
// they stand for, at theirs; a pattern-trigger note is a note event like any other.
TEST(Vst3Process, ParameterChangesAndNotesActAtTheirOffsets)
{
    const std::vector<TimedInput> inputs = {
        {5100, kCutoff, 0.6, {}},
        {5100, kResonance, 0.2, {}},
        {9733, kWaveform, 1.0, {}},
        {12001, kDistOn, 1.0, {}},
        {20500, kNoParamId, 0.0, {0x90, 3, 100}},
        {31000, kProgramParamId, 5.0 / 63.0, {0xC0, 5, 0}},
        {33333, kPitchBendParamId, 1.0, {0xE0, 0x7F, 0x7F}},
        {40000, kFirstController + 74, 64.0 / 127.0, {0xB0, 74, 64}},
        {45000, kDecay, 0.1, {}},
    };
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    expectSamePlay(playTimedVst3(host, inputs), playTimedVst(inputs));
}

// A controller the engine learns moves its slot: the host hears of the move as an output
// parameter change and the controller shows it; on the host's run loop the host is told to ask
// for the controller mapping again, and hears of the panel's move as one gesture.
TEST(Vst3Process, TheEnginesAndThePanelsMovesReachTheHost)
{
    InProcess p;
    ASSERT_NE(p.plugin, nullptr);
    ParameterChanges in;
    ParameterChanges out;
    ParamID id = 0;
    ASSERT_EQ(p.plugin->getMidiControllerAssignment(0, 0, 14, id), kResultTrue);
    EXPECT_EQ(id, kFirstController + 14);

    p.plugin->engine().learnController(kCutoff);
    in.add(kFirstController + 14, 10, 0.5);
    p.process(in, out);
    p.loop.fireTimers();
    ASSERT_FALSE(p.host.restarts.empty());
    EXPECT_TRUE(p.host.restarts.back() & kMidiCCAssignmentChanged);
    ASSERT_EQ(p.plugin->getMidiControllerAssignment(0, 0, 14, id), kResultTrue);
    EXPECT_EQ(id, static_cast<ParamID>(kCutoff));

    in.add(kFirstController + 14, 100, 1.0);
    p.process(in, out);
    ASSERT_EQ(out.getParameterCount(), 1);
    IParamValueQueue* moved = out.getParameterData(0);
    EXPECT_EQ(moved->getParameterId(), static_cast<ParamID>(kCutoff));
    int32 offset = 0;
    ParamValue value = 0.0;
    ASSERT_EQ(moved->getPoint(0, offset, value), kResultOk);
    EXPECT_EQ(value, p.plugin->engine().getParameter(kCutoff));
    EXPECT_EQ(p.plugin->getParamNormalized(kCutoff), value);
    EXPECT_TRUE(p.host.edits.empty()) << "a controller's move is the processor's to report";

    ParameterEdits& edits = p.plugin->engine().parameterEdits();
    edits.begin(kDecay);
    p.plugin->engine().setParameterAutomated(kDecay, 0.25f);
    edits.end(kDecay);
    EXPECT_TRUE(p.host.edits.empty()) << "only on the host's run loop";
    p.loop.fireTimers();
    EXPECT_EQ(p.host.edits, (std::vector<HostEdit>{{HostEdit::Kind::begin, kDecay, 0.0},
                                                   {HostEdit::Kind::perform, kDecay, 0.25},
                                                   {HostEdit::Kind::end, kDecay, 0.0}}));
    EXPECT_EQ(p.plugin->getParamNormalized(kDecay), 0.25);
}

TEST(Vst3Process, ProcessAllocatesNothing)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    ASSERT_TRUE(host.start(44100.0, 4096));
    std::vector<float> left(9000), right(9000);
    host.context.state |= ProcessContext::kPlaying;
    host.process(left.data(), right.data(), 512);

    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        int round = 0;
        for (int frames : {1, 7, 64, 512, 4096, 9000, 0, 333})
        {
            for (ParamID slot = 0; slot < static_cast<ParamID>(kNumParams); ++slot)
                host.inputChanges.add(slot, frames / 2, round % 2 ? 1.0 : 0.0);
            host.inputChanges.add(kProgramParamId, 0, round / 8.0);
            host.inputChanges.add(kPitchBendParamId, frames / 3, round % 2 ? 0.2 : 0.9);
            host.inputChanges.add(kFirstController + 7, frames / 4, 0.5);
            Event on{};
            on.type = Event::kNoteOnEvent;
            on.noteOn = {0, static_cast<int16>(40 + round), 0.0f, 0.8f, 0, -1};
            host.inputEvents.addEvent(on);
            Event off{};
            off.sampleOffset = frames / 2;
            off.type = Event::kNoteOffEvent;
            off.noteOff = {0, static_cast<int16>(40 + round), 0.0f, -1, 0.0f};
            host.inputEvents.addEvent(off);
            host.context.projectTimeMusic = 1.5 * round;
            if (round == 5)
                host.context.state &= ~ProcessContext::kPlaying;
            host.context.state |= ProcessContext::kCycleActive | ProcessContext::kCycleValid;
            host.context.cycleStartMusic = 0.0;
            host.context.cycleEndMusic = 1.5 * round + 0.01;
            host.process(left.data(), right.data(), frames);
            ++round;
        }
    }
    EXPECT_EQ(allocGuard::count(), before);
}
