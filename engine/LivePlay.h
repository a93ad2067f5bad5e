// Live play of the voice from MIDI notes while the sequencer is stopped in MIDI-in sync:
// last-note priority, legato slides, accents by velocity, a short release and a de-click ramp.
// Audio thread only.
#pragma once

#include "engine/Voice.h"

#include <array>
#include <cstdint>

namespace quelvar
{

constexpr int kLowestLiveNote = 36;
constexpr int kHighestLiveNote = 95;
constexpr double kLiveReleaseStep = 1.0 / 441.0;
constexpr int kDeclickSamples = 110;

class LivePlay
{
public:
    explicit LivePlay(Voice& voice) : voice(voice) {}

    // Returns true when the oscillator restarts (a fresh note). tuningOctaves: 2 × Tuning − 1.
    bool play(int note, int velocity, int accentThreshold, long double tuningOctaves);
    void stop(int note, int velocity, int accentThreshold, long double tuningOctaves);
    // Every held note forgotten and the voice silent, as when MIDI-in sync is entered.
    void reset();
    // Every held note forgotten; a sounding voice fades out over the usual release.
    void releaseAll();

    void setSlideSamples(int samples) { slideSamples = samples; }
    bool active() const { return liveVoiceActive; }

    // Release and de-click ramps of one sample; call before the voice sample when active.
    void advanceRamps();
    // Applies the ramps to the voice's output and remembers it.
    float finish(long double voiceOutput);
    // After each rendered sample: a live slide lasts slideSamples.
    void endSample();

    double releaseGain = 1.0;
    float declickOffset = 0.0f;
    float lastOutput = 0.0f;

private:
    bool held() const;
    void slideTo(int note, long double tuningOctaves);
    void accentFresh(int velocity, int accentThreshold);

    Voice& voice;
    std::array<std::int64_t, 128> heldNotes{}; // press stamps, 0 = up; largest = latest
    std::int64_t lastStamp = 0;
    int slideSamples = 5512;
    bool liveVoiceActive = false;
    bool releasing = false;
    double declickStep = 1.0 / 441.0;
};

} // namespace quelvar
