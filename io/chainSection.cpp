#include "io/chainSection.h"

#include "io/sectionStart.h"

namespace quelvar
{

void appendChainSection(std::vector<std::uint8_t>& chunk, const ChainState& state)
{
    const int n = state.entries.size();
    chunk.insert(chunk.end(), std::begin(kChainTag), std::end(kChainTag));
    chunk.insert(chunk.end(), {kChainSectionVersion, static_cast<std::uint8_t>(state.play ? 1 : 0),
                               static_cast<std::uint8_t>(n & 0xFF),
                               static_cast<std::uint8_t>(n >> 8)});
    for (int i = 0; i < n; ++i)
        chunk.push_back(static_cast<std::uint8_t>(state.entries.pattern(i)));
}

ChainSection parseChainSection(const std::uint8_t* data, std::size_t size)
{
    ChainSection section;
    if (!beginsLikeTag(data, size, kChainTag))
        return section;
    section.wellFormed = false;
    if (size < kChainSectionHeaderBytes || data[4] != kChainSectionVersion || data[5] > 1)
        return section;
    const std::size_t count = data[6] | static_cast<std::size_t>(data[7]) << 8;
    if (count > kMaxChainEntries || size - kChainSectionHeaderBytes < count)
        return section;
    ChainState state;
    state.play = data[5] == 1;
    for (std::size_t i = 0; i < count; ++i)
        if (!state.entries.append(data[kChainSectionHeaderBytes + i]))
            return section;
    section.wellFormed = true;
    section.value = state;
    section.bytes = kChainSectionHeaderBytes + count;
    return section;
}

} // namespace quelvar
