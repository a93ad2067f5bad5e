#include "io/wavFile.h"

#include "io/fileBytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quelvar
{

namespace
{
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
} // namespace

bool writeWavFloat(const std::string& path, const std::vector<float>& left,
                   const std::vector<float>& right, int sampleRate)
{
    const std::size_t frames = std::min(left.size(), right.size());
    const auto dataBytes = static_cast<std::uint32_t>(frames * 2 * sizeof(float));
    std::vector<unsigned char> out;
    out.reserve(58 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 50 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 18);
    put16(out, 3); // IEEE float
    put16(out, 2);
    put32(out, static_cast<std::uint32_t>(sampleRate));
    put32(out, static_cast<std::uint32_t>(sampleRate) * 8);
    put16(out, 8);
    put16(out, 32);
    put16(out, 0);
    putTag(out, "fact");
    put32(out, 4);
    put32(out, static_cast<std::uint32_t>(frames));
    putTag(out, "data");
    put32(out, dataBytes);
    for (std::size_t i = 0; i < frames; ++i)
    {
        for (float v : {left[i], right[i]})
        {
            std::uint32_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            put32(out, bits);
        }
    }
    return writeFileBytes(path, out.data(), out.size());
}

} // namespace quelvar
