#include "dsp/filterTables.h"

#include <cmath>

namespace quelvar
{

double funTab1[kFunTab1Size];
double funTab2[kFunTab2Size];

namespace
{
void initFunTab1()
{
    // The decimal constant, not pi/2 to full precision: the curve's exact rows depend on it.
    constexpr long double c = 1.5707963265L;
    for (int j = 0; j < kFunTab1Size; ++j)
    {
        double v = std::sin(static_cast<double>(c * j / 64.0L));
        v = std::sin(static_cast<double>(c * v));
        v = std::sin(static_cast<double>(c * v));
        v = std::sin(static_cast<double>(c * v));
        funTab1[j] = v;
    }
}

void initFunTab2()
{
    for (int i = 0; i < kFunTab2Size; ++i)
        funTab2[i] = static_cast<double>(std::pow(2.0f, static_cast<float>(i * 0.03125 - 8.0)));
}
} // namespace

void initFilterTables()
{
    // Once per process: a second engine must not rewrite tables a first one is reading.
    static const bool filled = [] {
        initFunTab1();
        initFunTab2();
        return true;
    }();
    (void)filled;
}

} // namespace quelvar
