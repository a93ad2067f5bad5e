#include "dsp/hiir/FourTimesDesign.h"

#include "dsp/hiir/PolyphaseIir2Designer.h"

namespace hiir
{

const FourTimesDesign& four_times_design()
{
    static const FourTimesDesign design = [] {
        FourTimesDesign d;
        d.valid = PolyphaseIir2Designer::compute_nbr_coefs(69.0, 0.01) ==
                      FourTimesDesign::kOuterCoefs &&
                  PolyphaseIir2Designer::compute_nbr_coefs(69.0, 0.2) ==
                      FourTimesDesign::kInnerCoefs;
        if (d.valid)
        {
            PolyphaseIir2Designer::compute_coefs(d.outer, 69.0, 0.01);
            PolyphaseIir2Designer::compute_coefs(d.inner, 69.0, 0.2);
        }
        return d;
    }();
    return design;
}

} // namespace hiir
