#include "io/fileBytes.h"

#include <cstdio>

namespace quelvar
{

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[4096];
    bool ok = true;
    for (;;)
    {
        const std::size_t got = std::fread(block, 1, sizeof(block), file);
        bytes.insert(bytes.end(), block, block + got);
        if (bytes.size() > kMaxImportBytes)
        {
            ok = false;
            break;
        }
        if (got < sizeof(block))
        {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok)
        return std::nullopt;
    return bytes;
}

bool writeFileBytes(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace quelvar
