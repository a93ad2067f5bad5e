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

TEST(MidiPorts, ListsPortsAndOpensEachPortOnceByName)
{
    Ports p;
    EXPECT_EQ(p.ports->getInputNames(), (std::vector<std::string>{"keys:out", "clock:out"}));
    EXPECT_EQ(p.ports->outputCount(), 2);

    EXPECT_TRUE(p.ports->openInput("clock:out"));
    EXPECT_FALSE(p.ports->openInput("clock:out"));
    EXPECT_FALSE(p.ports->openInput("gone:out"));
    EXPECT_TRUE(p.ports->openInput("keys:out"));
    EXPECT_EQ(p.ports->openInputNames(), (std::vector<std::string>{"clock:out", "keys:out"}));
    EXPECT_TRUE(p.ports->closeInput("clock:out"));
    EXPECT_FALSE(p.ports->isInputOpen("clock:out"));
    EXPECT_EQ(p.state->inputOn("clock:out"), nullptr);
    EXPECT_EQ(p.ports->openInputNames(), (std::vector<std::string>{"keys:out"}));
    EXPECT_FALSE(p.ports->closeInput("gone:out"));

    ASSERT_NE(p.state->virtualOutput(), nullptr);
    EXPECT_EQ(p.state->virtualOutput()->name, "Quelvar Midi Out");
    EXPECT_EQ(p.state->virtualOutput()->virtualPort, "Quelvar Virtual MIDI Out");
}

// The virtual output joins the system's list after the first listing, in front of the ports
// listed then: opening by name still reaches the chosen port, and our own output is never one
// of our inputs.
TEST(MidiPorts, OpensTheNamedPortWhereverTheListPutsItAndNeverOurOwnOutput)
{
    Ports p;
    ASSERT_EQ(p.state->inputs.front(), "Quelvar Midi Out:Quelvar Virtual MIDI Out");
    EXPECT_FALSE(p.ports->openInput("Quelvar Midi Out:Quelvar Virtual MIDI Out"));
    EXPECT_TRUE(p.ports->openInput("clock:out"));
    ASSERT_NE(p.state->inputOn("clock:out"), nullptr);
    EXPECT_EQ(p.state->inputOn("Quelvar Midi Out:Quelvar Virtual MIDI Out"), nullptr);
    p.ports->refresh();
    EXPECT_EQ(p.ports->getInputNames(), (std::vector<std::string>{"keys:out", "clock:out"}));

    // An ALSA device plugged in again keeps its name but not its address.
    p.state->inputs.push_back("Keystation:Keystation MIDI 1 24:0");
    p.ports->refresh();
    p.ports->chooseInputs({"Keystation:Keystation MIDI 1 20:0"});
    EXPECT_TRUE(p.ports->isInputOpen("Keystation:Keystation MIDI 1 24:0"));
}

TEST(MidiPorts, AChosenPortThatIsAbsentWaitsAndOpensWhenItAppears)
{
    Ports p;
    p.ports->chooseInputs({"late:out", "keys:out"});
    p.ports->chooseOutputs({"late:in"});
    EXPECT_EQ(p.ports->openInputNames(), (std::vector<std::string>{"keys:out"}));
    EXPECT_EQ(p.ports->chosenInputNames(), (std::vector<std::string>{"keys:out", "late:out"}));
    EXPECT_EQ(p.ports->chosenOutputNames(), (std::vector<std::string>{"late:in"}));

    EXPECT_FALSE(p.ports->refresh());
    p.state->inputs.push_back("late:out");
    p.state->outputs.push_back("late:in");
    EXPECT_TRUE(p.ports->refresh());
    EXPECT_NE(p.state->inputOn("late:out"), nullptr);
    EXPECT_NE(p.state->outputOn("late:in"), nullptr);
    EXPECT_TRUE(p.ports->waitingInputNames().empty());

    // Unchoosing a port that waits forgets it.
    p.ports->chooseOutputs({"gone:in"});
    EXPECT_TRUE(p.ports->closeOutput("gone:in"));
    EXPECT_EQ(p.ports->chosenOutputNames(), (std::vector<std::string>{"late:in"}));
}

TEST(MidiPorts, SendReachesEveryOpenOutputAndTheVirtualOutput)
{
    Ports p;
    EXPECT_TRUE(p.ports->send(0x644090)); // with no port open, the virtual output still hears it
    ASSERT_TRUE(p.ports->openOutput("monitor:in"));
    ASSERT_TRUE(p.ports->openOutput("synth:in"));
    EXPECT_TRUE(p.ports->send(0x004080));
    const std::array<std::uint8_t, 3> on{0x90, 0x40, 0x64};
    const std::array<std::uint8_t, 3> off{0x80, 0x40, 0x00};
    EXPECT_EQ(p.state->virtualOutput()->sent, (std::vector<std::array<std::uint8_t, 3>>{on, off}));
    EXPECT_EQ(p.state->outputOn("synth:in")->sent, (std::vector<std::array<std::uint8_t, 3>>{off}));
    EXPECT_EQ(p.state->outputOn("monitor:in")->sent,
              (std::vector<std::array<std::uint8_t, 3>>{off}));
    EXPECT_EQ(p.ports->openOutputNames(), (std::vector<std::string>{"monitor:in", "synth:in"}));

    EXPECT_TRUE(p.ports->closeOutput("monitor:in"));
    EXPECT_TRUE(p.ports->send(0x004080));
    EXPECT_EQ(p.state->outputOn("synth:in")->sent.size(), 2u);
}

TEST(MidiPorts, ChannelMessagesAreQueuedAndRealTimeMessagesDriveTheTransport)
{
    Ports p;
    ASSERT_TRUE(p.ports->openInput("keys:out"));
    FakeMidi::Client* in = p.state->inputOn("keys:out");
    ASSERT_NE(in, nullptr);
    in->deliver({0x94, 60, 100});
    in->deliver({0xC2, 5}); // two bytes: data 2 is 0
    in->deliver({});
    in->deliver({0xFE});
    EXPECT_EQ(p.drained(), (std::vector<std::array<int, 3>>{{0x94, 60, 100}, {0xC2, 5, 0}}));

    in->deliver({0xFA});
    EXPECT_EQ(p.transport.getFlags(), kVstTransportChanged | kVstTransportPlaying);
    in->deliver({0xF8});
    EXPECT_EQ(p.transport.getFlags(), kVstTransportPlaying);
    EXPECT_DOUBLE_EQ(p.transport.getPpq(), 1.0 / 24.0);
    in->deliver({0xFC});
    EXPECT_EQ(p.transport.getFlags(), kVstTransportChanged);
    // A song position: sixteenths, seven bits a byte, least significant first; a cut one is none.
    in->deliver({0xF2, 1, 2});
    EXPECT_DOUBLE_EQ(p.transport.getPpq(), (1 + 2 * 128) * 0.25);
    in->deliver({0xF2, 5});
    EXPECT_DOUBLE_EQ(p.transport.getPpq(), (1 + 2 * 128) * 0.25);
    EXPECT_TRUE(p.drained().empty());
}

TEST(MidiPorts, WithoutAMidiSystemThereAreNoPortsAndNothingFails)
{
    Ports p(true);
    EXPECT_EQ(p.ports->inputCount(), 0);
    EXPECT_EQ(p.ports->outputCount(), 0);
    EXPECT_FALSE(p.ports->hasVirtualOutput());
    EXPECT_FALSE(p.ports->openInput("keys:out"));
    EXPECT_FALSE(p.ports->openOutput("synth:in"));
    EXPECT_TRUE(p.ports->send(0x644090));
    p.ports->closeAll();
}

} // namespace quelvar
