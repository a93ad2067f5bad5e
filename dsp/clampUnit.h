// Entry clamp for normalised parameters: keeps NaN and out-of-range values away from process().
// NaN and both zeros give +0, infinities their end of the range. Pure, any thread.
#pragma once

namespace quelvar
{

inline float clampUnit(float v)
{
    if (!(v > 0.0f)) // also catches NaN
        return 0.0f;
    return v < 1.0f ? v : 1.0f;
}

} // namespace quelvar
