// The LV2 instrument in a lilv host: the default pattern in step with the host's transport,
// live notes in MIDI-in sync, the same output as the VST plugin for the same session whatever
// blocks the host cuts it into, and a run() that never allocates.
#include "lv2/lv2Sessions.h"
#include "lv2/lv2Uris.h"
#include "support/AllocGuard.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <cmath>

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

INSTANTIATE_TEST_SUITE_P(Sessions, Lv2MatchesVst, testing::ValuesIn(sessionCases()),
                         [](const testing::TestParamInfo<SessionCase>& info)
                         { return std::string(info.param.name); });

// The first frame a MIDI-in note due at frame 11062 is heard at, cut into blocks of `block`
// frames (0: random lengths), in one format.
long long liveOnset(int block, bool lv2)
{
    constexpr long long kNoteFrame = 11062;
    const Session s = liveNoteSession(block, kNoteFrame);
    const long long first = firstSoundingFrame(lv2 ? playLv2(s) : playVst(s));
    return first < 0 ? -1 : first - kNoteFrame;
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
