// The voice's output saturator: a stateless rational soft clip, about 0.998x for small inputs
// and tending to +-1.005. Free functions, real-time safe.
#pragma once

namespace quelvar
{

inline long double dist_dist(long double x)
{
    const long double a = x < 0.0 ? -x : x;
    const long double x2 = x * x;
    const long double num = x * (2.39304178773957 + 2.42262961841169 * a +
                                 x2 * (0.940350192593669 + 0.88080249764587 * a));
    long double m = x * (1.0 + 0.876604976262445 * a);
    m = m < 0.0 ? -m : m;
    return num / (2.39707251423435 + (x2 + 2.36431790907668) * m);
}

// The saturator keeps no state; the voice still calls this when it resets.
inline void dist_initdist() {}

} // namespace quelvar
