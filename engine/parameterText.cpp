#include "engine/parameterText.h"

#include "engine/Palladon.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace quelvar
{

namespace
{
constexpr int kTextRoom = 64;

// The unit of each slot's display text, in slot order.
// clang-format off
const char* const kSlotUnits[kNumParams] = {
    "dB", "", "", "%", "", "%", "%", "%", "ms", "%",  // volume … groove
    "", "", "ms", "", "",                            // steps, pattern sync, slide, antialias, trigger
    "", "", "", "ms", "dB", "%", "%",                // delay on, sync, ping-pong, time, volume, feedback, filter
    "", "", "%", "%",                                // distortion on, type, first and second control
    "", "BPM", "",                                   // sync mode, tempo, step record
    ""};                                             // chain
// clang-format on

bool sameText(const char* a, const char* b)
{
    char x[kTextRoom];
    char y[kTextRoom];
    trimmedText(a, x, kTextRoom);
    trimmedText(b, y, kTextRoom);
    int i = 0;
    for (; x[i] && y[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(x[i])) !=
            std::tolower(static_cast<unsigned char>(y[i])))
            return false;
    return x[i] == y[i];
}

double displayedNumber(Palladon& engine, int slot, float value)
{
    char text[kTextRoom] = {};
    engine.formatParameterValue(slot, value, text);
    double number = 0.0;
    return numberInText(text, number) ? number : std::numeric_limits<double>::quiet_NaN();
}
} // namespace

const char* parameterUnit(int slot)
{
    return slot >= 0 && slot < kNumParams ? kSlotUnits[slot] : "";
}

void trimmedText(const char* text, char* out, int capacity)
{
    while (*text == ' ')
        ++text;
    int n = 0;
    for (; text[n] && n < capacity - 1; ++n)
        out[n] = text[n];
    while (n > 0 && out[n - 1] == ' ')
        --n;
    out[n] = 0;
}

bool numberInText(const char* text, double& number)
{
    while (*text == ' ')
        ++text;
    if (std::strncmp(text, "-oo", 3) == 0)
    {
        number = -std::numeric_limits<double>::infinity();
        return true;
    }
    char* end = nullptr;
    number = std::strtod(text, &end);
    // "-0.00000" shows a value just below zero: it orders below "0.000000".
    if (number == 0.0 && std::signbit(number))
        number = -std::numeric_limits<double>::denorm_min();
    return end != text && std::isfinite(number);
}

bool stepOfText(Palladon& engine, int slot, const char* text, int steps,
                float (*slotValueOfStep)(int slot, int step), int& step)
{
    double wanted = 0.0;
    const bool isNumber = numberInText(text, wanted);
    double nearest = std::numeric_limits<double>::infinity();
    bool found = false;
    for (int k = 0; k <= steps; ++k)
    {
        const float candidate = slotValueOfStep(slot, k);
        char shown[kTextRoom] = {};
        engine.formatParameterValue(slot, candidate, shown);
        if (sameText(shown, text))
        {
            step = k;
            return true;
        }
        const double distance = std::abs(displayedNumber(engine, slot, candidate) - wanted);
        if (isNumber && distance < nearest)
        {
            nearest = distance;
            step = k;
            found = true;
        }
    }
    return found;
}

// Every display grows with the value, so the value showing a number is found by halving over the
// floats of 0–1, which are ordered as their bit patterns are.
bool continuousValueOfText(Palladon& engine, int slot, const char* text, float& value)
{
    double wanted = 0.0;
    if (!numberInText(text, wanted))
        return false;
    std::uint32_t low = 0;
    std::uint32_t high = std::bit_cast<std::uint32_t>(1.0f);
    if (displayedNumber(engine, slot, 1.0f) < wanted)
        low = high;
    while (low < high)
    {
        const std::uint32_t middle = low + (high - low) / 2;
        if (displayedNumber(engine, slot, std::bit_cast<float>(middle)) < wanted)
            low = middle + 1;
        else
            high = middle;
    }
    // The first value showing at least the number, or the last one below it: the nearer.
    float best = std::bit_cast<float>(low);
    if (low > 0)
    {
        const float below = std::bit_cast<float>(low - 1);
        if (std::abs(displayedNumber(engine, slot, below) - wanted) <
            std::abs(displayedNumber(engine, slot, best) - wanted))
            best = below;
    }
    value = best;
    return true;
}

} // namespace quelvar
