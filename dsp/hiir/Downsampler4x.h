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
};

} // namespace hiir
