#include "io/wavFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quelvar
{

namespace
{
// Float files carry an 18-byte format chunk and a fact chunk; integer ones the plain 16 bytes.
constexpr std::size_t kFloatHeaderBytes = 58;
constexpr std::size_t kIntegerHeaderBytes = 44;
constexpr std::uint32_t kMaxRiffBytes = 0xFFFFFFFFu;
constexpr double kInt24Full = 8388607.0;

std::size_t headerBytes(WavSamples s)
{
    return s == WavSamples::float32 ? kFloatHeaderBytes : kIntegerHeaderBytes;
}

std::size_t bytesPerSample(WavSamples s)
{
    return s == WavSamples::float32 ? 4 : 3;
}

void put32(std::vector<unsigned char>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void put16(std::vector<unsigned char>& out, std::uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void putTag(std::vector<unsigned char>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

std::vector<unsigned char> header(WavSamples s, int sampleRate, std::int64_t frames)
{
    const auto sampleBytes = static_cast<std::uint32_t>(bytesPerSample(s));
    const auto dataBytes = static_cast<std::uint32_t>(frames * 2 * sampleBytes);
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    const bool isFloat = s == WavSamples::float32;
    std::vector<unsigned char> out;
    out.reserve(headerBytes(s));
    putTag(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(headerBytes(s) - 8) + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, isFloat ? 18 : 16);
    put16(out, isFloat ? 3 : 1); // IEEE float or integer PCM
    put16(out, 2);
    put32(out, rate);
    put32(out, rate * 2 * sampleBytes);
    put16(out, static_cast<std::uint16_t>(2 * sampleBytes));
    put16(out, static_cast<std::uint16_t>(8 * sampleBytes));
    if (isFloat)
    {
        put16(out, 0);
        putTag(out, "fact");
        put32(out, 4);
        put32(out, static_cast<std::uint32_t>(frames));
    }
    putTag(out, "data");
    put32(out, dataBytes);
    return out;
}

void putSample(std::vector<unsigned char>& out, WavSamples s, float v)
{
    if (s == WavSamples::float32)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        put32(out, bits);
        return;
    }
    const double held = std::isfinite(v) ? std::clamp(static_cast<double>(v), -1.0, 1.0) : 0.0;
    const auto n = static_cast<std::int32_t>(std::lround(held * kInt24Full));
    for (int i = 0; i < 3; ++i)
        out.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(n) >> (8 * i)));
}
} // namespace

WavStream::WavStream(const std::string& path, int sampleRate, WavSamples samples)
    : file(std::fopen(path.c_str(), "wb")), samples(samples), sampleRate(sampleRate)
{
    if (!file)
        return;
    const std::vector<unsigned char> h = header(samples, sampleRate, 0);
    failed = std::fwrite(h.data(), 1, h.size(), file) != h.size();
}

WavStream::~WavStream()
{
    if (file)
        std::fclose(file);
}

std::int64_t WavStream::maxFrames(WavSamples s)
{
    return static_cast<std::int64_t>((kMaxRiffBytes - headerBytes(s)) /
                                     (2 * bytesPerSample(s)));
}

bool WavStream::write(const float* left, const float* right, std::size_t count)
{
    if (!ok() || frames + static_cast<std::int64_t>(count) > maxFrames(samples))
    {
        failed = true;
        return false;
    }
    std::vector<unsigned char> out;
    out.reserve(count * 2 * bytesPerSample(samples));
    for (std::size_t i = 0; i < count; ++i)
    {
        putSample(out, samples, left[i]);
        putSample(out, samples, right[i]);
    }
    failed = std::fwrite(out.data(), 1, out.size(), file) != out.size();
    frames += static_cast<std::int64_t>(count);
    return !failed;
}

bool WavStream::finish()
{
    if (!file)
        return false;
    const std::vector<unsigned char> h = header(samples, sampleRate, frames);
    if (!failed)
        failed = std::fseek(file, 0, SEEK_SET) != 0 ||
                 std::fwrite(h.data(), 1, h.size(), file) != h.size();
    failed = std::fclose(file) != 0 || failed;
    file = nullptr;
    return !failed;
}

bool writeWavFloat(const std::string& path, const std::vector<float>& left,
                   const std::vector<float>& right, int sampleRate)
{
    WavStream wav(path, sampleRate, WavSamples::float32);
    wav.write(left.data(), right.data(), std::min(left.size(), right.size()));
    return wav.finish();
}

} // namespace quelvar
