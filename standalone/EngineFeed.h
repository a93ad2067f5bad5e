// What the sound-card callback shares with the window: the engine once it is built, and the
// queue of MIDI waiting for its next block. The engine pointer is published by the main thread
// after the engine is set up; the callback renders silence until then.
#pragma once

#include "standalone/BlockClock.h"
#include "standalone/EngineEventQueue.h"
#include "standalone/MidiSystem.h"
#include "vst2/VstInterface.h"

#include <atomic>
#include <cstdint>

namespace quelvar
{

class EngineFeed
{
public:
    void setEngine(AEffect* effect) { engine.store(effect, std::memory_order_release); }
    AEffect* getEngine() const { return engine.load(std::memory_order_acquire); }
    EngineEventQueue& events() { return queue; }
    // Told as each block begins, before the engine renders it; set while no stream runs, or
    // before the engine exists.
    void setScheduler(MidiScheduler* s) { scheduler.store(s, std::memory_order_release); }

    // Audio thread: clears both channels, hands the engine its queued events, then renders.
    void render(float* const* outputs, unsigned long frames);
    // Audio thread: when the block being rendered began, in nanoseconds of steady_clock, paced by
    // the frames before it.
    std::int64_t blockStartNs() const { return blockStart; }
    static void renderCallback(float* const* outputs, unsigned long frames, void* feed)
    {
        static_cast<EngineFeed*>(feed)->render(outputs, frames);
    }

    // Main thread, while no stream runs: the engine's dispatcher. 0 without an engine.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

private:
    std::atomic<AEffect*> engine{nullptr};
    static_assert(std::atomic<AEffect*>::is_always_lock_free);
    std::atomic<MidiScheduler*> scheduler{nullptr};
    EngineEventQueue queue;
    BlockClock clock;            // audio thread
    std::int64_t blockStart = 0; // audio thread
};

} // namespace quelvar
