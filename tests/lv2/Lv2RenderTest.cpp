// The LV2 instrument in a lilv host: the default pattern in step with the host's transport,
// live notes in MIDI-in sync, the same output as the VST plugin for the same session whatever
// blocks the host cuts it into, and a run() that never allocates.
#include "lv2/lv2Sessions.h"
#include "lv2/lv2Uris.h"
#include "support/AllocGuard.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace quelvar;

namespace
{
// The default pattern as MIDI notes; steps 2, 5, 10 and 15 are reached by a slide, and step 2
// ties into the note of step 1, so it sends no note-on.
constexpr int kDefaultPattern[16] = {48, 50, 50, 49, 47, 51, 50, 49,
                                     51, 48, 43, 51, 47, 51, 53, 47};
constexpr bool kSlidInto[16] = {0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr double kStepFrames = 44100.0 * 60.0 / 120.0 / 4.0;

std::vector<SentNote> noteOns(const Played& p)
{
    std::vector<SentNote> ons;
    for (const SentNote& n : p.midi)
        if ((n.bytes[0] & 0xF0) == 0x90 && n.bytes[2] > 0)
            ons.push_back(n);
    return ons;
}

std::vector<float> slice(const std::vector<float>& x, double from, double frames)
{
    const auto a = static_cast<std::size_t>(from);
    return {x.begin() + static_cast<long>(a), x.begin() + static_cast<long>(a + frames)};
}
} // namespace

TEST(Lv2Render, PlaysTheDefaultPatternInStepWithTheHost)
{
    const Played p = playLv2(playingSession(0.0, 344, 512)); // two bars at 120 BPM
    std::vector<SentNote> expected;
    for (int k = 0; k < 32; ++k)
        if (k % 16 != 2)
        {
            const std::uint8_t accent = (0x8C0Au >> (k % 16)) & 1u ? 127 : 64;
            expected.push_back(
                {static_cast<long long>(std::ceil(k * kStepFrames)),
                 {0x90, static_cast<std::uint8_t>(kDefaultPattern[k % 16]), accent}});
        }
    EXPECT_EQ(noteOns(p), expected);
    for (int k = 0; k < 32; ++k)
    {
        if (kSlidInto[k % 16])
            continue;
        const double f = dominantFrequency(
            slice(p.left, (k + 0.1) * kStepFrames, 0.35 * kStepFrames), 44100.0, 30.0, 1000.0);
        EXPECT_NEAR(f / voiceFrequency(kDefaultPattern[k % 16]), 1.0, 0.03) << "step " << k;
    }
}

TEST(Lv2Render, PlaysLiveNotesInMidiInSync)
{
    Session s;
    s.blocks.assign(200, SessionBlock{512, {}, {}});
    s.blocks[0].controls = {{"sync_mode", 2.0f}};
    s.blocks[10].events = {midiAt(100, 0x90, 48, 100)};
    s.blocks[60].events = {midiAt(7, 0x80, 48, 0)};
    s.blocks[100].events = {midiAt(300, 0x90, 55, 100)};
    s.blocks[150].events = {midiAt(0, 0x80, 55, 0)};
    const Played p = playLv2(s);
    EXPECT_EQ(peakOf(p.left, 0, 10 * 512), 0.0f);
    const double f48 = dominantFrequency(slice(p.left, 20 * 512, 8192), 44100.0, 30.0, 1000.0);
    const double f55 = dominantFrequency(slice(p.left, 110 * 512, 8192), 44100.0, 30.0, 1000.0);
    EXPECT_NEAR(f48 / voiceFrequency(48), 1.0, 0.02);
    EXPECT_NEAR(f55 / voiceFrequency(55), 1.0, 0.02);
    EXPECT_EQ(peakOf(p.left, 190 * 512), 0.0f);
}

struct SessionCase
{
    const char* name;
    Session (*make)();
};

class Lv2MatchesVst : public testing::TestWithParam<SessionCase>
{
};

TEST_P(Lv2MatchesVst, SampleForSampleAndNoteForNote)
{
    const Session s = GetParam().make();
    const Played lv2 = playLv2(s);
    const Played vst = playVst(s);
    ASSERT_EQ(lv2.left.size(), vst.left.size());
    EXPECT_GT(peakOf(lv2.left), 0.01f);
    EXPECT_TRUE(lv2.left == vst.left);
    EXPECT_TRUE(lv2.right == vst.right);
    EXPECT_EQ(lv2.midi, vst.midi);
}

Session startsInsideThePattern()
{
    return playingSession(5.0, 120, 512);
}

// Blocks of every length the host may choose, none announced as larger than 4096 but one
// larger still; a loop back mid-block, a stop and a restart mid-block, positions in a block of
// no frames, and a pattern chosen by a MIDI note.
Session oddBlocksAndJumps()
{
    Session s;
    s.announcedBlock = 4096;
    s.tempo = 137.0;
    const int sizes[] = {1, 7, 333, 0, 4096, 9000, 64, 1000, 511, 2, 4095, 0, 1500, 257};
    for (int round = 0; round < 6; ++round)
        for (int frames : sizes)
            s.blocks.push_back({frames, {}, {}});
    s.blocks[0].events = {positionAt(0, 0.0, true)};
    s.blocks[2].events = {positionAt(100, 2.0, true)};
    s.blocks[3].events = {positionAt(0, 8.0, true), midiAt(0, 0x90, 1, 100)};
    s.blocks[8].events = {midiAt(200, 0x80, 1, 0), positionAt(300, 0.0, true)};
    s.blocks[16].events = {positionAt(30, 0.0, false)};
    s.blocks[21].events = {positionAt(700, 6.5, true)};
    s.blocks[33].events = {midiAt(5, 0x90, 0, 90), midiAt(9, 0x80, 0, 0),
                           positionAt(1200, 1.75, true)};
    return s;
}

// A host that sends where it is at every block start, its beats rounded to ticks: no
// relocation while the positions only confirm the sequencer's own count.
Session positionInEveryBlock()
{
    Session s = playingSession(3.0, 300, 441);
    s.tempo = 133.0;
    s.positionEveryBlock = true;
    s.positionTicksPerBeat = 1920;
    return s;
}

Session noBlockLengthAnnounced()
{
    Session s = playingSession(0.0, 60, 3000);
    s.announcedBlock = 0;
    return s;
}

Session liveNotes()
{
    Session s;
    s.blocks.assign(120, SessionBlock{480, {}, {}});
    s.blocks[0].controls = {{"sync_mode", 2.0f}};
    s.blocks[5].events = {midiAt(100, 0x90, 48, 100), midiAt(400, 0x90, 60, 30)};
    s.blocks[6].frames = 0;
    s.blocks[6].events = {midiAt(0, 0x80, 60, 0)};
    s.blocks[40].events = {midiAt(479, 0x80, 48, 0), midiAt(479, 0x90, 43, 127)};
    s.blocks[90].events = {midiAt(1, 0x80, 43, 0)};
    return s;
}

// Every kind of port moved while the sequencer plays.
Session controlsMoved()
{
    Session s = playingSession(0.0, 200, 512);
    s.blocks[10].controls = {{"cutoff", 40.0f},  {"resonance", 0.5f}, {"tuning", -3.0f},
                             {"waveform", 1.0f}, {"groove", 50.0f},   {"steps", 12.0f}};
    s.blocks[40].controls = {{"distortion", 1.0f},      {"distortion_type", 2.0f},
                             {"distortion_1", 70.0f},   {"delay", 1.0f},
                             {"delay_ping_pong", 1.0f}, {"delay_filter", -50.0f}};
    s.blocks[80].controls = {{"pattern_sync", 0.0f},
                             {"pattern", 3.0f},
                             {"volume", 0.5f},
                             {"delay_sync", 0.0f},
                             {"delay_time", 0.3f}};
    s.blocks[120].controls = {{"pattern", 1.0f},  {"slide_time", 0.8f}, {"gate", 0.9f},
                              {"accent", 100.0f}, {"env_mod", 80.0f},   {"decay", 20.0f}};
    s.blocks[160].controls = {{"sync_mode", 1.0f}, {"tempo", 150.0f}};
    s.blocks[170].controls = {{"sync_mode", 0.0f}};
    return s;
}

// A held key is written into the steps as they play.
Session stepRecording()
{
    Session s = playingSession(0.0, 200, 512);
    s.blocks[5].controls = {{"step_record", 1.0f}};
    s.blocks[20].events = {midiAt(10, 0x90, 60, 100)};
    s.blocks[60].events = {midiAt(10, 0x80, 60, 0)};
    return s;
}

// Ports moved in the blocks where the host jumps, stops and starts again mid-block.
Session controlsWithJumps()
{
    Session s = playingSession(0.0, 150, 512);
    s.blocks[30].controls = {{"cutoff", 60.0f}, {"delay", 1.0f}, {"delay_time", 0.2f}};
    s.blocks[30].events = {positionAt(200, 6.0, true)};
    s.blocks[60].controls = {{"distortion", 1.0f}, {"tempo", 150.0f}};
    s.blocks[60].events = {midiAt(0, 0x90, 2, 100), positionAt(300, 1.0, false)};
    s.blocks[61].controls = {{"waveform", 1.0f}};
    s.blocks[61].events = {positionAt(100, 3.5, true)};
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, Lv2MatchesVst,
    testing::Values(SessionCase{"startsInsideThePattern", startsInsideThePattern},
                    SessionCase{"oddBlocksAndJumps", oddBlocksAndJumps},
                    SessionCase{"positionInEveryBlock", positionInEveryBlock},
                    SessionCase{"noBlockLengthAnnounced", noBlockLengthAnnounced},
                    SessionCase{"liveNotes", liveNotes},
                    SessionCase{"controlsMoved", controlsMoved},
                    SessionCase{"stepRecording", stepRecording},
                    SessionCase{"controlsWithJumps", controlsWithJumps}),
    [](const testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

// The first frame a MIDI-in note due at frame 11062 is heard at, cut into blocks of `block`
// frames (0: random lengths), in one format.
long long liveOnset(int block, bool lv2)
{
    constexpr long long kNoteFrame = 11062;
    Session s;
    s.announcedBlock = 4096;
    std::mt19937 rng(static_cast<unsigned>(block) + 17);
    for (long long at = 0; at < 16384;)
    {
        const int frames = block > 0 ? block : 1 + static_cast<int>(rng() % 3000);
        SessionBlock b{frames, {}, {}};
        if (at <= kNoteFrame && kNoteFrame < at + frames)
            b.events = {midiAt(static_cast<int>(kNoteFrame - at), 0x90, 48, 100)};
        s.blocks.push_back(b);
        at += frames;
    }
    s.blocks[0].controls = {{"sync_mode", 2.0f}};
    const Played p = lv2 ? playLv2(s) : playVst(s);
    for (std::size_t i = 0; i < p.left.size(); ++i)
        if (p.left[i] != 0.0f)
            return static_cast<long long>(i) - kNoteFrame;
    return -1;
}

class LiveNoteOnset : public testing::TestWithParam<int>
{
};

// Whatever blocks the host cuts, a live note starts at its frame: the wavetable oscillator's
// 32-sample refill may hold it back by less than one refill, never more.
TEST_P(LiveNoteOnset, IsTheNotesFrameWhateverTheBlockLength)
{
    for (bool lv2 : {false, true})
    {
        const long long late = liveOnset(GetParam(), lv2);
        EXPECT_GE(late, 0) << (lv2 ? "LV2" : "VST 2");
        EXPECT_LT(late, 32) << (lv2 ? "LV2" : "VST 2");
    }
}

INSTANTIATE_TEST_SUITE_P(BlockLengths, LiveNoteOnset, testing::Values(1, 64, 512, 1000, 4096, 0),
                         [](const testing::TestParamInfo<int>& info)
                         { return info.param > 0 ? std::to_string(info.param) : "random"; });

TEST(Lv2Render, RunAllocatesNothing)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri, 44100.0, 4096);
    ASSERT_TRUE(host.loaded());
    std::vector<float> left(9000), right(9000);
    host.play(0.0);
    host.process(left.data(), right.data(), 512);
    std::vector<std::pair<float*, const ControlPort*>> ports;
    for (const ControlPort& port : controlPorts())
        ports.push_back({&host.controlValue(port.symbol), &port});

    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        int round = 0;
        for (int frames : {1, 7, 64, 512, 4096, 9000, 0, 333})
        {
            for (auto& [value, port] : ports)
                *value = round % 2 ? port->maximum : port->minimum;
            host.queueMidi(0, 0x90, static_cast<std::uint8_t>(40 + round), 100);
            host.queueMidi(frames / 2, 0x80, static_cast<std::uint8_t>(40 + round), 0);
            host.queuePosition(frames / 3, 1.5 * round, round != 5);
            host.process(left.data(), right.data(), frames);
            ++round;
        }
    }
    EXPECT_EQ(allocGuard::count(), before);
}
