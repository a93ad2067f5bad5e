// The engine's outgoing MIDI, handed from the audio thread to a thread of its own that sends it
// through the MIDI library, each message at its time and all in their order: the audio thread
// never calls into the MIDI library. A message that finds the ring full, or comes before the
// ports are attached, is dropped.
#pragma once

#include "dsp/SpscRing.h"

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

    // Main thread, once the ports exist; they must outlive this object.
    void attach(MidiPorts* ports) { target.store(ports, std::memory_order_release); }

    // Audio thread: status, data 1, data 2 in bits 0-23, to go out at dueNs on the monotonic
    // clock (std::chrono::steady_clock).
    void queue(std::uint32_t message, std::int64_t dueNs);

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

    std::atomic<MidiPorts*> target{nullptr};
    SpscRing<Timed, 1024> waiting;
    std::atomic<bool> running{true};
    std::thread thread;
};

} // namespace quelvar
