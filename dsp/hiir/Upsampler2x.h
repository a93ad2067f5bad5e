// 2x interpolator: polyphase IIR half-band with NC coefficients, single precision.
// Audio thread only after set_coefs; no allocation.
#pragma once

#include "dsp/hiir/AllPassPipeline.h"

namespace hiir
{

template <int NC> class Upsampler2x
{
public:
    void set_coefs(const double coefs[NC]) { chains.set_coefs(coefs); }
    void clear_buffers() { chains.clear_buffers(); }

    // n input samples -> 2n output samples; out and in must not overlap.
    void process_block(float out[], const float in[], int n)
    {
        chains.process(
            n, [in](int i) { return _mm_set1_ps(in[i]); },
            [out](int i, __m128 v) { _mm_storeh_pi(reinterpret_cast<__m64*>(out + 2 * i), v); });
    }

    AllPassPipeline<NC>& pipeline() { return chains; }
    const AllPassPipeline<NC>& pipeline() const { return chains; }

private:
    AllPassPipeline<NC> chains;
};

} // namespace hiir
