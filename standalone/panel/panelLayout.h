// What the panel's source files share: the step editor's geometry, the sync mode texts, note
// arithmetic and the distortion type a parameter value stands for. Constants and pure functions.
#pragma once

#include <algorithm>

namespace quelvar::panelLayout
{

constexpr int kNotesPerOctave = 12;

// Step editor geometry: a label column, then 16 columns in groups of four.
constexpr int kColumnLeft = 58;
constexpr int kColumnPitch = 28;
constexpr int kGroupGap = 3;
constexpr int kColumnWidth = 24;

constexpr const char* kSyncTexts[3] = {" midi sync", " internal", " midi in"};

constexpr int columnX(int column)
{
    return kColumnLeft + column * kColumnPitch + (column / 4) * kGroupGap;
}

inline int distortionTypeOf(float v)
{
    return std::clamp(static_cast<int>(v * 4.0f), 0, 3);
}

} // namespace quelvar::panelLayout
