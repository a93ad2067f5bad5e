// The chain: an ordered list of up to 256 song patterns that chain play plays one after the
// other. ChainEntries is the list as a plain value (editors, files, the bridge); Chain is the one
// the engine keeps, set whole from any thread and copied whole by the audio thread, which takes
// a copy only while no one is setting it. Neither allocates.
#pragma once

#include "sequencer/Song.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace quelvar
{

constexpr int kMaxChainEntries = 256;

class ChainEntries
{
public:
    int size() const { return count; }
    bool empty() const { return count == 0; }
    bool full() const { return count == kMaxChainEntries; }
    // The song pattern (0–63) of entry i; -1 outside the list.
    int pattern(int i) const { return i >= 0 && i < count ? patterns[i] : -1; }

    // Each returns false, changing nothing, for a pattern outside the song, a place outside the
    // list or a full list.
    bool append(int pattern);
    // Before entry `at`; at == size() appends.
    bool insert(int at, int pattern);
    bool remove(int at);
    // Entry `from` taken out and put back at place `to` of the list that remains.
    bool move(int from, int to);
    void clear() { count = 0; }

    bool operator==(const ChainEntries& other) const;

private:
    std::array<std::uint8_t, kMaxChainEntries> patterns{};
    int count = 0;
};

class Chain
{
public:
    // Any thread. Concurrent setters are allowed: the copy that follows the last one is whole.
    void set(const ChainEntries& entries);
    // Any thread but the audio thread: waits out a setter on another thread (a few hundred
    // stores at most).
    ChainEntries get() const;
    // Counts finished and started sets; unchanged means nothing was set.
    std::uint32_t changeCount() const { return changes.load(std::memory_order_acquire); }
    // The audio thread's copy. False when a set was in progress: the copy may then be mixed.
    bool copyUnset(ChainEntries& out) const;

private:
    std::array<std::atomic<std::uint8_t>, kMaxChainEntries> patterns{};
    std::atomic<int> count{0};
    std::atomic<int> setters{0};
    mutable std::atomic<std::uint32_t> changes{0}; // readers touch it to order their copy
};

} // namespace quelvar
