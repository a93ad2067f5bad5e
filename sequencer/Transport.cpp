#include "sequencer/Transport.h"

namespace quelvar
{

void Transport::setStepLength()
{
    Pattern* p = getCurrentPattern();
    if (!p)
        return;
    const double groove = grooveOffset();
    const int n = p->getNBStep();
    for (int i = 0; i < n; ++i)
        p->setStepTimeStart(i * kStepBeats + ((i & 1) ? groove : 0.0), i);
}

void Transport::setGrooveOffset(double beats)
{
    grooveBeats.store(beats, std::memory_order_relaxed);
}

void Transport::setPatternSync(float v)
{
    const int mode = static_cast<int>(4.0f * v);
    syncMode.store(mode, std::memory_order_relaxed);
    if (mode == kPatternSyncStep)
        syncQuantum.store(0.25, std::memory_order_relaxed);
    else if (mode == kPatternSyncBeat)
        syncQuantum.store(1.0, std::memory_order_relaxed);
    else if (mode == kPatternSyncBar)
        syncQuantum.store(4.0, std::memory_order_relaxed);
}

void Transport::setSyncType(float v)
{
    const int mode = v < 0.33f ? kHostSync : (v < 0.66f ? kInternalSync : kMidiInSync);
    sync.store(mode, std::memory_order_relaxed);
}

bool Transport::running() const
{
    const int mode = syncType();
    return (mode == kHostSync && hostPlaying()) || (mode == kInternalSync && internalPlaying());
}

bool Transport::triggerPattern(int index)
{
    if (index < 0 || index >= kTriggerablePatterns)
        return false;
    if (running())
    {
        nextIndex.store(index, std::memory_order_relaxed);
        pending.store(true, std::memory_order_relaxed);
        return false;
    }
    nextIndex.store(index, std::memory_order_relaxed);
    currentIndex.store(index, std::memory_order_relaxed);
    setStepLength();
    pending.store(false, std::memory_order_relaxed);
    clockResetRequest.store(true, std::memory_order_relaxed);
    return true;
}

} // namespace quelvar
