#include "standalone/MidiSender.h"

#include "Fakes.h"
#include "standalone/MidiPorts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace quelvar
{

using test::FakeMidi;
using test::FakeMidiSystem;

namespace
{
constexpr std::int64_t kMs = 1'000'000;
}

// The audio thread hands messages over with their times; the sender's own thread sends each no
// earlier than its time and all in the order they came, and on its way out sends what is left.
TEST(MidiSender, SendsInOrderAtTheirTimesFromItsOwnThreadAndFlushesOnExit)
{
    auto state = std::make_shared<FakeMidi>();
    FakeMidiSystem system{state};
    EngineEventQueue queue;
    TransportRecord transport;
    MidiPorts ports(system, queue, transport);
    ASSERT_TRUE(ports.openOutput("synth:in"));
    FakeMidi::Client* out = state->outputOn("synth:in");
    const std::int64_t start = MidiSender::now();
    std::int64_t ending = 0;
    {
        MidiSender sender;
        sender.attach(&ports);
        sender.queue(0x643090, start + 30 * kMs);
        sender.queue(0x643290, start + 80 * kMs);
        sender.queue(0x003080, start + 60 * kMs); // due earlier, sent after the one before it
        sender.queue(0x003280, start + 60'000 * kMs); // a minute away: sent when the sender ends
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ending = MidiSender::now();
    }
    const std::vector<std::array<std::uint8_t, 3>> expected{
        {0x90, 0x30, 0x64}, {0x90, 0x32, 0x64}, {0x80, 0x30, 0}, {0x80, 0x32, 0}};
    EXPECT_EQ(out->sent, expected);
    EXPECT_GE(out->sentAtNs[0], start + 30 * kMs);
    EXPECT_GE(out->sentAtNs[1], start + 80 * kMs);
    EXPECT_GE(out->sentAtNs[2], out->sentAtNs[1]);
    EXPECT_GE(out->sentAtNs[3], ending);
    for (const std::thread::id sender : out->sentFromThread)
        EXPECT_NE(sender, std::this_thread::get_id());
}

} // namespace quelvar
