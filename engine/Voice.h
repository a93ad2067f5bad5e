// The single voice: envelopes, slide, accent and the filter chain, computed per sample in
// extended precision. Audio thread only; no allocation.
#pragma once

#include "dsp/iirRoutines.h"

namespace quelvar
{

class Step;

// Values of the parameter slots the voice reads, taken once per block.
struct VoiceParameters
{
    float cutoff = 0.0f;
    float resonance = 0.0f;
    float envMod = 0.0f;
    float accent = 0.0f;
    float tuning = 0.5f;
    float decay = 0.0f;
    bool square = false;
};

// Per-block constants of the voice.
struct VoiceBlock
{
    double envMod = 0.0L;
    double accentDepth = 0.0L;
    double resoQ = 0.0L;
    double cutoffBase = 0.0L;   // A: cutoff and key tracking at block start
    double tuneFactor = 1.0L;
    double tuningOctaves = 0.0L; // 2 × Tuning − 1, single precision
    double k = 1.0L;             // 44100 / sample rate
    double decayFactor = 1.0L;
    double phaseIncrement = 0.0L; // per Hz of noteFreq
    // Per-sample rates already multiplied by k.
    double driftRate = 0.0L;
    double driftRateAccent = 0.0L;
    double gateRiseRate = 0.0L;
    double gateFallRate = 0.0L;
    double noteLevelRate = 0.0L;
    double accentEnvStep = 0.0L;
    double accentResoStep = 0.0L;
    double accentEnvSmoothRate = 0.0L;
    double accentResoSmoothRate = 0.0L;
    double smootherRate = 0.0L;       // pre-smoother, saw and negative square half
    double smootherRateSquare = 0.0L; // pre-smoother, positive square half
    double highpassRate = 0.0L;
    LowpassRate lowpassRate;
    bool square = false;
    bool wavetable = false; // the band-limited oscillator replaces the naive one
};

class Voice
{
public:
    // The voice's reset: envelopes to their rest values, filter states cleared.
    void reset();
    void clearLowpass() { IIR_resetIIR(lowpass); }
    // Sets states that have decayed below any audible size to zero, once per block: x87 maths
    // on denormal numbers is several times slower, and decays towards zero reach them.
    void flushTinyStates();

    // sampleRate: the rate of the phase, key tracking and filter; wavetable: the wavetable
    // oscillator is in use for this block.
    VoiceBlock prepareBlock(const VoiceParameters& p, double sampleRate, bool wavetable) const;

    // Sequencer step start: slide into it or retrigger, then its accent. Returns true when the
    // note was retriggered (the oscillator's table position restarts). buildAccent is false on
    // the low-rate path, where every accent starts at the same height.
    bool startStep(const Step* previous, const Step& step, const Step& next, int stepLength,
                   const VoiceBlock& block, bool buildAccent);

    // Sequencer samples are taken in runs: queueSample records one sample's control values
    // and decides its release; renderQueued then computes the whole run in passes, each pass
    // carrying only a few extended-precision states, so the x87 registers hold them instead of
    // memory. The result is the same, bit for bit, as computing sample after sample. Render the
    // run before anything else touches the voice (a step start, a cleared low-pass, the block's
    // end), and whenever runFull().
    static constexpr int kRunLength = 64;

    // oscTable is the wavetable oscillator's sample (used when the block says so). Returns true
    // when the step's gate closes at this sample.
    bool queueSample(float oscTable, int stepLength, int gateOffset, double stopFadeGain);
    bool runFull() const { return run.count == kRunLength; }
    // Writes the queued samples to out[0 …) and empties the run.
    void renderQueued(const VoiceBlock& block, float* out);

    // One live-play sample, before the saturator: the sequencer's chain without drift, gate,
    // note-level fall or release test.
    long double liveSample(const VoiceBlock& block, float oscTable);

    // After each sample.
    void advance()
    {
        ++samplesInNote;
        noteFreq *= slideFactor;
    }

    // An all-slide pattern keeps its voice open across rests.
    void reopenIfReleased() { voiceOff = false; }
    void restartNote() { samplesInNote = 0; }
    bool isOff() const { return voiceOff; }

    // Extended-precision voice state, read by tests.
    long double noteFreq = 0.0L;
    long double oscPhase = 0.0L;
    long double slideFactor = 1.0L;
    long double filterEnv = 2.5L;
    long double accentEnv = 0.0L;
    long double accentEnvSmooth = 0.0L;
    long double accentReso = 0.0L;
    long double accentResoSmooth = 0.0L;
    long double gateLevel = 0.0L;
    long double cutoffDrift = 0.0L;
    long double noteLevel = 1.0L;
    bool voiceOff = true;
    int slideActive = 0;
    int slideToNext = 0;
    signed char stepAccent = 0;
    int samplesInNote = 0;

private:
    // Inlined: extended-precision arguments would otherwise travel through memory.
    // The live voice's accent decay and smoothing, filter envelope and phase.
    [[gnu::always_inline]] inline void advanceEnvelopes(const VoiceBlock& b);
    // The live voice's pre-smoother, high-pass, resonant low-pass and level; returns the
    // level-scaled output.
    [[gnu::always_inline]] inline long double filterChain(const VoiceBlock& b, long double osc,
                                                          long double w, long double gate,
                                                          long double levelFactor);

    // The passes of renderQueued, in order.
    void phasePass(const VoiceBlock& b, int n);
    void cutoffEnvelopePass(const VoiceBlock& b, int n);
    void cutoffLawPass(const VoiceBlock& b, int n);
    void resonanceGatePass(const VoiceBlock& b, int n);
    void highpassPass(const VoiceBlock& b, int n);
    void lowpassCoefficientPass(const VoiceBlock& b, int n);
    void lowpassPass(int n);
    void outputPass(int n, float* out);

    tbiquad lowpass;
    tbiquadFIR preSmoother;
    tbiquad highpass;

    // A run of queued sequencer samples: control values recorded per sample, then the values
    // one pass hands to the next.
    struct Run
    {
        int count = 0;
        long double noteFreq[kRunLength];
        float oscTable[kRunLength];
        double fadeGain[kRunLength];
        bool gateClosed[kRunLength]; // the voice was off when the sample began
        bool released[kRunLength];
        long double osc[kRunLength];
        long double cutoff[kRunLength]; // exponent X, then coefficient W
        long double reso[kRunLength];   // R of the low-pass
        long double levelReso[kRunLength];   // 1 + 1.5 (1 − Q)
        long double levelAccent[kRunLength]; // 1 + 3 accentResoSmooth
        long double levelNote[kRunLength];
        long double gate[kRunLength];
        long double input[kRunLength]; // of the low-pass, then its level-scaled output
        LowpassStep step[kRunLength];
    };
    Run run;
};

// The step's note as the voice may use it: anything outside 0–60 plays as a rest.
int playableNote(int note);

// Per-sample factor that takes noteFreq from fromFreq to toFreq over lengthSamples (at least 1)
// for sequencer and live slides alike. Both ends are tuned and rounded to float first; that
// rounding is part of the slide's exact course.
long double slideFactorFor(long double fromFreq, long double toFreq, long double tuningOctaves,
                           int lengthSamples);

} // namespace quelvar
