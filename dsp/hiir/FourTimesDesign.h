// Coefficients of the two half-band stages of the 4x converters: 69 dB with transition 0.01
// between 1x and 2x, and 0.2 between 2x and 4x. Designed once per process.
#pragma once

namespace hiir
{

struct FourTimesDesign
{
    static constexpr int kOuterCoefs = 8;
    static constexpr int kInnerCoefs = 3;

    double outer[kOuterCoefs] = {};
    double inner[kInnerCoefs] = {};
    bool valid = false; // the design gave exactly 8 and 3 coefficients
};

const FourTimesDesign& four_times_design();

} // namespace hiir
