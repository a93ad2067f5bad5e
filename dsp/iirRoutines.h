// Filter routines of the voice, clipper and delay: plain state records and free functions,
// all in extended precision. Real-time safe: no allocation, no state beyond the records.
#pragma once

#include "dsp/filterTables.h"

namespace quelvar
{

// Six state slots: the low-pass uses 0 (position) and 1 (velocity), the high-pass 0–2.
struct tbiquad
{
    long double s[6] = {};
};

struct tbiquadFIR
{
    long double s = 0.0;
};

inline void IIR_resetIIR(tbiquad& state)
{
    for (long double& v : state.s)
        v = 0.0;
}

inline void IIR_resetFIR(tbiquadFIR& state)
{
    state.s = 0.0;
}

// One-pole smoother.
inline long double IIR_FIRlp(tbiquadFIR& state, long double a, long double x)
{
    state.s += a * (x - state.s);
    return state.s;
}

// The three high-pass stages on states the caller holds: when they are locals, the states stay
// in registers across a loop instead of going through memory every sample.
inline long double highpassStages(long double& s0, long double& s1, long double& s2,
                                  long double a, long double x)
{
    long double u = x;
    s0 += a * (u - s0);
    u -= s0;
    s1 += a * (u - s1);
    u -= s1;
    s2 += a * (u - s2);
    u -= s2;
    return u > 1.0 ? 1.0 : (u < -1.0 ? -1.0 : u);
}

// Three one-pole high-pass stages in series, output clamped to [-1, 1].
inline long double IIR_doIIRhigh(tbiquad& state, long double a, long double x)
{
    return highpassStages(state.s[0], state.s[1], state.s[2], a, x);
}

// Rate-dependent factors of the resonant low-pass, computed once per block.
struct LowpassRate
{
    long double m = 1.0;    // 44100 / rate, held at 1 below 36750 Hz
    long double invM = 1.0; // 1 / m
    long double invSr = 1.0 / 44100.0;
};

inline LowpassRate lowpassRateFor(double sr)
{
    LowpassRate r;
    r.m = 44100.0L / sr;
    if (r.m > 1.2)
        r.m = 1.0;
    r.invM = 1.0L / r.m;
    r.invSr = 1.0L / sr;
    return r;
}

// One sample's coefficients of the resonant low-pass: the products its five updates use.
struct LowpassStep
{
    long double a;    // W × m
    long double fbm;  // fb × m
    long double afbm; // a × fb × m
    long double afb;  // a × fb
};

// The low-pass's coefficients from W (cutoff coefficient), R (resonance 0–1) and f (the
// oscillator frequency value the caller passes; it bends the resonance law with pitch).
// Stateless, so a caller may compute them ahead of the filter's recurrence.
inline LowpassStep lowpassStepFor(long double W, long double R, long double f,
                                  const LowpassRate& rate)
{
    const long double m = rate.m;
    constexpr long double kMinW = static_cast<long double>(0.01f);
    constexpr long double kMaxW = static_cast<long double>(0.7f);
    // Written so that NaN lands on the lower bound instead of indexing outside funTab1.
    W = W > kMinW ? (W < kMaxW ? W : kMaxW) : kMinW;
    const bool small = W < 0.05;

    const double position = static_cast<double>(W * 64.0);
    const int i = static_cast<int>(position);
    const double phi = position - i;
    const long double sc = funTab1[i] + phi * (funTab1[i + 1] - funTab1[i]);

    R = R < 0.0 ? 0.0 : (R > 1.0 ? 1.0 : R);
    const long double fr = f * rate.invSr;
    long double T = 1.01 * (R * (0.965 - 0.975 * fr) + sc * (0.42 * fr + 0.023));
    if (small)
        T *= 0.9 + 2.0 * W;
    const long double fb = (1.0 - T) * rate.invM;
    const long double a = W * m;
    return {a, fb * m, a * fb * m, a * fb};
}

// The low-pass's recurrence on position P and velocity V for input x; returns the new P.
inline long double lowpassAdvance(long double& P, long double& V, const LowpassStep& c,
                                  long double x)
{
    const long double u = x - c.fbm * V;
    V += c.a * (u - P);
    P += c.a * V;
    for (int k = 0; k < 3; ++k)
    {
        V -= c.afbm * V;
        P += c.a * V;
    }
    V -= c.afb * V;
    P += c.a * V;
    return P;
}

// Resonant low-pass: W cutoff coefficient, R resonance 0–1, f the oscillator frequency value
// the caller passes (it bends the resonance law with pitch).
inline long double IIR_IIRlp3poleAlt(tbiquad& state, long double W, long double R, long double x,
                                     long double f, const LowpassRate& rate)
{
    const LowpassStep c = lowpassStepFor(W, R, f, rate);
    return lowpassAdvance(state.s[0], state.s[1], c, x);
}

inline long double IIR_IIRlp3poleAlt(tbiquad& state, long double W, long double R, long double x,
                                     long double f, double sr)
{
    return IIR_IIRlp3poleAlt(state, W, R, x, f, lowpassRateFor(sr));
}

} // namespace quelvar
