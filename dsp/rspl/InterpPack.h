// Polyphase FIR interpolators of the resampler: 24 taps for the normal path, 12 taps for the
// 2x oversampled path, 64 phases each. Tables are built in the constructor; the interpolation
// calls are real-time safe.
#pragma once

#include <cstdint>
#include <xmmintrin.h>

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
        // Four partial sums, one per lane, so the vector form adds in the scalar order.
        const __m128 qv = _mm_set1_ps(q);
        __m128 acc = _mm_setzero_ps();
        for (int k = 0; k < TAPS; k += 4)
        {
            const __m128 w = _mm_add_ps(_mm_loadu_ps(c + k), _mm_mul_ps(qv, _mm_loadu_ps(d + k)));
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(x + k), w));
        }
        alignas(16) float lanes[4];
        _mm_store_ps(lanes, acc);
        return (lanes[0] + lanes[2]) + (lanes[1] + lanes[3]);
    }

    static_assert(NORM_TAPS % 4 == 0 && OVRSPL_TAPS % 4 == 0);

    // [phase][tap]: the coefficient and its step to the next phase.
    float norm_coef[NBR_PHASES][NORM_TAPS];
    float norm_dif[NBR_PHASES][NORM_TAPS];
    float ovrspl_coef[NBR_PHASES][OVRSPL_TAPS];
    float ovrspl_dif[NBR_PHASES][OVRSPL_TAPS];
};

} // namespace rspl
