// The engine's chunk and file operations: io/ reads and writes the formats, this file takes the
// state out of the engine and puts what was read back into it.
#include "engine/PalladonFiles.h"

#include "engine/Palladon.h"
#include "io/ablExport.h"
#include "io/ablImport.h"
#include "io/fileBytes.h"
#include "io/lineFiles.h"
#include "io/midiExport.h"
#include "io/patternFile.h"
#include "io/phoscyonPattern.h"
#include "sequencer/utf8Prefix.h"

#include <algorithm>
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

void tell(std::vector<std::string>* notices, const std::vector<std::string>& said)
{
    if (notices)
        notices->insert(notices->end(), said.begin(), said.end());
}

// What an interchange importer does with its parse: reports each step that became a rest under
// the importer's name `reader`, applies the settings and installs the pattern, renamed to `name`
// unless that is empty. False, with nothing changed, when no pattern was read.
bool applyImport(Palladon& engine, const PatternImport& parsed, int index, const char* reader,
                 std::string_view name, std::vector<std::string>* notices)
{
    if (!parsed.pattern)
        return false;
    for (int i = 0; i < parsed.outOfRangeSteps; ++i)
        std::printf("Quelvar > %s ERROR : note out of range : step disabled\n", reader);
    tell(notices, parsed.notices);
    applySettings(engine, parsed.settings);
    Pattern pattern = *parsed.pattern;
    if (!name.empty())
    {
        const std::string_view kept = utf8Prefix(name, kImportedNameBytes);
        pattern.setName(kept);
        if (notices && kept.size() < name.size())
            notices->push_back("the name was cut to \"" + std::string(kept) + "\"");
    }
    installPattern(engine, pattern, index);
    return true;
}

bool applyAbl(Palladon& engine, const PatternImport& parsed, const std::string& path, int index,
              bool nameAtFirstDot, const char* reader, std::vector<std::string>* notices)
{
    return applyImport(engine, parsed, index, reader, patternNameFromPath(path, nameAtFirstDot),
                       notices);
}

std::string_view asText(const std::vector<std::uint8_t>& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool writeText(const std::string& path, const std::string& text)
{
    return writeFileBytes(path, text.data(), text.size());
}

MidiExportSettings exportSettingsOf(Palladon& engine, double tempoBpm)
{
    MidiExportSettings settings;
    settings.tempoBpm = tempoBpm;
    settings.gate = engine.getParameter(kGate);
    settings.groove = engine.getParameter(kGroove);
    return settings;
}

std::vector<std::uint8_t> midiBytesOf(Palladon& engine, const Pattern& pattern, double tempoBpm)
{
    return midiPatternBytes(pattern, exportSettingsOf(engine, tempoBpm));
}
} // namespace

ParameterSnapshot parameterSnapshot(Palladon& engine)
{
    ParameterSnapshot params{};
    for (int i = 0; i < kStoredParams; ++i)
        params[i] = engine.getParameter(i);
    return params;
}

std::vector<std::uint8_t> getChunkBytes(Palladon& engine)
{
    std::vector<std::uint8_t> chunk = encodeChunk(engine.getSong(), parameterSnapshot(engine));
    appendControllerSection(chunk, engine.getControllerAssignments());
    appendLineSection(chunk, engine.getLineSettings());
    appendChainSection(chunk, {engine.getChain(), engine.getParameter(kChainPlay) >= 0.5f});
    return chunk;
}

int setChunk(Palladon& engine, const void* data, std::size_t size,
             std::vector<std::string>* notices)
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
    return applyChunk(engine, chunk, chunkSectionsOf(bytes, size, chunk), notices);
}

int applyChunk(Palladon& engine, const ParsedChunk& chunk, const ChunkSections& sections,
               std::vector<std::string>* notices)
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
    if (notices && chunk.outOfRangeSteps > 0)
        notices->push_back(stepsOutOfRangeNotice(chunk.outOfRangeSteps));
    const bool whole = chunk.accepted && sections.wellFormed();
    if (whole && sections.controllers.value)
        engine.setControllerAssignments(*sections.controllers.value);
    if (whole)
    {
        engine.setLineSettings(sections.lines.value.value_or(LineSettings{}));
        const ChainState chain = sections.chain.value.value_or(ChainState{});
        engine.setChain(chain.entries);
        engine.setParameter(kChainPlay, chain.play ? 1.0f : 0.0f);
    }
    // What a rejected chunk applied before its fault stays: the sequencer and the editor see it.
    engine.refreshAfterLoad();
    return whole ? 1 : 0;
}

bool applyWholeChunk(Palladon& engine, const std::uint8_t* data, std::size_t size,
                     std::vector<std::string>* notices)
{
    const ParsedChunk chunk = parseChunk(data, size);
    const ChunkSections sections = chunkSectionsOf(data, size, chunk);
    return chunk.accepted && sections.wellFormed() &&
           applyChunk(engine, chunk, sections, notices) == 1;
}

bool importPatternData(Palladon& engine, const std::uint8_t* data, std::size_t size, int index,
                       bool withParams, std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    auto parsed = parsePatternFile(data, size, withParams);
    if (!parsed)
        return false;

    const auto syncSkipped = [&engine](const ParameterSetting& s)
    { return s.index == kSyncType && engine.ignoresSyncModeOnImport(); };
    const auto stored = std::find_if(parsed->settings.begin(), parsed->settings.end(), syncSkipped);
    if (stored != parsed->settings.end() &&
        syncTypeOf(stored->value) != syncTypeOf(engine.getParameter(kSyncType)))
        parsed->notices.push_back("the file's sync mode was not applied");
    std::erase_if(parsed->settings, [&syncSkipped](const ParameterSetting& s)
                  { return s.index == kTriggerPattern || syncSkipped(s); });
    tell(notices, parsed->notices);
    applySettings(engine, parsed->settings);
    installPattern(engine, *parsed->pattern, index);
    return true;
}

bool importABLPatternText(Palladon& engine, std::string_view text, const std::string& path,
                          int index, bool withParams, std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    const bool lenient = engine.getTraits().lenientAblReader;
    const AblImport parsed = parseABLPattern(text, {withParams, lenient});
    if (parsed.abl3)
        return applyAbl(engine, parsed.import, path, index, false, "ImportABL3Pattern", notices);
    return applyAbl(engine, parsed.import, path, index, lenient, "ImportABLPattern", notices);
}

bool importABL3PatternText(Palladon& engine, std::string_view text, const std::string& path,
                           int index, std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    return applyAbl(engine, parseABL3Pattern(text), path, index, false, "ImportABL3Pattern",
                    notices);
}

bool importPhoscyonPatternData(Palladon& engine, const char* data, std::size_t size, int index,
                               std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    const PatternImport parsed = parsePhoscyonPattern(data, size);
    // Keeps its own name.
    return applyImport(engine, parsed, index, "ImportPhoscyonPattern", {}, notices);
}

bool exportMidiPattern(Palladon& engine, const std::string& path, int index, double tempoBpm)
{
    const Pattern* pattern = index == kCurrentPatternIndex ? engine.getCurrentPattern()
                                                           : engine.getSong().getPattern(index);
    if (path.empty() || !pattern)
        return false;
    const std::vector<std::uint8_t> bytes = midiBytesOf(engine, *pattern, tempoBpm);
    return writeFileBytes(path, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> midiChainOf(Palladon& engine, double tempoBpm)
{
    const ChainEntries chain = engine.getChain();
    std::vector<const Pattern*> entries;
    for (int i = 0; i < chain.size(); ++i)
        entries.push_back(engine.getSong().getPattern(chain.pattern(i)));
    if (entries.empty())
        return {};
    return midiChainBytes(entries, exportSettingsOf(engine, tempoBpm), kChainTrackName);
}

bool exportMidiChain(Palladon& engine, const std::string& path, double tempoBpm)
{
    const std::vector<std::uint8_t> bytes = midiChainOf(engine, tempoBpm);
    return !path.empty() && !bytes.empty() && writeFileBytes(path, bytes.data(), bytes.size());
}

PlayingLine playingLine(Palladon& engine)
{
    const Transport& t = engine.getTransport();
    const double tempo = t.syncType() == kHostSync ? t.hostTempo() : t.tempo();
    if (engine.getParameter(kChainPlay) >= 0.5f)
        if (std::vector<std::uint8_t> chain = midiChainOf(engine, tempo); !chain.empty())
            return {kChainFileName, std::move(chain)};
    const Pattern* pattern = engine.getCurrentPattern();
    if (!pattern)
        return {};
    return {lineFileBaseName(engine.getCurrentPatternIndex() + 1, pattern->getName()),
            midiBytesOf(engine, *pattern, tempo)};
}

std::string writePlayingLine(Palladon& engine, const std::string& folder)
{
    const PlayingLine line = playingLine(engine);
    return line.midi.empty() ? std::string() : writeLineFile(folder, line.name, line.midi);
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

bool Palladon::importPattern(const std::string& path, int index, bool withParams,
                             std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes &&
           importPatternData(*this, bytes->data(), bytes->size(), index, withParams, notices);
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
bool Palladon::importBank(const std::string& path, int /*index*/, std::vector<std::string>* notices)
{
    const auto bytes = readFileBytes(path);
    if (!bytes)
        return false;
    return quelvar::setChunk(*this, bytes->data(), bytes->size(), notices) == 1;
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

bool Palladon::importABLPattern(const std::string& path, int index, bool withParams,
                                std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importABLPatternText(*this, asText(*bytes), path, index, withParams, notices);
}

bool Palladon::importABL3Pattern(const std::string& path, int index, bool /*withParams*/,
                                 std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importABL3PatternText(*this, asText(*bytes), path, index, notices);
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

bool Palladon::importPhoscyonPattern(const std::string& path, int index,
                                     std::vector<std::string>* notices)
{
    if (!isImportIndex(index))
        return false;
    const auto bytes = readFileBytes(path);
    return bytes && importPhoscyonPatternData(*this, reinterpret_cast<const char*>(bytes->data()),
                                              bytes->size(), index, notices);
}

// At the host's last reported tempo.
bool Palladon::exportMidiPattern(const std::string& path, int index)
{
    return quelvar::exportMidiPattern(*this, path, index, transport.hostTempo());
}

bool Palladon::exportMidiChain(const std::string& path)
{
    return quelvar::exportMidiChain(*this, path, transport.hostTempo());
}

} // namespace quelvar
