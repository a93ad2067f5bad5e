#include "standalone/panel/PatternHistory.h"

namespace quelvar
{

void PatternHistory::record(int pattern, const PatternView& before, int mergeKey)
{
    const bool merges = mergeKey != 0 && redone.empty() && !undone.empty() &&
                        undone.back().mergeKey == mergeKey &&
                        undone.back().step.patterns.size() == 1 &&
                        undone.back().step.patterns.front().pattern == pattern;
    if (merges)
        return;
    redone.clear();
    undone.push_back({{{{pattern, before}}, {}, {}}, mergeKey});
    if (undone.size() > kLevels)
        undone.pop_front();
}

void PatternHistory::record(Step before)
{
    redone.clear();
    if (before.empty())
        return;
    undone.push_back({std::move(before), 0});
    if (undone.size() > kLevels)
        undone.pop_front();
}

PatternHistory::Step PatternHistory::undo(const Reader& now, const SettingReader& setting,
                                          const ChainReader& chain)
{
    return move(undone, redone, now, setting, chain);
}

PatternHistory::Step PatternHistory::redo(const Reader& now, const SettingReader& setting,
                                          const ChainReader& chain)
{
    return move(redone, undone, now, setting, chain);
}

// An edit that changed nothing (a transpose at the edge of the range) is passed over. Entries
// that went the other way never merge with a new edit: their key is dropped.
PatternHistory::Step PatternHistory::move(std::deque<Entry>& from, std::deque<Entry>& to,
                                          const Reader& now, const SettingReader& setting,
                                          const ChainReader& chain)
{
    while (!from.empty())
    {
        Step back = std::move(from.back().step);
        from.pop_back();
        Step present;
        bool changes = false;
        for (const Snapshot& s : back.patterns)
        {
            present.patterns.push_back({s.pattern, now(s.pattern)});
            changes = changes || present.patterns.back().contents != s.contents;
        }
        for (const Setting& s : back.settings)
        {
            present.settings.push_back({s.slot, setting(s.slot)});
            changes = changes || present.settings.back().value != s.value;
        }
        if (back.chain)
        {
            present.chain = chain();
            changes = changes || !(*present.chain == *back.chain);
        }
        if (!changes)
            continue;
        to.push_back({std::move(present), 0});
        return back;
    }
    return {};
}

} // namespace quelvar
