// Polyphase FIR interpolators of the resampler: 24 taps for the normal path, 12 taps for the
// 2x oversampled path, 64 phases each. Tables are built in the constructor; the interpolation
// calls are real-time safe.
#pragma once

#include <cstdint>

namespace rspl
{

class InterpPack
{
public:
    static constexpr int NBR_PHASES_L2 = 6;
    static constexpr int NBR_PHASES = 1 << NBR_PHASES_L2;
    static constexpr int NORM_TAPS = 24;
    static constexpr int OVRSPL_TAPS = 12;
    // Taps before the sample the integer position points at.
    static constexpr int NORM_PRE = NORM_TAPS / 2 - 1;
    static constexpr int OVRSPL_PRE = OVRSPL_TAPS / 2 - 1;

    InterpPack();

    // src points at the sample under the integer position; frac is the 32-bit fraction.
    // Reads src[-NORM_PRE] .. src[NORM_TAPS - NORM_PRE - 1].
    float interp_norm(const float src[], std::uint32_t frac) const
    {
        return interp<NORM_TAPS>(src - NORM_PRE, norm_coef, norm_dif, frac);
    }
    // Reads src[-OVRSPL_PRE] .. src[OVRSPL_TAPS - OVRSPL_PRE - 1].
    float interp_ovrspl(const float src[], std::uint32_t frac) const
    {
        return interp<OVRSPL_TAPS>(src - OVRSPL_PRE, ovrspl_coef, ovrspl_dif, frac);
    }

    // The prototype impulses, index 0 .. taps * 64 - 1, centre at taps * 32.
    static float get_norm_impulse(int index);
    static float get_ovrspl_impulse(int index);

private:
    template <int TAPS>
    static float interp(const float x[], const float coef[][TAPS], const float dif[][TAPS],
                        std::uint32_t frac)
    {
        const int phase = static_cast<int>(frac >> (32 - NBR_PHASES_L2));
        constexpr std::uint32_t kFracMask = (1u << (32 - NBR_PHASES_L2)) - 1;
        const float q = static_cast<float>(frac & kFracMask) * (1.0f / (kFracMask + 1.0f));
        const float* c = coef[phase];
        const float* d = dif[phase];
        // Four partial sums keep the loop vectorisable without reassociating floats.
        float acc[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int k = 0; k < TAPS; k += 4)
            for (int j = 0; j < 4; ++j)
                acc[j] += x[k + j] * (c[k + j] + q * d[k + j]);
        return (acc[0] + acc[2]) + (acc[1] + acc[3]);
    }

    static_assert(NORM_TAPS % 4 == 0 && OVRSPL_TAPS % 4 == 0);

    // [phase][tap]: the coefficient and its step to the next phase.
    float norm_coef[NBR_PHASES][NORM_TAPS];
    float norm_dif[NBR_PHASES][NORM_TAPS];
    float ovrspl_coef[NBR_PHASES][OVRSPL_TAPS];
    float ovrspl_dif[NBR_PHASES][OVRSPL_TAPS];
};

} // namespace rspl
