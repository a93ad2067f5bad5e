#include "standalone/EngineEventQueue.h"

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
    if (ring.push(message & 0xFFFFFFu))
        return true;
    overflow.store(true, std::memory_order_relaxed);
    return false;
}

VstEvents* EngineEventQueue::drain()
{
    int count = 0;
    std::uint32_t m = 0;
    while (count < kListEvents && ring.pop(m))
    {
        VstMidiEvent& e = events[static_cast<std::size_t>(count++)];
        e.deltaFrames = 0;
        e.midiData[0] = static_cast<char>(m & 0xFF);
        e.midiData[1] = static_cast<char>((m >> 8) & 0xFF);
        e.midiData[2] = static_cast<char>((m >> 16) & 0xFF);
    }
    list.numEvents = count;
    return count > 0 ? list.get() : nullptr;
}

int EngineEventQueue::pending() const
{
    return static_cast<int>(ring.size());
}

} // namespace quelvar
