#include "support/AllocGuard.h"
#include "support/EngineHarness.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

using namespace quelvar;

TEST(PluginRender, PlaysTheDefaultPatternWhileTheHostPlays)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
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
    VstHost host(QUELVAR_PLUGIN_PATH);
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
    VstHost host(QUELVAR_PLUGIN_PATH);
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
