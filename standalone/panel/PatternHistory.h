// Undo and redo of pattern and chain edits: before each edit the panel records the patterns (or
// the chain) as they were, and an undo puts that snapshot back (what it replaced goes to redo).
// Snapshots are whole patterns and whole chains, so an undo restores exactly what was there; a
// bank opened replaces every pattern and the chain and is one step. An opened file's step also
// keeps the settings the file changed; turning a knob is not an undo step. Main thread.
#pragma once

#include "standalone/panel/PanelBackend.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quelvar
{

class PatternHistory
{
public:
    static constexpr std::size_t kLevels = 200;

    struct Snapshot
    {
        int pattern = 0;
        PatternView contents;
    };
    struct Setting
    {
        int slot = 0;
        float value = 0.0f;
    };
    // What one step puts back; empty for none.
    struct Step
    {
        std::vector<Snapshot> patterns;
        std::vector<Setting> settings;
        std::optional<ChainEntries> chain;

        bool empty() const { return patterns.empty() && settings.empty() && !chain; }
    };
    // A pattern as it stands now.
    using Reader = std::function<PatternView(int pattern)>;
    // A parameter slot's value as it stands now.
    using SettingReader = std::function<float(int slot)>;
    // The chain as it stands now.
    using ChainReader = std::function<ChainEntries()>;

    // Edits that share a merge key other than 0 and follow each other undo as one: a note box
    // dragged through several notes, the step count held down.
    static constexpr int noteKey(int step) { return 0x100 + step; }
    static constexpr int kStepCountKey = 0x200;

    // Before an edit of `pattern`, whose contents are `before`. Clears redo.
    void record(int pattern, const PatternView& before, int mergeKey = 0);
    // Before a change of several patterns (and settings) at once, which undoes as one step.
    // Clears redo.
    void record(Step before);
    // What to put back; the present state goes to the other list. Steps that would change
    // nothing are dropped on the way. `setting` and `chain` are read only for steps that keep
    // settings or the chain.
    Step undo(const Reader& now, const SettingReader& setting = {}, const ChainReader& chain = {});
    Step redo(const Reader& now, const SettingReader& setting = {}, const ChainReader& chain = {});

    bool canUndo() const { return !undone.empty(); }
    bool canRedo() const { return !redone.empty(); }

private:
    struct Entry
    {
        Step step;
        int mergeKey = 0;
    };
    static Step move(std::deque<Entry>& from, std::deque<Entry>& to, const Reader& now,
                     const SettingReader& setting, const ChainReader& chain);

    std::deque<Entry> undone; // newest last
    std::deque<Entry> redone;
};

} // namespace quelvar
