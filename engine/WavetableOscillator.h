// Band-limited wavetable oscillator of the voice: saw and stored-square mip-maps read by one
// player, rendered 32 samples at a time into oscBuffer. initResampler and setBlockSize allocate
// (never on the audio thread); the render calls allocate nothing.
#pragma once

#include "dsp/rspl/InterpPack.h"
#include "dsp/rspl/MipMapFlt.h"
#include "dsp/rspl/ResamplerFlt.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace quelvar
{

class WavetableOscillator
{
public:
    static constexpr int tablePeriod = 1024;
    static constexpr int oscBlock = 32;
    static constexpr int kTableLength = tablePeriod * 32;
    static constexpr double kMinSampleRate = 22050.0;

    // Binds the saw; the first call in the process builds the tables and mip-maps that every
    // oscillator shares (thread-safe). Later calls do nothing.
    void initResampler();

    // Sizes oscBuffer to n samples. Not on the audio thread.
    void setBlockSize(int n);
    int bufferSize() const { return static_cast<int>(oscBuffer.size()); }

    // 0 = saw, anything else = stored square. Any thread: the player switches at its next
    // render, and only when the value differs from the one it plays.
    void setWaveform(int waveform);
    int waveform() const { return playingWaveform; }

    // Audio thread from here on.
    void resetBlock() { oscBufferPos = 0; }
    // The next render goes to sample i of the block.
    void setBlockPos(int i) { oscBufferPos = i; }
    void resetPhase();

    // Renders n samples at oscBufferPos, then moves oscBufferPos on by oscBlock. noteFreq is the
    // voice's value (4x the sounding frequency), tuning the 0-1 parameter. Does nothing below
    // 22050 Hz; keeps the previous pitch while noteFreq has none (a rest).
    void processResampler2(int n, long double noteFreq, float tuning, double sampleRate);

    float sample(int i) const
    {
        return i >= 0 && i < static_cast<int>(oscBuffer.size())
                   ? oscBuffer[static_cast<unsigned>(i)]
                   : 0.0f;
    }
    int bufferPos() const { return oscBufferPos; }

    const rspl::ResamplerFlt& player() const { return resampler; }

private:
    void applyWaveform();

    // Read-only after they are built, once per process, and shared by every oscillator.
    struct Tables
    {
        rspl::InterpPack interpPack;
        rspl::MipMapFlt sawMipMap;
        rspl::MipMapFlt squareMipMap;
    };
    static const Tables& sharedTables();

    const Tables* tables = nullptr; // set by initResampler
    rspl::ResamplerFlt resampler;
    std::vector<float> oscBuffer;
    int oscBufferPos = 0;
    int playingWaveform = 0;
    std::atomic<int> requestedWaveform{0}; // written by the parameter setter's thread
    static_assert(std::atomic<int>::is_always_lock_free);
};

} // namespace quelvar
