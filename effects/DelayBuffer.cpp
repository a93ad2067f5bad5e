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

void DelayBuffer::clear()
{
    std::fill(samples.get(), samples.get() + kCapacity, 0.0f);
}

} // namespace quelvar
