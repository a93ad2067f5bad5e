// Mip-map of a sample: level 0 is the sample, each further level is low-passed and decimated
// by 2. Small class: init_sample and fill_sample allocate and build; the readers are const.
#pragma once

#include <vector>

namespace rspl
{

class MipMapFlt
{
public:
    // coefs: the centre tap then one side of a symmetric odd-length FIR, nbr_taps taps in all.
    // Returns false (and keeps nothing) for sizes it cannot build.
    bool init_sample(long len, long add_len_pre, long add_len_post, int nbr_tables,
                     const double coefs[], int nbr_taps);

    // Appends n samples to level 0. Returns true once the whole sample is in and the levels
    // are built.
    bool fill_sample(const float data[], long n);

    void clear_sample();

    // The sample repeats every `samples` samples (0: it does not, or it is unknown). Call after
    // init_sample, before the last fill_sample: the levels are then built one repeat at a time,
    // with the same result.
    void set_repeat(long samples) { repeat = samples > 0 ? samples : 0; }

    bool is_ready() const { return ready; }
    long get_sample_len() const { return sample_len; }
    int get_nbr_tables() const { return static_cast<int>(levels.size()); }
    long get_lev_len(int level) const;
    // Zero padding on each side of every level, in samples of that level.
    long get_padding() const { return padding; }
    float get_filter_coef(int tap) const; // tap in [-half, half]
    int get_nbr_taps() const { return half_len * 2 + 1; }

    // Pointer to sample 0 of a level; at least get_padding() readable samples lie before it and
    // after its last sample.
    const float* use_table(int level) const
    {
        return levels[static_cast<unsigned>(level)].data() + padding;
    }

private:
    void build_levels();

    std::vector<std::vector<float>> levels;
    std::vector<float> filter; // centre tap first, then one side
    long sample_len = 0;
    long filled_len = 0;
    long padding = 0;
    int half_len = 0;
    long repeat = 0;
    bool ready = false;
};

} // namespace rspl
