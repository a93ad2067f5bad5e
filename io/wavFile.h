// Stereo WAV files of 32-bit float or 24-bit integer samples, written as they are rendered.
// Caller's thread (never the audio thread); writes files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quelvar
{

enum class WavSamples
{
    float32,
    int24
};

class WavStream
{
public:
    // Creates or truncates the file with a header whose sizes finish() fills in.
    WavStream(const std::string& path, int sampleRate, WavSamples samples);
    ~WavStream();
    WavStream(const WavStream&) = delete;
    WavStream& operator=(const WavStream&) = delete;

    bool ok() const { return file != nullptr && !failed; }
    // Integer samples are held to -1..1 and rounded; frames past maxFrames() are refused.
    bool write(const float* left, const float* right, std::size_t frames);
    // The sizes into the header, then closed; false when anything could not be written.
    bool finish();

    // A WAV file counts its bytes in 32 bits.
    static std::int64_t maxFrames(WavSamples samples);

private:
    std::FILE* file = nullptr;
    WavSamples samples;
    int sampleRate;
    std::int64_t frames = 0;
    bool failed = false;
};

// Interleaves left and right as 32-bit floats; false when the file cannot be written.
bool writeWavFloat(const std::string& path, const std::vector<float>& left,
                   const std::vector<float>& right, int sampleRate);

} // namespace quelvar
