// Coefficient design for polyphase IIR half-band filters (elliptic prototype split into two
// all-pass chains). Pure functions; call them at configuration time, not per block.
#pragma once

namespace hiir
{

class PolyphaseIir2Designer
{
public:
    // Coefficients needed for `attenuation` dB stop-band rejection with a transition band of
    // `transition` (fraction of the sample rate, in (0, 0.5)). 0 for arguments outside range.
    static int compute_nbr_coefs(double attenuation, double transition);

    // Writes the coefficients, ascending, into coefs (room for compute_nbr_coefs values) and
    // returns how many were written.
    static int compute_coefs(double coefs[], double attenuation, double transition);

private:
    static int compute_order(double attenuation, double transition);
    static double compute_k(double transition);
    static double compute_q(double k);
    static double compute_coef(int index, double k, double q, int order);
};

} // namespace hiir
