// The clipper's three transfer tables (diode pair T1, positive and negative halves T2+ and
// T2-): a header and 100 float entries each, built at compile time as monotone cubic
// (Fritsch–Carlson) curves through measured rows at every tenth index.
#pragma once

namespace quelvar
{

struct ClipperTable
{
    static constexpr int kEntries = 100;
    float minimum;
    float step; // kept from the measurement, not read
    float scale;
    int count;
    float entries[kEntries];
};

// Measured rows: index and value.
struct ClipperRow
{
    int index;
    double value;
};

constexpr int kClipperRows = 12;

constexpr ClipperRow kDiodeRows[kClipperRows] = {{0, 0.0},        {1, -0.029709},  {10, -0.30223},
                                                 {20, -0.382617}, {30, -0.408991}, {40, -0.426528},
                                                 {50, -0.440992}, {60, -0.454486}, {70, -0.468417},
                                                 {80, -0.484535}, {90, -0.506965}, {99, -0.552156}};

constexpr ClipperRow kPositiveRows[kClipperRows] = {
    {0, 0.00603},   {1, 0.01809},   {10, 0.126633}, {20, 0.247236}, {30, 0.367839}, {40, 0.48843},
    {50, 0.608403}, {60, 0.710408}, {70, 0.757572}, {80, 0.779346}, {90, 0.792688}, {99, 0.801341}};

constexpr ClipperRow kNegativeRows[kClipperRows] = {
    {0, 0.00603},   {1, 0.01809},  {10, 0.126633}, {20, 0.247236}, {30, 0.367837}, {40, 0.48814},
    {50, 0.590749}, {60, 0.63249}, {70, 0.650508}, {80, 0.661448}, {90, 0.669221}, {99, 0.674682}};

namespace detail
{
// Monotone piecewise cubic Hermite through the rows: interior slopes are the weighted
// harmonic mean of the neighbouring secants (zero where they change sign), end slopes the
// end secants. Passes through every row exactly and never overshoots between them.
constexpr ClipperTable buildClipperTable(const ClipperRow (&rows)[kClipperRows], float minimum,
                                         float step)
{
    double secant[kClipperRows - 1] = {};
    double width[kClipperRows - 1] = {};
    for (int r = 0; r + 1 < kClipperRows; ++r)
    {
        width[r] = rows[r + 1].index - rows[r].index;
        secant[r] = (rows[r + 1].value - rows[r].value) / width[r];
    }
    double slope[kClipperRows] = {};
    slope[0] = secant[0];
    slope[kClipperRows - 1] = secant[kClipperRows - 2];
    for (int r = 1; r + 1 < kClipperRows; ++r)
    {
        const double s0 = secant[r - 1];
        const double s1 = secant[r];
        if (s0 * s1 <= 0.0)
            continue;
        const double w1 = 2.0 * width[r] + width[r - 1];
        const double w2 = width[r] + 2.0 * width[r - 1];
        slope[r] = (w1 + w2) / (w1 / s0 + w2 / s1);
    }

    ClipperTable t{minimum, step, 101.97f, ClipperTable::kEntries, {}};
    for (int r = 0; r + 1 < kClipperRows; ++r)
    {
        for (int i = rows[r].index; i < rows[r + 1].index; ++i)
        {
            const double h = width[r];
            const double s = (i - rows[r].index) / h;
            const double h00 = (1.0 + 2.0 * s) * (1.0 - s) * (1.0 - s);
            const double h10 = s * (1.0 - s) * (1.0 - s);
            const double h01 = s * s * (3.0 - 2.0 * s);
            const double h11 = s * s * (s - 1.0);
            const double v = h00 * rows[r].value + h10 * h * slope[r] + h01 * rows[r + 1].value +
                             h11 * h * slope[r + 1];
            t.entries[i] = static_cast<float>(v);
        }
    }
    t.entries[ClipperTable::kEntries - 1] = static_cast<float>(rows[kClipperRows - 1].value);
    return t;
}
} // namespace detail

inline constexpr ClipperTable kDiodeTable = detail::buildClipperTable(kDiodeRows, 0.0f, 8.0f);
inline constexpr ClipperTable kPositiveTable =
    detail::buildClipperTable(kPositiveRows, 0.006f, 12.0f);
inline constexpr ClipperTable kNegativeTable =
    detail::buildClipperTable(kNegativeRows, 0.006f, 12.0f);

// Linear interpolation in a table. Below the first entry the first segment extends down to
// position -1, then holds; from index count - 1 on the last entry holds.
inline double lookupClipperTable(const ClipperTable& t, double input)
{
    const double position = (input - t.minimum) * t.scale;
    if (!(position < t.count - 1)) // also NaN, and keeps huge inputs away from the int cast
        return t.entries[t.count - 1];
    if (position <= -1.0)
        return t.entries[0];
    const int index = static_cast<int>(position);
    const double a = t.entries[index];
    const double b = t.entries[index + 1];
    return a + (position - index) * (b - a);
}

} // namespace quelvar
