#include "effects/Delay.h"

#include "dsp/ScopedFlushDenormals.h"
#include "dsp/clampUnit.h"
#include "dsp/takeRequest.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace quelvar
{

namespace
{
// Filter memories below this are 0: far below anything a float holds.
constexpr long double kTinyState = 1e-300L;

// Synced lengths in beats, indexed by trunc(7 v).
constexpr double kNoteBeats[8] = {0.125, 0.25, 0.375, 0.5, 0.75, 1.0, 1.5, 2.0};

// Sample counts from tempo arithmetic, kept inside int range (NaN gives 0).
int toSamples(double x)
{
    if (!(x > 0.0))
        return 0;
    return x < Delay::kMaxDelaySamples ? static_cast<int>(x) : Delay::kMaxDelaySamples;
}
} // namespace

void Delay::setActive(bool on)
{
    active.store(on, std::memory_order_relaxed);
    if (!on)
        clearRequest.store(true, std::memory_order_relaxed);
}

void Delay::clear()
{
    clearRequest.store(true, std::memory_order_relaxed);
}

void Delay::setVolume(float v)
{
    volume.store(clampUnit(v), std::memory_order_relaxed);
}

void Delay::setFeedback(float v)
{
    feedback.store(clampUnit(v), std::memory_order_relaxed);
}

void Delay::setPingPong(bool on)
{
    pingPong.store(on, std::memory_order_relaxed);
}

void Delay::setSync(bool on)
{
    sync.store(on, std::memory_order_relaxed);
    setTimeF(timeValue.load(std::memory_order_relaxed));
}

void Delay::setTimeF(float v)
{
    v = clampUnit(v);
    const bool synced = sync.load(std::memory_order_relaxed);
    timeValue.store(synced ? static_cast<float>(syncedNote(v)) / 7.0f : v,
                    std::memory_order_relaxed);
    setTime(unclampedLength(v, synced));
}

int Delay::lengthFor(float v) const
{
    return std::clamp(unclampedLength(clampUnit(v), sync.load(std::memory_order_relaxed)),
                      kMinDelaySamples, kMaxDelaySamples);
}

int Delay::unclampedLength(float v, bool synced) const
{
    const double spb = samplesPerBeat.load(std::memory_order_relaxed);
    return synced ? toSamples(kNoteBeats[syncedNote(v)] * spb) : toSamples(v * spb * 2.0);
}

int Delay::syncedNote(float v)
{
    return std::min(static_cast<int>(v * 7.0f), 7);
}

void Delay::setTime(int samples)
{
    // Held to what the line can hold, so the ping-pong period and the displayed length are
    // the echo's real length.
    delayTime.store(std::clamp(samples, kMinDelaySamples, kMaxDelaySamples),
                    std::memory_order_relaxed);
    timeRequest.store(true, std::memory_order_release);
}

void Delay::update()
{
    setTimeF(timeValue.load(std::memory_order_relaxed));
}

void Delay::setSamplePerBeat(double tempoBpm, double rate)
{
    if (!(tempoBpm > 0.0) || !(rate > 0.0))
        return;
    tempo.store(tempoBpm, std::memory_order_relaxed);
    samplesPerBeat.store(60.0 * rate / tempoBpm, std::memory_order_relaxed);
    sampleRate.store(static_cast<int>(std::min(rate, 1e9)), std::memory_order_relaxed);
}

void Delay::setSamplePerBeat(double spb)
{
    if (spb > 0.0)
        samplesPerBeat.store(spb, std::memory_order_relaxed);
}

void Delay::setSampleRate(double rate)
{
    const double r = std::clamp(rate, 0.0, 1e9); // NaN stays NaN and is refused below
    sampleRate.store(r > 0.0 ? static_cast<int>(r) : 0, std::memory_order_relaxed);
    setSamplePerBeat(tempo.load(std::memory_order_relaxed), rate);
}

void Delay::setTune(float t)
{
    t = clampUnit(t);
    // Coefficients first: a block that sees the new mode then also sees its argument, or at
    // worst the previous one for a single block.
    if (t < 0.5f)
    {
        setLpCut(t);
        filterMode.store(kLowPass, std::memory_order_relaxed);
    }
    else if (t > 0.5f)
    {
        setHpCut(2.0f * t - 1.0f);
        filterMode.store(kHighPass, std::memory_order_relaxed);
    }
    else
    {
        filterMode.store(kNoFilter, std::memory_order_relaxed);
    }
}

void Delay::setHpCut(float v)
{
    hpCoef.store(v * 0.051f + 0.0068027f, std::memory_order_relaxed);
}

void Delay::setLpCut(float v)
{
    lpCut.store(v, std::memory_order_relaxed);
}

bool Delay::process(float* left, float* right, int n, bool silentIn)
{
    if (takeRequest(clearRequest, std::memory_order_relaxed))
    {
        line.clear();
        quietWrites = DelayBuffer::kCapacity;
    }
    if (takeRequest(timeRequest))
        line.setNewDelayTime(delayTime.load(std::memory_order_relaxed));
    if (!active.load(std::memory_order_relaxed))
        return silentIn;

    BlockSettings b;
    const int rate = sampleRate.load(std::memory_order_relaxed);
    b.rampStep = rate > 0 ? 50.0 / rate : 1.0; // the pan ramp takes 20 ms
    b.feedback = feedback.load(std::memory_order_relaxed);
    b.volume = volume.load(std::memory_order_relaxed);
    b.hpCoef = hpCoef.load(std::memory_order_relaxed);
    const float cut = std::max(0.1f, lpCut.load(std::memory_order_relaxed));
    b.lpArg = cut * cut;
    b.pingPong = pingPong.load(std::memory_order_relaxed);
    b.period = delayTime.load(std::memory_order_relaxed);
    const int mode = filterMode.load(std::memory_order_relaxed);
    if (silentIn && atRest(mode))
    {
        passSilence(n, b);
        return true;
    }

    // A decaying loop ends in denormals that multiplication by the feedback never leaves.
    const ScopedFlushDenormals flush;
    // As the voice does: states far below anything a float holds are 0, so a loop that has
    // died away can rest.
    for (long double& s : highPass.s)
        if (s < kTinyState && s > -kTinyState)
            s = 0.0L;
    // One loop per filter mode: the high-pass loop then makes no call, and its extended-precision
    // states can stay in registers (a call would empty the x87 stack).
    switch (mode)
    {
    case kHighPass:
        processWith<kHighPass>(left, right, n, b);
        break;
    case kLowPass:
        processWith<kLowPass>(left, right, n, b);
        break;
    default:
        processWith<kNoFilter>(left, right, n, b);
        break;
    }
    return false;
}

bool Delay::atRest(int mode) const
{
    return quietWrites >= DelayBuffer::kCapacity && line.getSpeed() == 1.0 &&
           (mode == kNoFilter || (mode == kHighPass && highPass.s[0] == 0.0L &&
                                  highPass.s[1] == 0.0L && highPass.s[2] == 0.0L));
}

void Delay::passSilence(int n, const BlockSettings& b)
{
    if (n <= 0)
        return;
    // Echo periods turn where the line's write count (1 … capacity after each write) is a
    // multiple of the period, as in the sample loop.
    int slot = line.getWriteCount() & DelayBuffer::kMask;
    int flips = 0;
    int lastFlip = 0; // 1-based sample of the last turn, 0 without one
    for (int done = 0; done < n;)
    {
        const int run = std::min(n - done, DelayBuffer::kCapacity - slot);
        const int last = slot + run;
        const int turns = last / b.period - slot / b.period;
        if (turns > 0)
        {
            flips += turns;
            lastFlip = done + last / b.period * b.period - slot;
        }
        done += run;
        slot = last & DelayBuffer::kMask;
    }
    line.passSilence(n);
    if (flips % 2 != 0)
        pingSide = !pingSide;
    int steps = n;
    if (flips > 0)
    {
        panRamp = 1.0f;
        steps = n - lastFlip + 1;
    }
    if (panRamp == 0.0f)
        return;
    const ScopedFlushDenormals flush;
    for (int s = 0; s < steps && panRamp != 0.0f; ++s)
    {
        const double next = panRamp - b.rampStep;
        panRamp = next < 0.0 ? 0.0f : static_cast<float>(next);
    }
}

template <int Mode>
void Delay::processWith(float* left, float* right, int n, const BlockSettings& b)
{
    // The write count modulo the period, followed sample by sample instead of divided.
    int count = line.getWriteCount();
    int sinceFlip = count % b.period;
    long double h0 = highPass.s[0], h1 = highPass.s[1], h2 = highPass.s[2];
    bool side = pingSide;
    float ramp = panRamp;
    std::int64_t quiet = quietWrites;

    for (int i = 0; i < n; ++i)
    {
        const float d = line.read();
        float w = b.feedback * d + left[i];
        if constexpr (Mode == kHighPass)
            w = static_cast<float>(highpassStages(h0, h1, h2, b.hpCoef, w));
        else if constexpr (Mode == kLowPass)
            w = lowPass.work(w, b.lpArg, 0.1f, 1);
        line.write(w);
        quiet = std::bit_cast<std::uint32_t>(w) == 0u ? quiet + 1 : 0;

        // The count runs 1 … capacity and then starts again at 1.
        if (count == DelayBuffer::kCapacity)
            sinceFlip = 1 % b.period;
        else
            sinceFlip = sinceFlip + 1 == b.period ? 0 : sinceFlip + 1;
        count = line.getWriteCount();
        if (sinceFlip == 0)
        {
            side = !side;
            ramp = 1.0f;
        }

        const float echo = b.volume * d;
        if (!b.pingPong)
        {
            const float y = left[i] + echo;
            left[i] = y;
            right[i] = y;
        }
        else if (side)
        {
            left[i] += (1.0f - ramp) * echo;
            right[i] += ramp * echo;
        }
        else
        {
            right[i] += (1.0f - ramp) * echo;
            left[i] += ramp * echo;
        }

        const double next = ramp - b.rampStep;
        ramp = next < 0.0 ? 0.0f : static_cast<float>(next);
    }
    highPass.s[0] = h0;
    highPass.s[1] = h1;
    highPass.s[2] = h2;
    pingSide = side;
    panRamp = ramp;
    quietWrites = static_cast<int>(std::min<std::int64_t>(quiet, DelayBuffer::kCapacity));
}

} // namespace quelvar
