#include "support/AllocGuard.h"
#include "support/EngineHarness.h"
#include "support/TestHost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

using namespace quelvar;

TEST(PluginRender, PlaysTheDefaultPatternWhileTheHostPlays)
{
    TestHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(48000.0, 512);
    host.play();
    std::vector<float> left, right;
    host.render(48000, 512, left, right);
    EXPECT_TRUE(allFinite(left));
    EXPECT_GT(peakOf(left), 0.1f);
    host.stop();
    host.render(4096, 512, left, right);
    EXPECT_EQ(peakOf(left, 1024), 0.0f);
}

TEST(PluginRender, AHostWithoutTimeInfoGetsSilence)
{
    TestHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.answerTimeInfo = false;
    host.start(44100.0, 256);
    host.play();
    std::vector<float> left, right;
    host.render(8192, 256, left, right);
    EXPECT_EQ(peakOf(left), 0.0f);
    EXPECT_EQ(peakOf(right), 0.0f);
}

TEST(PluginRender, RenderingThroughTheDispatcherAllocatesNothing)
{
    TestHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(44100.0, 4096);
    host.play();
    std::vector<float> left(4096), right(4096);
    host.processBlock(left.data(), right.data(), 512);
    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        for (int frames : {1, 7, 64, 512, 4096})
            host.processBlock(left.data(), right.data(), frames);
    }
    EXPECT_EQ(allocGuard::count(), before);
}

namespace
{
std::vector<float> readFloatWav(const std::string& path, int& rate)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples;
    if (bytes.size() < 58 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return samples;
    std::memcpy(&rate, bytes.data() + 24, 4);
    samples.resize((bytes.size() - 58) / 4);
    std::memcpy(samples.data(), bytes.data() + 58, samples.size() * 4);
    return samples;
}
} // namespace

TEST(RenderTool, WritesTheRequestedLengthOfAudibleAudio)
{
    const std::string out = testing::TempDir() + "quelvar-render-test.wav";
    const std::string command = std::string(QUELVAR_RENDER_TOOL) + " --plugin " +
                                QUELVAR_PLUGIN_PATH + " --out " + out +
                                " --seconds 1.5 --tempo 130 --rate 48000 --block 300";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int rate = 0;
    const std::vector<float> interleaved = readFloatWav(out, rate);
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(interleaved.size(), 2u * 72000u);
    EXPECT_TRUE(allFinite(interleaved));
    EXPECT_GT(peakOf(interleaved), 0.1f);
    std::remove(out.c_str());
}

TEST(RenderTool, RefusesBadArguments)
{
    const std::string tool = QUELVAR_RENDER_TOOL;
    EXPECT_NE(std::system((tool + " --seconds 2 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " --out /tmp/x.wav --tempo abc 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " --out /tmp/x.wav --plugin /nonexistent.so 2>/dev/null").c_str()),
              0);
}
