// 4x decimator: two cascaded half-band stages (69 dB; transition 0.2 at 4x->2x, 0.01 at
// 2x->1x) per channel. set_nbr_chn allocates; clear_buffers and process never do.
#pragma once

#include "dsp/hiir/Downsampler2x.h"
#include "dsp/hiir/FourTimesChannels.h"

namespace hiir
{

class Downsampler4x : public FourTimesChannels<Downsampler2x>
{
public:
    // 4 * count input samples -> count output samples. out and in must not overlap.
    void process_block_1ch(int channel, float out[], const float in[], int count);

    // One sample at a time, for loops that run other filters beside it. Takes over a
    // configured channel's state and hands it back when it goes out of scope.
    class Plain
    {
    public:
        Plain(Downsampler4x& down, int channel)
            : outer(down.channels[static_cast<std::size_t>(channel)].outer.pipeline()),
              inner(down.channels[static_cast<std::size_t>(channel)].inner.pipeline())
        {
        }

        // 4 input samples -> 1 output sample. Each pair goes to chain 0 as its later sample
        // and to chain 1 as its earlier one, and the decimator halves the chains' sum.
        float process_sample(const float in[4])
        {
            const __m128 x = _mm_loadu_ps(in);
            const __m128 a = inner.step(_mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 2, 0, 1)));
            const __m128 b = inner.step(_mm_shuffle_ps(x, x, _MM_SHUFFLE(1, 0, 2, 3)));
            const __m128 sumA = _mm_add_ss(a, _mm_shuffle_ps(a, a, _MM_SHUFFLE(1, 1, 1, 1)));
            const __m128 sumB = _mm_add_ss(b, _mm_shuffle_ps(b, b, _MM_SHUFFLE(1, 1, 1, 1)));
            const __m128 half = _mm_mul_ps(_mm_set1_ps(0.5f), _mm_unpacklo_ps(sumB, sumA));
            const __m128 y = outer.step(half);
            const __m128 sum = _mm_add_ss(y, _mm_shuffle_ps(y, y, _MM_SHUFFLE(1, 1, 1, 1)));
            return 0.5f * _mm_cvtss_f32(sum);
        }

    private:
        AllPassPipeline<kOuterCoefs>::Plain outer;
        AllPassPipeline<kInnerCoefs>::Plain inner;
    };

    bool has_channel(int channel) { return channel_at(channel) != nullptr; }
};

} // namespace hiir
