// Process-wide lookup tables of the filter: funTab1 (resonance warping curve) and funTab2
// (2^x for the cutoff). Filled once by initFilterTables before any rendering, then read-only.
#pragma once

namespace quelvar
{

constexpr int kFunTab1Size = 65;
constexpr int kFunTab2Size = 513;

extern double funTab1[kFunTab1Size];
extern double funTab2[kFunTab2Size];

// Fills both tables once per process; later calls do nothing.
void initFilterTables();

// 2^x for x in [-8, 8] by linear interpolation in funTab2; x outside is held at the ends.
inline long double exp2FromTable(long double x)
{
    long double position = (x + 8.0L) * 32.0L;
    if (!(position >= 0.0L))
        position = 0.0L;
    if (position > 512.0L)
        position = 512.0L;
    // The last interval is [511, 512]; its top end is reached with a fraction of 1.
    // Truncated through double: the x87 conversion to int would reload the control word.
    const int i = position < 511.0L ? static_cast<int>(static_cast<double>(position)) : 511;
    return funTab2[i] + (position - i) * (funTab2[i + 1] - funTab2[i]);
}

} // namespace quelvar
