// Incoming MIDI for the engine: a ring of short messages (at most 254 wait) filled by the MIDI
// input threads, the computer keyboard and the panic action, drained by the sound-card callback
// into a preallocated event list of 255 events. Nothing locks, and the drain allocates nothing.
#pragma once

#include "dsp/MpscRing.h"
#include "vst2/VstInterface.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace quelvar
{

class EngineEventQueue
{
public:
    static constexpr int kWaiting = 254;
    static constexpr int kListEvents = 255;
    // The list takes everything the ring can hold, so a drain never drops a message.
    static_assert(kListEvents >= kWaiting);

    EngineEventQueue();
    EngineEventQueue(const EngineEventQueue&) = delete;
    EngineEventQueue& operator=(const EngineEventQueue&) = delete;

    // message: status in bits 0–7, data 1 in 8–15, data 2 in 16–23. Any thread but the audio
    // thread. Returns false (and sets the overflow flag) when the ring is full.
    bool push(std::uint32_t message);

    // Audio thread: moves every waiting message into the event list. Null when nothing was
    // waiting.
    VstEvents* drain();

    bool overflowed() const { return overflow.load(std::memory_order_relaxed); }
    // Messages waiting; exact only while no thread pushes or drains.
    int pending() const;

private:
    MpscRing<std::uint32_t, kWaiting> ring;
    std::atomic<bool> overflow{false};
    static_assert(std::atomic<bool>::is_always_lock_free);

    std::array<VstMidiEvent, kListEvents> events{};
    VstEventArray<kListEvents> list{};
};

} // namespace quelvar
