#include "effects/DistortionSection.h"

#include "dsp/ScopedFlushDenormals.h"
#include "dsp/clampUnit.h"
#include "dsp/takeRequest.h"

#include <algorithm>
#include <cstring>

namespace quelvar
{

DistortionSection::DistortionSection()
{
    up.set_nbr_chn(1);
    down.set_nbr_chn(1);
    clipper.clear();
    overdrive.setMix(0.5f);
    clipper.setScream(0.5f);
}

float DistortionSection::setOn(float v)
{
    const float b = v < 0.5f ? 0.0f : 1.0f;
    if (b != on.exchange(b, std::memory_order_relaxed))
        onOffChangePending.store(true, std::memory_order_release);
    return b;
}

bool DistortionSection::setDisto(float v)
{
    // Clamped so that the type always names a processor, a display text and an editor label.
    const int newType = std::min(static_cast<int>(clampUnit(v) * 4.0f), kNumTypes - 1);
    const int current = type.load(std::memory_order_relaxed);
    previousType.store(current, std::memory_order_relaxed);
    type.store(newType, std::memory_order_relaxed);
    if (newType != current)
    {
        typeChangePending.store(true, std::memory_order_release);
        return true;
    }
    return typeChangePending.load(std::memory_order_relaxed);
}

void DistortionSection::setDistoParam1(float v)
{
    overdrive.setDrive(v);
    clipper.setDrive(v);
    valve.setDrive(v);
    cruncher.setDrive(v);
}

void DistortionSection::setDistoParam2(float v)
{
    overdrive.setMix(v);
    clipper.setScream(v);
    cruncher.setThreshold(v);
}

void DistortionSection::setSampleRate(float rate)
{
    if (!(rate > 0.0f && rate < 1e7f)) // keeps the int conversion defined
        return;
    const int r = static_cast<int>(rate);
    clipper.setSamplerate(r);
    valve.setSamplerate(r);
}

void DistortionSection::resume()
{
    up.clear_buffers();
    down.clear_buffers();
    if (!dryCopy)
        dryCopy = std::make_unique<float[]>(kMaxPiece);
}

void DistortionSection::clear()
{
    up.clear_buffers();
    down.clear_buffers();
    clipper.clear();
}

bool DistortionSection::process(float* left, float* right, int n, bool silentIn)
{
    if (silentIn && atRest())
        return true;
    // On silence the half-band all-pass states and the clipper's circuit states decay into
    // denormals and stay there.
    const ScopedFlushDenormals flush;
    for (int done = 0; done < n; done += kMaxPiece)
        processPiece(left + done, right + done, std::min(kMaxPiece, n - done), done == 0);
    return false;
}

bool DistortionSection::atRest() const
{
    if (onOffChangePending.load(std::memory_order_relaxed))
        return false;
    // Off, a type change waits for the section to be on again.
    if (on.load(std::memory_order_relaxed) == 0.0f)
        return true;
    if (typeChangePending.load(std::memory_order_relaxed))
        return false;
    switch (type.load(std::memory_order_relaxed))
    {
    case 0:
        return overdrive.settled();
    case 2:
        return valve.settled() && up.silent(0) && down.silent(0);
    case 3:
        return up.silent(0) && down.silent(0);
    default:
        return false;
    }
}

void DistortionSection::processPiece(float* left, float* right, int n, bool first)
{
    // Requests are taken once per host block, by its first piece.
    const bool onOffChange = first && takeRequest(onOffChangePending);
    const bool isOn = on.load(std::memory_order_relaxed) != 0.0f;
    // A type change made while off waits for the first block in which the section is on.
    const bool typeChange = first && isOn && takeRequest(typeChangePending);
    const int current = type.load(std::memory_order_relaxed);
    const int previous = previousType.load(std::memory_order_relaxed);

    const bool fadeType = typeChange && dryCopy;
    if (fadeType)
        std::memcpy(dryCopy.get(), left, sizeof(float) * static_cast<std::size_t>(n));

    if (onOffChange)
        crossfadeOnOff(left, right, n, isOn, current);
    else if (isOn)
        runDisto(left, right, n, current);

    if (fadeType)
        crossfadeType(left, right, n, previous);
}

void DistortionSection::processDisto(float* left, float* right, int n)
{
    runDisto(left, right, n, type.load(std::memory_order_relaxed));
}

void DistortionSection::processCrossfade(float* left, float* right, int n)
{
    onOffChangePending.exchange(false, std::memory_order_acquire);
    crossfadeOnOff(left, right, n, on.load(std::memory_order_relaxed) != 0.0f,
                   type.load(std::memory_order_relaxed));
}

void DistortionSection::processCrossfade2(float* left, float* right, int n)
{
    if (!typeChangePending.exchange(false, std::memory_order_acquire) || !dryCopy)
        return;
    crossfadeType(left, right, std::min(n, kMaxPiece),
                  previousType.load(std::memory_order_relaxed));
}

template <class Processor>
void DistortionSection::runChunk(Processor& processor, float* chunk, int len)
{
    if constexpr (Processor::oversampled)
    {
        up.process_block_1ch(0, oversampled, chunk, len);
        processor.process(oversampled, 4 * len);
        down.process_block_1ch(0, chunk, oversampled, len);
    }
    else
    {
        processor.process(chunk, len);
    }
}

// The same chunks as runChunk, but chunk k's way down runs in one loop with chunk k + 1's way
// up: the two filter cascades' recurrences then overlap instead of waiting on each other.
template <class Processor>
void DistortionSection::runOversampled(Processor& processor, float* block, int n)
{
    if (n <= 0)
        return;
    if (!up.has_channel(0) || !down.has_channel(0))
    {
        for (int done = 0; done < n; done += kChunk)
            runChunk(processor, block + done, std::min(kChunk, n - done));
        return;
    }
    hiir::Upsampler4x::Plain upward(up, 0);
    hiir::Downsampler4x::Plain downward(down, 0);
    float* now = oversampled;
    float* next = oversampledNext;
    int len = std::min(kChunk, n);
    for (int i = 0; i < len; ++i)
        upward.process_sample(now + 4 * i, block[i]);
    processor.process(now, 4 * len);
    for (int done = 0; done < n;)
    {
        const int nextStart = done + len;
        const int nextLen = std::min(kChunk, n - nextStart);
        const int both = std::min(len, nextLen);
        for (int i = 0; i < both; ++i)
        {
            upward.process_sample(next + 4 * i, block[nextStart + i]);
            block[done + i] = downward.process_sample(now + 4 * i);
        }
        for (int i = both; i < len; ++i)
            block[done + i] = downward.process_sample(now + 4 * i);
        for (int i = both; i < nextLen; ++i)
            upward.process_sample(next + 4 * i, block[nextStart + i]);
        if (nextLen > 0)
            processor.process(next, 4 * nextLen);
        std::swap(now, next);
        done = nextStart;
        len = nextLen;
    }
}

void DistortionSection::runDisto(float* left, float* right, int n, int selected)
{
    switch (selected)
    {
    case 0:
        for (int done = 0; done < n; done += kChunk)
            runChunk(overdrive, left + done, std::min(kChunk, n - done));
        break;
    case 1:
        runOversampled(clipper, left, n);
        break;
    case 2:
        runOversampled(valve, left, n);
        break;
    case 3:
        runOversampled(cruncher, left, n);
        break;
    default:
        break;
    }
    if (right != left)
        std::memcpy(right, left, sizeof(float) * static_cast<std::size_t>(n));
}

void DistortionSection::crossfadeOnOff(float* left, float* right, int n, bool switchedOn,
                                       int selected)
{
    const int L = std::min(n, kFadeLength);
    const double step = L > 0 ? 1.0 / L : 0.0;
    if (switchedOn)
    {
        std::memcpy(fadeScratch, left, sizeof(float) * static_cast<std::size_t>(L));
        runDisto(left, left, n, selected);
        double w = 1.0;
        for (int i = 0; i < L; ++i)
        {
            left[i] = static_cast<float>((1.0 - w) * left[i] + w * fadeScratch[i]);
            w -= step;
        }
    }
    else
    {
        float* tail = left + (n - L);
        std::memcpy(fadeScratch, tail, sizeof(float) * static_cast<std::size_t>(L));
        runDisto(left, left, n, selected);
        double w = 1.0;
        for (int i = 0; i < L; ++i)
        {
            tail[i] = static_cast<float>(w * tail[i] + (1.0 - w) * fadeScratch[i]);
            w -= step;
        }
    }
    if (right != left)
        std::memcpy(right, left, sizeof(float) * static_cast<std::size_t>(n));
}

void DistortionSection::crossfadeType(float* left, float* right, int n, int from)
{
    float* old = dryCopy.get();
    runDisto(old, old, n, from);
    const double step = n > 0 ? 1.0 / n : 0.0;
    double w = 1.0;
    for (int i = 0; i < n; ++i)
    {
        left[i] = static_cast<float>((1.0 - w) * left[i] + w * old[i]);
        right[i] = static_cast<float>((1.0 - w) * right[i] + w * old[i]);
        w -= step;
    }
}

} // namespace quelvar
