// The host's transport as the engine reads it: each block's process context turned into the
// engine's host time. A VST 3 host says where it is, not whether it jumped: a start, a stop, or a
// position other than where playing has led is a change; a cycle that wraps inside the block is
// a jump at the frame it wraps. Audio thread only; allocates nothing.
#pragma once

#include "engine/RenderCall.h"
#include "vst3/Vst3Interface.h"

namespace quelvar::vst3
{

class Vst3Timeline
{
public:
    // Stopped at 0 at 120 BPM until the host says otherwise.
    void init(double sampleRate);

    // The block's time at its first frame into input.time, and a cycle's wrap inside it into
    // input.transport; then the time moves on past the block's frames. Fields the context does
    // not give keep their last values; no context at all is a host that is stopped. A change
    // seen in a block of no frames is kept for the next block.
    void read(const ProcessContext* context, int frames, RenderInput& input);

private:
    // Where the host's beats will be after `frames` from `at`, at the current tempo.
    double beatsAfter(double at, double frames) const;

    HostTime now;
    bool changeKept = false; // seen in a block of no frames
};

} // namespace quelvar::vst3
