#include "pluginState.h"

#include "SilencedStdout.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "io/fileBytes.h"
#include "io/patternImport.h"
#include "io/stateChunk.h"

namespace quelvar
{

std::vector<std::uint8_t> readPluginChunk(VstHost& host)
{
    void* data = nullptr;
    const VstIntPtr size = host.dispatch(effGetChunk, 0, 0, &data);
    if (!data || size <= 0)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
}

bool writePluginChunk(VstHost& host, std::vector<std::uint8_t>& chunk)
{
    const SilencedStdout quiet; // the plugin traces every chunk it is given
    return !chunk.empty() &&
           host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data()) == 1;
}

std::unique_ptr<Palladon> mirrorPluginState(VstHost& host, std::string& error)
{
    auto engine = std::make_unique<Palladon>(nullptr, Flavour::plugin);
    const std::vector<std::uint8_t> chunk = readPluginChunk(host);
    // The same reader as setChunk, without its trace lines on standard output.
    if (!applyWholeChunk(*engine, chunk.data(), chunk.size()))
    {
        error = "the plugin's state chunk cannot be read";
        return nullptr;
    }
    // The chunk leaves the pattern trigger out; both engines are stopped, so this switches at once.
    engine->setParameter(kTriggerPattern, host.getParameter(kTriggerPattern));
    return engine;
}

bool loadBank(VstHost& host, const std::string& path, std::string& error,
              std::vector<std::string>& notices)
{
    std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(path);
    if (!bytes)
    {
        error = path + ": cannot read the file";
        return false;
    }
    if (!writePluginChunk(host, *bytes))
    {
        error = path + ": not a valid bank, the plugin refused it";
        return false;
    }
    // The plugin says nothing of what it changed on the way in; the same reader here does.
    const ParsedChunk parsed = parseChunk(bytes->data(), bytes->size());
    if (parsed.outOfRangeSteps > 0)
        notices.push_back(stepsOutOfRangeNotice(parsed.outOfRangeSteps));
    return true;
}

bool loadPattern(VstHost& host, const std::string& path, bool withParams, std::string& error,
                 std::vector<std::string>& notices)
{
    std::unique_ptr<Palladon> engine = mirrorPluginState(host, error);
    if (!engine || !readPatternFile(*engine, path, withParams, error, notices))
        return false;
    std::vector<std::uint8_t> chunk = getChunkBytes(*engine);
    if (!writePluginChunk(host, chunk))
    {
        error = path + ": the plugin refused the state holding the pattern";
        return false;
    }
    return true;
}

bool exportPluginPattern(VstHost& host, const std::string& path, const PatternWriteOptions& options,
                         std::string& error)
{
    std::unique_ptr<Palladon> engine = mirrorPluginState(host, error);
    return engine && writePatternFile(*engine, path, options, error);
}

double playPluginChain(VstHost& host, const std::vector<int>& entries, std::string& error)
{
    std::unique_ptr<Palladon> engine = mirrorPluginState(host, error);
    if (!engine)
        return 0.0;
    if (!entries.empty())
    {
        ChainEntries chain;
        for (int pattern : entries)
            chain.append(pattern);
        engine->setChain(chain);
        std::vector<std::uint8_t> chunk = getChunkBytes(*engine);
        if (!writePluginChunk(host, chunk))
        {
            error = "the plugin refused the state holding the chain";
            return 0.0;
        }
    }
    const ChainEntries chain = engine->getChain();
    double beats = 0.0;
    for (int i = 0; i < chain.size(); ++i)
        beats += engine->getSong().getPattern(chain.pattern(i))->getNBStep() * kStepBeats;
    if (chain.empty())
        error = "--chain: the state holds no chain; give one, as in --chain 1,1,2,5";
    else if (!(beats > 0.0))
        error = "--chain: every pattern of the chain has 0 steps";
    else
        host.setParameter(kChainPlay, 1.0f);
    return error.empty() ? beats : 0.0;
}

bool exportPluginChain(VstHost& host, const std::string& path, double tempoBpm,
                       std::string& error)
{
    std::unique_ptr<Palladon> engine = mirrorPluginState(host, error);
    if (!engine)
        return false;
    if (!exportMidiChain(*engine, path, tempoBpm))
    {
        error = path + ": cannot write the file";
        return false;
    }
    return true;
}

} // namespace quelvar
