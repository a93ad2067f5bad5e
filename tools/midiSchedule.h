// Places timed MIDI into a block-by-block render: each event goes to the block that holds its
// frame, at its offset inside that block. Offline use; allocates only when built.
#pragma once

#include "SmfReader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quelvar
{

struct FramedMidi
{
    std::int64_t frame; // from the start of the render
    std::array<std::uint8_t, 3> bytes;
};

// Nearest frame at the sample rate; the order of the events is kept.
std::vector<FramedMidi> framesOf(const std::vector<TimedMidi>& events, double sampleRate);

class MidiFeed
{
public:
    explicit MidiFeed(std::vector<FramedMidi> events) : events(std::move(events)) {}

    // Calls send(offset, status, data1, data2) for every event not yet sent whose frame lies
    // before blockStart + frames. Blocks are fed in order; an event that would fall before
    // blockStart (a block skipped) goes out at offset 0 rather than being lost.
    template <class Send> void feedBlock(std::int64_t blockStart, int frames, Send&& send)
    {
        for (; next < events.size() && events[next].frame < blockStart + frames; ++next)
        {
            const FramedMidi& e = events[next];
            const auto offset = static_cast<int>(e.frame > blockStart ? e.frame - blockStart : 0);
            send(offset, e.bytes[0], e.bytes[1], e.bytes[2]);
        }
    }

    bool finished() const { return next == events.size(); }

private:
    std::vector<FramedMidi> events;
    std::size_t next = 0;
};

} // namespace quelvar
