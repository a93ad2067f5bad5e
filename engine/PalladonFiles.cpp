// The engine's chunk and file operations: io/ reads and writes the formats, this file takes the
// state out of the engine and puts what was read back into it.
#include "engine/PalladonFiles.h"

#include "engine/Palladon.h"
#include "io/ablExport.h"
#include "io/ablImport.h"
#include "io/fileBytes.h"
#include "io/midiExport.h"
#include "io/patternFile.h"
#include "io/phoscyonPattern.h"
#include "sequencer/utf8Prefix.h"

#include <climits>
#include <cstdio>

namespace quelvar
{

namespace
{
void applySettings(Palladon& engine, const std::vector<ParameterSetting>& settings)
{
    for (const ParameterSetting& s : settings)
        engine.setParameter(s.index, s.value);
}

// Copies the pattern into slot `index`, or into the current slot for −1 or the current index,
// then refreshes the sequencer, the editor and the host.
void installPattern(Palladon& engine, const Pattern& pattern, int index)
{
    const int current = engine.getCurrentPatternIndex();
    engine.getSong().setPattern(index == kCurrentPatternIndex ? current : index, pattern);
    engine.refreshAfterLoad();
}

// What an interchange importer does with its parse: applies the settings, reports each step that
// became a rest under the importer's name `reader`, and installs the pattern, renamed to `name`
// unless that is empty. False, after the settings, when no pattern was read.
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

bool applyAbl(Palladon& engine, const PatternImport& parsed, const std::string& path, int index,
              bool nameAtFirstDot, const char* reader)
{
    return applyImport(engine, parsed, index, reader, patternNameFromPath(path, nameAtFirstDot));
}

std::string_view asText(const std::vector<std::uint8_t>& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool writeText(const std::string& path, const std::string& text)
{
    return writeFileBytes(path, text.data(), text.size());
}
} // namespace

ParameterSnapshot parameterSnapshot(Palladon& engine)
{
    ParameterSnapshot params{};
    for (int i = 0; i < kNumParams; ++i)
        params[i] = engine.getParameter(i);
    return params;
}

std::vector<std::uint8_t> getChunkBytes(Palladon& engine)
{
    std::vector<std::uint8_t> chunk = encodeChunk(engine.getSong(), parameterSnapshot(engine));
    appendControllerSection(chunk, engine.getControllerAssignments());
    return chunk;
}

int setChunk(Palladon& engine, const void* data, std::size_t size)
{
    std::printf("setChunk size=%d\n", size > INT_MAX ? INT_MAX : static_cast<int>(size));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const ParsedChunk chunk = parseChunk(bytes, size);
    if (!chunk.hasVersion)
        return 0;
    std::printf("setChunk version=%d\n", chunk.version);
    if (!chunk.hasParamCount)
        return 0;
    std::printf("setChunk nbParam=%d\n", chunk.paramCount);
    return applyChunk(engine, chunk, controllerSectionOf(bytes, size, chunk));
}

int applyChunk(Palladon& engine, const ParsedChunk& chunk, const ControllerSection& controllers)
{
    if (!chunk.paramsUsable)
        return 0;

    for (std::size_t i = 0; i < chunk.params.size(); ++i)
        if (static_cast<int>(i) != kTriggerPattern) // a stored trigger would switch patterns
            engine.setParameter(static_cast<VstInt32>(i), chunk.params[i]);

    Song& song = engine.getSong();
    for (const ChunkRecord& record : chunk.records)
    {
        Pattern* p = song.getPattern(record.index);
        if (!p)
            return 0;
        p->setNBStep(record.nbStep);
        for (int s = 0; s < record.nbStep; ++s)
        {
            p->setStepNote(record.steps[s].note, s);
            p->setStepSlide(record.steps[s].slide, s);
            p->setStepAccent(record.steps[s].accent, s);
        }
        p->setName(record.name);
    }
    if (!chunk.accepted || !controllers.wellFormed)
        return 0;
    if (controllers.assignments)
        engine.setControllerAssignments(*controllers.assignments);
    engine.refreshAfterLoad();
    return 1;
}

bool applyWholeChunk(Palladon& engine, const std::uint8_t* data, std::size_t size)
{
    const ParsedChunk chunk = parseChunk(data, size);
    const ControllerSection controllers = controllerSectionOf(data, size, chunk);
    return chunk.accepted && controllers.wellFormed &&
           applyChunk(engine, chunk, controllers) == 1;
}

bool importPatternData(Palladon& engine, const std::uint8_t* data, std::size_t size, int index,
                       bool withParams)
{
    if (!isImportIndex(index))
        return false;
    auto parsed = parsePatternFile(data, size, withParams);
    if (!parsed)
        return false;

    std::erase_if(parsed->settings,
                  [&engine](const ParameterSetting& s)
                  {
                      return s.index == kTriggerPattern ||
                             (s.index == kSyncType && engine.ignoresSyncModeOnImport());
                  });
    applySettings(engine, parsed->settings);
    installPattern(engine, *parsed->pattern, index);
    return true;
}

bool importABLPatternText(Palladon& engine, std::string_view text, const std::string& path,
                          int index, bool withParams)
{
    if (!isImportIndex(index))
        return false;
    const bool lenient = engine.getTraits().lenientAblReader;
    const AblImport parsed = parseABLPattern(text, {withParams, lenient});
    if (parsed.abl3)
        return applyAbl(engine, parsed.import, path, index, false, "ImportABL3Pattern");
    return applyAbl(engine, parsed.import, path, index, lenient, "ImportABLPattern");
}

bool importABL3PatternText(Palladon& engine, std::string_view text, const std::string& path,
                           int index)
{
    if (!isImportIndex(index))
        return false;
    return applyAbl(engine, parseABL3Pattern(text), path, index, false, "ImportABL3Pattern");
}

bool importPhoscyonPatternData(Palladon& engine, const char* data, std::size_t size, int index)
{
    if (!isImportIndex(index))
        return false;
    const PatternImport parsed = parsePhoscyonPattern(data, size);
    return applyImport(engine, parsed, index, "ImportPhoscyonPattern", {}); // keeps its own name
}

bool exportMidiPattern(Palladon& engine, const std::string& path, int index, double tempoBpm)
{
    const Pattern* pattern = index == kCurrentPatternIndex ? engine.getCurrentPattern()
                                                           : engine.getSong().getPattern(index);
    if (path.empty() || !pattern)
        return false;
    MidiExportSettings settings;
    settings.tempoBpm = tempoBpm;
    settings.gate = engine.getParameter(kGate);
    settings.groove = engine.getParameter(kGroove);
    const std::vector<std::uint8_t> bytes = midiPatternBytes(*pattern, settings);
    return writeFileBytes(path, bytes.data(), bytes.size());
}

// The block stays valid until the next call; the host copies it before then.
VstInt32 Palladon::getChunk(void** data, bool /*isPreset*/)
{
    chunkBlock = getChunkBytes(*this);
    *data = chunkBlock.data();
    return static_cast<VstInt32>(chunkBlock.size());
}

VstInt32 Palladon::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/)
{
    return quelvar::setChunk(*this, data, byteSize > 0 ? static_cast<std::size_t>(byteSize) : 0);
}

bool Palladon::exportPattern(const std::string& path)
{
    const Pattern* pattern = getCurrentPattern();
    if (path.empty() || !pattern)
        return false;
    const std::vector<std::uint8_t> bytes = encodePatternFile(*pattern, parameterSnapshot(*this));
    return writeFileBytes(path, bytes.data(), bytes.size());
}

bool Palladon::importPattern(const std::string& path, int index, bool withParams)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importPatternData(*this, bytes->data(), bytes->size(), index, withParams);
}

// The bank file is the state chunk as it stands, with no header of its own.
bool Palladon::exportBank(const std::string& path)
{
    if (path.empty() || !getCurrentPattern())
        return false;
    const std::vector<std::uint8_t> chunk = getChunkBytes(*this);
    return writeFileBytes(path, chunk.data(), chunk.size());
}

// `index` is not used. A partly applied bank stays applied.
bool Palladon::importBank(const std::string& path, int /*index*/)
{
    const auto bytes = readFileBytes(path);
    if (!bytes)
        return false;
    return quelvar::setChunk(*this, bytes->data(), bytes->size()) == 1;
}

bool Palladon::exportABL2Pattern(const std::string& path)
{
    const Pattern* pattern = getCurrentPattern();
    if (!pattern || path.empty())
        return false;
    return writeText(path, abl2PatternText(*pattern, ablSettingsOf(parameterSnapshot(*this))));
}

bool Palladon::exportABL3Pattern(const std::string& path)
{
    const Pattern* pattern = getCurrentPattern();
    if (!pattern || path.empty())
        return false;
    return writeText(path, abl3PatternText(*pattern, ablSettingsOf(parameterSnapshot(*this))));
}

bool Palladon::importABLPattern(const std::string& path, int index, bool withParams)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importABLPatternText(*this, asText(*bytes), path, index, withParams);
}

bool Palladon::importABL3Pattern(const std::string& path, int index, bool /*withParams*/)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importABL3PatternText(*this, asText(*bytes), path, index);
}

bool Palladon::exportPhoscyonPattern(const std::string& path)
{
    const Pattern* pattern = getCurrentPattern();
    if (path.empty() || !pattern)
        return false;
    const std::string text = phoscyonPatternText(*pattern, static_cast<int>(transport.tempo()),
                                                 traits.phoscyonXmlDeclaration);
    return writeFileBytes(path, text.data(), text.size());
}

bool Palladon::importPhoscyonPattern(const std::string& path, int index)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importPhoscyonPatternData(*this, reinterpret_cast<const char*>(bytes->data()),
                                              bytes->size(), index);
}

// At the host's last reported tempo.
bool Palladon::exportMidiPattern(const std::string& path, int index)
{
    return quelvar::exportMidiPattern(*this, path, index, transport.hostTempo());
}

} // namespace quelvar
