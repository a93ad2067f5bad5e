// 2x decimator: polyphase IIR half-band with NC coefficients, single precision.
// Audio thread only after set_coefs; no allocation.
#pragma once

#include "dsp/hiir/AllPassPipeline.h"

namespace hiir
{

template <int NC> class Downsampler2x
{
public:
    void set_coefs(const double coefs[NC]) { chains.set_coefs(coefs); }
    void clear_buffers() { chains.clear_buffers(); }

    // 2n input samples -> n output samples. out may alias in: sample i is written only after
    // inputs 2i and 2i + 1 have been read.
    void process_block(float out[], const float in[], int n)
    {
        // Chain 0 takes the later sample of each pair, chain 1 the earlier one (its z^-1).
        chains.process(
            n,
            [in](int i)
            {
                const __m128 pair =
                    _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(in + 2 * i));
                return _mm_shuffle_ps(pair, pair, _MM_SHUFFLE(3, 2, 0, 1));
            },
            [out](int i, __m128 v)
            {
                const __m128 high = _mm_movehl_ps(v, v);
                const __m128 sum =
                    _mm_add_ss(high, _mm_shuffle_ps(high, high, _MM_SHUFFLE(1, 1, 1, 1)));
                out[i] = 0.5f * _mm_cvtss_f32(sum);
            });
    }

    AllPassPipeline<NC>& pipeline() { return chains; }
    const AllPassPipeline<NC>& pipeline() const { return chains; }

private:
    AllPassPipeline<NC> chains;
};

} // namespace hiir
