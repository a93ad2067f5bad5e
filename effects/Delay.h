// Tempo delay: one feedback line (free time or synced note values), optional feedback filter
// and ping-pong. Setters run on any thread and store atomics; work on the line (a new time, a
// clear) is requested and done by the audio thread at the start of its next process(), so the
// ring and its indices have one owner. The constructor allocates; process() never does.
#pragma once

#include "dsp/iirRoutines.h"
#include "effects/CHighLifeFilter.h"
#include "effects/DelayBuffer.h"

#include <atomic>

namespace quelvar
{

class Delay
{
public:
    static constexpr int kMinDelaySamples = 176;
    static constexpr int kMaxDelaySamples = DelayBuffer::kCapacity - 1;

    enum FilterMode
    {
        kNoFilter = 0,
        kLowPass = 1,
        kHighPass = 2
    };

    void setActive(bool on); // off clears the line
    void clear();            // any thread: the line empties at the next process()
    void setVolume(float v);
    void setFeedback(float v);
    void setPingPong(bool on);
    void setSync(bool on);  // re-applies the stored time value
    void setTimeF(float v); // 0–1: up to two beats free, or one of eight note values synced
    void setTime(int samples);
    void update();                                       // re-applies the stored time value
    void setSamplePerBeat(double tempoBpm, double rate); // ignored unless both are positive
    void setSamplePerBeat(double samplesPerBeat);
    void setSampleRate(double rate);
    void setTune(float t); // 0.5 no filter, below low-pass, above high-pass
    void setHpCut(float v);
    void setLpCut(float v);

    float getTimeF() const { return timeValue.load(std::memory_order_relaxed); }
    int getDelayTime() const { return delayTime.load(std::memory_order_relaxed); }
    // The length setTimeF(v) would give at the present tempo and sync, in samples.
    int lengthFor(float v) const;
    int getFilterMode() const { return filterMode.load(std::memory_order_relaxed); }
    float getHpCoef() const { return hpCoef.load(std::memory_order_relaxed); }
    float getLpCut() const { return lpCut.load(std::memory_order_relaxed); }
    double getSamplesPerBeat() const { return samplesPerBeat.load(std::memory_order_relaxed); }
    double getTempo() const { return tempo.load(std::memory_order_relaxed); }
    int getSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }

    // Audio thread: the block after the distortion section, in place. silentIn: both channels
    // hold +0 throughout. Returns whether they still do: the delay is off, or its loop has
    // fallen silent (below) and then only its clocks move, as processing would move them.
    bool process(float* left, float* right, int n, bool silentIn = false);

private:
    // The block's settings, read once from the atomics.
    struct BlockSettings
    {
        double rampStep;
        float feedback;
        float volume;
        long double hpCoef;
        float lpArg; // the low-pass's cut argument
        bool pingPong;
        int period; // the ping-pong period, the delay time
    };
    template <int Mode> void processWith(float* left, float* right, int n, const BlockSettings& b);
    // The loop holds nothing: the last kCapacity samples written to the line were +0, no glide
    // runs and the feedback filter's memories are +0. The low-pass never rests: the noise that
    // keeps it out of denormals keeps the line from falling silent.
    bool atRest(int mode) const;
    // A block of silence at rest: the line's heads, the ping-pong side and its pan ramp move
    // as the sample loop would move them.
    void passSilence(int n, const BlockSettings& b);
    // Before setTime's clamp; v already in 0–1.
    int unclampedLength(float v, bool synced) const;
    // The synced note value, 0–7, a time value selects.
    static int syncedNote(float v);

    // Written by the parameter setters, the tempo follower (audio thread) or the rate change;
    // read by the renderer at its next block. setTimeF may run on two threads at once (a
    // parameter change and a host tempo change); the last store wins until the next change.
    std::atomic<int> delayTime{22050};
    std::atomic<float> feedback{0.0f};
    std::atomic<float> volume{0.0f};
    std::atomic<int> sampleRate{44100};
    std::atomic<double> tempo{120.0};
    std::atomic<bool> active{false};
    std::atomic<bool> sync{false};
    std::atomic<int> filterMode{kNoFilter};
    std::atomic<double> samplesPerBeat{22050.0};
    std::atomic<float> timeValue{0.0f};
    std::atomic<bool> pingPong{false};
    std::atomic<float> hpCoef{0.0068027f};
    std::atomic<float> lpCut{1.0f};
    static_assert(std::atomic<double>::is_always_lock_free);
    static_assert(std::atomic<int>::is_always_lock_free);

    // Requests for the audio thread; the release store publishes delayTime.
    std::atomic<bool> timeRequest{false};
    std::atomic<bool> clearRequest{false};

    // Audio thread only.
    int quietWrites = DelayBuffer::kCapacity; // +0s written in a row, counted up to the capacity
    bool pingSide = false;
    float panRamp = 0.0f;
    tbiquad highPass;
    CHighLifeFilter lowPass;
    DelayBuffer line;
};

} // namespace quelvar
