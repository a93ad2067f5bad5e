#include "io/patternImport.h"

#include "sequencer/Song.h"

namespace quelvar
{

bool isImportIndex(int index)
{
    return index >= kCurrentPatternIndex && index < kPatternsPerSong;
}

std::string stepsOutOfRangeNotice(int count)
{
    return count == 1 ? "1 step out of range was switched off"
                      : std::to_string(count) + " steps out of range were switched off";
}

std::string patternNameFromPath(std::string_view path, bool atFirstDot)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = atFirstDot ? file.find('.') : file.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return std::string(file.substr(0, dot));
}

} // namespace quelvar
