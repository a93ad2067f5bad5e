#include "dsp/rspl/MipMapFlt.h"

#include <algorithm>

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
    for (std::size_t l = 1; l < levels.size(); ++l)
    {
        const std::vector<float>& src = levels[l - 1];
        std::vector<float>& dst = levels[l];
        const long src_size = static_cast<long>(src.size());
        const long dst_len = get_lev_len(static_cast<int>(l));
        for (long j = -padding; j < dst_len + padding; ++j)
        {
            const long centre = 2 * j + padding; // index into src's storage
            double acc = 0.0;
            for (int t = -half_len; t <= half_len; ++t)
            {
                const long k = centre + t;
                if (k >= 0 && k < src_size)
                    acc += static_cast<double>(filter[static_cast<std::size_t>(t < 0 ? -t : t)]) *
                           src[static_cast<std::size_t>(k)];
            }
            dst[static_cast<std::size_t>(j + padding)] = static_cast<float>(acc);
        }
    }
}

} // namespace rspl
