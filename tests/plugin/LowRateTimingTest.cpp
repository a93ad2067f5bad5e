// Below 22050 Hz the voice runs at 44100 Hz and is resampled: the step clock must still keep
// the host's time, block after block, for as long as a song lasts.
#include "support/EngineHarness.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace quelvar;

namespace
{

class LowRateTiming : public testing::TestWithParam<double>
{
};

// Frames of the note-ons the plugin sent, counted from the start of the render.
std::vector<std::int64_t> noteOnFrames(const VstHost& host, int blockSize)
{
    std::vector<std::int64_t> frames;
    for (const ReceivedMidi& m : host.received)
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0)
            frames.push_back(static_cast<std::int64_t>(m.block) * blockSize + m.deltaFrames);
    return frames;
}

} // namespace

// Five minutes at 120 BPM in host sync: every note-on lies within one host frame of its
// sixteenth on the host's grid.
TEST_P(LowRateTiming, HostSyncStepsStayOnTheHostGrid)
{
    const double rate = GetParam();
    constexpr int kBlock = 256;
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(rate, kBlock);
    host.play();
    std::vector<float> left(kBlock), right(kBlock);
    const auto blocks = static_cast<int>(300.0 * rate / kBlock);
    for (int b = 0; b < blocks; ++b)
        host.processBlock(left.data(), right.data(), kBlock);

    const double stepFrames = rate / 8.0;
    const std::vector<std::int64_t> onsets = noteOnFrames(host, kBlock);
    ASSERT_GT(onsets.size(), 2000u);
    double worst = 0.0;
    for (std::int64_t frame : onsets)
    {
        const double grid = std::round(static_cast<double>(frame) / stepFrames) * stepFrames;
        worst = std::max(worst, std::abs(static_cast<double>(frame) - grid));
    }
    EXPECT_LE(worst, 1.0) << "at " << rate << " Hz a step began " << worst
                          << " frames away from the host's grid";
}

// Internal sync at 140 BPM: five minutes of steps take exactly five minutes of host frames.
TEST_P(LowRateTiming, InternalTempoIsExact)
{
    const double rate = GetParam();
    constexpr int kBlock = 256;
    EngineHarness h(Flavour::plugin, rate, kBlock);
    h.engine().setParameter(kSyncType, 0.5f);
    h.engine().setParameter(kTempo, (140.0f - 40.0f) / 260.0f);
    h.engine().internalPlay();
    h.render(static_cast<int>(300.0 * rate), kBlock);

    std::vector<long long> onsets;
    for (const SentMidi& m : h.midiOut)
        if (m.status == 0x90 && m.data2 > 0)
            onsets.push_back(m.frame);
    ASSERT_GT(onsets.size(), 2000u);
    const double stepFrames = rate * 60.0 / 140.0 / 4.0;
    double worst = 0.0;
    for (long long frame : onsets)
    {
        const double grid = std::round(static_cast<double>(frame) / stepFrames) * stepFrames;
        worst = std::max(worst, std::abs(static_cast<double>(frame) - grid));
    }
    EXPECT_LE(worst, 1.0) << "at " << rate << " Hz a step began " << worst
                          << " frames away from the tempo's grid";
}

INSTANTIATE_TEST_SUITE_P(Rates, LowRateTiming, testing::Values(8000.0, 11025.0, 16000.0));
