#include "dsp/iirRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace quelvar;

namespace
{

struct LowPassRun
{
    long double W = 0.2L;
    long double R = 0.5L;
    long double f = 0.0L;
    double sr = 44100.0;
};

// Impulse then silence through a fresh low-pass state.
std::vector<long double> impulseResponse(const LowPassRun& run, int n)
{
    initFilterTables();
    tbiquad s;
    std::vector<long double> out;
    for (int i = 0; i < n; ++i)
        out.push_back(IIR_IIRlp3poleAlt(s, run.W, run.R, i == 0 ? 1.0L : 0.0L, run.f, run.sr));
    return out;
}

// Ringing frequency in cycles per second, from the sign changes of the response.
double ringingHz(const std::vector<long double>& y, double sr)
{
    int first = -1;
    int last = -1;
    int changes = 0;
    for (std::size_t i = 1; i < y.size(); ++i)
        if ((y[i - 1] < 0) != (y[i] < 0))
        {
            if (first < 0)
                first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++changes;
        }
    if (changes < 3)
        return 0.0;
    return (changes - 1) / 2.0 / ((last - first) / sr);
}

} // namespace

TEST(IIR_IIRlp3poleAlt, CutoffAndResonanceAreClampedToTheirRanges)
{
    const long double minW = static_cast<long double>(0.01f);
    const long double maxW = static_cast<long double>(0.7f);
    struct Case
    {
        LowPassRun outside;
        LowPassRun edge;
    };
    const Case cases[] = {
        {{0.001L, 0.5L}, {minW, 0.5L}}, {{-3.0L, 0.5L}, {minW, 0.5L}}, {{5.0L, 0.5L}, {maxW, 0.5L}},
        {{0.2L, -1.0L}, {0.2L, 0.0L}},  {{0.2L, 7.0L}, {0.2L, 1.0L}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(impulseResponse(c.outside, 64), impulseResponse(c.edge, 64))
            << "W " << static_cast<double>(c.outside.W) << " R "
            << static_cast<double>(c.outside.R);
}

TEST(IIR_IIRlp3poleAlt, NanCutoffStaysInsideTheCurveTable)
{
    LowPassRun run;
    run.W = std::numeric_limits<long double>::quiet_NaN();
    LowPassRun lowest;
    lowest.W = static_cast<long double>(0.01f);
    EXPECT_EQ(impulseResponse(run, 32), impulseResponse(lowest, 32));
}

TEST(IIR_IIRlp3poleAlt, BelowThirtySixKilohertzRunsAtTheNominalRate)
{
    // At 32000 Hz the rate factor would be 1.378 and is replaced by 1: per sample the filter
    // then behaves exactly as at 44100 Hz.
    LowPassRun at44;
    at44.R = 0.9L;
    LowPassRun at32 = at44;
    at32.sr = 32000.0;
    EXPECT_EQ(impulseResponse(at32, 256), impulseResponse(at44, 256));
}

TEST(IIR_IIRlp3poleAlt, AboveFortyFourKilohertzTheResonanceKeepsItsFrequencyInHertz)
{
    LowPassRun at44;
    at44.W = 0.05L;
    at44.R = 1.0L;
    LowPassRun at48 = at44;
    at48.sr = 48000.0;
    const double hz44 = ringingHz(impulseResponse(at44, 4000), at44.sr);
    const double hz48 = ringingHz(impulseResponse(at48, 4000), at48.sr);
    ASSERT_GT(hz44, 50.0);
    EXPECT_NEAR(hz48 / hz44, 1.0, 0.02);
    // Without the factor it would follow the rate.
    EXPECT_GT(std::abs(hz48 / hz44 - 48000.0 / 44100.0), 0.05);
}

TEST(IIR_doIIRhigh, ConstantInputSettlesToZero)
{
    tbiquad s;
    long double y = 1.0L;
    for (int i = 0; i < 44100 * 4; ++i)
        y = IIR_doIIRhigh(s, 0.0068027L, 0.5L);
    EXPECT_NEAR(static_cast<double>(y), 0.0, 1e-9);
}

TEST(IIR_doIIRhigh, OutputIsClampedToUnity)
{
    tbiquad up;
    EXPECT_EQ(IIR_doIIRhigh(up, 0.0068027L, 3.0L), 1.0L);
    tbiquad down;
    EXPECT_EQ(IIR_doIIRhigh(down, 0.0068027L, -3.0L), -1.0L);
}
