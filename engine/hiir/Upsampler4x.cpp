#include "engine/hiir/Upsampler4x.h"

#include "engine/hiir/PolyphaseIir2Designer.h"

#include <algorithm>

namespace hiir
{

bool Upsampler4x::set_nbr_chn(int n)
{
    if (!designed)
    {
        const bool outerOk = PolyphaseIir2Designer::compute_nbr_coefs(69.0, 0.01) == kOuterCoefs;
        const bool innerOk = PolyphaseIir2Designer::compute_nbr_coefs(69.0, 0.2) == kInnerCoefs;
        if (!outerOk || !innerOk)
        {
            channels.clear();
            return false;
        }
        PolyphaseIir2Designer::compute_coefs(outerCoefs, 69.0, 0.01);
        PolyphaseIir2Designer::compute_coefs(innerCoefs, 69.0, 0.2);
        designed = true;
    }
    channels.resize(static_cast<std::size_t>(std::max(n, 1)));
    for (Channel& c : channels)
    {
        c.outer.set_coefs(outerCoefs);
        c.inner.set_coefs(innerCoefs);
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
