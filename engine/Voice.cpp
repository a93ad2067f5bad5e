#include "engine/Voice.h"

#include "dsp/voiceSaturator.h"
#include "engine/noteTables.h"
#include "sequencer/Step.h"

#include <cmath>

namespace quelvar
{

namespace
{
constexpr long double kTwoPi = 6.283185306L;
constexpr long double kPi = kTwoPi / 2.0L;
constexpr long double kInvTwoPi = 1.0L / kTwoPi;

// The per-sample chain, one definition for the sequencer's passes and the live voice. Inlined:
// extended-precision arguments would otherwise travel through memory, and the passes keep their
// states in x87 registers.

[[gnu::always_inline]] inline void advancePhase(long double& phase, const VoiceBlock& b,
                                                long double noteFreq)
{
    phase += b.phaseIncrement * noteFreq;
    if (phase > kTwoPi)
        phase -= kTwoPi;
}

// The oscillator before the pre-smoother: the wavetable's sample, or the naive falling saw or
// square of the phase.
[[gnu::always_inline]] inline long double oscillatorOf(const VoiceBlock& b, long double phase,
                                                       float oscTable)
{
    if (b.wavetable)
        return 0.5 * oscTable;
    if (!b.square)
        return (kTwoPi - phase) * kInvTwoPi;
    return phase > kPi ? 0.5 : -0.5;
}

// The accent envelope falls linearly and may end just below 0; its resonance twin likewise.
[[gnu::always_inline]] inline void decayAccent(long double& env, const VoiceBlock& b)
{
    if (env > 0.0)
        env -= b.accentEnvStep;
    else
        env = 0.0;
}

[[gnu::always_inline]] inline void decayAccentReso(long double& reso, const VoiceBlock& b)
{
    if (reso > 0.0)
        reso -= b.accentResoStep;
}

[[gnu::always_inline]] inline void follow(long double& value, long double target, double rate)
{
    value += (target - value) * rate;
}

// Cutoff exponent X: the drift (none in live play), the filter envelope and the accent.
[[gnu::always_inline]] inline long double cutoffExponent(const VoiceBlock& b, long double drift,
                                                         long double filterEnv,
                                                         long double accentEnvSmooth)
{
    return drift + b.envMod * (filterEnv - 2.0) + b.accentDepth * accentEnvSmooth;
}

[[gnu::always_inline]] inline long double cutoffCoefficient(const VoiceBlock& b, long double x)
{
    return b.cutoffBase * exp2FromTable(x);
}

// The pre-smoother's rate: the square's positive half is smoothed more.
[[gnu::always_inline]] inline long double smootherRateFor(const VoiceBlock& b, long double osc)
{
    return b.square && osc >= 0.0 ? b.smootherRateSquare : b.smootherRate;
}

// Q from the resonance slot and the accent's resonance; the saw rings 10 % more.
[[gnu::always_inline]] inline long double resonanceOf(const VoiceBlock& b,
                                                      long double accentResoSmooth)
{
    long double q = b.resoQ + 0.04 * b.accentDepth * accentResoSmooth;
    if (!b.square)
        q *= 1.1;
    return q;
}

// R of the low-pass for a Q.
[[gnu::always_inline]] inline long double lowpassResonance(const VoiceBlock& b, long double q)
{
    return (b.square ? 0.992 : 0.9) * q;
}

// The level rises as resonance falls and with the accent.
[[gnu::always_inline]] inline long double levelOfResonance(long double q)
{
    return 1.0 + 1.5 * (1.0 - q);
}

[[gnu::always_inline]] inline long double levelOfAccent(long double accentResoSmooth)
{
    return 1.0 + 3.0 * accentResoSmooth;
}

[[gnu::always_inline]] inline long double
scaledOutput(long double y, long double levelReso, long double levelAccent, long double levelNote)
{
    return y * levelReso * levelAccent * 0.2666667 * levelNote;
}
} // namespace

int playableNote(int note)
{
    return note >= 0 && note <= kMaxStepNote ? note : 0;
}

long double slideFactorFor(long double fromFreq, long double toFreq, long double tuningOctaves,
                           int lengthSamples)
{
    const float target = static_cast<float>(std::exp2(std::log2(toFreq) + tuningOctaves));
    const float current = static_cast<float>(std::exp2(std::log2(fromFreq) + tuningOctaves));
    const long double length = lengthSamples > 0 ? lengthSamples : 1;
    return std::exp(std::log(static_cast<long double>(target) / current) / length);
}

void Voice::reset()
{
    noteFreq = 0.0L;
    oscPhase = 0.0L;
    slideFactor = 1.0L;
    filterEnv = 2.5L;
    accentEnv = 0.0L;
    accentEnvSmooth = 0.0L;
    accentReso = 0.0L;
    accentResoSmooth = 0.0L;
    gateLevel = 0.0L;
    cutoffDrift = 0.0L;
    noteLevel = 1.0L;
    voiceOff = true;
    slideActive = 0;
    slideToNext = 0;
    stepAccent = 0;
    samplesInNote = 0;
    IIR_resetIIR(lowpass);
    IIR_resetFIR(preSmoother);
    IIR_resetIIR(highpass);
    dist_initdist();
}

void Voice::flushTinyStates()
{
    constexpr long double kTiny = 1e-300L;
    for (long double* v : {&gateLevel, &accentEnvSmooth, &accentResoSmooth, &filterEnv,
                           &lowpass.s[0], &lowpass.s[1], &highpass.s[0], &highpass.s[1],
                           &highpass.s[2], &preSmoother.s})
        if (*v < kTiny && *v > -kTiny)
            *v = 0.0L;
}

VoiceBlock Voice::prepareBlock(const VoiceParameters& p, double sampleRate, bool wavetable) const
{
    VoiceBlock b;
    b.envMod = p.envMod;
    b.accentDepth = 0.65L * p.accent;
    const float shaped = std::pow(2.0f, p.cutoff * 0.5f) - 1.0f;
    const float cw = std::pow(2.0f, 0.8f * shaped);
    b.resoQ = (std::sin(static_cast<long double>(p.resonance) * 1.5707963265L) * 75.0L + 25.0L) /
              100.0L;
    b.cutoffBase = (static_cast<long double>(cw) - 0.987L) + 0.33L * noteFreq / sampleRate;
    const float octaves = 2.0f * p.tuning - 1.0f;
    b.tuningOctaves = octaves;
    b.tuneFactor = std::pow(2.0f, octaves);
    b.k = 44100.0L / sampleRate;
    b.decayFactor = 0.9995L + 0.0005L * p.decay;
    b.phaseIncrement = kTwoPi * b.tuneFactor / (4.0L * sampleRate);
    b.lowpassRate = lowpassRateFor(sampleRate);
    b.square = p.square;
    b.wavetable = wavetable;

    const long double k = b.k;
    b.driftRate = 8.2e-6L * k;
    b.driftRateAccent = 9e-5L * k;
    b.gateRiseRate = 0.9L * k;
    b.gateFallRate = 0.004L * k;
    b.noteLevelRate = 1e-5L * k;
    b.accentEnvStep = 0.00044444445L * k;
    b.accentResoStep = 0.00015L * k;
    b.accentEnvSmoothRate = 0.00144L * k;
    b.accentResoSmoothRate = 0.03L * k;
    b.smootherRate = 0.7L * k;
    b.smootherRateSquare = 0.125L * k;
    b.highpassRate = 0.0068027L * k;
    return b;
}

bool Voice::startStep(const Step* previous, const Step& step, const Step& next, int stepLength,
                      const VoiceBlock& block, bool buildAccent)
{
    const int note = playableNote(step.note());
    const bool slide = previous && previous->slide() && playableNote(previous->note()) != 0 &&
                       note != 0 && noteFreq != 0.0L && !voiceOff;
    if (slide)
    {
        slideActive = 1;
        slideFactor = slideFactorFor(noteFreq, cNoteFreq[note], block.tuningOctaves, stepLength);
    }
    else
    {
        slideActive = 0;
        slideFactor = 1.0L;
        noteFreq = cNoteFreq[note];
        oscPhase = 0.0L;
        filterEnv = 4.0L;
        cutoffDrift = 0.0L;
        noteLevel = 1.0L;
        voiceOff = noteFreq == 0.0L;
    }
    slideToNext = step.slide() && note != 0 && playableNote(next.note()) != 0 ? 1 : 0;

    stepAccent = step.accent() ? 1 : 0;
    if (stepAccent)
    {
        accentReso = 0.6L;
        if (!buildAccent)
        {
            accentEnv = 2.0L;
        }
        else if (accentEnvSmooth > 2.0L)
        {
            accentEnvSmooth = 2.0L;
            accentEnv = 4.0L;
        }
        else
        {
            accentEnv = accentEnvSmooth + 2.0L;
        }
    }
    return !slide;
}

inline void Voice::advanceEnvelopes(const VoiceBlock& b)
{
    decayAccent(accentEnv, b);
    decayAccentReso(accentReso, b);
    follow(accentEnvSmooth, accentEnv, b.accentEnvSmoothRate);
    follow(accentResoSmooth, accentReso, b.accentResoSmoothRate);
    filterEnv *= b.decayFactor;
    advancePhase(oscPhase, b, noteFreq);
}

inline long double Voice::filterChain(const VoiceBlock& b, long double osc, long double w,
                                      long double gate, long double levelFactor)
{
    const long double s = IIR_FIRlp(preSmoother, smootherRateFor(b, osc), osc);
    const long double h = IIR_doIIRhigh(highpass, b.highpassRate, s);
    const long double q = resonanceOf(b, accentResoSmooth);
    const long double y = IIR_IIRlp3poleAlt(lowpass, w, lowpassResonance(b, q), h * gate,
                                            noteFreq * b.k, b.lowpassRate);
    return scaledOutput(y, levelOfResonance(q), levelOfAccent(accentResoSmooth), levelFactor);
}

bool Voice::queueSample(float oscTable, int stepLength, int gateOffset, double stopFadeGain)
{
    const int s = run.count++;
    run.noteFreq[s] = noteFreq;
    run.oscTable[s] = oscTable;
    run.fadeGain[s] = stopFadeGain;
    run.gateClosed[s] = voiceOff;
    bool released = false;
    if (slideToNext == 0)
    {
        const int remaining = stepLength - samplesInNote;
        released = static_cast<float>(gateOffset) +
                       static_cast<float>(stepLength) * 0.5263158f * (1.0f - 0.25f * stepAccent) >
                   static_cast<float>(remaining);
        if (released)
            voiceOff = true;
    }
    run.released[s] = released;
    return released;
}

void Voice::renderQueued(const VoiceBlock& b, float* out)
{
    const int n = run.count;
    if (n == 0)
        return;
    run.count = 0;
    phasePass(b, n);
    cutoffEnvelopePass(b, n);
    cutoffLawPass(b, n);
    resonanceGatePass(b, n);
    highpassPass(b, n);
    lowpassCoefficientPass(b, n);
    lowpassPass(n);
    outputPass(n, out);
}

void Voice::phasePass(const VoiceBlock& b, int n)
{
    long double phase = oscPhase;
    for (int s = 0; s < n; ++s)
    {
        const long double f = run.noteFreq[s];
        advancePhase(phase, b, f);
        long double osc = oscillatorOf(b, phase, run.oscTable[s]);
        if (f == 0.0)
            osc *= 0.0;
        run.osc[s] = osc;
    }
    oscPhase = phase;
}

void Voice::cutoffEnvelopePass(const VoiceBlock& b, int n)
{
    // stepAccent holds for the whole run: a step start renders the run first.
    const double driftTarget = stepAccent ? -1.75 : -1.0;
    const double driftRate = stepAccent ? b.driftRateAccent : b.driftRate;
    long double drift = cutoffDrift;
    long double env = accentEnv;
    long double envSmooth = accentEnvSmooth;
    long double fenv = filterEnv;
    for (int s = 0; s < n; ++s)
    {
        follow(drift, driftTarget, driftRate);
        decayAccent(env, b);
        follow(envSmooth, env, b.accentEnvSmoothRate);
        fenv *= b.decayFactor;
        run.cutoff[s] = cutoffExponent(b, drift, fenv, envSmooth);
    }
    cutoffDrift = drift;
    accentEnv = env;
    accentEnvSmooth = envSmooth;
    filterEnv = fenv;
}

void Voice::cutoffLawPass(const VoiceBlock& b, int n)
{
    for (int s = 0; s < n; ++s)
        run.cutoff[s] = cutoffCoefficient(b, run.cutoff[s]);
}

void Voice::resonanceGatePass(const VoiceBlock& b, int n)
{
    long double reso = accentReso;
    long double resoSmooth = accentResoSmooth;
    long double gate = gateLevel;
    long double level = noteLevel;
    for (int s = 0; s < n; ++s)
    {
        const bool closed = run.gateClosed[s];
        const long double gateTarget = closed ? 0.0 : 1.0;
        gate += (gateTarget - gate) * (closed ? b.gateFallRate : b.gateRiseRate);
        // A closing gate takes one further step, at the rate without k.
        if (run.released[s])
            gate += (gateTarget - gate) * static_cast<long double>(closed ? 0.004 : 0.9);
        run.gate[s] = gate;

        level -= level * b.noteLevelRate;
        if (level < 0.5)
            level = 0.5;
        run.levelNote[s] = b.square ? level : 1.5 * level;

        decayAccentReso(reso, b);
        follow(resoSmooth, reso, b.accentResoSmoothRate);
        const long double q = resonanceOf(b, resoSmooth);
        run.reso[s] = lowpassResonance(b, q);
        run.levelReso[s] = levelOfResonance(q);
        run.levelAccent[s] = levelOfAccent(resoSmooth);
    }
    accentReso = reso;
    accentResoSmooth = resoSmooth;
    gateLevel = gate;
    noteLevel = level;
}

void Voice::highpassPass(const VoiceBlock& b, int n)
{
    tbiquadFIR smoother = preSmoother;
    long double h0 = highpass.s[0], h1 = highpass.s[1], h2 = highpass.s[2];
    for (int s = 0; s < n; ++s)
    {
        const long double osc = run.osc[s];
        const long double h = highpassStages(h0, h1, h2, b.highpassRate,
                                             IIR_FIRlp(smoother, smootherRateFor(b, osc), osc));
        run.input[s] = h * run.gate[s];
    }
    preSmoother = smoother;
    highpass.s[0] = h0;
    highpass.s[1] = h1;
    highpass.s[2] = h2;
}

void Voice::lowpassCoefficientPass(const VoiceBlock& b, int n)
{
    for (int s = 0; s < n; ++s)
        run.step[s] =
            lowpassStepFor(run.cutoff[s], run.reso[s], run.noteFreq[s] * b.k, b.lowpassRate);
}

void Voice::lowpassPass(int n)
{
    long double P = lowpass.s[0];
    long double V = lowpass.s[1];
    for (int s = 0; s < n; ++s)
    {
        const long double y = lowpassAdvance(P, V, run.step[s], run.input[s]);
        run.input[s] = scaledOutput(y, run.levelReso[s], run.levelAccent[s], run.levelNote[s]);
    }
    lowpass.s[0] = P;
    lowpass.s[1] = V;
}

void Voice::outputPass(int n, float* out)
{
    for (int s = 0; s < n; ++s)
        out[s] = static_cast<float>(dist_dist(run.input[s]) * run.fadeGain[s]);
}

long double Voice::liveSample(const VoiceBlock& b, float oscTable)
{
    advanceEnvelopes(b);
    const long double w = cutoffCoefficient(b, cutoffExponent(b, 0.0L, filterEnv, accentEnvSmooth));
    return filterChain(b, oscillatorOf(b, oscPhase, oscTable), w, 1.0, b.square ? noteLevel : 1.5);
}

} // namespace quelvar
