#include "standalone/panel/PatternHistory.h"

namespace quelvar
{

void PatternHistory::record(int pattern, const PatternView& before, int mergeKey)
{
    const bool merges = mergeKey != 0 && redone.empty() && !undone.empty() &&
                        undone.back().mergeKey == mergeKey &&
                        undone.back().snapshot.pattern == pattern;
    redone.clear();
    if (merges)
        return;
    undone.push_back({{pattern, before}, mergeKey});
    if (undone.size() > kLevels)
        undone.pop_front();
}

std::optional<PatternHistory::Snapshot> PatternHistory::undo(const Reader& now)
{
    return move(undone, redone, now);
}

std::optional<PatternHistory::Snapshot> PatternHistory::redo(const Reader& now)
{
    return move(redone, undone, now);
}

// An edit that changed nothing (a transpose at the edge of the range) is passed over. Entries
// that went the other way never merge with a new edit: their key is dropped.
std::optional<PatternHistory::Snapshot> PatternHistory::move(std::deque<Entry>& from,
                                                             std::deque<Entry>& to,
                                                             const Reader& now)
{
    while (!from.empty())
    {
        const Snapshot back = from.back().snapshot;
        from.pop_back();
        PatternView present = now(back.pattern);
        if (present == back.contents)
            continue;
        to.push_back({{back.pattern, std::move(present)}, 0});
        return back;
    }
    return std::nullopt;
}

} // namespace quelvar
