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
};

} // namespace hiir
