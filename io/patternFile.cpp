#include "io/patternFile.h"

#include "io/littleEndianFloat.h"
#include "io/stepBytes.h"

#include <cstring>

namespace quelvar
{

std::vector<std::uint8_t> encodePatternFile(const Pattern& pattern, const ParameterSnapshot& params)
{
    const std::string name = pattern.getName();
    const int n = pattern.getNBStep();
    std::vector<std::uint8_t> out(kPatternFileMagic, kPatternFileMagic + kPatternFileMagicBytes);
    out.push_back(1);
    out.push_back(static_cast<std::uint8_t>(n));
    for (int i = 0; i < n; ++i)
    {
        out.resize(out.size() + kStepRecordBytes);
        putStepBytes(out.data() + out.size() - kStepRecordBytes, *pattern.getStepAnyIndex(i));
    }
    out.push_back(static_cast<std::uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(kStoredParams);
    for (float v : params)
    {
        out.resize(out.size() + 4);
        putFloatLE(out.data() + out.size() - 4, v);
    }
    return out;
}

std::optional<PatternImport> parsePatternFile(const std::uint8_t* data, std::size_t size,
                                              bool withParams)
{
    if (!data || size <= 9 || std::memcmp(data, kPatternFileMagic, kPatternFileMagicBytes) != 0)
        return std::nullopt;
    const int n = data[9];
    if (n < 1 || n > kStepsPerPattern || size <= 9 + kStepRecordBytes * static_cast<std::size_t>(n))
        return std::nullopt;

    PatternImport result;
    Pattern& pattern = result.pattern.emplace(n);
    const std::uint8_t* step = data + 10;
    for (int i = 0; i < n; ++i, step += kStepRecordBytes)
    {
        const StepBytes stored = readStepBytes(step);
        if (noteOrRest(stored.note) != stored.note)
            ++result.outOfRangeSteps;
        pattern.setStepNote(noteOrRest(stored.note), i);
        pattern.setStepSlide(stored.slide, i);
        pattern.setStepAccent(stored.accent, i);
    }

    if (result.outOfRangeSteps > 0)
        result.notices.push_back(stepsOutOfRangeNotice(result.outOfRangeSteps));

    // A name or parameter block that runs past the end marks a damaged file: rejected whole.
    std::size_t at = 10 + kStepRecordBytes * static_cast<std::size_t>(n);
    if (at == size)
        return result;
    const std::size_t nameLength = data[at++];
    if (nameLength > kPatternFileNameBytes || size - at < nameLength)
        return std::nullopt;
    pattern.setName(std::string(reinterpret_cast<const char*>(data + at), nameLength));
    at += nameLength;

    if (!withParams || at == size)
        return result;
    const std::size_t count = data[at++];
    if (count > static_cast<std::size_t>(kStoredParams) || size - at < 4 * count)
        return std::nullopt;
    for (std::size_t i = 0; i < count; ++i)
        result.settings.push_back({static_cast<int>(i), getFloatLE(data + at + 4 * i)});
    if (count < static_cast<std::size_t>(kStoredParams))
        result.notices.push_back("the file holds " + std::to_string(count) + " of the " +
                                 std::to_string(kStoredParams) +
                                 " parameters; the others were left as they were");
    return result;
}

} // namespace quelvar
