#include "io/patternImport.h"

#include "engine/Palladon.h"
#include "sequencer/utf8Prefix.h"

#include <cstdio>

namespace quelvar
{

bool isImportIndex(int index)
{
    return index >= kCurrentPatternIndex && index < kPatternsPerSong;
}

void applySettings(Palladon& engine, const std::vector<ParameterSetting>& settings)
{
    for (const ParameterSetting& s : settings)
        engine.setParameter(s.index, s.value);
}

void installPattern(Palladon& engine, const Pattern& pattern, int index)
{
    const int current = engine.getCurrentPatternIndex();
    engine.getSong().setPattern(index == kCurrentPatternIndex ? current : index, pattern);
    engine.refreshAfterLoad();
}

bool applyImport(Palladon& engine, const PatternImport& parsed, int index, const char* reader,
                 std::string_view name)
{
    applySettings(engine, parsed.settings);
    for (int i = 0; i < parsed.outOfRangeSteps; ++i)
        std::printf("Quelvar > %s ERROR : note out of range : step disabled\n", reader);
    if (!parsed.pattern)
        return false;
    Pattern pattern = *parsed.pattern;
    if (!name.empty())
        pattern.setName(utf8Prefix(name, kImportedNameBytes));
    installPattern(engine, pattern, index);
    return true;
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
