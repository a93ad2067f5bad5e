#include "io/lineSection.h"

#include <algorithm>
#include <cstring>

namespace quelvar
{

void appendLineSection(std::vector<std::uint8_t>& chunk, const LineSettings& settings)
{
    const LineSettings s = heldInRange(settings);
    chunk.insert(chunk.end(), std::begin(kLineTag), std::end(kLineTag));
    chunk.insert(chunk.end(), {kLineSectionVersion, static_cast<std::uint8_t>(kLineFields), s.key,
                               static_cast<std::uint8_t>(s.scale), s.mutatePercent, s.restPercent,
                               s.accentPercent, s.slidePercent});
}

LineSection parseLineSection(const std::uint8_t* data, std::size_t size)
{
    LineSection section;
    // Fewer bytes than the tag that begin like it are a section cut short.
    if (!data || size == 0 || std::memcmp(data, kLineTag, std::min(size, sizeof kLineTag)) != 0)
        return section;
    section.wellFormed = false;
    if (size < 6 || data[4] != kLineSectionVersion)
        return section;
    const std::size_t fields = data[5];
    if (size - 6 < fields)
        return section;
    const std::uint8_t* value = data + 6;
    const std::size_t known = std::min(fields, kLineFields);
    // Any scale number is allowed: the ones this build does not know read as the default.
    constexpr std::uint8_t kLowest[kLineFields] = {0, 0, kMinMutatePercent, 0, 0, 0};
    constexpr std::uint8_t kHighest[kLineFields] = {kKeys - 1, 255, 100, 100, 100, 100};
    for (std::size_t i = 0; i < known; ++i)
        if (value[i] < kLowest[i] || value[i] > kHighest[i])
            return section;

    LineSettings s;
    std::uint8_t* const into[kLineFields] = {&s.key,         nullptr,          &s.mutatePercent,
                                             &s.restPercent, &s.accentPercent, &s.slidePercent};
    for (std::size_t i = 0; i < known; ++i)
        if (into[i])
            *into[i] = value[i];
    if (known > 1 && value[1] < kScales)
        s.scale = static_cast<Scale>(value[1]);
    section.wellFormed = true;
    section.settings = s;
    section.bytes = 6 + fields;
    return section;
}

} // namespace quelvar
