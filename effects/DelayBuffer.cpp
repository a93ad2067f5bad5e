#include "effects/DelayBuffer.h"

#include <algorithm>

namespace quelvar
{

DelayBuffer::DelayBuffer() : samples(std::make_unique<float[]>(kCapacity))
{
    setDelayTime(22050);
    speed = 1.0;
}

void DelayBuffer::setDelayTime(int t)
{
    const int d = held(t);
    currentDelay = d;
    readPosition = static_cast<double>(kCapacity + writeTotal - d);
    targetIndex = kCapacity + writeTotal - d;
}

void DelayBuffer::setNewDelayTime(int t)
{
    const int d = held(t);
    targetDelay = d;
    targetIndex = kCapacity + writeTotal - d;
    speed = d < currentDelay ? 1.5 : 0.5;
}

void DelayBuffer::write(float x)
{
    samples[static_cast<std::size_t>(writeCount & kMask)] = x;
    writeCount = (writeCount & kMask) + 1;
    ++writeTotal;
}

float DelayBuffer::read()
{
    const auto ip = static_cast<std::int64_t>(readPosition);
    const bool arrived = (speed < 1.0 && targetIndex >= ip) || (speed > 1.0 && targetIndex <= ip);
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

void DelayBuffer::clear()
{
    std::fill(samples.get(), samples.get() + kCapacity, 0.0f);
}

} // namespace quelvar
