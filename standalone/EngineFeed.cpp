#include "standalone/EngineFeed.h"

#include <chrono>
#include <climits>
#include <cstring>

namespace quelvar
{

void EngineFeed::render(float* const* outputs, unsigned long frames)
{
    blockStart = std::chrono::duration_cast<std::chrono::nanoseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
                     .count();
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
