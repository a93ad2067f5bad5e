// The host's transport as the engine reads it: the fields of each time:Position the host sends,
// turned into the engine's host time, and carried forward frame by frame in between. Audio
// thread only; allocates nothing.
#pragma once

#include "sequencer/Transport.h"

#include <optional>

namespace quelvar
{

// What one time:Position carried; any field may be missing.
struct PositionFields
{
    std::optional<double> frame{};
    std::optional<double> speed{};
    std::optional<double> bar{};
    std::optional<double> barBeat{};
    std::optional<double> beat{};
    std::optional<double> beatUnit{};
    std::optional<double> beatsPerBar{};
    std::optional<double> beatsPerMinute{};
};

class HostTimeline
{
public:
    // Stopped at 0 at 120 BPM until the host says otherwise.
    void init(double sampleRate);

    // A position from the host. Missing fields keep their last values; a position given only
    // as a frame counts beats from frame 0 at the current tempo. A start, a stop or a jump (a
    // transport frame other than where playing has led, or without frames a musical position
    // off by more than the hosts' rounding) raises the transport-changed flag until frames have
    // passed.
    void apply(const PositionFields& position);

    // The host's transport for the frames about to pass.
    const HostTime& time() const { return now; }

    // After `frames`: the position moves on while playing; a change is consumed.
    void advance(int frames);

private:
    HostTime now;
    double transportFrame = 0.0; // the host's own frame count, where playing has led
    double beatUnit = 4.0;
    double beatsPerBar = 4.0;
    double beatsPerMinute = 120.0; // in beat units, as the host counts them
    double speed = 0.0;
};

} // namespace quelvar
