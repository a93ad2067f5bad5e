#include "effects/Clipper12.h"

#include "dsp/clampUnit.h"
#include "effects/clipperTables.h"

#include <cmath>

namespace quelvar
{

namespace
{
// Discretised circuit constants.
constexpr double k1 = 1.095880362452828;
constexpr double k2 = -0.14108955456562763;
constexpr double k3 = -0.7697603331553252;
constexpr double k4 = 0.000829239653576842;
constexpr double k5 = 0.804528311900251;
constexpr double k6 = -0.804528311900251;
constexpr double k7 = 0.0041454;
constexpr double k8 = 0.9023598644364358;
constexpr double k9 = 0.05350095357567101;
constexpr double k10 = -0.9999951753867531;
constexpr double k11 = -0.91874796376781;
constexpr double k12 = 0.91874796376781;
constexpr double k13 = 1.088435160816422;
constexpr double k14 = -1.6874744750945754;
constexpr double k15 = 0.8433408300428958;
constexpr double k16 = 1.1846463462940695;
constexpr double k17 = 2303912060.7361693;
constexpr double k18 = 44100.0;

constexpr double kAlpha = 0.0593824228028504;
constexpr double kBeta = 3.91923990498812e-5;
constexpr double kGamma = 9.26800656732889e-10;
constexpr double kDelta = 1.85360131346578e-9;
constexpr double kSmooth = 0.993;
constexpr double kSmoothStep = 1.0 - kSmooth;

// Pre-stage high-pass tuning and the gain after its hard clip.
constexpr float kTuning = 0.25f;
constexpr float kPostClipGain = 0.25f;
} // namespace

void Clipper12::setDrive(float v)
{
    drive.store(clampUnit(v), std::memory_order_relaxed);
}

void Clipper12::setScream(float v)
{
    scream.store(clampUnit(v), std::memory_order_relaxed);
}

void Clipper12::setSamplerate(int rate)
{
    sampleRate = rate;
    driveSmoother.init(4.0f, 4.0f * static_cast<float>(rate));
    screamSmoother.init(4.0f, 4.0f * static_cast<float>(rate));
}

void Clipper12::clear()
{
    IIR_resetIIR(highPass);
    s = o = u1 = u2 = p = z = r0 = r1 = r2 = lv = t = 0.0;
}

namespace
{
// The circuit's values that follow the smoothed scream s and the start-up ramp o.
struct CircuitCoefs
{
    double w;
    double g1;
    double den;
    double lambdaPlus;  // 1 + lambda
    double lambdaMinus; // 1 - lambda
    double deltaW;      // delta × w
    double mScale;      // (b1 − beta) k18 + alpha
};

CircuitCoefs circuitCoefsFor(double s, double o)
{
    const double b1 = kBeta * o;
    const double w = 0.75 * s + 0.5;
    const double lambda = (500000.0 * s + 5700.0) * k7;
    return {w,
            -kGamma * w,
            (kBeta - b1) * k18 + kAlpha,
            1.0 + lambda,
            1.0 - lambda,
            kDelta * w,
            (b1 - kBeta) * k18 + kAlpha};
}
} // namespace

// The pre-stage and the circuit run in one loop, sample after sample: each only looks back at
// its own states, so this equals running the stages one after the other over the buffer, and
// their recurrences overlap. Once the scream, ramp and level smoothers have settled (a step
// leaves them as they are), their coefficients are computed once for the whole call.
void Clipper12::process(float* buffer, int count)
{
    const double rate = sampleRate > 0 ? sampleRate : 44100;
    const double rho = 44100.0 / (oversampled ? 4.0 * rate : rate);
    const float driven =
        driveSmoother.process(drive.load(std::memory_order_relaxed)) * 100.0f * 0.32f;
    const float G = driven > 4.0f ? driven : 4.0f;
    const long double hc = (0.025 * kTuning + 0.001700675) * rho;

    const float screamNow = scream.load(std::memory_order_relaxed);
    const float outputLevel = 0.45f - 0.2f * screamNow;
    const float levelDb = 32.0f * outputLevel - 20.0f;
    const double levelTarget = std::pow(10.0, levelDb * 0.05);
    const double screamTarget = 0.3 * screamSmoother.process(screamNow);

    const bool settled = kSmooth * s + kSmoothStep * screamTarget == s &&
                         kSmooth * o + kSmoothStep == o &&
                         kSmooth * lv + kSmoothStep * levelTarget == lv;
    CircuitCoefs c = circuitCoefsFor(s, o);

    long double h0 = highPass.s[0], h1 = highPass.s[1], h2 = highPass.s[2];
    double u1s = u1, u2s = u2, ps = p, zs = z, r0s = r0, r1s = r1, r2s = r2, ts = t;
    double ss = s, os = o, lvs = lv;
    for (int i = 0; i < count; ++i)
    {
        double pre = static_cast<double>(highpassStages(h0, h1, h2, hc, buffer[i])) * G;
        pre = pre > 0.8 ? 0.8 : (pre < -0.8 ? -0.8 : pre);
        const double x = static_cast<float>(pre * kPostClipGain);

        if (!settled)
        {
            ss = kSmooth * ss + kSmoothStep * screamTarget;
            os = kSmooth * os + kSmoothStep;
            c = circuitCoefsFor(ss, os);
            lvs = kSmooth * lvs + kSmoothStep * levelTarget;
        }

        const double u = x - (k2 * u1s + k3 * u2s) * k1;
        const double v = k4 * u1s + k5 * u + k6 * u2s;
        zs = k8 * zs + k9 * (c.lambdaPlus * v + c.lambdaMinus * ps);

        // Diode pair: odd curve of the compressed error, opposing the error's sign.
        const double e = zs - k1 * v;
        const double ea = std::fabs(e);
        const double diode = std::fabs(lookupClipperTable(kDiodeTable, ea / (3.0 + ea)));
        const double f = e >= 0.0 ? -diode : diode;

        const double q = -(k10 * r0s + f - k1 * v);
        const double r0a = k11 * r0s + k12 * q;
        const double r0b = k13 * r0a - (k14 * r1s + k15 * r2s) * k16;
        const double h = (c.g1 * r0b + c.deltaW * r1s + c.g1 * r2s) * k17;

        // Asymmetric output stage.
        const double y = h >= 0.0 ? lookupClipperTable(kPositiveTable, h)
                                  : -lookupClipperTable(kNegativeTable, -h);

        const double m = c.mScale * ts / c.den;
        buffer[i] = static_cast<float>((ts + (y - m)) * lvs / c.den * kAlpha);

        ts = y - m;
        u2s = u1s;
        u1s = u;
        r2s = r1s;
        r1s = r0b;
        r0s = q;
        ps = v;
    }
    highPass.s[0] = h0;
    highPass.s[1] = h1;
    highPass.s[2] = h2;
    u1 = u1s;
    u2 = u2s;
    p = ps;
    z = zs;
    r0 = r0s;
    r1 = r1s;
    r2 = r2s;
    t = ts;
    s = ss;
    o = os;
    lv = lvs;
}

} // namespace quelvar
