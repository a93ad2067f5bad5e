#include "dsp/hiir/Upsampler4x.h"

#include <algorithm>

namespace hiir
{

void Upsampler4x::process_block_1ch(int channel, float out[], const float in[], int count)
{
    Channel* c = channel_at(channel);
    if (!c)
        return;
    for (int done = 0; done < count; done += kSubBlock)
    {
        const int len = std::min(kSubBlock, count - done);
        c->outer.process_block(mid, in + done, len);
        c->inner.process_block(out + 4 * done, mid, 2 * len);
    }
}

} // namespace hiir
