#include "standalone/EngineFeed.h"

#include "standalone/TransportRecord.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>

namespace quelvar
{

namespace
{
// A block start further than this (or two blocks) from where it was expected is a new start, not
// jitter.
constexpr double kJumpNs = 5e6;
} // namespace

void EngineFeed::render(float* const* outputs, unsigned long frames)
{
    const double rate = transportRecord().getSampleRate();
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    const double lengthNs = rate > 0.0 ? static_cast<double>(frames) * 1e9 / rate : 0.0;
    blockStart = std::llround(
        clock.start(static_cast<double>(now), lengthNs, std::max(kJumpNs, 2.0 * lengthNs)));
    if (MidiScheduler* s = scheduler.load(std::memory_order_acquire))
        s->blockBegins(frames, rate);
    std::memset(outputs[0], 0, frames * sizeof(float));
    std::memset(outputs[1], 0, frames * sizeof(float));
    AEffect* e = getEngine();
    if (!e)
        return;
    if (VstEvents* list = queue.drain())
        e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
    const auto n = static_cast<VstInt32>(frames > INT_MAX ? INT_MAX : frames);
    auto** buffers = const_cast<float**>(outputs);
    e->processReplacing(e, buffers, buffers, n);
}

VstIntPtr EngineFeed::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt)
{
    AEffect* e = getEngine();
    return e ? e->dispatcher(e, opcode, index, value, ptr, opt) : 0;
}

} // namespace quelvar
