#include "io/lineSection.h"

#include "io/sectionStart.h"

#include <algorithm>

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
    const SectionStart start = readSectionStart(data, size, kLineTag, kLineSectionVersion);
    if (start.kind == SectionStart::absent)
        return section;
    section.wellFormed = false;
    if (start.kind == SectionStart::malformed)
        return section;
    const std::size_t fields = start.entries;
    const std::uint8_t* value = data + kSectionStartBytes;
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
    section.value = s;
    section.bytes = kSectionStartBytes + fields;
    return section;
}

} // namespace quelvar
