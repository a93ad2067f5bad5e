// The channels of a 4x converter: per channel a stage between 1x and 2x and one between 2x and
// 4x, configured from the shared design. set_nbr_chn allocates; clear_buffers never does.
#pragma once

#include "dsp/hiir/FourTimesDesign.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace hiir
{

template <template <int> class Stage>
class FourTimesChannels
{
public:
    static constexpr int kOuterCoefs = FourTimesDesign::kOuterCoefs;
    static constexpr int kInnerCoefs = FourTimesDesign::kInnerCoefs;

    // Configures n channels (n >= 1) and clears every filter memory. False when the design
    // does not give the expected coefficient counts; no channel is usable then.
    bool set_nbr_chn(int n)
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

    int get_nbr_chn() const { return static_cast<int>(channels.size()); }

    // Both stages of the channel hold +0 throughout (false for a channel not configured).
    bool silent(int channel) const
    {
        if (channel < 0 || channel >= get_nbr_chn())
            return false;
        const Channel& c = channels[static_cast<std::size_t>(channel)];
        return c.outer.pipeline().silent() && c.inner.pipeline().silent();
    }

    void clear_buffers()
    {
        for (Channel& c : channels)
        {
            c.outer.clear_buffers();
            c.inner.clear_buffers();
        }
    }

protected:
    static constexpr int kSubBlock = 64;

    struct Channel
    {
        Stage<kOuterCoefs> outer; // between 1x and 2x
        Stage<kInnerCoefs> inner; // between 2x and 4x
    };

    // Null for a channel that is not configured.
    Channel* channel_at(int channel)
    {
        return channel >= 0 && channel < get_nbr_chn() ? &channels[static_cast<std::size_t>(channel)]
                                                       : nullptr;
    }

    std::vector<Channel> channels;
    alignas(16) float mid[2 * kSubBlock] = {};
};

} // namespace hiir
