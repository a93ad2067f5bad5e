#include "standalone/EngineEventQueue.h"

#include <mutex>

namespace quelvar
{

EngineEventQueue::EngineEventQueue()
{
    for (int i = 0; i < kListEvents; ++i)
    {
        VstMidiEvent& e = events[static_cast<std::size_t>(i)];
        e.type = kVstMidiType;
        e.byteSize = static_cast<VstInt32>(sizeof(VstMidiEvent));
        e.flags = kVstMidiEventIsRealtime;
        list.events[i] = reinterpret_cast<VstEvent*>(&e);
    }
}

bool EngineEventQueue::push(std::uint32_t message)
{
    std::lock_guard<SpinLock> hold(producers);
    const int w = writeIndex.load(std::memory_order_relaxed);
    const int next = after(w);
    if (next == readIndex.load(std::memory_order_acquire))
    {
        overflow.store(true, std::memory_order_relaxed);
        return false;
    }
    ring[static_cast<std::size_t>(w)] = message & 0xFFFFFFu;
    writeIndex.store(next, std::memory_order_release);
    return true;
}

VstEvents* EngineEventQueue::drain()
{
    int count = 0;
    int r = readIndex.load(std::memory_order_relaxed);
    const int w = writeIndex.load(std::memory_order_acquire);
    for (; r != w; r = after(r))
    {
        const std::uint32_t m = ring[static_cast<std::size_t>(r)];
        VstMidiEvent& e = events[static_cast<std::size_t>(count++)];
        e.deltaFrames = 0;
        e.midiData[0] = static_cast<char>(m & 0xFF);
        e.midiData[1] = static_cast<char>((m >> 8) & 0xFF);
        e.midiData[2] = static_cast<char>((m >> 16) & 0xFF);
    }
    readIndex.store(w, std::memory_order_release);
    list.numEvents = count;
    return count > 0 ? list.get() : nullptr;
}

int EngineEventQueue::pending() const
{
    const int w = writeIndex.load(std::memory_order_acquire);
    const int r = readIndex.load(std::memory_order_acquire);
    return w >= r ? w - r : w + kSlots - r;
}

} // namespace quelvar
