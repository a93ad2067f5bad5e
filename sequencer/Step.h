// One sequencer step: note (0 rest, 1–60), slide, accent and start time in beats.
// Fields are relaxed atomics: editors write single fields while the audio thread reads them.
#pragma once

#include <atomic>
#include <cstdint>

namespace quelvar
{

constexpr int kDefaultStepNote = 25; // MIDI note 60
constexpr int kMaxStepNote = 60;
constexpr int kMidiNoteOffset = 35; // step note n sounds MIDI note n + 35

// The numbers are also the editor bridge's codes for the fields.
enum class StepField
{
    note = 0,
    slide = 1,
    accent = 2
};

class Step
{
public:
    Step() = default;
    Step(const Step& other) { *this = other; }
    Step& operator=(const Step& other)
    {
        setNote(other.note());
        setSlide(other.slide());
        setAccent(other.accent());
        setTimeStart(other.timeStart());
        return *this;
    }

    std::int32_t note() const { return noteValue.load(std::memory_order_relaxed); }
    bool slide() const { return slideValue.load(std::memory_order_relaxed); }
    bool accent() const { return accentValue.load(std::memory_order_relaxed); }
    double timeStart() const { return timeStartBeats.load(std::memory_order_relaxed); }

    void setNote(std::int32_t n) { noteValue.store(n, std::memory_order_relaxed); }
    void setSlide(bool b) { slideValue.store(b, std::memory_order_relaxed); }
    void setAccent(bool b) { accentValue.store(b, std::memory_order_relaxed); }
    void setTimeStart(double beats) { timeStartBeats.store(beats, std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> noteValue{kDefaultStepNote};
    std::atomic<bool> slideValue{false};
    std::atomic<bool> accentValue{false};
    std::atomic<double> timeStartBeats{0.0};
    static_assert(std::atomic<std::int32_t>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);
    static_assert(std::atomic<double>::is_always_lock_free);
};

} // namespace quelvar
