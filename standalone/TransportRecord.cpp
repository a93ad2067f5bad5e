#include "standalone/TransportRecord.h"

#include <mutex>

namespace quelvar
{

namespace
{
constexpr int kTicksPerQuarter = 24;
} // namespace

void TransportRecord::reset(double rate)
{
    std::lock_guard<SpinLock> hold(writers);
    sampleRate.store(rate, std::memory_order_relaxed);
    ppq.store(0.0, std::memory_order_relaxed);
    tempo.store(120.0, std::memory_order_relaxed);
    flags.store(0, std::memory_order_relaxed);
    changeUnseen.store(false, std::memory_order_relaxed);
    ticked = false;
    tickCounter = 0;
    accumulatedMs = 0;
    previousTickMs = 0;
}

void TransportRecord::start()
{
    std::lock_guard<SpinLock> hold(writers);
    ppq.store(0.0, std::memory_order_relaxed);
    flags.fetch_or(kVstTransportChanged | kVstTransportPlaying, std::memory_order_relaxed);
    changeUnseen.store(true, std::memory_order_release);
}

void TransportRecord::continuePlaying()
{
    flags.fetch_or(kVstTransportChanged | kVstTransportPlaying, std::memory_order_relaxed);
    changeUnseen.store(true, std::memory_order_release);
}

void TransportRecord::stop()
{
    std::lock_guard<SpinLock> hold(writers);
    const int f = flags.load(std::memory_order_relaxed);
    flags.store((f & ~kVstTransportPlaying) | kVstTransportChanged, std::memory_order_relaxed);
    changeUnseen.store(true, std::memory_order_release);
}

void TransportRecord::songPosition(int sixteenths)
{
    std::lock_guard<SpinLock> hold(writers);
    ppq.store(sixteenths * 0.25, std::memory_order_relaxed);
    flags.fetch_or(kVstTransportChanged, std::memory_order_relaxed);
    changeUnseen.store(true, std::memory_order_release);
}

void TransportRecord::clockTick(long long nowMs)
{
    std::lock_guard<SpinLock> hold(writers);
    flags.fetch_and(~kVstTransportChanged, std::memory_order_relaxed);
    ppq.store(ppq.load(std::memory_order_relaxed) + 1.0 / kTicksPerQuarter,
              std::memory_order_relaxed);

    if (!ticked)
    {
        ticked = true;
        previousTickMs = nowMs;
        accumulatedMs = 0;
        tickCounter = 1;
        return;
    }
    accumulatedMs += nowMs - previousTickMs;
    previousTickMs = nowMs;
    if (tickCounter < kTicksPerQuarter)
    {
        ++tickCounter;
        return;
    }
    // A quarter note that took no measurable time says nothing about the tempo.
    if (accumulatedMs > 0)
        tempo.store(60000.0 / static_cast<double>(accumulatedMs), std::memory_order_relaxed);
    accumulatedMs = 0;
    tickCounter = 1;
}

VstTimeInfo* TransportRecord::timeInfo()
{
    info.samplePos = 0.0;
    info.sampleRate = sampleRate.load(std::memory_order_relaxed);
    info.ppqPos = ppq.load(std::memory_order_relaxed);
    info.tempo = tempo.load(std::memory_order_relaxed);
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    // A start, stop, continue or song position is a change once: reported again at every block
    // until the next clock tick, it would put the sequencer back to the same place each time.
    const bool unseen = changeUnseen.exchange(false, std::memory_order_acquire);
    info.flags = (flags.load(std::memory_order_relaxed) & ~kVstTransportChanged) |
                 (unseen ? kVstTransportChanged : 0);
    return &info;
}

TransportRecord& transportRecord()
{
    static TransportRecord record;
    return record;
}

} // namespace quelvar
