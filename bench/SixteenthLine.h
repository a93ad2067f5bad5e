// The peer synth's part in the benchmarks: the default pattern's pitches as sixteenth notes,
// each held for half a step, queued on a VstHost block by block (the host's own work).
#pragma once

#include "tools/vsthost/VstHost.h"

#include <cstdint>

class SixteenthLine
{
public:
    SixteenthLine(double rate, double bpm) : stepFrames(rate * 60.0 / bpm / 4.0) {}

    void queue(quelvar::VstHost& host, long long blockStart, int frames)
    {
        static const int kNotes[16] = {48, 50, 50, 49, 47, 51, 50, 49,
                                       51, 48, 43, 51, 47, 51, 53, 47};
        for (int i = 0; i < frames; ++i)
        {
            const long long t = blockStart + i;
            const auto step = static_cast<long long>(t / stepFrames);
            const double inStep = t - step * stepFrames;
            if (inStep < 1.0)
            {
                note = kNotes[step % 16];
                host.queueMidi(i, 0x90, static_cast<std::uint8_t>(note), 100);
            }
            else if (note >= 0 && inStep >= stepFrames / 2 && inStep < stepFrames / 2 + 1.0)
            {
                host.queueMidi(i, 0x80, static_cast<std::uint8_t>(note), 0);
                note = -1;
            }
        }
    }

private:
    double stepFrames;
    int note = -1;
};
