#include "dsp/rspl/MipMapFlt.h"

#include <algorithm>
#include <cstring>

namespace rspl
{

bool MipMapFlt::init_sample(long len, long add_len_pre, long add_len_post, int nbr_tables,
                            const double coefs[], int nbr_taps)
{
    clear_sample();
    if (len <= 0 || nbr_tables <= 0 || nbr_tables > 30 || coefs == nullptr || nbr_taps <= 0 ||
        (nbr_taps & 1) == 0 || add_len_pre < 0 || add_len_post < 0)
        return false;

    half_len = nbr_taps / 2;
    filter.resize(static_cast<std::size_t>(half_len) + 1);
    for (int t = 0; t <= half_len; ++t)
        filter[static_cast<std::size_t>(t)] = static_cast<float>(coefs[t]);

    // Room for the filter tails of the level above, and for the interpolator's reach.
    padding =
        std::max<long>(nbr_taps - 1 - ((nbr_taps - 1) & 1), std::max(add_len_pre, add_len_post));
    sample_len = len;
    levels.resize(static_cast<std::size_t>(nbr_tables));
    for (int l = 0; l < nbr_tables; ++l)
        levels[static_cast<std::size_t>(l)].assign(
            static_cast<std::size_t>(get_lev_len(l) + 2 * padding), 0.0f);
    return true;
}

bool MipMapFlt::fill_sample(const float data[], long n)
{
    if (levels.empty() || ready || data == nullptr || n <= 0)
        return ready;
    n = std::min(n, sample_len - filled_len);
    std::copy(data, data + n, levels[0].begin() + padding + filled_len);
    filled_len += n;
    if (filled_len == sample_len)
    {
        build_levels();
        ready = true;
    }
    return ready;
}

void MipMapFlt::clear_sample()
{
    levels.clear();
    filter.clear();
    sample_len = 0;
    filled_len = 0;
    padding = 0;
    half_len = 0;
    repeat = 0;
    ready = false;
}

long MipMapFlt::get_lev_len(int level) const
{
    return (sample_len + (1L << level) - 1) >> level;
}

float MipMapFlt::get_filter_coef(int tap) const
{
    const int a = tap < 0 ? -tap : tap;
    return a <= half_len && !filter.empty() ? filter[static_cast<std::size_t>(a)] : 0.0f;
}

void MipMapFlt::build_levels()
{
    // Each level covers its padding as well, so the tails of the sample's ends stay in.
    std::vector<int> matching; // prefix counts of source samples equal to the one a repeat back
    for (std::size_t l = 1; l < levels.size(); ++l)
    {
        const std::vector<float>& src = levels[l - 1];
        std::vector<float>& dst = levels[l];
        const long src_size = static_cast<long>(src.size());
        const long dst_len = get_lev_len(static_cast<int>(l));

        // Where the sample repeats, an output whose taps read the same bits as the output one
        // repeat earlier is that output: it is copied instead of summed again.
        const long dst_repeat = std::max(repeat >> l, 1L);
        const long src_repeat = 2 * dst_repeat;
        matching.assign(static_cast<std::size_t>(src_size) + 1, 0);
        for (long k = 0; k < src_size; ++k)
        {
            const bool same = repeat > 0 && k >= src_repeat &&
                              std::memcmp(&src[static_cast<std::size_t>(k)],
                                          &src[static_cast<std::size_t>(k - src_repeat)],
                                          sizeof(float)) == 0;
            matching[static_cast<std::size_t>(k) + 1] =
                matching[static_cast<std::size_t>(k)] + (same ? 1 : 0);
        }

        for (long j = -padding; j < dst_len + padding; ++j)
        {
            const long centre = 2 * j + padding; // index into src's storage
            const long first = centre - half_len;
            const long last = centre + half_len;
            if (j - dst_repeat >= -padding && first >= 0 && last < src_size &&
                matching[static_cast<std::size_t>(last) + 1] -
                        matching[static_cast<std::size_t>(first)] ==
                    2 * half_len + 1)
            {
                dst[static_cast<std::size_t>(j + padding)] =
                    dst[static_cast<std::size_t>(j - dst_repeat + padding)];
                continue;
            }
            double acc = 0.0;
            if (first >= 0 && last < src_size)
            {
                // Every tap inside: the same sum, without a check per tap.
                const float* x = src.data() + centre;
                for (int t = -half_len; t < 0; ++t)
                    acc += static_cast<double>(filter[static_cast<std::size_t>(-t)]) * x[t];
                for (int t = 0; t <= half_len; ++t)
                    acc += static_cast<double>(filter[static_cast<std::size_t>(t)]) * x[t];
            }
            else
            {
                for (int t = -half_len; t <= half_len; ++t)
                {
                    const long k = centre + t;
                    if (k >= 0 && k < src_size)
                        acc += static_cast<double>(
                                   filter[static_cast<std::size_t>(t < 0 ? -t : t)]) *
                               src[static_cast<std::size_t>(k)];
                }
            }
            dst[static_cast<std::size_t>(j + padding)] = static_cast<float>(acc);
        }
    }
}

} // namespace rspl
