// A pattern: 64 steps of which the first nbStep play, and a name. Accessors ignore
// out-of-range step indices. Edited on any thread. The audio thread plays a copy of the current
// pattern that it takes only while no edit is in progress, so it never plays half an edit.
#pragma once

#include "sequencer/Step.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace quelvar
{

constexpr int kStepsPerPattern = 64;
// Every file format and the shared state block keep names of at most this many bytes.
constexpr std::size_t kMaxPatternNameBytes = 127;
constexpr double kStepBeats = 0.25;

class Pattern
{
public:
    // Brackets a change of several fields (or a change made through a Step pointer). The
    // pattern's own setters bracket themselves; edits may nest.
    class Edit
    {
    public:
        explicit Edit(Pattern& p) : pattern(p) { pattern.beginEdit(); }
        ~Edit() { pattern.endEdit(); }
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;

    private:
        Pattern& pattern;
    };

    explicit Pattern(int count = 16);
    Pattern(const Pattern& other) { *this = other; }
    Pattern& operator=(const Pattern& other);

    // Null when i is outside 0 .. nbStep - 1.
    Step* getStep(int i);
    const Step* getStep(int i) const;
    // Any of the 64 steps, hidden or not; null outside 0–63.
    Step* getStepAnyIndex(int i);
    const Step* getStepAnyIndex(int i) const;

    void setStepNote(int note, int i);
    void setStepSlide(bool slide, int i);
    void setStepAccent(bool accent, int i);
    void setStepTimeStart(double beats, int i);

    int getNBStep() const { return nbStep.load(std::memory_order_relaxed); }
    // Held to 0–64 so a bad caller can never make the sequencer look past the steps.
    void setNBStep(int n);

    // Names may be read on one thread while another renames: the characters are atomics, so a
    // reader sees the old name, the new one or a mix of both, never freed memory.
    std::string getName() const;
    // The name into a buffer, terminated, cut to fit; allocates nothing. Returns its length.
    std::size_t copyName(char* out, std::size_t capacity) const;
    // Cut to kMaxPatternNameBytes without splitting a UTF-8 character.
    void setName(std::string_view newName);

    // Resets the visible steps to note 25, no slide, no accent; hidden steps are kept.
    void clear();
    // Transpose by a semitone as a whole, or not at all when a note would leave 1–60.
    void transposeUp();
    void transposeDown();

    // Counts finished and started edits; unchanged means nothing was edited.
    std::uint32_t changeCount() const { return changes.load(std::memory_order_acquire); }
    // Copies the steps and the count of `source` (not the name). Returns false when an edit of
    // the source was in progress during the copy; the copy may then be mixed. Allocates nothing.
    bool copyStepsUnedited(const Pattern& source);

private:
    void beginEdit();
    void endEdit();

    std::array<Step, kStepsPerPattern> steps;
    std::atomic<int> nbStep{16};
    std::array<std::atomic<char>, kMaxPatternNameBytes + 1> name{};
    std::atomic<int> editors{0};
    mutable std::atomic<std::uint32_t> changes{0}; // readers touch it to order their copy
};

} // namespace quelvar
