// The start the sections after the state chunk's last record share: a four-byte tag, a version
// byte and a count of one-byte entries that follow (the chain's, longer than a byte counts, has a
// start of its own after the tag). Any thread; reads only the given bytes.
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

// The bytes begin with the tag, or are fewer than it and begin like it: a section cut short.
inline bool beginsLikeTag(const std::uint8_t* data, std::size_t size, const std::uint8_t (&tag)[4])
{
    return data && size > 0 && std::memcmp(data, tag, std::min(size, sizeof tag)) == 0;
}

inline SectionStart readSectionStart(const std::uint8_t* data, std::size_t size,
                                     const std::uint8_t (&tag)[4], std::uint8_t version)
{
    if (!beginsLikeTag(data, size, tag))
        return {};
    if (size < kSectionStartBytes || data[4] != version ||
        size - kSectionStartBytes < data[5])
        return {SectionStart::malformed};
    return {SectionStart::whole, data[5]};
}

} // namespace quelvar
