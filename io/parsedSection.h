// What a section reader found where a section of the state chunk may start.
#pragma once

#include <cstddef>
#include <optional>

namespace quelvar
{

template <typename Value> struct ParsedSection
{
    // false: the tag (or the start of it) is there but the section is not whole or not valid
    bool wellFormed = true;
    std::optional<Value> value; // none: no section (an older chunk)
    std::size_t bytes = 0;      // what the section takes, when well formed
};

} // namespace quelvar
