#include "standalone/MidiPorts.h"

#include "Fakes.h"

#include <gtest/gtest.h>

namespace quelvar
{

using test::FakeMidi;
using test::FakeMidiSystem;

namespace
{
struct Ports
{
    std::shared_ptr<FakeMidi> state = std::make_shared<FakeMidi>();
    FakeMidiSystem system{state};
    EngineEventQueue queue;
    TransportRecord transport;
    std::unique_ptr<MidiPorts> ports;

    explicit Ports(bool broken = false)
    {
        state->broken = broken;
        transport.reset(44100.0);
        ports = std::make_unique<MidiPorts>(system, queue, transport);
    }

    std::vector<std::array<int, 3>> drained() { return test::midiBytesOf(queue.drain()); }
};
} // namespace

TEST(MidiPorts, ListsPortsResolvesNamesAndOpensEachPortOnce)
{
    Ports p;
    EXPECT_EQ(p.ports->getInputNames(), (std::vector<std::string>{"keys:out", "clock:out"}));
    EXPECT_EQ(p.ports->outputCount(), 2);
    EXPECT_EQ(p.ports->inputIndex("clock:out"), 1);
    EXPECT_EQ(p.ports->inputIndex("gone:out"), 0);
    EXPECT_EQ(p.ports->outputIndex("monitor:in"), 1);

    EXPECT_TRUE(p.ports->openInput(1));
    EXPECT_FALSE(p.ports->openInput(1));
    EXPECT_FALSE(p.ports->openInput(2));
    EXPECT_TRUE(p.ports->openInput(0));
    EXPECT_EQ(p.ports->openInputNames(), (std::vector<std::string>{"clock:out", "keys:out"}));
    EXPECT_TRUE(p.ports->closeInput(1));
    EXPECT_FALSE(p.ports->isInputOpen(1));
    EXPECT_EQ(p.state->inputOn(1), nullptr);
    EXPECT_EQ(p.ports->openInputNames(), (std::vector<std::string>{"keys:out"}));
    EXPECT_FALSE(p.ports->closeInput(5));

    ASSERT_NE(p.state->virtualOutput(), nullptr);
    EXPECT_EQ(p.state->virtualOutput()->name, "Quelvar Midi Out");
    EXPECT_EQ(p.state->virtualOutput()->virtualPort, "Quelvar Virtual MIDI Out");
}

TEST(MidiPorts, SendReachesEveryOpenOutputAndTheVirtualOutput)
{
    Ports p;
    EXPECT_TRUE(p.ports->send(0x644090)); // with no port open, the virtual output still hears it
    ASSERT_TRUE(p.ports->openOutput(1));
    ASSERT_TRUE(p.ports->openOutput(0));
    EXPECT_TRUE(p.ports->send(0x004080));
    const std::array<std::uint8_t, 3> on{0x90, 0x40, 0x64};
    const std::array<std::uint8_t, 3> off{0x80, 0x40, 0x00};
    EXPECT_EQ(p.state->virtualOutput()->sent, (std::vector<std::array<std::uint8_t, 3>>{on, off}));
    EXPECT_EQ(p.state->outputOn(0)->sent, (std::vector<std::array<std::uint8_t, 3>>{off}));
    EXPECT_EQ(p.state->outputOn(1)->sent, (std::vector<std::array<std::uint8_t, 3>>{off}));
    EXPECT_EQ(p.ports->openOutputNames(), (std::vector<std::string>{"monitor:in", "synth:in"}));

    EXPECT_TRUE(p.ports->closeOutput(1));
    EXPECT_TRUE(p.ports->send(0x004080));
    EXPECT_EQ(p.state->outputOn(0)->sent.size(), 2u);
}

TEST(MidiPorts, ChannelMessagesAreQueuedAndRealTimeMessagesDriveTheTransport)
{
    Ports p;
    ASSERT_TRUE(p.ports->openInput(0));
    FakeMidi::Client* in = p.state->inputOn(0);
    ASSERT_NE(in, nullptr);
    in->deliver({0x94, 60, 100});
    in->deliver({0xC2, 5}); // two bytes: data 2 is 0
    in->deliver({});
    in->deliver({0xFE});
    in->deliver({0xF2, 1, 2});
    EXPECT_EQ(p.drained(), (std::vector<std::array<int, 3>>{{0x94, 60, 100}, {0xC2, 5, 0}}));

    in->deliver({0xFA});
    EXPECT_EQ(p.transport.getFlags(), kVstTransportChanged | kVstTransportPlaying);
    in->deliver({0xF8});
    EXPECT_EQ(p.transport.getFlags(), kVstTransportPlaying);
    EXPECT_DOUBLE_EQ(p.transport.getPpq(), 1.0 / 24.0);
    in->deliver({0xFC});
    EXPECT_EQ(p.transport.getFlags(), kVstTransportChanged);
    EXPECT_TRUE(p.drained().empty());
}

TEST(MidiPorts, WithoutAMidiSystemThereAreNoPortsAndNothingFails)
{
    Ports p(true);
    EXPECT_EQ(p.ports->inputCount(), 0);
    EXPECT_EQ(p.ports->outputCount(), 0);
    EXPECT_FALSE(p.ports->hasVirtualOutput());
    EXPECT_FALSE(p.ports->openInput(0));
    EXPECT_FALSE(p.ports->openOutput(0));
    EXPECT_TRUE(p.ports->send(0x644090));
    p.ports->closeAll();
}

} // namespace quelvar
