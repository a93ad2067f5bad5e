#include "dsp/rspl/ResamplerFlt.h"

#include "dsp/rspl/InterpPack.h"
#include "dsp/rspl/MipMapFlt.h"

#include <algorithm>
#include <cmath>

namespace rspl
{

namespace
{
constexpr long kMaxOctaves = 12;
constexpr float kFadeStep = 1.0f / (ResamplerFlt::FADE_LEN * 2);
} // namespace

bool ResamplerFlt::set_sample(const MipMapFlt& spl)
{
    const long reach = InterpPack::NORM_TAPS - InterpPack::NORM_PRE;
    if (!spl.is_ready() || spl.get_padding() < reach + 1)
        return false;
    mip_map = &spl;
    pos_limit = static_cast<std::uint64_t>(spl.get_sample_len()) << 32;
    set_pitch(pitch); // the level count may differ
    if (old.level >= spl.get_nbr_tables())
        fade_pos = FADE_LEN * 2;
    return true;
}

void ResamplerFlt::set_interp(const InterpPack& ip)
{
    interp = &ip;
}

void ResamplerFlt::set_pitch(long p)
{
    const long max_oct =
        mip_map != nullptr ? std::min<long>(kMaxOctaves, mip_map->get_nbr_tables()) : kMaxOctaves;
    pitch = std::clamp(p, MIN_PITCH, (max_oct << NBR_BITS_PER_OCT) - 1);
    step = static_cast<std::uint64_t>(std::llround(
        std::exp2(static_cast<double>(pitch) / (1 << NBR_BITS_PER_OCT)) * 4294967296.0));

    Reading next;
    next.ovrspl = pitch >= 0;
    next.level = next.ovrspl ? static_cast<int>(pitch >> NBR_BITS_PER_OCT) : 0;
    if (next.level != cur.level || next.ovrspl != cur.ovrspl)
    {
        old = cur;
        fade_pos = 0;
    }
    cur = next;
}

void ResamplerFlt::clear_buffers()
{
    dwnspl.clear_buffers();
    fade_pos = FADE_LEN * 2;
}

void ResamplerFlt::interpolate_block(float dest[], long n)
{
    if (dest == nullptr || n <= 0)
        return;
    if (mip_map == nullptr || interp == nullptr)
    {
        std::fill(dest, dest + n, 0.0f);
        return;
    }

    long done = 0;
    if (is_fading())
    {
        done = std::min<long>(n, (FADE_LEN * 2 - fade_pos + 1) / 2);
        render_fade(dest, done);
    }
    if (cur.ovrspl)
        render_ovrspl(dest + done, n - done);
    else
        render_norm(dest + done, n - done);

    dwnspl.flush_tiny_states();
    // Past the end the reads are held there; keeping the position there too stops it wrapping.
    playback_pos = std::min(playback_pos, pos_limit);
}

void ResamplerFlt::read_pair(const Reading& r, std::uint64_t pos, float& s0, float& s1) const
{
    const float* table = mip_map->use_table(r.level);
    const int shift = 32 + r.level;
    const std::uint64_t p0 = std::min(pos, pos_limit);
    if (r.ovrspl)
    {
        const std::uint64_t p1 = std::min(pos + step / 2, pos_limit);
        s0 = 0.5f * interp->interp_ovrspl(table + (p0 >> shift),
                                          static_cast<std::uint32_t>(p0 >> r.level));
        s1 = 0.5f * interp->interp_ovrspl(table + (p1 >> shift),
                                          static_cast<std::uint32_t>(p1 >> r.level));
    }
    else
    {
        s0 = interp->interp_norm(table + (p0 >> shift), static_cast<std::uint32_t>(p0 >> r.level));
        s1 = 0.0f;
    }
}

void ResamplerFlt::render_fade(float dest[], long n)
{
    for (long i = 0; i < n; ++i)
    {
        float o0, o1, n0, n1;
        read_pair(old, playback_pos, o0, o1);
        read_pair(cur, playback_pos, n0, n1);
        const float g0 = std::min(static_cast<float>(fade_pos + 1) * kFadeStep, 1.0f);
        const float g1 = std::min(static_cast<float>(fade_pos + 2) * kFadeStep, 1.0f);
        dest[i] = dwnspl.process_sample(o0 + g0 * (n0 - o0), o1 + g1 * (n1 - o1));
        fade_pos += 2;
        playback_pos += step;
    }
}

void ResamplerFlt::render_norm(float dest[], long n)
{
    const float* table = mip_map->use_table(0);
    for (long i = 0; i < n; ++i)
    {
        const std::uint64_t p = std::min(playback_pos, pos_limit);
        const float s = interp->interp_norm(table + (p >> 32), static_cast<std::uint32_t>(p));
        dest[i] = dwnspl.process_sample_single(s);
        playback_pos += step;
    }
}

void ResamplerFlt::render_ovrspl(float dest[], long n)
{
    const int level = cur.level;
    const int shift = 32 + level;
    const float* table = mip_map->use_table(level);
    const std::uint64_t half_step = step / 2;
    for (long i = 0; i < n; ++i)
    {
        const std::uint64_t p0 = std::min(playback_pos, pos_limit);
        const std::uint64_t p1 = std::min(playback_pos + half_step, pos_limit);
        const float s0 =
            interp->interp_ovrspl(table + (p0 >> shift), static_cast<std::uint32_t>(p0 >> level));
        const float s1 =
            interp->interp_ovrspl(table + (p1 >> shift), static_cast<std::uint32_t>(p1 >> level));
        dest[i] = dwnspl.process_sample(0.5f * s0, 0.5f * s1);
        playback_pos += step;
    }
}

} // namespace rspl
