// Takes a request flag on the audio thread: another thread sets it with store(true), the
// renderer takes it here. Looked at first and exchanged only when set: a locked exchange on
// every block costs more than the load.
#pragma once

#include <atomic>

namespace quelvar
{

inline bool takeRequest(std::atomic<bool>& flag,
                        std::memory_order order = std::memory_order_acquire)
{
    return flag.load(std::memory_order_relaxed) && flag.exchange(false, order);
}

} // namespace quelvar
