// What a VST 3 host hands the controller to read as a value: any UTF-16 text a user typed, for any
// parameter. Whatever comes, a text it reads gives a value in 0–1 whose own text can be shown.
#include "vst3/Vst3Plugin.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
using namespace quelvar::vst3;

Vst3Plugin& plugin()
{
    static Vst3Plugin* made = Vst3Plugin::create();
    if (!made)
        std::abort();
    return *made;
}
} // namespace

// First byte: the parameter; then the text, two bytes a character, at most 127 of them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const ParamID id = parameterIdAt(data[0] % kParameterCount);
    String128 text{};
    std::size_t n = 0;
    for (std::size_t i = 1; i + 1 < size && n < 127; i += 2)
        text[n++] = static_cast<TChar>(data[i] | data[i + 1] << 8);
    ParamValue value = -1.0;
    if (plugin().getParamValueByString(id, text, value) == kResultOk)
    {
        if (!(value >= 0.0 && value <= 1.0))
        {
            std::fprintf(stderr, "parameter %u read a text as %f\n", id, value);
            std::abort();
        }
        String128 shown{};
        if (plugin().getParamStringByValue(id, value, shown) != kResultOk)
            std::abort();
    }
    return 0;
}
