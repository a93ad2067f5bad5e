#include "sequencer/Transport.h"

#include "dsp/takeRequest.h"

#include <cmath>

namespace quelvar
{

void Transport::setStepLength()
{
    Pattern* p = getCurrentPattern();
    if (!p)
        return;
    const Pattern::Edit edit(*p);
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

bool Transport::running() const
{
    const int mode = syncType();
    return (mode == kHostSync && hostPlaying()) || (mode == kInternalSync && internalPlaying());
}

bool Transport::triggerPattern(int index)
{
    if (index < 0 || index >= kPatternsPerSong)
        return false;
    nextIndex.store(index, std::memory_order_relaxed);
    if (running())
    {
        // Release: the audio thread that takes the request reads this nextIndex or a later one.
        pending.store(true, std::memory_order_release);
        return false;
    }
    currentIndex.store(index, std::memory_order_relaxed);
    setStepLength();
    pending.store(false, std::memory_order_relaxed);
    patternRestartRequest.store(true, std::memory_order_release);
    return true;
}

int Transport::setSyncType(float v)
{
    const int previousMode = syncType();
    const int mode = syncTypeOf(v);
    if (mode == kHostSync)
    {
        if (previousMode != kHostSync)
            resyncRequest.store(true, std::memory_order_relaxed);
        sync.store(kHostSync, std::memory_order_relaxed);
    }
    else if (mode == kInternalSync)
    {
        if (previousMode == kHostSync && hostPlaying())
            fading.store(true, std::memory_order_relaxed);
        else
            stopped.store(true, std::memory_order_relaxed);
        internalIsPlaying.store(false, std::memory_order_relaxed);
        sync.store(kInternalSync, std::memory_order_relaxed);
    }
    else
    {
        if (!sequencerStopped())
            fading.store(true, std::memory_order_relaxed);
        sync.store(kMidiInSync, std::memory_order_relaxed);
    }
    return previousMode;
}

bool Transport::internalPlay()
{
    if (syncType() != kInternalSync)
        return false;
    internalIsPlaying.store(true, std::memory_order_relaxed);
    fading.store(false, std::memory_order_relaxed);
    stopped.store(false, std::memory_order_relaxed);
    internalStartRequest.store(true, std::memory_order_release);
    return true;
}

bool Transport::internalStop()
{
    if (syncType() != kInternalSync)
        return false;
    fading.store(true, std::memory_order_relaxed);
    internalIsPlaying.store(false, std::memory_order_relaxed);
    return true;
}

void Transport::takeRequests(BlockStart& start)
{
    if (takeRequest(internalStartRequest))
    {
        // A stop fade that ended after internalPlay() cleared it stored "stopped" again; a play
        // still wanted wins over it, a stop that came after the play does not.
        if (internalPlaying())
        {
            fading.store(false, std::memory_order_relaxed);
            stopped.store(false, std::memory_order_relaxed);
        }
        fadeGain = 1.0;
        sampleClock = 0.0;
        stepPos = 0.0;
        stepIndex = 0;
        current = previous = next = nullptr;
        if (const int first = chainOn ? nextChainEntry(-1) : -1; first >= 0)
        {
            playEntry(first);
            start.patternSwitched = true;
        }
    }
    if (takeRequest(patternRestartRequest))
    {
        stepPos = 0.0;
        stepIndex = 0;
        current = nullptr;
        start.patternSwitched = true;
    }
    if (takeRequest(stepForgetRequest))
        current = nullptr;
}

void Transport::refreshPlaying(bool force)
{
    const int index = currentPatternIndex();
    const Pattern* live = song.getPattern(index);
    if (!live)
        return;
    if (!force && index == playingIndex && playingWhole && live->changeCount() == playingChanges)
        return;
    const std::uint32_t changesBefore = live->changeCount();
    const bool whole = incoming.copyStepsUnedited(*live);
    if (!whole && !force && index == playingIndex)
        return; // half an edit: keep playing the last whole copy and try again next block
    playing.copyStepsUnedited(incoming);
    playingIndex = index;
    playingChanges = changesBefore;
    playingWhole = whole;
}

bool Transport::locate(double ppqPosition)
{
    if (chainOn && locateInChain(ppqPosition))
        return true;
    const double length = playing.getNBStep() * kStepBeats;
    stepPos = length > 0.0 ? std::fmod(ppqPosition, length) : 0.0;
    // A count-in before beat 0 lands in the pattern at the same distance from its end.
    if (stepPos < 0.0)
        stepPos += length;
    current = next = previous = nullptr;
    sampleClock = ppqPosition * samplesPerBeat;
    stepIndex = static_cast<int>(stepPos / kStepBeats);
    return false;
}

BlockStart Transport::beginBlock(const HostTime& time, double internalRate)
{
    BlockStart start;
    const int mode = syncType();
    refreshChain();
    const bool chainSwitchedOn = followChainSwitch(start, mode);
    takeRequests(start);
    refreshPlaying(false);

    const double rate = internalRate > 0.0 ? internalRate : time.sampleRate;
    samplesPerBeat = rate * 60.0 / time.tempo;
    spb.store(static_cast<int>(samplesPerBeat), std::memory_order_relaxed);
    // Internal sync clocks its steps by its own tempo; the Gate slot's beat stays the host's.
    if (mode == kInternalSync)
        samplesPerBeat = rate * 60.0 / tempo();
    const double perStep = samplesPerBeat * kStepBeats;
    beatIncrement = 1.0 / samplesPerBeat;
    stepSamples.store(perStep, std::memory_order_relaxed);

    const bool wasPlaying = hostPlaying();
    if (mode == kHostSync && time.transportChanged)
    {
        if (time.playing && !wasPlaying)
        {
            start.patternSwitched |= locate(time.ppqPosition);
            fading.store(false, std::memory_order_relaxed);
            stopped.store(false, std::memory_order_relaxed);
            fadeGain = 1.0;
            start.hostStarted = true;
        }
        else if (wasPlaying && !time.playing)
        {
            start.hostStopped = true;
        }
        else if (time.playing)
        {
            start.patternSwitched |= locate(time.ppqPosition);
        }
    }
    hostIsPlaying.store(time.playing, std::memory_order_relaxed);
    // Switched on while the host plays: the chain takes its place at once.
    if (chainSwitchedOn && mode == kHostSync && time.playing && !sequencerStopped())
        start.patternSwitched |= locate(time.ppqPosition);

    // Taken only when it can be served; until then it waits.
    if (mode == kHostSync && time.playing && resyncRequest.exchange(false, std::memory_order_relaxed))
    {
        fading.store(false, std::memory_order_relaxed);
        stopped.store(false, std::memory_order_relaxed);
        fadeGain = 1.0;
        start.patternSwitched |= locate(time.ppqPosition);
    }

    if (mode == kHostSync)
    {
        if (sequencerStopped())
        {
            start.releaseSoundingNotes = true;
            pending.store(false, std::memory_order_relaxed);
            return start;
        }
        if (!time.playing)
        {
            fading.store(true, std::memory_order_relaxed);
            pending.store(false, std::memory_order_relaxed);
        }
    }
    else if (mode == kInternalSync && sequencerStopped())
    {
        start.releaseSoundingNotes = true;
        return start;
    }

    if (patternSyncMode() == kPatternSyncAuto)
        syncSamples = static_cast<int>(playing.getNBStep() * perStep);
    else
        syncSamples = samplesPerBeat * patternSyncQuantum();
    stepLen = static_cast<int>(perStep);
    start.run = true;
    return start;
}

void Transport::switchTo(int index)
{
    currentIndex.store(index, std::memory_order_relaxed);
    setStepLength();
    refreshPlaying(true);
    stepPos = 0.0;
    stepIndex = 0;
    current = nullptr;
}

bool Transport::synchroPattern()
{
    // Taken before the index is read: a trigger in between leaves its request for the next test.
    if (!pending.exchange(false, std::memory_order_acquire))
        return false;
    switchTo(nextPatternIndex());
    sampleClock = 0.0;
    return true;
}

bool Transport::beginSample()
{
    bool switched = chainOn && advanceChain();
    const auto period = static_cast<std::int64_t>(syncSamples);
    // A period below one sample (an empty pattern in auto mode) disables the boundary test.
    if (period >= 1 && static_cast<std::int64_t>(sampleClock) % period == 0)
        switched |= synchroPattern();
    if (sampleClock == 0.0)
        switched |= synchroPattern();
    if (patternSyncMode() == kPatternSyncFree && pending.exchange(false, std::memory_order_acquire))
    {
        switchTo(nextPatternIndex());
        sampleClock = 0.0;
        switched = true;
    }
    return switched;
}

bool Transport::advanceStopFade()
{
    if (!stopFading())
        return true;
    if (fadeGain == 0.0)
    {
        fading.store(false, std::memory_order_relaxed);
        stopped.store(true, std::memory_order_relaxed);
        return false;
    }
    fadeGain = fadeGain - kStopFadeStep > 0.0 ? fadeGain - kStopFadeStep : 0.0;
    return true;
}

bool Transport::stepDue()
{
    const Pattern* p = &playing;
    const int count = p->getNBStep();
    const double length = count * kStepBeats;
    if (length > 0.0 && stepPos + kStepTimeTolerance >= length)
    {
        stepPos = std::fmod(stepPos, length);
        if (stepPos + kStepTimeTolerance >= length)
            stepPos -= length;
        stepIndex = 0;
    }
    const Step* s = p->getStep(stepIndex);
    return s && stepPos + kStepTimeTolerance >= s->timeStart();
}

void Transport::startStep()
{
    Pattern* p = &playing;
    previous = current;
    current = p->getStep(stepIndex);
    ++stepIndex;
    next = p->getStep(stepIndex);
    if (next)
        return;
    next = p->getStep(0);
    // The last step of a chain entry goes on to the first of the next entry.
    const Pattern* following = chainOn ? song.getPattern(chainCopy.pattern(nextChainEntry(entry)))
                                       : nullptr;
    if (const Step* first = following ? following->getStep(0) : nullptr)
    {
        entryFirst = *first;
        next = &entryFirst;
    }
}

void Transport::endSample()
{
    stepPos += beatIncrement;
    sampleClock += 1.0;
}

// While a chain plays, switch boundaries count from the entry's start, as after a switch.
void Transport::followHostTempo(double ppqPosition)
{
    sampleClock = samplesPerBeatInt() * (chainOn && entry >= 0 ? stepPos : ppqPosition);
}

void Transport::refreshChain()
{
    const std::uint32_t changes = chain.changeCount();
    if (changes == chainChanges)
        return;
    ChainEntries fresh;
    if (!chain.copyUnset(fresh))
        return; // being set: the last whole copy plays on, and the next block tries again
    chainCopy = fresh;
    chainChanges = changes;
}

// Returns true when the chain was switched on (or became playable) for this block.
bool Transport::followChainSwitch(BlockStart& start, int mode)
{
    const bool wanted = chainPlay() && mode != kMidiInSync && !chainCopy.empty();
    if (wanted == chainOn)
        return false;
    chainOn = wanted;
    entry = -1;
    playingEntry.store(-1, std::memory_order_relaxed);
    start.patternSwitched |= !wanted; // the editor sees that no entry plays
    return wanted;
}

double Transport::entryBeats(int at) const
{
    const Pattern* p = song.getPattern(chainCopy.pattern(at));
    return p ? p->getNBStep() * kStepBeats : 0.0;
}

int Transport::nextChainEntry(int from) const
{
    const int count = chainCopy.size();
    for (int i = 1; i <= count; ++i)
    {
        const int at = (std::max(from, -1) + i) % count;
        if (entryBeats(at) > 0.0)
            return at;
    }
    return -1;
}

void Transport::playEntry(int at)
{
    switchTo(chainCopy.pattern(at));
    entry = at;
    playingEntry.store(at, std::memory_order_relaxed);
}

// The entry and step the position implies, entry lengths adding up from position 0 and the chain
// repeating; a position before 0 lies that far before the chain's end. False when no entry has
// steps.
bool Transport::locateInChain(double ppqPosition)
{
    double total = 0.0;
    for (int i = 0; i < chainCopy.size(); ++i)
        total += entryBeats(i);
    if (!(total > 0.0))
        return false;
    double position = std::fmod(ppqPosition, total);
    if (position < 0.0)
        position += total;
    double startBeats = 0.0;
    int at = 0;
    for (; at < chainCopy.size(); ++at)
    {
        const double length = entryBeats(at);
        if (length > 0.0 && position < startBeats + length)
            break;
        startBeats += length;
    }
    if (at == chainCopy.size()) // rounding at the very end: the chain starts again
    {
        at = nextChainEntry(-1);
        position = startBeats = 0.0;
    }
    playEntry(at);
    stepPos = position - startBeats;
    current = next = previous = nullptr;
    sampleClock = stepPos * samplesPerBeat;
    stepIndex = static_cast<int>(stepPos / kStepBeats);
    return true;
}

// At the end of an entry's pattern the next entry starts, where the clock has got to; its first
// step may slide on from the last step played.
bool Transport::advanceChain()
{
    const double length = playing.getNBStep() * kStepBeats;
    if (stepPos + kStepTimeTolerance < length || !chainPlay())
        return false;
    const int following = nextChainEntry(entry);
    if (following < 0)
        return false;
    // Where the clock has got to in the next pass, as a pattern that loops wraps it.
    double beyond = 0.0;
    if (length > 0.0)
    {
        beyond = std::fmod(stepPos, length);
        if (beyond + kStepTimeTolerance >= length)
            beyond -= length;
    }
    Step* last = nullptr;
    if (current)
    {
        carried = *current;
        last = &carried;
    }
    playEntry(following);
    current = last;
    stepPos = beyond;
    sampleClock = 0.0;
    return true;
}

} // namespace quelvar
