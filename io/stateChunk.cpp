#include "io/stateChunk.h"

#include "io/littleEndianFloat.h"
#include "io/patternImport.h"

#include <cstring>

namespace quelvar
{

namespace
{
std::size_t recordBytes(int nbStep)
{
    return kChunkRecordBytes + kStepRecordBytes * static_cast<std::size_t>(nbStep);
}

int signedByte(std::uint8_t b)
{
    return static_cast<std::int8_t>(b);
}
} // namespace

std::vector<std::uint8_t> encodeChunk(const Song& song, const ParameterSnapshot& params)
{
    // Step counts are read once: another thread may change them while the block is filled.
    int counts[kPatternsPerSong] = {};
    std::size_t size = kChunkHeaderBytes;
    int patterns = 0;
    for (int i = 0; i < kPatternsPerSong; ++i)
        if (const Pattern* p = song.getPattern(i))
        {
            counts[i] = p->getNBStep();
            size += recordBytes(counts[i]);
            ++patterns;
        }

    std::vector<std::uint8_t> chunk(size, 0);
    chunk[0] = kChunkVersion;
    chunk[1] = 0;
    chunk[2] = kStoredParams;
    for (int i = 0; i < kStoredParams; ++i)
        putFloatLE(&chunk[3 + 4 * i], params[i]);
    chunk[kChunkHeaderBytes - 1] = static_cast<std::uint8_t>(patterns);

    std::size_t at = kChunkHeaderBytes;
    for (int i = 0; i < kPatternsPerSong; ++i)
    {
        const Pattern* p = song.getPattern(i);
        if (!p)
            continue;
        const int n = counts[i];
        chunk[at++] = static_cast<std::uint8_t>(i);
        chunk[at++] = static_cast<std::uint8_t>(n);
        for (int s = 0; s < n; ++s, at += kStepRecordBytes)
            putStepBytes(&chunk[at], *p->getStepAnyIndex(s));
        const std::string name = p->getName(); // never longer than the record's name area
        chunk[at] = static_cast<std::uint8_t>(name.size());
        std::memcpy(&chunk[at + 1], name.data(), name.size());
        at += 1 + kChunkNameBytes;
    }
    return chunk;
}

ParsedChunk parseChunk(const std::uint8_t* data, std::size_t size)
{
    ParsedChunk parsed;
    if (!data || size < 1)
        return parsed;
    parsed.hasVersion = true;
    parsed.version = signedByte(data[0]);
    const std::size_t countAt = parsed.version > 1 ? 2 : 1;
    if (size <= countAt)
        return parsed;
    parsed.hasParamCount = true;
    parsed.paramCount = signedByte(data[countAt]);
    if (parsed.paramCount > kStoredParams)
        return parsed;

    // The values and the record count must all be there before anything is applied.
    const std::size_t params =
        parsed.paramCount > 0 ? static_cast<std::size_t>(parsed.paramCount) : 0;
    const std::size_t recordCountAt = countAt + 1 + 4 * params;
    if (size <= recordCountAt)
        return parsed;
    parsed.paramsUsable = true;
    for (std::size_t i = 0; i < params; ++i)
        parsed.params.push_back(getFloatLE(data + countAt + 1 + 4 * i));

    const int recordCount = signedByte(data[recordCountAt]);
    if (recordCount < 0 || recordCount > kPatternsPerSong)
        return parsed;

    std::size_t at = recordCountAt + 1;
    for (int r = 0; r < recordCount; ++r)
    {
        if (size - at < 2)
            return parsed;
        ChunkRecord record{};
        record.index = signedByte(data[at]);
        record.nbStep = signedByte(data[at + 1]);
        if (record.index < 0 || record.index >= kPatternsPerSong)
            return parsed;
        if (record.nbStep < 0 || record.nbStep > kStepsPerPattern)
            return parsed;
        if (size - at < recordBytes(record.nbStep))
            return parsed;
        const std::uint8_t* step = data + at + 2;
        for (int s = 0; s < record.nbStep; ++s, step += kStepRecordBytes)
        {
            const StepBytes stored = readStepBytes(step);
            record.steps[s] = {noteOrRest(stored.note), stored.slide, stored.accent};
            if (record.steps[s].note != stored.note)
                ++parsed.outOfRangeSteps;
        }
        const int nameLength = signedByte(*step);
        if (nameLength < 0)
            return parsed;
        record.name.assign(reinterpret_cast<const char*>(step + 1),
                           static_cast<std::size_t>(nameLength));
        parsed.records.push_back(std::move(record));
        at += recordBytes(parsed.records.back().nbStep);
    }
    parsed.accepted = true;
    return parsed;
}

std::size_t chunkRecordsEnd(const ParsedChunk& parsed)
{
    const std::size_t countAt = parsed.version > 1 ? 2 : 1;
    std::size_t end = countAt + 1 + 4 * parsed.params.size() + 1;
    for (const ChunkRecord& record : parsed.records)
        end += recordBytes(record.nbStep);
    return end;
}

} // namespace quelvar
