// A bounded queue from one thread to one other: the producer pushes, the consumer pops, neither
// blocks, locks or allocates. A full ring refuses the push. Values are copied whole.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <type_traits>

namespace quelvar
{

// Holds up to Capacity values. The positions count every value ever pushed and popped; at one
// value a nanosecond they would wrap after centuries.
template <typename T, std::size_t Capacity> class SpscRing
{
    static_assert(Capacity > 0);
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(std::atomic<std::size_t>::is_always_lock_free);

public:
    // Producer thread. False, with nothing stored, when Capacity values are waiting.
    bool push(const T& value)
    {
        const std::size_t w = written.load(std::memory_order_relaxed);
        if (w - taken.load(std::memory_order_acquire) == Capacity)
            return false;
        values[w % Capacity] = value;
        written.store(w + 1, std::memory_order_release); // publishes the slot just written
        return true;
    }

    // Consumer thread. False when nothing is waiting.
    bool pop(T& value)
    {
        const std::size_t r = taken.load(std::memory_order_relaxed);
        if (r == written.load(std::memory_order_acquire))
            return false;
        value = values[r % Capacity];
        taken.store(r + 1, std::memory_order_release); // hands the slot back to the producer
        return true;
    }

    // Consumer thread: drops everything waiting.
    void clear()
    {
        taken.store(written.load(std::memory_order_acquire), std::memory_order_release);
    }

    // Values waiting; exact only while neither thread moves.
    std::size_t size() const
    {
        return written.load(std::memory_order_acquire) - taken.load(std::memory_order_acquire);
    }

private:
    std::array<T, Capacity> values{}; // not "slots": a Qt keyword where Qt headers come first
    std::atomic<std::size_t> written{0};
    std::atomic<std::size_t> taken{0};
};

} // namespace quelvar
