#include "engine/hiir/Upsampler4x.h"

#include "engine/hiir/FourTimesDesign.h"

#include <algorithm>

namespace hiir
{

bool Upsampler4x::set_nbr_chn(int n)
{
    const FourTimesDesign& design = four_times_design();
    if (!design.valid)
    {
        channels.clear();
        return false;
    }
    channels.resize(static_cast<std::size_t>(std::max(n, 1)));
    for (Channel& c : channels)
    {
        c.outer.set_coefs(design.outer);
        c.inner.set_coefs(design.inner);
    }
    return true;
}

void Upsampler4x::clear_buffers()
{
    for (Channel& c : channels)
    {
        c.outer.clear_buffers();
        c.inner.clear_buffers();
    }
}

void Upsampler4x::process_block_1ch(int channel, float out[], const float in[], int count)
{
    if (channel < 0 || channel >= get_nbr_chn())
        return;
    Channel& c = channels[static_cast<std::size_t>(channel)];
    for (int done = 0; done < count; done += kSubBlock)
    {
        const int len = std::min(kSubBlock, count - done);
        c.outer.process_block(mid, in + done, len);
        c.inner.process_block(out + 4 * done, mid, 2 * len);
    }
}

} // namespace hiir
