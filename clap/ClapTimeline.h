// The host's transport as the engine reads it: each CLAP transport record turned into the
// engine's host time and carried forward frame by frame in between. CLAP says where the host is,
// not whether it jumped; a start, a stop, or a position other than where playing has led is
// what the engine takes as a change. Audio thread only; allocates nothing.
#pragma once

#include "clap/ClapInterface.h"
#include "sequencer/Transport.h"

namespace quelvar
{

class ClapTimeline
{
public:
    // Stopped at 0 at 120 BPM until the host says otherwise.
    void init(double sampleRate);

    // Where the host is from now on; fields it does not give keep their last values. A start,
    // a stop or a jump raises the transport-changed flag until frames have passed.
    void apply(const clap::clap_event_transport& transport);
    // A block without transport: the host has none, which plays nothing.
    void applyNone();

    const HostTime& time() const { return now; }

    // After `frames`: the position moves on while playing; a change is consumed.
    void advance(int frames);

private:
    HostTime now; // its tempo is the one the host last gave
    // The host's tempo ramp, BPM per frame, and where it has led: where the host will be.
    double tempoPerFrame = 0.0;
    double rampedTempo = 120.0;
};

} // namespace quelvar
