#include "sequencer/Chain.h"

#include <algorithm>

namespace quelvar
{

bool ChainEntries::append(int pattern)
{
    return insert(count, pattern);
}

bool ChainEntries::insert(int at, int pattern)
{
    if (pattern < 0 || pattern >= kPatternsPerSong || at < 0 || at > count || full())
        return false;
    std::copy_backward(patterns.begin() + at, patterns.begin() + count,
                       patterns.begin() + count + 1);
    patterns[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(pattern);
    ++count;
    return true;
}

bool ChainEntries::remove(int at)
{
    if (at < 0 || at >= count)
        return false;
    std::copy(patterns.begin() + at + 1, patterns.begin() + count, patterns.begin() + at);
    --count;
    return true;
}

bool ChainEntries::move(int from, int to)
{
    if (from < 0 || from >= count || to < 0 || to >= count)
        return false;
    const int pattern = patterns[static_cast<std::size_t>(from)];
    remove(from);
    return insert(to, pattern);
}

bool ChainEntries::operator==(const ChainEntries& other) const
{
    return count == other.count &&
           std::equal(patterns.begin(), patterns.begin() + count, other.patterns.begin());
}

void Chain::set(const ChainEntries& entries)
{
    setters.fetch_add(1);
    changes.fetch_add(1);
    for (int i = 0; i < entries.size(); ++i)
        patterns[static_cast<std::size_t>(i)].store(static_cast<std::uint8_t>(entries.pattern(i)),
                                                    std::memory_order_relaxed);
    count.store(entries.size(), std::memory_order_relaxed);
    changes.fetch_add(1);
    setters.fetch_sub(1);
}

ChainEntries Chain::get() const
{
    // A setter stores at most 257 values: the wait is short.
    ChainEntries out;
    while (!copyUnset(out))
    {
    }
    return out;
}

bool Chain::copyUnset(ChainEntries& out) const
{
    const int settersBefore = setters.load();
    const std::uint32_t changesBefore = changes.load();
    out.clear();
    const int n = std::clamp(count.load(std::memory_order_relaxed), 0, kMaxChainEntries);
    for (int i = 0; i < n; ++i)
        out.append(patterns[static_cast<std::size_t>(i)].load(std::memory_order_relaxed));
    // A read-modify-write keeps the copy's loads from moving past this second look at the
    // counters, as Pattern::copyStepsUnedited does.
    const std::uint32_t changesAfter = changes.fetch_add(0, std::memory_order_acq_rel);
    return settersBefore == 0 && setters.load() == 0 && changesAfter == changesBefore;
}

} // namespace quelvar
