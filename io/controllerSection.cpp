#include "io/controllerSection.h"

#include <algorithm>
#include <cstring>

namespace quelvar
{

void appendControllerSection(std::vector<std::uint8_t>& chunk, const ControllerAssignments& map)
{
    chunk.insert(chunk.end(), std::begin(kControllerTag), std::end(kControllerTag));
    chunk.push_back(kControllerSectionVersion);
    chunk.push_back(static_cast<std::uint8_t>(kNumParams));
    for (const std::int8_t controller : map)
        chunk.push_back(controller < 0 ? kNoControllerByte
                                       : static_cast<std::uint8_t>(controller));
}

ControllerSection parseControllerSection(const std::uint8_t* data, std::size_t size)
{
    ControllerSection section;
    // Fewer bytes than the tag that begin like it are a section cut short.
    if (!data || size == 0 ||
        std::memcmp(data, kControllerTag, std::min(size, sizeof kControllerTag)) != 0)
        return section;
    section.wellFormed = false;
    if (size < 6 || data[4] != kControllerSectionVersion)
        return section;
    const std::size_t slots = data[5];
    if (size - 6 < slots)
        return section;
    ControllerAssignments map;
    map.fill(kNoController);
    for (std::size_t i = 0; i < std::min<std::size_t>(slots, kNumParams); ++i)
    {
        const std::uint8_t controller = data[6 + i];
        if (controller != kNoControllerByte && controller >= kControllers)
            return section;
        map[i] = controller == kNoControllerByte ? kNoController
                                                 : static_cast<std::int8_t>(controller);
    }
    section.wellFormed = true;
    section.assignments = map;
    section.bytes = 6 + slots;
    return section;
}

} // namespace quelvar
