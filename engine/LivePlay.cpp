#include "engine/LivePlay.h"

#include "dsp/voiceSaturator.h"
#include "engine/noteTables.h"
#include "sequencer/Step.h"

#include <algorithm>

namespace quelvar
{

namespace
{
bool inLiveRange(int note)
{
    return note >= kLowestLiveNote && note <= kHighestLiveNote;
}
} // namespace

bool LivePlay::held() const
{
    return std::any_of(heldNotes.begin(), heldNotes.end(), [](std::int64_t s) { return s != 0; });
}

void LivePlay::slideTo(int note, long double tuningOctaves)
{
    const long double target = cNoteFreq[note - kMidiNoteOffset];
    const long double from = voice.noteFreq > 0.0L ? voice.noteFreq : target;
    voice.slideFactor = slideFactorFor(from, target, tuningOctaves, slideSamples);
}

void LivePlay::accentFresh(int velocity, int accentThreshold)
{
    if (velocity <= accentThreshold)
        return;
    voice.accentReso = 0.6L;
    voice.accentEnv = std::min(voice.accentEnvSmooth + 2.0L, 5.0L);
}

bool LivePlay::play(int note, int velocity, int accentThreshold, long double tuningOctaves)
{
    if (note < 0 || note > 127)
        return false;
    if (held())
    {
        voice.samplesInNote = 0;
        if (velocity > accentThreshold)
        {
            voice.accentEnvSmooth = 0.0L;
            voice.accentReso = 0.6L;
            voice.accentEnv = 2.0L;
        }
        if (!inLiveRange(note))
            return false;
        slideTo(note, tuningOctaves);
        heldNotes[note] = ++lastStamp;
        return false;
    }

    if (releasing)
    {
        releasing = false;
        releaseGain = 1.0;
        dist_initdist();
        voice.clearLowpass();
        declickOffset = lastOutput;
        declickStep = lastOutput / static_cast<double>(kDeclickSamples);
    }
    voice.oscPhase = 0.0L;
    voice.slideFactor = 1.0L;
    voice.filterEnv = 4.0L;
    if (!inLiveRange(note))
        return true;
    voice.noteFreq = cNoteFreq[note - kMidiNoteOffset];
    voice.samplesInNote = 0;
    accentFresh(velocity, accentThreshold);
    liveVoiceActive = true;
    releaseGain = 1.0;
    heldNotes[note] = ++lastStamp;
    return true;
}

void LivePlay::stop(int note, int velocity, int accentThreshold, long double tuningOctaves)
{
    if (note < 0 || note > 127)
        return;
    heldNotes[note] = 0;
    const auto latest = std::max_element(heldNotes.begin(), heldNotes.end());
    if (*latest == 0)
    {
        releasing = true;
        return;
    }
    const int current = static_cast<int>(latest - heldNotes.begin());
    voice.samplesInNote = 0;
    accentFresh(velocity, accentThreshold);
    if (inLiveRange(current))
        slideTo(current, tuningOctaves);
}

void LivePlay::reset()
{
    heldNotes.fill(0);
    liveVoiceActive = false;
}

void LivePlay::releaseAll()
{
    heldNotes.fill(0);
    if (liveVoiceActive)
        releasing = true;
}

void LivePlay::advanceRamps()
{
    if (releasing)
    {
        releaseGain -= kLiveReleaseStep;
        if (releaseGain <= 0.0)
        {
            releaseGain = 0.0;
            releasing = false;
            liveVoiceActive = false;
            dist_initdist();
            voice.clearLowpass();
        }
    }
    if (declickOffset != 0.0f)
    {
        const float moved = static_cast<float>(declickOffset - declickStep);
        declickOffset = (moved > 0.0f) != (declickOffset > 0.0f) ? 0.0f : moved;
    }
}

float LivePlay::finish(long double voiceOutput)
{
    lastOutput = static_cast<float>((dist_dist(voiceOutput) + declickOffset) * releaseGain);
    return lastOutput;
}

void LivePlay::endSample()
{
    if (voice.samplesInNote >= slideSamples)
        voice.slideFactor = 1.0L;
    voice.advance();
}

} // namespace quelvar
