// Quelvar.vst3 in a real host: Ardour 7 renders the bundle headless (ardourRender.sh). The
// default pattern's notes must start on Ardour's grid for 16 bars: each onset is found by
// lining Ardour's audio up with the same instrument rendered in the VST 3 test host, whose notes
// go out at their grid frames. A session saved, closed and loaded again must give the same
// parameter values, the same state bytes and the same audio.
#include "io/wavFile.h"
#include "support/EngineHarness.h"
#include "support/Vst3TestHost.h"
#include "support/missingTool.h"
#include "support/runCommand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <unistd.h>

using namespace quelvar;
using namespace quelvar::vst3;

namespace
{
constexpr double kRate = 48000.0;
constexpr double kTempo = 120.0;
constexpr int kBars = 16;
constexpr double kSeconds = kBars * 4 * 60.0 / kTempo;
constexpr int kStepFrames = 6000; // a sixteenth at 120 BPM and 48 kHz
constexpr int kArdourBlock = 1024;

struct Stereo
{
    std::vector<float> left;
    std::vector<float> right;
};

// The 32-bit float WAV Ardour's export preset writes.
Stereo readWav(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    Stereo s;
    for (std::size_t at = 12; at + 8 <= bytes.size();)
    {
        std::uint32_t size = 0;
        std::memcpy(&size, &bytes[at + 4], 4);
        if (std::memcmp(&bytes[at], "data", 4) == 0)
        {
            const std::size_t frames = std::min<std::size_t>(size, bytes.size() - at - 8) / 8;
            s.left.resize(frames);
            s.right.resize(frames);
            for (std::size_t i = 0; i < frames; ++i)
            {
                std::memcpy(&s.left[i], &bytes[at + 8 + 8 * i], 4);
                std::memcpy(&s.right[i], &bytes[at + 12 + 8 * i], 4);
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return s;
}

std::string readText(const std::string& path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The instrument as the session sets it, rendered in Ardour's blocks from the transport's start;
// the frames its notes start at.
Stereo renderReference(std::vector<long long>& noteOns)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    EXPECT_TRUE(host.loaded()) << host.error();
    EXPECT_TRUE(host.start(kRate, kArdourBlock));
    host.context.state |= ProcessContext::kPlaying;
    host.context.tempo = kTempo;
    host.inputChanges.add(1, 0, 1.0);  // Waveform
    host.inputChanges.add(3, 0, 0.55); // Cutoff
    host.inputChanges.add(6, 0, 0.3);  // Decay
    Stereo s;
    const auto total = static_cast<long long>(kSeconds * kRate);
    std::vector<float> left(kArdourBlock), right(kArdourBlock);
    for (long long at = 0; at < total; at += kArdourBlock)
    {
        host.context.projectTimeMusic = static_cast<double>(at) / kRate * kTempo / 60.0;
        host.context.projectTimeSamples = at;
        host.process(left.data(), right.data(), kArdourBlock);
        s.left.insert(s.left.end(), left.begin(), left.end());
        s.right.insert(s.right.end(), right.begin(), right.end());
        for (int i = 0; i < host.outputEvents.getEventCount(); ++i)
            if (host.outputEvents.at(i).type == Event::kNoteOnEvent)
                noteOns.push_back(at + host.outputEvents.at(i).sampleOffset);
    }
    s.left.resize(static_cast<std::size_t>(total));
    s.right.resize(static_cast<std::size_t>(total));
    return s;
}

// The first frame near `around` where sound starts after at least kQuiet frames of silence;
// -1 when there is none (a note slid into, or one that starts while the last still sounds).
constexpr int kQuiet = 256;
constexpr float kSounding = 1e-4f;

long long onsetNear(const std::vector<float>& x, long long around, int reach)
{
    long long quiet = 0;
    const long long from = std::max<long long>(around - reach - kQuiet, 0);
    const long long to = std::min<long long>(around + reach, static_cast<long long>(x.size()));
    for (long long i = from; i < to; ++i)
    {
        if (std::fabs(x[static_cast<std::size_t>(i)]) <= kSounding)
        {
            ++quiet;
            continue;
        }
        if (quiet >= kQuiet && i >= around - reach)
            return i;
        quiet = 0;
    }
    return -1;
}

// The VST 3 state Ardour keeps in a session file (the component's state inside a preset
// record), base64 as it stands there.
std::string pluginState(const std::string& session)
{
    std::smatch m;
    const std::regex state(R"re(<vst3[^>]*>[\s\S]*?<chunk>\s*([^<\s]+)\s*</chunk>)re");
    return std::regex_search(session, m, state) ? std::string(m[1]) : std::string();
}
} // namespace

TEST(Vst3InArdour, PlaysOnTheHostsGridAndRestoresItsState)
{
    if (access("/usr/lib/ardour7/luasession", X_OK) != 0)
        QUELVAR_MISSING("Ardour 7 is not installed (scripts/install-deps installs it)");
    const std::string out = std::string(QUELVAR_ARTIFACTS_DIR) + "/ardour";
    std::filesystem::remove_all(out);
    const CommandRun run =
        runCommand(std::string(QUELVAR_REALHOST_DIR) + "/ardourRender.sh " + QUELVAR_VST3_BUNDLE +
                   " " + out + " " + std::to_string(kSeconds) + " 120 48000 2>&1");
    std::cout << run.output;
    ASSERT_EQ(run.status, 0) << "the render in Ardour failed or its parameters differ after reload";

    const Stereo first = readWav(out + "/first.wav");
    const Stereo reloaded = readWav(out + "/reloaded.wav");
    ASSERT_EQ(first.left.size(), static_cast<std::size_t>(kSeconds * kRate));
    EXPECT_GT(peakOf(first.left), 0.05f);

    std::vector<long long> noteOns;
    const Stereo reference = renderReference(noteOns);
    writeWavFloat(out + "/testhost.wav", reference.left, reference.right, static_cast<int>(kRate));
    // The reference is on the grid: every note-on at a step's first frame.
    ASSERT_GT(noteOns.size(), 200u);
    for (long long frame : noteOns)
        ASSERT_EQ(frame % kStepFrames, 0) << frame;

    // Each note that starts from silence, found the same way in both renders: what the
    // detector adds to a note's first frame cancels out.
    long long worst = 0;
    long long sum = 0;
    int measured = 0;
    for (long long frame : noteOns)
    {
        const long long expected = onsetNear(reference.left, frame, kStepFrames / 4);
        if (expected < 0)
            continue;
        const long long heard = onsetNear(first.left, frame, kStepFrames / 4);
        ASSERT_GE(heard, 0) << "no onset in Ardour's render near frame " << frame;
        const long long error = std::llabs(heard - expected);
        worst = std::max(worst, error);
        sum += error;
        ++measured;
    }
    EXPECT_GT(measured, 100);
    std::cout << "onsets against Ardour's grid over " << kBars << " bars: " << measured
              << " notes, error at most " << worst << " samples, mean "
              << static_cast<double>(sum) / std::max(measured, 1) << "\n";
    RecordProperty("onsetErrorSamples", worst);
    EXPECT_EQ(worst, 0);

    EXPECT_TRUE(reloaded.left == first.left && reloaded.right == first.right)
        << "the reloaded session sounds different";
    const std::string before = pluginState(readText(out + "/first.ardour"));
    const std::string after = pluginState(readText(out + "/reloaded.ardour"));
    EXPECT_FALSE(before.empty()) << "no plugin state in the saved session";
    EXPECT_EQ(before, after) << "the state bytes changed across the reload";
}
