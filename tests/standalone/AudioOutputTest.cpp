#include "standalone/AudioOutput.h"

#include "Fakes.h"
#include "engine/Palladon.h"
#include "standalone/Host.h"
#include "standalone/TransportRecord.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace quelvar
{

using test::FakeAudio;
using test::FakeAudioBackend;

namespace
{
struct Output
{
    std::shared_ptr<FakeAudio> state = std::make_shared<FakeAudio>();
    EngineFeed feed;
    std::unique_ptr<Palladon> engine;
    std::unique_ptr<AudioOutput> audio;

    Output()
    {
        audio = std::make_unique<AudioOutput>(feed, std::make_unique<FakeAudioBackend>(state));
    }
    ~Output()
    {
        audio.reset();
        feed.setEngine(nullptr);
    }
    void addEngine()
    {
        engine = std::make_unique<Palladon>(&Host::hostCallback, Flavour::standalone);
        feed.setEngine(engine->getAeffect());
    }
    bool startWith(const std::string& name, int type, int rate, int frames)
    {
        audio->configure(rate, frames);
        return audio->initialize() && audio->open(name, type, 0) && audio->start();
    }
};
} // namespace

TEST(AudioOutput, AMissingOrEmptyStoredDeviceOpensTheDefaultAt44100And512)
{
    for (const std::string name : {"", "gone"})
    {
        Output o;
        transportRecord().reset(48000.0);
        ASSERT_TRUE(o.startWith(name, 8, 48000, 256));
        ASSERT_EQ(o.state->opens.size(), 1u);
        EXPECT_EQ(o.state->opens[0].device, -1);
        EXPECT_EQ(o.state->opens[0].rate, 44100.0);
        EXPECT_EQ(o.state->opens[0].frames, 512u);
        EXPECT_EQ(o.audio->getSampleRate(), 44100);
        EXPECT_EQ(o.audio->getBufferSize(), 512);
        EXPECT_EQ(transportRecord().getSampleRate(), 44100.0);
        EXPECT_EQ(o.audio->currentDeviceName(), "default");
        EXPECT_TRUE(o.audio->isRunning());
    }
}

TEST(AudioOutput, DevicesWithOneNameAreToldApartByTheirHostApi)
{
    Output o;
    ASSERT_TRUE(o.startWith("hw:0", 12, 48000, 256));
    EXPECT_EQ(o.state->opens.back().device, 3);
    EXPECT_EQ(o.state->opens.back().rate, 48000.0);
    EXPECT_EQ(o.state->opens.back().frames, 256u);
    EXPECT_EQ(o.audio->currentHostApiType(), 12);
    EXPECT_EQ(o.audio->devicesOfType(-1).size(), 2u);

    // The open device again does nothing; the same name under ALSA is another device.
    EXPECT_FALSE(o.audio->selectDevice("hw:0", 12, 0));
    EXPECT_EQ(o.state->opens.size(), 1u);
    EXPECT_TRUE(o.audio->selectDevice("hw:0", 8, 0));
    EXPECT_EQ(o.state->opens.back().device, 1);
    EXPECT_EQ(o.state->closes, 1);
    EXPECT_TRUE(o.audio->isRunning());
}

TEST(AudioOutput, ANewRateReopensTheDeviceAndRetunesTransportAndEngine)
{
    Output o;
    o.addEngine();
    ASSERT_TRUE(o.startWith("hw:0", 8, 44100, 512));
    EXPECT_FALSE(o.audio->setSampleRate(44100));
    EXPECT_EQ(o.state->opens.size(), 1u);

    EXPECT_TRUE(o.audio->setSampleRate(96000));
    ASSERT_EQ(o.state->opens.size(), 2u);
    EXPECT_EQ(o.state->opens[1].device, 1);
    EXPECT_EQ(o.state->opens[1].rate, 96000.0);
    EXPECT_EQ(transportRecord().getSampleRate(), 96000.0);
    EXPECT_EQ(o.engine->getSampleRate(), 96000.0f);
    EXPECT_TRUE(o.audio->isRunning());

    EXPECT_TRUE(o.audio->setBufferSize(2048));
    EXPECT_EQ(o.state->opens.back().frames, 2048u);
    EXPECT_EQ(o.engine->getBlockSize(), 2048);
}

TEST(AudioOutput, ARateThatFallsBackToTheDefaultDeviceRunsAt44100)
{
    Output o;
    o.addEngine();
    o.state->defaultDevice = -1;
    o.state->failDefaultOpen = true;
    EXPECT_FALSE(o.startWith("", 0, 44100, 512)); // nothing opens at start
    o.state->failDefaultOpen = false;
    EXPECT_TRUE(o.audio->setSampleRate(48000));
    EXPECT_EQ(o.state->opens.back().device, -1);
    EXPECT_EQ(o.audio->getSampleRate(), 44100);
    EXPECT_EQ(transportRecord().getSampleRate(), 44100.0);
    EXPECT_EQ(o.engine->getSampleRate(), 44100.0f);
}

// A JACK server refuses every rate but its own; the device then plays at the server's rate.
TEST(AudioOutput, ADeviceThatPlaysAtOneRateOnlyIsOpenedAtItsOwn)
{
    const auto serverAt48000 = [](FakeAudio& a)
    {
        a.devices[2].defaultSampleRate = 48000.0;
        a.refusedRates = {32000.0, 44100.0, 96000.0};
    };
    Output o;
    o.addEngine();
    serverAt48000(*o.state);
    ASSERT_TRUE(o.startWith("system", 12, 44100, 512));
    EXPECT_EQ(o.state->opens.back().rate, 48000.0);
    EXPECT_EQ(o.audio->getSampleRate(), 48000);
    EXPECT_FALSE(o.audio->setSampleRate(96000));
    EXPECT_EQ(o.audio->failure(), "the device plays at 48000 Hz only");
    EXPECT_EQ(o.state->opens.back().rate, 48000.0);
    EXPECT_EQ(o.engine->getSampleRate(), 48000.0f);
    EXPECT_TRUE(o.audio->isRunning());

    Output named;
    named.addEngine();
    serverAt48000(*named.state);
    named.state->refusedRates.clear();
    ASSERT_TRUE(named.startWith("hw:0", 12, 44100, 512));
    serverAt48000(*named.state);
    EXPECT_TRUE(named.audio->selectDevice("system", 12, 0));
    EXPECT_EQ(named.state->opens.back().rate, 48000.0);
    EXPECT_EQ(named.audio->getSampleRate(), 48000);
    EXPECT_EQ(transportRecord().getSampleRate(), 48000.0);
    EXPECT_EQ(named.engine->getSampleRate(), 48000.0f);

    Output byDefault;
    serverAt48000(*byDefault.state);
    byDefault.state->defaultDevice = 2;
    ASSERT_TRUE(byDefault.startWith("", 0, 44100, 512));
    EXPECT_EQ(byDefault.state->opens.back().device, -1);
    EXPECT_EQ(byDefault.audio->getSampleRate(), 48000);
    EXPECT_EQ(transportRecord().getSampleRate(), 48000.0);
    EXPECT_TRUE(byDefault.audio->onDefaultOutput());
}

// Ports that others connect to (JACK) get their connections back when a new rate or buffer size
// reopens the device, but not when another device is chosen.
TEST(AudioOutput, ReopeningTheSameDeviceGivesItsPortsTheirConnectionsBack)
{
    Output o;
    ASSERT_TRUE(o.startWith("system", 12, 48000, 512));
    const Connections made{{"recorder:in_1"}, {}};
    o.state->portConnections = made;
    EXPECT_TRUE(o.audio->setBufferSize(256));
    EXPECT_TRUE(o.audio->setSampleRate(96000));
    EXPECT_EQ(o.state->reconnects, (std::vector<Connections>{made, made}));
    EXPECT_TRUE(o.audio->selectDevice("hw:0", 12, 0));
    EXPECT_EQ(o.state->reconnects.size(), 2u);
}

TEST(AudioOutput, AStreamThatStoppedByItselfCanBeReopenedAndStarted)
{
    Output o;
    ASSERT_TRUE(o.startWith("hw:0", 8, 44100, 512));
    o.state->streamRunning = false; // the library stopped it
    EXPECT_FALSE(o.audio->stop());
    EXPECT_TRUE(o.audio->setBufferSize(256));
    EXPECT_TRUE(o.state->streamRunning);
}

TEST(AudioOutput, TheCallbackRendersSilenceUntilTheEngineExists)
{
    Output o;
    ASSERT_TRUE(o.startWith("hw:0", 8, 44100, 512));
    std::array<std::vector<float>, 2> out;
    for (unsigned long frames : {1ul, 64ul, 4096ul})
    {
        ASSERT_TRUE(o.state->pull(out, frames));
        for (const auto& channel : out)
            EXPECT_EQ(std::count(channel.begin(), channel.end(), 0.0f),
                      static_cast<long>(frames));
    }
}

TEST(AudioOutput, TheCallbackHandsQueuedMidiToTheEngineBeforeItRenders)
{
    Output o;
    o.addEngine();
    o.engine->setParameter(kSyncType, 1.0f); // MIDI in: notes play the voice
    ASSERT_TRUE(o.startWith("hw:0", 8, 44100, 512));
    std::array<std::vector<float>, 2> out;
    ASSERT_TRUE(o.state->pull(out, 512)); // lets the sequencer's stop fade end
    o.feed.events().push(0x704090);       // note-on 64, velocity 112
    ASSERT_TRUE(o.state->pull(out, 512));
    EXPECT_GT(peakOf(out[0]), 0.01f);
    EXPECT_EQ(out[0], out[1]);
    EXPECT_EQ(o.feed.events().pending(), 0);
}

} // namespace quelvar
