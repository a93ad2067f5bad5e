// Half-band decimator by 2: polyphase IIR, two chains of first-order all-pass sections.
// Small class; process calls are real-time safe and allocate nothing.
#pragma once

namespace rspl
{

class Downsampler2Flt
{
public:
    static constexpr int NBR_COEFS = 7;

    // Starts with the resampler's coefficients and clear buffers.
    Downsampler2Flt();

    // Even indices filter the odd input sample, odd indices the even one.
    void set_coefs(const double coefs[NBR_COEFS]);
    void clear_buffers();

    // One pair of input samples in time order; returns the sum of both chains, so the caller
    // scales its input by 0.5 for unity gain.
    float process_sample(float even, float odd)
    {
        float in_odd = odd;
        float in_even = even;
        for (int i = 0; i < NBR_COEFS; i += 2)
            in_odd = all_pass(i, in_odd);
        for (int i = 1; i < NBR_COEFS; i += 2)
            in_even = all_pass(i, in_even);
        return in_odd + in_even;
    }

    // Single-rate input: the same chains with a zero for the missing odd sample, so switching
    // between the two uses keeps the phase response.
    float process_sample_single(float x) { return process_sample(x, 0.0f); }

    // Sets near-silent states to zero. A chain fed zeros otherwise settles into a denormal
    // limit cycle (a * 1 ulp rounds back to 1 ulp for a > 0.5); once per block is enough.
    void flush_tiny_states();

private:
    float all_pass(int i, float x)
    {
        // y = x[n-1] + a * (x[n] - y[n-1])
        const float y = x_prev[i] + coef[i] * (x - y_prev[i]);
        x_prev[i] = x;
        y_prev[i] = y;
        return y;
    }

    float coef[NBR_COEFS];
    float x_prev[NBR_COEFS];
    float y_prev[NBR_COEFS];
};

} // namespace rspl
