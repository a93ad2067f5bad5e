// The delay line: a 131,072-sample ring whose read head glides to a new delay at 1.5x
// (shorter) or 0.5x (longer) speed. The constructor allocates; everything else is audio-thread
// work without allocation.
#pragma once

#include <cstdint>
#include <memory>

namespace quelvar
{

class DelayBuffer
{
public:
    static constexpr int kCapacity = 131072; // power of two: positions are masked
    static constexpr int kMask = kCapacity - 1;

    DelayBuffer();

    // Jumps to delay t (held below the capacity), no glide.
    void setDelayTime(int t);
    // Starts a glide towards delay t (held below the capacity).
    void setNewDelayTime(int t);

    // Inline: the delay's per-sample loop keeps its filter states in registers only when it
    // makes no calls.
    void write(float x)
    {
        samples[static_cast<std::size_t>(writeCount & kMask)] = x;
        writeCount = (writeCount & kMask) + 1;
        ++writeTotal;
    }

    float read()
    {
        const auto ip = static_cast<std::int64_t>(readPosition);
        const bool arrived =
            (speed < 1.0 && targetIndex >= ip) || (speed > 1.0 && targetIndex <= ip);
        if (arrived)
        {
            speed = 1.0;
            currentDelay = targetDelay;
            readPosition = static_cast<double>(targetIndex + 1);
        }
        else
        {
            readPosition += speed;
        }
        ++targetIndex;
        return samples[static_cast<std::size_t>(ip & kMask)];
    }

    void clear();

    // n reads and n writes of +0 over a line that holds +0 throughout, with no glide running:
    // only the heads move, as far as those calls would move them.
    void passSilence(int n)
    {
        if (n <= 0)
            return;
        writeCount = static_cast<int>(((std::int64_t{writeCount & kMask} + n - 1) & kMask) + 1);
        writeTotal += n;
        readPosition += n; // whole numbers at speed 1: exact
        targetIndex += n;
    }

    int getWriteCount() const { return writeCount; } // 1 … capacity after each write
    double getSpeed() const { return speed; }
    int getCurrentDelay() const { return currentDelay; }
    int getTargetDelay() const { return targetDelay; }

private:
    static int held(int t) { return t < kCapacity ? t : kCapacity - 1; }

    std::unique_ptr<float[]> samples;
    int currentDelay = 22050;
    int targetDelay = 22050;
    int writeCount = 0;
    // Read position and glide target are kept unwrapped (in step with writeTotal) and only
    // masked to index the ring: compared after masking, a glide that straddles the ring's end
    // would stop early and jump, and the ever-growing read position would overflow an int.
    std::int64_t writeTotal = 0;
    double readPosition = 0.0;
    std::int64_t targetIndex = 0;
    double speed = 1.0;
};

} // namespace quelvar
