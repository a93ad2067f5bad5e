// Writes stereo 32-bit float WAV files.
#pragma once

#include <string>
#include <vector>

namespace quelvar
{

// Interleaves left and right; returns false when the file cannot be written.
bool writeWavFloat(const std::string& path, const std::vector<float>& left,
                   const std::vector<float>& right, int sampleRate);

} // namespace quelvar
