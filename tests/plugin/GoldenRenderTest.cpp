// Guards refactors and speed-ups: each case renders through the loaded plugin and must match the
// fingerprint of the output bytes it had when the case was written. A deliberate change of the
// sound updates the table in the same commit and says why.
#include "support/EngineHarness.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quelvar;

namespace
{

struct GoldenCase
{
    const char* name;
    double sampleRate;
    int blockSize;
    std::function<void(VstHost&)> setup; // after start, before the first block
    std::uint64_t fingerprint;
};

std::uint64_t fnv1a(const std::vector<float>& samples, std::uint64_t hash)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(samples.data());
    for (std::size_t i = 0; i < samples.size() * sizeof(float); ++i)
        hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
}

void playHost(VstHost& host, double bpm)
{
    host.setTempo(bpm);
    host.play();
}

void distortion(VstHost& host, float select)
{
    host.setParameter(22, 1.0f);
    host.setParameter(23, select);
    host.setParameter(24, 0.7f);
    host.setParameter(25, 0.4f);
    playHost(host, 120.0);
}

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class GoldenRender : public testing::TestWithParam<GoldenCase>
{
};

constexpr double kSeconds = 3.0;

} // namespace

TEST_P(GoldenRender, OutputBytesAreUnchanged)
{
    const GoldenCase& c = GetParam();
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(c.sampleRate, c.blockSize);
    c.setup(host);
    std::vector<float> left, right;
    host.render(static_cast<int>(c.sampleRate * kSeconds), c.blockSize, left, right);
    ASSERT_GT(peakOf(left), 0.01f) << "a silent case guards nothing";
    const std::uint64_t actual = fnv1a(right, fnv1a(left, 0xcbf29ce484222325ull));
    EXPECT_EQ(actual, c.fingerprint) << c.name << " now renders 0x" << std::hex << actual;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoldenRender,
    testing::Values(
        GoldenCase{"defaultPattern", 44100.0, 512, [](VstHost& h) { playHost(h, 120.0); },
                   0xc4767f31adef4c5eull},
        GoldenCase{"distortionType0", 44100.0, 512, [](VstHost& h) { distortion(h, 0.0f); },
                   0x66b5774e084cafedull},
        GoldenCase{"distortionType1", 44100.0, 512, [](VstHost& h) { distortion(h, 0.25f); },
                   0xeba9b398f8789243ull},
        GoldenCase{"distortionType2", 44100.0, 512, [](VstHost& h) { distortion(h, 0.5f); },
                   0x1ee81e00dc0f7bf6ull},
        GoldenCase{"distortionType3", 44100.0, 512, [](VstHost& h) { distortion(h, 0.75f); },
                   0x8ddbeaa84b7af235ull},
        GoldenCase{"delayPingPongHighPass", 44100.0, 512,
                   [](VstHost& h)
                   {
                       h.setParameter(15, 1.0f);
                       h.setParameter(17, 1.0f);
                       h.setParameter(19, 0.8f);
                       h.setParameter(20, 0.7f);
                       h.setParameter(21, 0.8f);
                       playHost(h, 120.0);
                   },
                   0x74b5ab8e22877b95ull},
        GoldenCase{"squareAccentsSlidesAt137", 48000.0, 1000,
                   [](VstHost& h)
                   {
                       h.setParameter(1, 1.0f);
                       h.setParameter(3, 0.3f);
                       h.setParameter(4, 0.9f);
                       h.setParameter(5, 0.8f);
                       h.setParameter(6, 0.2f);
                       h.setParameter(7, 1.0f);
                       h.setParameter(8, 0.8f);
                       h.setParameter(9, 0.3f);
                       playHost(h, 137.0);
                   },
                   0xc14d729217d4dfd1ull},
        GoldenCase{"lowRate16000", 16000.0, 256, [](VstHost& h) { playHost(h, 120.0); },
                   0x2d2682e6d48f274cull},
        GoldenCase{"lowRate11025", 11025.0, 333, [](VstHost& h) { distortion(h, 0.5f); },
                   0x7251f2153e40db3aull},
        GoldenCase{"highRate96000", 96000.0, 64, [](VstHost& h) { distortion(h, 0.25f); },
                   0x8a39d215b9f5bc82ull},
        GoldenCase{"tunedAt95Bpm", 44100.0, 128,
                   [](VstHost& h)
                   {
                       h.setParameter(2, 0.7f);
                       playHost(h, 95.0);
                   },
                   0xa9f0e94c37f4a50ull},
        GoldenCase{"liveNotesInMidiSync", 44100.0, 256,
                   [](VstHost& h)
                   {
                       h.setParameter(26, 1.0f);
                       h.setParameter(12, 0.6f);
                       h.queueMidi(10, 0x90, 48, 100);
                       h.queueMidi(200, 0x90, 55, 70);
                       h.queueMidi(250, 0x80, 48, 0);
                   },
                   0x9703ff9b816e70d8ull}),
    [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });
