// A list of timed entries (each with an int `frame`) of fixed capacity, kept in frame order: an
// entry added out of order moves back past the later ones, and entries at one frame keep the
// order they came in. A full list drops the entry being added and counts it. Owned by one thread;
// nothing allocates.
#pragma once

#include <array>

namespace quelvar
{

template <class T, int Capacity> class TimedList
{
public:
    static constexpr int kCapacity = Capacity;

    // False, with the entry dropped and counted, when the list is full.
    bool add(const T& entry)
    {
        if (count == Capacity)
        {
            ++droppedCount;
            return false;
        }
        int i = count++;
        for (; i > 0 && entries[static_cast<std::size_t>(i - 1)].frame > entry.frame; --i)
            entries[static_cast<std::size_t>(i)] = entries[static_cast<std::size_t>(i - 1)];
        entries[static_cast<std::size_t>(i)] = entry;
        return true;
    }

    void clear()
    {
        count = 0;
        droppedCount = 0;
    }

    int size() const { return count; }
    bool empty() const { return count == 0; }
    // Entries dropped since the last clear().
    int dropped() const { return droppedCount; }
    const T& operator[](int i) const { return entries[static_cast<std::size_t>(i)]; }
    const T* begin() const { return entries.data(); }
    const T* end() const { return entries.data() + count; }

private:
    std::array<T, Capacity> entries{};
    int count = 0;
    int droppedCount = 0;
};

} // namespace quelvar
