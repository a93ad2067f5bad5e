#include "io/controllerSection.h"

#include "io/sectionStart.h"

#include <algorithm>

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
    const SectionStart start =
        readSectionStart(data, size, kControllerTag, kControllerSectionVersion);
    if (start.kind == SectionStart::absent)
        return section;
    section.wellFormed = false;
    if (start.kind == SectionStart::malformed)
        return section;
    const std::size_t slots = start.entries;
    ControllerAssignments map;
    map.fill(kNoController);
    for (std::size_t i = 0; i < std::min<std::size_t>(slots, kNumParams); ++i)
    {
        const std::uint8_t controller = data[kSectionStartBytes + i];
        if (controller != kNoControllerByte && controller >= kControllers)
            return section;
        map[i] = controller == kNoControllerByte ? kNoController
                                                 : static_cast<std::int8_t>(controller);
    }
    section.wellFormed = true;
    section.value = map;
    section.bytes = kSectionStartBytes + slots;
    return section;
}

} // namespace quelvar
