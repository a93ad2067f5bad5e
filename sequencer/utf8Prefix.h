// The longest prefix of a UTF-8 text that fits a byte limit without splitting a character.
#pragma once

#include <cstddef>
#include <string_view>

namespace quelvar
{

inline std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace quelvar
