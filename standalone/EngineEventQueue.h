// Incoming MIDI for the engine: a ring of 255 short messages (so at most 254 wait) filled by the
// MIDI input threads and the panic action, drained by the sound-card callback into a
// preallocated event list of 255 events. Producers serialise on a short lock; the drain takes
// none and allocates nothing.
#pragma once

#include "standalone/SpinLock.h"
#include "vst2/VstInterface.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace quelvar
{

class EngineEventQueue
{
public:
    static constexpr int kSlots = 255;
    static constexpr int kListEvents = 255;
    // The list takes everything the ring can hold, so a drain never drops a message.
    static_assert(kListEvents >= kSlots - 1);

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
    static int after(int i) { return i + 1 == kSlots ? 0 : i + 1; }

    std::array<std::uint32_t, kSlots> ring{};
    // The write index publishes the slot written before it, the read index the slot freed.
    std::atomic<int> writeIndex{0};
    std::atomic<int> readIndex{0};
    std::atomic<bool> overflow{false};
    SpinLock producers;
    static_assert(std::atomic<int>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);

    std::array<VstMidiEvent, kListEvents> events{};
    VstEventArray<kListEvents> list{};
};

} // namespace quelvar
