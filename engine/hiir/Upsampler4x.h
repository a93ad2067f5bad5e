// 4x interpolator: two cascaded half-band stages (69 dB; transition 0.01 at 1x->2x, 0.2 at
// 2x->4x) per channel. set_nbr_chn allocates; clear_buffers and process never do.
#pragma once

#include "engine/hiir/FourTimesDesign.h"
#include "engine/hiir/Upsampler2x.h"

#include <vector>

namespace hiir
{

class Upsampler4x
{
public:
    static constexpr int kOuterCoefs = FourTimesDesign::kOuterCoefs;
    static constexpr int kInnerCoefs = FourTimesDesign::kInnerCoefs;

    // Configures n channels (n >= 1) and clears every filter memory. False when the design
    // does not give the expected coefficient counts; no channel is usable then.
    bool set_nbr_chn(int n);
    int get_nbr_chn() const { return static_cast<int>(channels.size()); }
    void clear_buffers();

    // count input samples -> 4 * count output samples. out and in must not overlap.
    void process_block_1ch(int channel, float out[], const float in[], int count);

private:
    static constexpr int kSubBlock = 64;

    struct Channel
    {
        Upsampler2x<kOuterCoefs> outer;
        Upsampler2x<kInnerCoefs> inner;
    };

    std::vector<Channel> channels;
    alignas(16) float mid[2 * kSubBlock] = {};
};

} // namespace hiir
