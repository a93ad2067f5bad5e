// Standard MIDI files given to quelvar-render: the reader stays within the bytes, and what it
// accepts is in time order, with finite times and channel messages only.
#include "SmfReader.h"

#include "fuzzEngine.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quelvar;
    MidiSequence sequence;
    std::string error;
    if (!readSmf(data, size, sequence, error))
    {
        if (error.empty())
            fuzz::fail("rejected without a reason", static_cast<int>(size), 0);
        return 0;
    }
    double previous = 0.0;
    for (const TimedMidi& e : sequence.events)
    {
        if (!std::isfinite(e.seconds) || e.seconds < previous)
            fuzz::fail("event out of time order", static_cast<int>(e.seconds * 1000.0),
                       static_cast<int>(previous * 1000.0));
        if (e.bytes[0] < 0x80 || e.bytes[0] >= 0xF0 || e.bytes[1] > 0x7F || e.bytes[2] > 0x7F)
            fuzz::fail("not a channel message", e.bytes[0], e.bytes[1]);
        previous = e.seconds;
    }
    if (!std::isfinite(sequence.lengthSeconds) || sequence.lengthSeconds < previous)
        fuzz::fail("length before the last event", static_cast<int>(sequence.lengthSeconds),
                   static_cast<int>(previous));
    return 0;
}
