// 4x decimator: two cascaded half-band stages (69 dB; transition 0.2 at 4x->2x, 0.01 at
// 2x->1x) per channel. set_nbr_chn allocates; clear_buffers and process never do.
#pragma once

#include "engine/hiir/FourTimesDesign.h"
#include "engine/hiir/Downsampler2x.h"

#include <vector>

namespace hiir
{

class Downsampler4x
{
public:
    static constexpr int kOuterCoefs = FourTimesDesign::kOuterCoefs;
    static constexpr int kInnerCoefs = FourTimesDesign::kInnerCoefs;

    // Configures n channels (n >= 1) and clears every filter memory. False when the design
    // does not give the expected coefficient counts; no channel is usable then.
    bool set_nbr_chn(int n);
    int get_nbr_chn() const { return static_cast<int>(channels.size()); }
    void clear_buffers();

    // 4 * count input samples -> count output samples. out and in must not overlap.
    void process_block_1ch(int channel, float out[], const float in[], int count);

private:
    static constexpr int kSubBlock = 64;

    struct Channel
    {
        Downsampler2x<kInnerCoefs> inner;
        Downsampler2x<kOuterCoefs> outer;
    };

    std::vector<Channel> channels;
    alignas(16) float mid[2 * kSubBlock] = {};
};

} // namespace hiir
