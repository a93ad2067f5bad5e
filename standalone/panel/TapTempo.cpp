#include "standalone/panel/TapTempo.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
constexpr int kSlowest = 40;
constexpr int kFastest = 300;
} // namespace

int TapTempo::tap(std::int64_t ms)
{
    if (count > 0 && (ms <= taps[static_cast<std::size_t>(count - 1)] ||
                      ms - taps[static_cast<std::size_t>(count - 1)] > kRestartMs))
        count = 0;
    if (count == static_cast<int>(taps.size()))
    {
        for (std::size_t i = 1; i < taps.size(); ++i)
            taps[i - 1] = taps[i];
        --count;
    }
    taps[static_cast<std::size_t>(count++)] = ms;
    if (count < 2)
        return 0;
    const double beatMs = static_cast<double>(taps[static_cast<std::size_t>(count - 1)] - taps[0]) /
                          (count - 1);
    return std::clamp(static_cast<int>(std::lround(60000.0 / beatMs)), kSlowest, kFastest);
}

} // namespace quelvar
