// The engine's outgoing MIDI, handed from the audio thread to a thread of its own that sends it
// through the MIDI library, each message at its time and all in their order: the audio thread
// never calls into the MIDI library. A MIDI system that places messages at their time itself
// takes them straight from the audio thread instead. A message that finds the ring full, or
// comes before the ports are attached, is dropped.
#pragma once

#include "dsp/SpscRing.h"
#include "standalone/MidiSystem.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

namespace quelvar
{

class MidiPorts;

class MidiSender
{
public:
    // Starts the sending thread.
    MidiSender();
    // Sends what is still waiting at once, so no note-off is lost, then joins the thread.
    ~MidiSender();
    MidiSender(const MidiSender&) = delete;
    MidiSender& operator=(const MidiSender&) = delete;

    // Main thread, once the ports exist, before the audio runs; they, and the scheduler when
    // there is one, must outlive this object.
    void attach(MidiPorts* ports, MidiScheduler* scheduler = nullptr)
    {
        timed.store(scheduler, std::memory_order_release);
        target.store(ports, std::memory_order_release);
    }

    // Audio thread: status, data 1, data 2 in bits 0-23, at deltaFrames into the block being
    // rendered, to go out at dueNs on the monotonic clock (std::chrono::steady_clock). Notes are
    // moved by the octave shift in force at their note-on; one moved out of the MIDI range is
    // not sent.
    void queue(std::uint32_t message, std::int64_t dueNs, int deltaFrames);

    // Any thread: octaves added to outgoing notes, -2 to 2.
    void setOctaveShift(int octaves);

    // Nanoseconds on the clock queue() takes its times from.
    static std::int64_t now();

private:
    struct Timed
    {
        std::uint32_t message;
        std::int64_t dueNs;
    };

    void run();
    void send(std::uint32_t message);
    // Audio thread: the note moved, or false when it falls outside 0-127.
    bool shift(std::uint32_t& message);

    std::atomic<MidiPorts*> target{nullptr};
    std::atomic<MidiScheduler*> timed{nullptr};
    std::atomic<int> octaveShift{0};
    std::array<std::int8_t, 128> shiftAtNoteOn{}; // audio thread, semitones
    SpscRing<Timed, 1024> waiting;
    std::atomic<bool> running{true};
    std::thread thread;
};

} // namespace quelvar
