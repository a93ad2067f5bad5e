#include "engine/WavetableOscillator.h"

#include "engine/wavetables.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
constexpr int kMipMapLevels = 12;
constexpr int kInterpPadding = 12; // the 24-tap interpolator's reach either side
constexpr std::uint64_t kPeriodFixed = static_cast<std::uint64_t>(WavetableOscillator::tablePeriod)
                                       << 32;
// Past the middle of the table the player is folded back by whole periods.
constexpr std::uint64_t kFoldAbove =
    static_cast<std::uint64_t>(WavetableOscillator::kTableLength / 2);
constexpr std::uint64_t kFoldBase = 16 * kPeriodFixed;
// Stops a caller that never resets the block from overflowing the position.
constexpr int kMaxBufferPos = 1 << 30;

void buildMipMap(rspl::MipMapFlt& mipMap, const std::vector<float>& table)
{
    mipMap.init_sample(static_cast<long>(table.size()), kInterpPadding, kInterpPadding,
                       kMipMapLevels, mipMapFilterCoefs, kMipMapFilterTaps);
    mipMap.set_repeat(WavetableOscillator::tablePeriod);
    mipMap.fill_sample(table.data(), static_cast<long>(table.size()));
}
} // namespace

const WavetableOscillator::Tables& WavetableOscillator::sharedTables()
{
    // Built by the first oscillator on any thread; the others wait for it, then only read.
    static const Tables built = []
    {
        Tables t;
        std::vector<float> table(kTableLength);
        generate_steady_saw(table.data(), kTableLength, tablePeriod);
        buildMipMap(t.sawMipMap, table);
        generate_stored_square(table.data(), kTableLength);
        buildMipMap(t.squareMipMap, table);
        return t;
    }();
    return built;
}

void WavetableOscillator::initResampler()
{
    if (tables)
        return;
    tables = &sharedTables();
    resampler.set_interp(tables->interpPack);
    resampler.set_sample(tables->sawMipMap);
    resampler.clear_buffers();
    // A waveform requested before this is applied at the first render.
    playingWaveform = 0;
}

void WavetableOscillator::setBlockSize(int n)
{
    oscBuffer.assign(static_cast<std::size_t>(std::max(n, 0)), 0.0f);
    oscBufferPos = 0;
}

void WavetableOscillator::setWaveform(int w)
{
    requestedWaveform.store(w != 0 ? 1 : 0, std::memory_order_relaxed);
}

void WavetableOscillator::applyWaveform()
{
    const int w = requestedWaveform.load(std::memory_order_relaxed);
    if (w == playingWaveform || !tables)
        return;
    resampler.set_sample(w != 0 ? tables->squareMipMap : tables->sawMipMap);
    playingWaveform = w;
}

void WavetableOscillator::resetPhase()
{
    resampler.set_playback_pos(0);
}

void WavetableOscillator::processResampler2(int n, long double noteFreq, float tuning,
                                            double sampleRate)
{
    if (!(sampleRate >= kMinSampleRate))
        return;
    applyWaveform();

    // Octaves above the table's own rate (one period per tablePeriod output samples).
    const long double octaves =
        std::log(noteFreq * 0.25L / (sampleRate / tablePeriod)) / 0.6931471805599453L;
    const float tuningPitch = (2.0f * tuning - 1.0f) * 65536.0f;
    const long double pitch = octaves * 65536.0L + tuningPitch;
    // A rest has no pitch: keep the previous one, its output is not heard.
    if (std::isfinite(pitch))
        resampler.set_pitch(static_cast<long>(
            std::clamp(pitch, static_cast<long double>(rspl::ResamplerFlt::MIN_PITCH),
                       static_cast<long double>(kMipMapLevels << 16))));

    std::uint64_t pos = resampler.get_playback_pos();
    if ((pos >> 32) > kFoldAbove)
        resampler.set_playback_pos(pos % kPeriodFixed + kFoldBase);

    const int room = static_cast<int>(oscBuffer.size()) - oscBufferPos;
    const int count = std::min(n, room);
    if (oscBufferPos >= 0 && count > 0)
        resampler.interpolate_block(oscBuffer.data() + oscBufferPos, count);
    if (oscBufferPos < kMaxBufferPos)
        oscBufferPos += oscBlock;
}

} // namespace quelvar
