#include "dsp/hiir/PolyphaseIir2Designer.h"

#include <cmath>
#include <numbers>

namespace hiir
{

namespace
{
// Both series converge super-exponentially; the cap only guards against q close to 1.
constexpr int kMaxSeriesTerms = 1000;
constexpr double kSeriesEnd = 1e-100;

bool arguments_valid(double attenuation, double transition)
{
    return attenuation > 0.0 && transition > 0.0 && transition < 0.5;
}
} // namespace

double PolyphaseIir2Designer::compute_k(double transition)
{
    const double t = std::tan((1.0 - 2.0 * transition) * std::numbers::pi / 4.0);
    return t * t;
}

double PolyphaseIir2Designer::compute_q(double k)
{
    const double kk = std::pow(1.0 - k * k, 0.25);
    const double e = 0.5 * (1.0 - kk) / (1.0 + kk);
    const double e4 = e * e * e * e;
    return e * (1.0 + e4 * (2.0 + e4 * (15.0 + 150.0 * e4)));
}

int PolyphaseIir2Designer::compute_order(double attenuation, double transition)
{
    const double q = compute_q(compute_k(transition));
    double a = std::pow(10.0, -attenuation / 10.0);
    a = a / (1.0 - a);
    int order = static_cast<int>(std::ceil(std::log(a * a / 16.0) / std::log(q)));
    if (order % 2 == 0)
        ++order;
    if (order == 1)
        order = 3;
    return order;
}

int PolyphaseIir2Designer::compute_nbr_coefs(double attenuation, double transition)
{
    if (!arguments_valid(attenuation, transition))
        return 0;
    return (compute_order(attenuation, transition) - 1) / 2;
}

double PolyphaseIir2Designer::compute_coef(int index, double k, double q, int order)
{
    const double c = index + 1;
    const double pi = std::numbers::pi;

    double num = 0.0;
    for (int j = 0; j < kMaxSeriesTerms; ++j)
    {
        const double sign = (j % 2 == 0) ? 1.0 : -1.0;
        const double term =
            sign * std::pow(q, j * (j + 1.0)) * std::sin((2.0 * j + 1.0) * c * pi / order);
        num += term;
        if (std::fabs(term) <= kSeriesEnd)
            break;
    }

    double den = 0.5;
    for (int j = 1; j < kMaxSeriesTerms; ++j)
    {
        const double sign = (j % 2 == 0) ? 1.0 : -1.0;
        const double term =
            sign * std::pow(q, static_cast<double>(j) * j) * std::cos(2.0 * j * c * pi / order);
        den += term;
        if (std::fabs(term) <= kSeriesEnd)
            break;
    }

    const double ratio = num * std::pow(q, 0.25) / den;
    const double w = ratio * ratio;
    const double x = std::sqrt((1.0 - w * k) * (1.0 - w / k)) / (1.0 + w);
    return (1.0 - x) / (1.0 + x);
}

int PolyphaseIir2Designer::compute_coefs(double coefs[], double attenuation, double transition)
{
    if (!arguments_valid(attenuation, transition))
        return 0;
    const double k = compute_k(transition);
    const double q = compute_q(k);
    const int order = compute_order(attenuation, transition);
    const int count = (order - 1) / 2;
    for (int i = 0; i < count; ++i)
        coefs[i] = compute_coef(i, k, q, order);
    return count;
}

} // namespace hiir
