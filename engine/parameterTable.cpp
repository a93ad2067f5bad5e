#include "engine/parameterTable.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace quelvar
{

const char* const kParamNames[kNumNamedParams] = {
    "Volume",   "Waveform", "Tuning",   "CutOff",   "Resonance", "EnvMod",    "Decay",
    "Accent",   "Gate",     "Groove",   "NB STEP",  "Patt Sync", "Slide Time", "antialias",
    "trigger pt", "Delay ", "Dly sync", "Dly ping", "Dly time",  "Dly vol",   "Dly fdbk",
    "Dly filt", "Disto",    "Dist Sel", "Dist prm1", "Dist prm2"};

const char* const kParamLabels[10] = {"dB", " ", " ", "%", " ", "%", "%", "%", "ms", "%"};

namespace
{
constexpr int kDisplayWidth = 8;
}

void copyText(const char* source, char* text, std::size_t capacity)
{
    std::strncpy(text, source, capacity - 1);
    text[capacity - 1] = 0;
}

void formatInteger(int value, char* text)
{
    std::snprintf(text, kDisplayWidth + 1, "%d", value);
}

void formatDecimal(double value, char* text)
{
    if (!std::isfinite(value))
    {
        copyText(value > 0 ? "oo" : (value < 0 ? "-oo" : "nan"), text, kDisplayWidth + 1);
        return;
    }
    char integerPart[64];
    std::snprintf(integerPart, sizeof integerPart, "%.0f", std::trunc(value));
    int integerDigits = static_cast<int>(std::strlen(integerPart));
    if (value < 0.0 && integerPart[0] != '-')
        ++integerDigits; // "-0.5": the sign counts
    const int decimals = kDisplayWidth - integerDigits - 1;
    char full[64];
    if (decimals <= 0)
        std::snprintf(full, sizeof full, "%.0f", std::trunc(value));
    else
        std::snprintf(full, sizeof full, "%.*f", decimals, value);
    full[kDisplayWidth] = 0;
    copyText(full, text, kDisplayWidth + 1);
}

void formatDecibels(double value, char* text)
{
    if (value <= 0.0)
        copyText("-oo", text, kDisplayWidth + 1);
    else
        formatDecimal(20.0 * std::log10(value), text);
}

void formatMilliseconds(double samples, double sampleRate, char* text)
{
    formatDecimal(sampleRate > 0.0 ? samples * 1000.0 / sampleRate : 0.0, text);
}

void formatOnOff(bool on, char* text)
{
    copyText(on ? "ON" : "OFF", text, kDisplayWidth + 1);
}

} // namespace quelvar
