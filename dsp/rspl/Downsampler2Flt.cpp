#include "dsp/rspl/Downsampler2Flt.h"

#include <cmath>

namespace rspl
{

namespace
{
// Polyphase half-band design: flat to 0.46 of the output rate, 90 dB down from 0.56.
constexpr double kDefaultCoefs[Downsampler2Flt::NBR_COEFS] = {
    0.0457281, 0.168088, 0.332501, 0.504486, 0.663202, 0.803781, 0.933856};
} // namespace

Downsampler2Flt::Downsampler2Flt()
{
    set_coefs(kDefaultCoefs);
    clear_buffers();
}

void Downsampler2Flt::set_coefs(const double coefs[NBR_COEFS])
{
    for (int i = 0; i < NBR_COEFS; ++i)
        coef[i] = static_cast<float>(coefs[i]);
}

void Downsampler2Flt::clear_buffers()
{
    for (int i = 0; i < NBR_COEFS; ++i)
    {
        x_prev[i] = 0.0f;
        y_prev[i] = 0.0f;
    }
}

void Downsampler2Flt::flush_tiny_states()
{
    constexpr float kTiny = 1e-30f;
    for (int i = 0; i < NBR_COEFS; ++i)
    {
        x_prev[i] = std::abs(x_prev[i]) < kTiny ? 0.0f : x_prev[i];
        y_prev[i] = std::abs(y_prev[i]) < kTiny ? 0.0f : y_prev[i];
    }
}

} // namespace rspl
