// Tap tempo: the beat between taps, averaged over the last few, as whole BPM within the tempo
// box's range. A pause of more than two seconds starts a new count. Main thread.
#pragma once

#include <array>
#include <cstdint>

namespace quelvar
{

class TapTempo
{
public:
    static constexpr std::int64_t kRestartMs = 2000;
    static constexpr int kAveraged = 4; // intervals

    // A tap at a time in milliseconds (any monotonic clock). The tempo once two taps make a
    // beat, else 0.
    int tap(std::int64_t ms);

private:
    std::array<std::int64_t, kAveraged + 1> taps{};
    int count = 0;
};

} // namespace quelvar
