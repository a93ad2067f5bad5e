// The engine's distortion section: four selectable mono processors (three at 4x), with
// crossfades when it is switched on or off or its type changes. Setters run on any non-audio
// thread; process() and the process* block operations run on the audio thread and never
// allocate. Constructor, setSampleRate and resume run while processing is stopped.
#pragma once

#include "dsp/hiir/Downsampler4x.h"
#include "dsp/hiir/Upsampler4x.h"
#include "effects/Clipper12.h"
#include "effects/Cruncher.h"
#include "effects/Overdrive.h"
#include "effects/Valve.h"

#include <atomic>
#include <memory>

namespace quelvar
{

class DistortionSection
{
public:
    static constexpr int kNumTypes = 4;     // Overdrive, ClipInferno, HotFuzz, Ultracrunch
    static constexpr int kChunk = 64;       // processors run on chunks of this many samples
    static constexpr int kMaxPiece = 16384; // longest piece the type crossfade can hold
    static constexpr int kFadeLength = 64;

    DistortionSection();

    // Parameter 22 "Disto": returns the stored on value B' (0.0 or 1.0).
    float setOn(float v);
    // Parameter 23 "Dist Sel": selects type trunc(4v) (4 -> 3). True when the editor must be
    // told the (new) type: it changed, or an earlier change has not been faded in yet.
    bool setDisto(float v);
    void setDistoParam1(float v); // drive of every type
    void setDistoParam2(float v); // overdrive mix, clipper scream, cruncher threshold

    int getType() const { return type.load(std::memory_order_relaxed); }
    int getPreviousType() const { return previousType.load(std::memory_order_relaxed); }
    bool isTypeChangePending() const { return typeChangePending.load(std::memory_order_relaxed); }
    bool isOnOffChangePending() const { return onOffChangePending.load(std::memory_order_relaxed); }

    void setSampleRate(float rate);
    // Clears the oversamplers; allocates the dry copy on the first call.
    void resume();
    // Audio thread: the oversamplers' and the clipper circuit's memories back to rest.
    void clear();

    // The whole section on one host block, left processed and copied to right. Blocks longer
    // than kMaxPiece run in pieces; pending crossfades then apply to the first piece.
    // silentIn: both channels hold +0 throughout. Returns whether they still do; when the
    // section is at rest (below) that costs nothing.
    bool process(float* left, float* right, int n, bool silentIn = false);
    // On silent input the section would give +0 and stay as it is: it is off, or its unit's
    // smoothers have settled and the oversamplers' memories hold +0, with no change pending.
    // ClipInferno never rests: its circuit keeps a steady offset on silence.
    bool atRest() const;

    // The block operations process() is built from, for callers that sequence them themselves.
    // processCrossfade takes the on/off request, processCrossfade2 the type request (fading
    // from the dry copy that process() keeps; it does nothing without one).
    void processDisto(float* left, float* right, int n);
    void processCrossfade(float* left, float* right, int n);
    void processCrossfade2(float* left, float* right, int n);

private:
    void processPiece(float* left, float* right, int n, bool first);
    void runDisto(float* left, float* right, int n, int selected); // copies to right unless left
    void crossfadeOnOff(float* left, float* right, int n, bool switchedOn, int selected);
    void crossfadeType(float* left, float* right, int n, int from);

    template <class Processor> void runChunk(Processor& processor, float* chunk, int len);
    template <class Processor> void runOversampled(Processor& processor, float* block, int n);

    // Written by the setters, read by the renderer at its next block.
    std::atomic<float> on{0.0f};
    std::atomic<int> type{0};
    std::atomic<int> previousType{0};
    static_assert(std::atomic<int>::is_always_lock_free);
    static_assert(std::atomic<float>::is_always_lock_free);

    // Requests. Setting one publishes the fields written before it (release), so the
    // renderer that takes it (acquire) sees the matching type pair or on value.
    std::atomic<bool> typeChangePending{false};
    std::atomic<bool> onOffChangePending{false};
    static_assert(std::atomic<bool>::is_always_lock_free);

    // Audio thread only.
    float fadeScratch[kFadeLength] = {};
    std::unique_ptr<float[]> dryCopy; // kMaxPiece, made by the first resume()
    alignas(16) float oversampled[4 * kChunk] = {};
    alignas(16) float oversampledNext[4 * kChunk] = {};
    hiir::Upsampler4x up;
    hiir::Downsampler4x down;
    Overdrive overdrive;
    Clipper12 clipper;
    Valve valve;
    Cruncher cruncher;
};

} // namespace quelvar
