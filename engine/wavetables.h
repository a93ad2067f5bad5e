// Periodic source tables of the wavetable oscillator and the filter of their mip-maps.
// Plain functions and constant data; the generators allocate nothing and run at set-up.
#pragma once

#include <array>

namespace quelvar
{

constexpr int kSquareVirusLength = 1024;
constexpr int kMipMapFilterTaps = 81;

// One period of a sampled square with droop: edges at samples 2-3 (up) and 525-527 (down),
// short ringing after each, mean zero. Built when the library loads.
extern const std::array<float, kSquareVirusLength> squarevirus;

// Centre tap, then taps 1..40 of the symmetric low-pass that builds each mip-map level.
extern const double mipMapFilterCoefs[kMipMapFilterTaps / 2 + 1];

// A rising ramp from -1 to +1 inclusive in every period of `period` samples.
void generate_steady_saw(float table[], int length, int period);

// squarevirus repeated over `length` samples, at the stored-square level.
void generate_stored_square(float table[], int length);

} // namespace quelvar
