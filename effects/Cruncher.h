// Hard gate-clipper: driven samples beyond the threshold jump to +-threshold, the rest pass
// undriven; run at 4x. Setters from any thread (atomic); process() audio thread, no allocation.
#pragma once

#include <atomic>

namespace quelvar
{

class Cruncher
{
public:
    static constexpr bool oversampled = true;

    void setDrive(float v);     // k = 0.11 … 0.41
    void setThreshold(float v); // threshold = 0.2 … 0.6

    float getDrive() const { return k.load(std::memory_order_relaxed); }
    float getThreshold() const { return threshold.load(std::memory_order_relaxed); }

    void process(float* buffer, int count);

private:
    std::atomic<float> k{0.25f};
    std::atomic<float> threshold{0.25f};
    static constexpr float kOutputGain = 0.5f;
};

} // namespace quelvar
