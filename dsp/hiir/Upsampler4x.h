// 4x interpolator: two cascaded half-band stages (69 dB; transition 0.01 at 1x->2x, 0.2 at
// 2x->4x) per channel. set_nbr_chn allocates; clear_buffers and process never do.
#pragma once

#include "dsp/hiir/FourTimesChannels.h"
#include "dsp/hiir/Upsampler2x.h"

namespace hiir
{

class Upsampler4x : public FourTimesChannels<Upsampler2x>
{
public:
    // count input samples -> 4 * count output samples. out and in must not overlap.
    void process_block_1ch(int channel, float out[], const float in[], int count);

    // One sample at a time, for loops that run other filters beside it. Takes over a
    // configured channel's state and hands it back when it goes out of scope.
    class Plain
    {
    public:
        Plain(Upsampler4x& up, int channel)
            : outer(up.channels[static_cast<std::size_t>(channel)].outer.pipeline()),
              inner(up.channels[static_cast<std::size_t>(channel)].inner.pipeline())
        {
        }

        // 1 input sample -> 4 output samples.
        void process_sample(float out[4], float in)
        {
            const __m128 half = outer.step(_mm_set1_ps(in));
            const __m128 a = inner.step(_mm_shuffle_ps(half, half, _MM_SHUFFLE(0, 0, 0, 0)));
            const __m128 b = inner.step(_mm_shuffle_ps(half, half, _MM_SHUFFLE(1, 1, 1, 1)));
            _mm_storeu_ps(out, _mm_movelh_ps(a, b));
        }

    private:
        AllPassPipeline<kOuterCoefs>::Plain outer;
        AllPassPipeline<kInnerCoefs>::Plain inner;
    };

    bool has_channel(int channel) { return channel_at(channel) != nullptr; }
};

} // namespace hiir
