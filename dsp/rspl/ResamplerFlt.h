// Wavetable player: reads a MipMapFlt at a pitch in 1/65536 octave through InterpPack and a
// half-band decimator. set_* calls are cheap; interpolate_block is real-time safe and never
// allocates. The mip-map and the interpolators are borrowed and must outlive the player.
#pragma once

#include "dsp/rspl/Downsampler2Flt.h"

#include <cstdint>

namespace rspl
{

class InterpPack;
class MipMapFlt;

class ResamplerFlt
{
public:
    static constexpr int NBR_BITS_PER_OCT = 16;
    // Output samples of a crossfade after a change of level or path.
    static constexpr int FADE_LEN = 64;
    static constexpr long MIN_PITCH = -(16L << NBR_BITS_PER_OCT);

    // Refuses (returns false) a mip-map that is not built or has too little padding for the
    // interpolators; the player then stays on its previous sample.
    bool set_sample(const MipMapFlt& spl);
    void set_interp(const InterpPack& interp);

    // Clamped to [MIN_PITCH, 12 octaves) and to the levels the mip-map has. Switching level or
    // between negative and non-negative pitch starts a crossfade.
    void set_pitch(long pitch);
    long get_pitch() const { return pitch; }

    // 32.32 fixed point, in samples of level 0.
    void set_playback_pos(std::uint64_t pos) { playback_pos = pos; }
    std::uint64_t get_playback_pos() const { return playback_pos; }

    // Renders n samples; silence while no sample or interpolator is bound.
    void interpolate_block(float dest[], long n);

    // Filter memories and any running crossfade; the position stays.
    void clear_buffers();

    int get_level() const { return cur.level; }
    bool is_oversampling() const { return cur.ovrspl; }
    bool is_fading() const { return fade_pos < FADE_LEN * 2; }

private:
    struct Reading
    {
        int level = 0;
        bool ovrspl = true;
    };

    // The reading's two half-rate samples at pos, already scaled for the decimator.
    void read_pair(const Reading& r, std::uint64_t pos, float& s0, float& s1) const;
    void render_fade(float dest[], long n);
    void render_norm(float dest[], long n);
    void render_ovrspl(float dest[], long n);

    Downsampler2Flt dwnspl;
    const MipMapFlt* mip_map = nullptr;
    const InterpPack* interp = nullptr;
    std::uint64_t playback_pos = 0;
    std::uint64_t step = std::uint64_t{1} << 32; // level-0 samples per output, 32.32
    std::uint64_t pos_limit = 0;                 // reads stay inside the padded levels
    long pitch = 0;
    Reading cur;
    Reading old;
    int fade_pos = FADE_LEN * 2; // in half-rate samples; FADE_LEN * 2 = no crossfade
};

} // namespace rspl
