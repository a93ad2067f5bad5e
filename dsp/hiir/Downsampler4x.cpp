#include "dsp/hiir/Downsampler4x.h"

#include <algorithm>

namespace hiir
{

void Downsampler4x::process_block_1ch(int channel, float out[], const float in[], int count)
{
    Channel* c = channel_at(channel);
    if (!c)
        return;
    for (int done = 0; done < count; done += kSubBlock)
    {
        const int len = std::min(kSubBlock, count - done);
        c->inner.process_block(mid, in + 4 * done, 2 * len);
        c->outer.process_block(out + done, mid, len);
    }
}

} // namespace hiir
