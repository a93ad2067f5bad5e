#include "midiSchedule.h"

#include <cmath>

namespace quelvar
{

std::vector<FramedMidi> framesOf(const std::vector<TimedMidi>& events, double sampleRate)
{
    std::vector<FramedMidi> framed;
    framed.reserve(events.size());
    for (const TimedMidi& e : events)
        framed.push_back({std::llround(e.seconds * sampleRate), e.bytes});
    return framed;
}

} // namespace quelvar
