// Renders the current pattern (or the chain) to a WAV file offline, in an engine of its own that
// holds a copy of the playing engine's state: the live engine and its audio are never touched.
// The pattern or the chain plays from its start for a number of passes (or bars) at the tempo in
// force, in host sync
// with a transport of the export's own, as fast as the machine renders; the delay's tail may
// follow. Made on the main thread; run() on one thread at a time, the progress read from any.
#pragma once

#include "engine/RenderCall.h"
#include "io/wavFile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

struct AudioExportSettings
{
    int count = 4;           // passes of the pattern, or bars
    bool bars = false;       // count bars of four beats instead of passes
    bool chain = false;      // play the chain and count its passes (bars, with `bars`)
    bool tail = true;        // render on after the end until the delay has died away
    int sampleRate = 44100;
    WavSamples samples = WavSamples::float32;
    int blockSize = 512;
};

// What the export takes from the playing engine, on the main thread.
struct AudioExportSource
{
    std::vector<std::uint8_t> chunk; // the whole state
    int currentPattern = 0;
    double tempoBpm = 120.0;

    static AudioExportSource of(Palladon& engine);
};

class AudioExport
{
public:
    static constexpr double kMaxTailSeconds = 30.0;
    // The tail ends once this long moves less than kSilence either side of where it stands.
    static constexpr double kQuietSeconds = 0.25;
    static constexpr float kSilence = 3.2e-5f; // -90 dBFS

    AudioExport(AudioExportSource source, AudioExportSettings settings);
    ~AudioExport();

    // Frames of the passes (or bars) without the tail.
    std::int64_t patternFrames() const { return mainFrames; }
    // False when the state was refused, the length does not fit a WAV file or there is nothing to
    // play (an empty chain).
    bool ready() const { return engine != nullptr; }

    // Renders into the file; false when it could not be written or was cancelled, and then no
    // file is left. cancel is polled between blocks.
    bool run(const std::string& path, const std::atomic<bool>& cancel);
    // 0-1: the passes, then the tail (which counts as done once it starts).
    double progress() const { return done.load(std::memory_order_relaxed); }
    std::int64_t framesWritten() const { return written; }

private:
    // One block of the export's own transport; the sequencer's MIDI out goes nowhere.
    void renderBlock(float* left, float* right, int frames, bool playing);

    AudioExportSettings settings;
    RenderInput input;
    RenderOutput output;
    bool transportChanged = true;
    std::unique_ptr<Palladon> engine;
    std::int64_t mainFrames = 0;
    std::int64_t written = 0;
    std::atomic<double> done{0.0};
};

} // namespace quelvar
