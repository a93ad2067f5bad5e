// A short lock for the producers of a queue whose consumer never locks: the MIDI input threads
// and the Qt main thread take it, the audio thread never does.
#pragma once

#include <atomic>
#include <thread>

namespace quelvar
{

class SpinLock
{
public:
    void lock()
    {
        while (flag.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    void unlock() { flag.clear(std::memory_order_release); }

private:
    std::atomic_flag flag = ATOMIC_FLAG_INIT;
};

} // namespace quelvar
