// The start every section after the state chunk's last record shares: a four-byte tag, a version
// byte and a count of one-byte entries that follow. Any thread; reads only the given bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quelvar
{

constexpr std::size_t kSectionStartBytes = 6;

struct SectionStart
{
    enum Kind
    {
        absent,    // the bytes are no such section (none, or another one)
        malformed, // the tag, or the start of it, with a wrong version or entries cut short
        whole
    };
    Kind kind = absent;
    std::size_t entries = 0; // when whole: that many bytes follow the start
};

inline SectionStart readSectionStart(const std::uint8_t* data, std::size_t size,
                                     const std::uint8_t (&tag)[4], std::uint8_t version)
{
    // Fewer bytes than the tag that begin like it are a section cut short.
    if (!data || size == 0 || std::memcmp(data, tag, std::min(size, sizeof tag)) != 0)
        return {};
    if (size < kSectionStartBytes || data[4] != version ||
        size - kSectionStartBytes < data[5])
        return {SectionStart::malformed};
    return {SectionStart::whole, data[5]};
}

} // namespace quelvar
