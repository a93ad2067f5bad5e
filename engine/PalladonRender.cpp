#include "engine/Palladon.h"

#include "dsp/takeRequest.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace quelvar
{

namespace
{
constexpr double kInternalRate = 44100.0;
// Host rates below this render the voice at the internal rate and interpolate down.
constexpr float kLowRateBelow = 22050.0f;
// A host reporting a rate below this in its time info is not believed; the engine's rate is used.
constexpr double kMinReportedRate = 1000.0;
// Positions further than this from the start are held there; the sample clock must fit 64 bits.
constexpr double kMaxPositionBeats = 1e9;
// Below this host rate the low-rate path would need more than this many internal samples per
// host sample; slower rates are rendered as if they were this one.
constexpr double kMaxLowRateRatio = 16.0;

bool usable(double v, double limit)
{
    return std::isfinite(v) && v > 0.0 && v <= limit;
}
} // namespace

void Palladon::setSampleRate(float rate)
{
    // Non-finite rates count as 0: the low-rate path then renders with a ratio of 1.
    const float safe = std::isfinite(rate) ? std::min(rate, static_cast<float>(kMaxRate)) : 0.0f;
    AudioEffectX::setSampleRate(safe);
    distortion.setSampleRate(safe);
    delay.setSampleRate(safe);
    delay.update();
    volume.setSampleRate(safe);
    prepareLowRateBuffer();
    clearLowRateState();
}

void Palladon::setBlockSize(VstInt32 size)
{
    const int frames = std::clamp(size, 1, kMaxPreparedFrames);
    if (frames == preparedFrames)
        return;
    AudioEffectX::setBlockSize(size);
    preparedFrames = frames;
    osc.setBlockSize(preparedFrames);
    prepareLowRateBuffer();
}

// Sizes again: an allocation that failed in setSampleRate or setBlockSize, whose exception the
// dispatcher swallows, gets another try before rendering starts.
void Palladon::resume()
{
    clearLowRateState();
    if (osc.bufferSize() != preparedFrames)
        osc.setBlockSize(preparedFrames);
    prepareLowRateBuffer();
    distortion.resume();
}

void Palladon::suspend()
{
    randomizeRequest.store(false, std::memory_order_relaxed);
}

double Palladon::lowRateRatio() const
{
    const double rate = getSampleRate();
    if (!(rate > 0.0))
        return 1.0;
    return std::min(static_cast<double>(static_cast<float>(kInternalRate / rate)),
                    kMaxLowRateRatio);
}

void Palladon::clearLowRateState()
{
    lowRatePhase = 0.0;
    lowRateLastSample = 0.0f;
}

std::size_t Palladon::lowRateFramesNeeded() const
{
    return static_cast<std::size_t>(std::ceil(lowRateRatio())) *
               static_cast<std::size_t>(preparedFrames) +
           1;
}

void Palladon::prepareLowRateBuffer()
{
    if (!(getSampleRate() < kLowRateBelow))
        return;
    const std::size_t needed = lowRateFramesNeeded();
    if (needed > lowRateBuffer.size())
        lowRateBuffer.assign(needed, 0.0f);
}

bool Palladon::buffersPrepared() const
{
    return osc.bufferSize() >= preparedFrames &&
           (!(getSampleRate() < kLowRateBelow) || lowRateBuffer.size() >= lowRateFramesNeeded());
}

HostTime Palladon::safeTime(const HostTime& given) const
{
    HostTime t;
    const double own = getSampleRate();
    // The full-rate voice's filter is made for rates from the low-rate threshold up: a lower rate
    // reported to an engine running above it is not believed either.
    const double lowestBelieved = own >= kLowRateBelow ? kLowRateBelow : kMinReportedRate;
    t.sampleRate = usable(given.sampleRate, kMaxRate) && given.sampleRate >= lowestBelieved
                       ? given.sampleRate
                   : usable(own, kMaxRate) && own >= kMinReportedRate ? own
                                                                      : kInternalRate;
    t.tempo =
        usable(given.tempo, kMaxTempo) ? std::max(given.tempo, kMinTempo) : transport.hostTempo();
    t.ppqPosition = std::isfinite(given.ppqPosition)
                        ? std::clamp(given.ppqPosition, -kMaxPositionBeats, kMaxPositionBeats)
                        : 0.0;
    t.transportChanged = given.transportChanged;
    t.playing = given.playing;
    return t;
}

void Palladon::render(const RenderInput& in, RenderOutput& out)
{
    out.clear();
    const int frames = std::max(in.frames, 0);
    if (frames > 0 && (!out.left || !out.right))
        return;
    output = &out;
    const auto inside = [frames](int frame)
    { return std::clamp(frame, 0, std::max(frames - 1, 0)); };
    int transportAt = 0;
    int parameterAt = 0;
    int midiAt = 0;
    HostTime time;
    for (int first = 0;;)
    {
        // The changes at this frame, then the span up to the next one.
        const HostTime* given = first == 0 ? &in.time : nullptr;
        for (; transportAt < in.transport.size() && frames > 0 &&
               inside(in.transport[transportAt].frame) <= first;
             ++transportAt)
            given = &in.transport[transportAt].time;
        if (given)
            time = safeTime(*given);
        for (; parameterAt < in.parameters.size() &&
               inside(in.parameters[parameterAt].frame) <= first;
             ++parameterAt)
            setParameter(in.parameters[parameterAt].slot, in.parameters[parameterAt].value);
        int end = frames;
        if (transportAt < in.transport.size())
            end = std::min(end, inside(in.transport[transportAt].frame));
        if (parameterAt < in.parameters.size())
            end = std::min(end, inside(in.parameters[parameterAt].frame));
        int midiEnd = midiAt;
        while (midiEnd < in.midi.size() && (frames == 0 || inside(in.midi[midiEnd].frame) < end))
            ++midiEnd;
        takeMidi(in.midi, midiAt, midiEnd, first, frames);
        midiAt = midiEnd;
        if (frames == 0)
            break;
        const bool last = end == frames;
        renderSpan(first, end - first, time, last && in.timeAfterGiven ? &in.timeAfter : nullptr);
        if (last)
            break;
        first = end;
    }
    // A block of no frames keeps its live notes for the next one.
    if (frames > 0)
        noteEvents.clear();
    if (takeRequest(chainLeftReport, std::memory_order_relaxed))
        out.reports.add(kChainPlay, 0.0f, false);
    output = nullptr;
}

// One span between changes, rendered as a block of its own: the voice in pieces of the prepared
// size, the tempo followed, then the effects. time moves on to the span's end.
void Palladon::renderSpan(int first, int frames, HostTime& time, const HostTime* timeAfter)
{
    float* left = output->left + first;
    float* right = output->right + first;
    spanFirst = first;
    spanLast = first + frames - 1;
    const HostTime atStart = time;
    // A block longer than the buffers goes on where the last piece ended.
    const auto moveOn = [&time](int n)
    {
        time.transportChanged = false;
        if (time.playing)
            time.ppqPosition += n / time.sampleRate * time.tempo / 60.0;
    };
    // Buffers left short by a failed allocation are never rendered into: silence until
    // resume() sizes them.
    if (!buffersPrepared())
    {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
        moveOn(frames);
        return;
    }
    if (takeRequest(randomizeRequest, std::memory_order_relaxed))
        processRandomize(-1);
    takeLiveRequests();
    if (takeRequest(panicRequest, std::memory_order_relaxed))
        silenceNotes();
    if (takeRequest(resetRequest, std::memory_order_relaxed))
        clearSound();

    bool silent = true;
    for (int done = 0; done < frames;)
    {
        const int n = std::min(frames - done, preparedFrames);
        midiFrameBase = first + done;
        if (getSampleRate() < kLowRateBelow)
            silent &= renderLowRate(left + done, right + done, n, time);
        else
            silent &= renderSequencer(left + done, right + done, n, time, false);
        moveOn(n);
        done += n;
    }

    const HostTime after = timeAfter ? safeTime(*timeAfter) : atStart;
    if (after.tempo != transport.hostTempo() && transport.syncType() == kHostSync)
    {
        retuneDelay(after.tempo);
        transport.followHostTempo(after.ppqPosition);
    }
    transport.setHostTempo(after.tempo);
    if (sharedBlock)
        sharedBlock->writeHostTempo(static_cast<int>(after.tempo));

    runEffects(left, right, frames, silent);
}

// Renders just the internal samples up to the block's end and carries the fraction left over,
// so the step clock runs at exactly `ratio` internal samples per host frame, block after block.
// buffer[0] holds the last sample of the previous block, which the first frames interpolate from.
bool Palladon::renderLowRate(float* left, float* right, int frames, const HostTime& time)
{
    const double ratio = lowRateRatio();
    const double end = lowRatePhase + frames * ratio;
    const int internalFrames = static_cast<int>(end);
    float* buffer = lowRateBuffer.data();
    buffer[0] = lowRateLastSample;
    midiFrameRatio = ratio;
    midiSampleShift = 1.0 - lowRatePhase;
    // Interpolating between +0s gives +0.
    const bool silent = renderSequencer(buffer + 1, nullptr, internalFrames, time, true) &&
                        std::bit_cast<std::uint32_t>(lowRateLastSample) == 0u;
    midiFrameRatio = 1.0;
    midiSampleShift = 0.0;
    for (int i = 0; i < frames; ++i)
    {
        const double position = lowRatePhase + i * ratio;
        const int j = static_cast<int>(position);
        double v = buffer[j];
        if (j + 1 <= internalFrames)
            v = buffer[j] + static_cast<double>(buffer[j + 1] - buffer[j]) * (position - j);
        left[i] = static_cast<float>(v);
        right[i] = static_cast<float>(v);
    }
    lowRateLastSample = buffer[internalFrames];
    lowRatePhase = end - internalFrames;
    return silent;
}

VoiceParameters Palladon::voiceParameters() const
{
    VoiceParameters p;
    p.cutoff = storedValue(kCutoff);
    p.resonance = storedValue(kResonance);
    p.envMod = storedValue(kEnvMod);
    p.accent = storedValue(kAccent);
    p.tuning = storedValue(kTuning);
    p.decay = storedValue(kDecay);
    p.square = storedValue(kWaveform) != 0.0f;
    return p;
}

bool Palladon::renderSequencer(float* out, float* right, int frames, const HostTime& time,
                               bool lowRate)
{
    if (midiOut.hasDelayedNoteOffs())
        midiOut.sendDelayedNoteOffs(midiOffset(frames / 2));
    if (transport.syncType() == kMidiInSync && transport.sequencerStopped())
    {
        resetPendingNote();
        return renderLive(out, right, frames, lowRate);
    }
    std::memset(out, 0, sizeof(float) * static_cast<std::size_t>(frames));
    if (right)
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));

    storeGateOffset(storedValue(kGate));

    const BlockStart start = transport.beginBlock(time, lowRate ? kInternalRate : 0.0);
    if (sharedBlock)
        sharedBlock->writeHostPlaying(transport.hostPlaying());
    if (start.hostStarted && notifier)
        notifier->sendMidiMessage(0xFA, 0, 0);
    if (start.hostStopped && notifier)
        notifier->sendMidiMessage(0xFC, 0, 0);
    if (start.patternSwitched)
        publishCurrentPattern();
    if (start.releaseSoundingNotes)
        resetPendingNote();
    if (!start.run)
        return true;

    const VoiceBlock block = beginVoiceBlock(lowRate ? kInternalRate : time.sampleRate, lowRate);
    const int stepLen = transport.stepLengthSamples();
    const int gate = getGateOffset();

    // The voice's samples are queued and rendered in runs that end where its state is touched.
    int runStart = 0;
    for (int i = 0; i < frames; ++i)
    {
        if (transport.beginSample())
            publishCurrentPattern();
        if (!transport.advanceStopFade())
        {
            voice.renderQueued(block, out + runStart);
            runStart = i;
            voice.clearLowpass();
            break;
        }
        if (transport.stepDue())
        {
            voice.renderQueued(block, out + runStart);
            runStart = i;
            // At most one pass over the pattern per sample, however far the clock has jumped.
            for (int started = 0; started <= kStepsPerPattern && transport.stepDue(); ++started)
                startStep(transport.dueStepIndex(), block, stepLen, lowRate, i);
        }
        refillOscillator(block, i, frames, getSampleRate(), false);
        const bool released = voice.queueSample(block.wavetable ? osc.sample(i) : 0.0f, stepLen,
                                                gate, transport.stopFadeGain());
        if (released && midiOut.sounding(lastMidiNote))
            midiOut.addMidiMsg(kNoteOff, lastMidiNote, 0, midiOffset(i));
        voice.advance();
        transport.endSample();
        if (voice.runFull())
        {
            voice.renderQueued(block, out + runStart);
            runStart = i + 1;
        }
    }
    voice.renderQueued(block, out + runStart);
    if (right)
        std::memcpy(right, out, sizeof(float) * static_cast<std::size_t>(frames));
    sendMidiOut();
    return false;
}

// Block start of either renderer. The wavetable oscillator is off on the low-rate path.
VoiceBlock Palladon::beginVoiceBlock(double rate, bool lowRate)
{
    const bool wavetable = !lowRate && storedValue(kAntialias) != 0.0f;
    voice.flushTinyStates();
    const VoiceBlock block = voice.prepareBlock(voiceParameters(), rate, wavetable);
    osc.resetBlock();
    return block;
}

// The wavetable oscillator renders ahead of the voice, one oscBlock at a time. A voice that
// starts sounding between two refills (a live note at its frame) has it render from there to
// the next one.
void Palladon::refillOscillator(const VoiceBlock& block, int i, int frames, double sampleRate,
                                bool startsSounding)
{
    const int into = i % WavetableOscillator::oscBlock;
    if (!block.wavetable || (into != 0 && !startsSounding))
        return;
    osc.setBlockPos(i);
    osc.processResampler2(std::min(WavetableOscillator::oscBlock - into, frames - i),
                          voice.noteFreq, storedValue(kTuning), sampleRate);
}

void Palladon::startStep(int index, const VoiceBlock& block, int stepLen, bool lowRate,
                         int sample)
{
    if (notifier)
        notifier->processStep(index);
    if (voice.isOff() && allStepsSlide(transport.playingPattern()))
        voice.reopenIfReleased();
    transport.startStep();
    voice.restartNote();
    Step* step = transport.currentStep();
    if (!step)
        return;
    if (isRecordEnabled())
    {
        const StepRecorder::Result r =
            recorder.processRecordPatternNote(step, getAccentThreshold());
        if (r != StepRecorder::Result::unchanged)
            keepRecordedStep(*step, transport.currentStepIndex());
        if (r == StepRecorder::Result::noteWritten)
            publishCurrentPatternSteps();
        else if (r == StepRecorder::Result::slideChanged && notifier)
            notifier->updateDisplay();
    }
    stepMidiOut(*step, midiOffset(sample));
    if (voice.startStep(transport.previousStep(), *step, *transport.nextStep(), stepLen, block,
                        !lowRate))
        osc.resetPhase();
}

// The recorder wrote into the copy the audio thread plays; the song keeps it too.
void Palladon::keepRecordedStep(const Step& recorded, int index)
{
    Pattern* live = getCurrentPattern();
    const Pattern::Edit edit(*live);
    live->setStepNote(recorded.note(), index);
    live->setStepSlide(recorded.slide(), index);
    live->setStepAccent(recorded.accent(), index);
}

bool Palladon::allStepsSlide(const Pattern& p)
{
    const int n = p.getNBStep();
    for (int i = 0; i < n; ++i)
        if (!p.getStepAnyIndex(i)->slide())
            return false;
    return true;
}

void Palladon::processTest(float* left, float* right, int frames)
{
    renderLive(left, right, frames, false);
}

void Palladon::processTest2(float* buffer, int count)
{
    renderLive(buffer, nullptr, count, true);
}

bool Palladon::renderLive(float* left, float* right, int frames, bool lowRate)
{
    std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
    if (right)
        std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));

    const double engineRate = getSampleRate();
    const double rate = lowRate || !(engineRate >= kLowRateBelow) ? kInternalRate : engineRate;
    const VoiceBlock block = beginVoiceBlock(rate, lowRate);
    live.setSlideSamples(getSlideSamples());

    const int events = noteEvents.size();
    bool silent = true;
    bool wasSounding = false;
    for (int i = 0; i < frames; ++i)
    {
        // Offsets count from the start of the host block, not of this piece.
        for (int e = 0; e < events; ++e)
        {
            const NoteEventQueue::Entry& entry = noteEvents[e];
            if (entry.type == NoteEventQueue::kEnd)
                break;
            if (internalSampleOf(entry.offset) == i)
                liveNote(entry.type == NoteEventQueue::kNoteOn, entry.note,
                         entry.type == NoteEventQueue::kNoteOn ? entry.velocity : 48,
                         block.tuningOctaves);
        }
        if (!live.active())
        {
            wasSounding = false;
            continue;
        }
        silent = false;
        live.advanceRamps();
        refillOscillator(block, i, frames, rate, !wasSounding);
        wasSounding = true;
        left[i] = live.finish(voice.liveSample(block, block.wavetable ? osc.sample(i) : 0.0f));
        live.endSample();
    }
    if (right)
        std::memcpy(right, left, sizeof(float) * static_cast<std::size_t>(frames));
    return silent;
}

void Palladon::liveNote(bool on, int note, int velocity, long double tuningOctaves)
{
    if (transport.syncType() != kMidiInSync)
        return;
    if (!on)
        live.stop(note, velocity, getAccentThreshold(), tuningOctaves);
    else if (live.play(note, velocity, getAccentThreshold(), tuningOctaves))
        osc.resetPhase();
}

void Palladon::takeLiveRequests()
{
    if (takeRequest(liveResetRequest))
        live.reset();
    LiveNote n;
    while (liveInbox.pop(n))
        liveNote(n.on, n.note, n.velocity, 2.0f * storedValue(kTuning) - 1.0f);
}

void Palladon::clearSound()
{
    silenceNotes();
    live.reset();
    CBReset();
    clearLowRateState();
    delay.clear();
    distortion.clear();
}

int Palladon::midiOffset(int sample) const
{
    return midiFrameBase + static_cast<int>((sample + midiSampleShift) / midiFrameRatio);
}

int Palladon::internalSampleOf(int offset) const
{
    if (offset < midiFrameBase)
        return -1; // an earlier piece of the block played it
    const double sample = std::ceil((offset - midiFrameBase) * midiFrameRatio - midiSampleShift);
    return sample > 0.0 ? static_cast<int>(sample) : 0;
}

void Palladon::stepMidiOut(const Step& step, int offset)
{
    const int m = playableNote(step.note()) + kMidiNoteOffset;
    const int velocity = step.accent() ? 127 : 64;
    if (lastMidiNote != -1 && m != lastMidiNote && midiOut.sounding(lastMidiNote))
        midiOut.addDelayedNoteOff(lastMidiNote);
    if (m > kMidiNoteOffset)
    {
        // Only a slide or tie from the step before holds the same key without a new note-on;
        // after a start, a jump or a pattern switch there is no step before, and a key that was
        // let go must sound again.
        const Step* previous = transport.previousStep();
        const bool tied = m == lastMidiNote && previous && previous->slide() && midiOut.sounding(m);
        if (!tied)
            midiOut.addMidiMsg(kNoteOn, m, velocity, offset);
    }
    lastMidiNote = m;
}

void Palladon::sendMidiOut()
{
    if (output)
        midiOut.PrepareEventList(output->midi, spanFirst, spanLast);
}

// Also flushes note-offs still waiting in the ring, so none is left behind when the block goes
// to the live renderer.
void Palladon::resetPendingNote()
{
    midiOut.queueNoteOffsForSoundingNotes();
    sendMidiOut();
}

} // namespace quelvar
