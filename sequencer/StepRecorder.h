// Step recording: keys held on a MIDI keyboard are written into the steps as they start, one
// key per step in the order they were pressed; the pitch wheel sets or clears slides.
// Audio thread only.
#pragma once

#include <array>

namespace quelvar
{

class Step;

class StepRecorder
{
public:
    enum class Result
    {
        unchanged,
        slideChanged,
        noteWritten,
    };

    // Key tracking; notes below 32 select patterns and are not recorded.
    void recordPattern(int note, int velocity, bool pressed);
    void setPitchBend(int lsb, int msb);
    // Every key counts as released (panic).
    void releaseAll()
    {
        recordKeys.fill(0);
        recordCounter = 0;
    }
    // Writes the held keys into the step that starts. Velocities above the threshold accent.
    Result processRecordPatternNote(Step* step, int accentThreshold);

private:
    void release(int note);

    std::array<int, 128> recordKeys{}; // press-order stamps 1…k of the held keys, 0 = up
    int recordVelocity = 0;
    int recordCounter = 0;
    bool bendUp = false;
    bool bendDown = false;
};

} // namespace quelvar
