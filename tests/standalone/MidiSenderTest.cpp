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

// MIDI ports on the stand-in MIDI system.
struct Ports
{
    std::shared_ptr<FakeMidi> state = std::make_shared<FakeMidi>();
    FakeMidiSystem system{state};
    EngineEventQueue queue;
    TransportRecord transport;
    MidiPorts ports{system, queue, transport};
};

struct RecordingScheduler : MidiScheduler
{
    std::vector<std::pair<std::uint32_t, int>> taken;
    std::vector<std::thread::id> from;
    void blockBegins(unsigned long /*frames*/, double /*rate*/) override {}
    bool schedule(std::uint32_t message, int deltaFrames) override
    {
        taken.emplace_back(message, deltaFrames);
        from.push_back(std::this_thread::get_id());
        return true;
    }
};
} // namespace

// The audio thread hands messages over with their times; the sender's own thread sends each no
// earlier than its time and all in the order they came, and on its way out sends what is left.
TEST(MidiSender, SendsInOrderAtTheirTimesFromItsOwnThreadAndFlushesOnExit)
{
    Ports p;
    ASSERT_TRUE(p.ports.openOutput("synth:in"));
    FakeMidi::Client* out = p.state->outputOn("synth:in");
    const std::int64_t start = MidiSender::now();
    std::int64_t ending = 0;
    {
        MidiSender sender;
        sender.attach(&p.ports);
        sender.queue(0x643090, start + 30 * kMs, 0);
        sender.queue(0x643290, start + 80 * kMs, 0);
        sender.queue(0x003080, start + 60 * kMs, 0); // due earlier, sent after the one before it
        sender.queue(0x003280, start + 60'000 * kMs, 0); // a minute away: sent when it ends
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

// A system that places messages at their frames itself gets them at once, on the audio thread;
// an octave shift moves each note, and its note-off with the shift of its note-on, so a change
// of the setting between the two leaves no note hanging. Notes moved out of range are not sent.
TEST(MidiSender, HandsTimedSystemsEveryMessageAtOnceWithItsNoteShifted)
{
    Ports p;
    RecordingScheduler scheduler;
    MidiSender sender;
    sender.attach(&p.ports, &scheduler);
    const std::int64_t later = MidiSender::now() + 60'000 * kMs;
    sender.setOctaveShift(-1);
    sender.queue(0x643090, later, 10); // note-on 48
    sender.setOctaveShift(2);
    sender.queue(0x003080, later, 20); // its note-off: still 36
    sender.queue(0x7F3290, later, 30); // note-on 50, two octaves up
    sender.queue(0x7F7290, later, 40); // note-on 114 would be 138: not sent
    sender.queue(0x007280, later, 50); // nor its note-off
    sender.queue(0x0005C0, later, 60); // not a note: unchanged
    const std::vector<std::pair<std::uint32_t, int>> expected{
        {0x642490, 10}, {0x002480, 20}, {0x7F4A90, 30}, {0x0005C0, 60}};
    EXPECT_EQ(scheduler.taken, expected);
    for (const std::thread::id t : scheduler.from)
        EXPECT_EQ(t, std::this_thread::get_id());
    EXPECT_TRUE(p.state->virtualOutput()->sent.empty());
}

} // namespace quelvar
