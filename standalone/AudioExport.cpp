#include "standalone/AudioExport.h"

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace quelvar
{

namespace
{
constexpr double kBeatsPerBar = 4.0;

// A block whose samples stay within kSilence of each other: the distortion units leave a steady
// offset on silence, which is no sound.
bool quiet(const float* samples, int n)
{
    const auto [low, high] = std::minmax_element(samples, samples + n);
    return *high - *low <= 2.0f * AudioExport::kSilence;
}
} // namespace

AudioExportSource AudioExportSource::of(Palladon& engine)
{
    const Transport& t = engine.getTransport();
    // In midi sync the MIDI clock sets the tempo; otherwise the sequencer's own.
    return {getChunkBytes(engine), engine.getCurrentPatternIndex(),
            t.syncType() == kHostSync ? t.hostTempo() : t.tempo()};
}

// Set up as a host sets up a plugin: rate, block size, resume, then the state.
AudioExport::AudioExport(AudioExportSource source, AudioExportSettings given)
    : settings(given)
{
    settings.blockSize = std::clamp(settings.blockSize, 1, kMaxPreparedFrames);
    input.time.sampleRate = settings.sampleRate;
    input.time.tempo = source.tempoBpm;

    engine.reset(new (std::nothrow) Palladon(nullptr, Flavour::standalone));
    if (!engine)
        return;
    AEffect* effect = engine->getAeffect();
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr,
                       static_cast<float>(settings.sampleRate));
    effect->dispatcher(effect, effSetBlockSize, 0, settings.blockSize, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    if (!applyWholeChunk(*engine, source.chunk.data(), source.chunk.size()))
    {
        engine.reset();
        return;
    }
    // The export's transport drives the sequencer from the pattern's first step, or the chain
    // from its first entry.
    engine->setParameter(kSyncType, 0.0f);
    engine->setParameter(kChainPlay, settings.chain ? 1.0f : 0.0f);
    engine->triggerPattern(source.currentPattern);

    const Pattern* pattern = engine->getCurrentPattern();
    double passBeats = (pattern ? pattern->getNBStep() : 0) * kStepBeats;
    if (settings.chain)
    {
        const ChainEntries chain = engine->getChain();
        passBeats = 0.0;
        for (int i = 0; i < chain.size(); ++i)
            passBeats += engine->getSong().getPattern(chain.pattern(i))->getNBStep() * kStepBeats;
        if (!(passBeats > 0.0))
        {
            engine.reset();
            return;
        }
    }
    const double beats = settings.bars ? settings.count * kBeatsPerBar : settings.count * passBeats;
    mainFrames = std::llround(beats * 60.0 / source.tempoBpm * settings.sampleRate);
    const auto tailFrames = static_cast<std::int64_t>(
        settings.tail ? std::ceil(kMaxTailSeconds * settings.sampleRate) : 0.0);
    if (mainFrames <= 0 || mainFrames + tailFrames > WavStream::maxFrames(settings.samples))
        engine.reset();
}

AudioExport::~AudioExport() = default;

void AudioExport::renderBlock(float* left, float* right, int frames, bool playing)
{
    HostTime& time = input.time;
    time.transportChanged = transportChanged || playing != time.playing;
    time.playing = playing;
    transportChanged = false;
    input.frames = frames;
    output.left = left;
    output.right = right;
    engine->render(input, output);
    if (playing)
        time.ppqPosition += frames / time.sampleRate * time.tempo / 60.0;
}

bool AudioExport::run(const std::string& path, const std::atomic<bool>& cancel)
{
    if (!engine)
        return false;
    WavStream wav(path, settings.sampleRate, settings.samples);
    std::vector<float> left(static_cast<std::size_t>(settings.blockSize));
    std::vector<float> right(left.size());
    const auto quietFrames = static_cast<std::int64_t>(kQuietSeconds * settings.sampleRate);
    const auto tailEnd =
        mainFrames + static_cast<std::int64_t>(std::ceil(kMaxTailSeconds * settings.sampleRate));
    std::int64_t quietSince = mainFrames;
    written = 0;
    while (wav.ok() && !cancel.load(std::memory_order_relaxed))
    {
        const bool playing = written < mainFrames;
        const std::int64_t end = playing ? mainFrames : tailEnd;
        if (written >= end)
            break;
        const auto n = static_cast<int>(std::min<std::int64_t>(settings.blockSize, end - written));
        renderBlock(left.data(), right.data(), n, playing);
        if (!wav.write(left.data(), right.data(), static_cast<std::size_t>(n)))
            break;
        if (!quiet(left.data(), n) || !quiet(right.data(), n))
            quietSince = written + n;
        written += n;
        done.store(std::min(1.0, static_cast<double>(written) / mainFrames),
                   std::memory_order_relaxed);
        if (!playing && written - std::max(quietSince, mainFrames) >= quietFrames)
            break;
        if (written == mainFrames && !settings.tail)
            break;
    }
    const bool complete = !cancel.load(std::memory_order_relaxed) && wav.ok() &&
                          written >= mainFrames;
    if (wav.finish() && complete)
        return true;
    std::remove(path.c_str());
    return false;
}

} // namespace quelvar
