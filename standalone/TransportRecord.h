// The process-wide transport that the engine reads through the host callback: musical position,
// tempo and play flags driven by incoming MIDI clock, start, continue, stop and song position
// pointer, and the sample
// rate in force. Writers: the MIDI input threads (clock and transport, serialised among
// themselves) and the main thread (sample rate). The audio thread takes a copy of the atomics
// into a record of its own at each time request, so the engine never reads a field mid-write.
#pragma once

#include "standalone/SpinLock.h"
#include "vst2/VstInterface.h"

#include <atomic>

namespace quelvar
{

class TransportRecord
{
public:
    // Position 0, tempo 120, 4/4, flags 0.
    void reset(double sampleRate);
    void setSampleRate(double rate) { sampleRate.store(rate, std::memory_order_relaxed); }

    // MIDI real-time messages. nowMs: a monotonic clock in whole milliseconds.
    void start();
    void continuePlaying();
    void stop();
    void clockTick(long long nowMs);
    // Song position pointer: the position in sixteenth notes (0–16383). The engine locates there
    // at once while playing, else at the next continue.
    void songPosition(int sixteenths);

    // Audio thread: the record handed to the engine, refreshed from the current values. The
    // same address on every call.
    VstTimeInfo* timeInfo();

    double getSampleRate() const { return sampleRate.load(std::memory_order_relaxed); }
    double getTempo() const { return tempo.load(std::memory_order_relaxed); }
    double getPpq() const { return ppq.load(std::memory_order_relaxed); }
    int getFlags() const { return flags.load(std::memory_order_relaxed); }

private:
    std::atomic<double> sampleRate{44100.0};
    std::atomic<double> ppq{0.0};
    std::atomic<double> tempo{120.0};
    std::atomic<int> flags{0};
    // Start, continue and stop reach the engine even when a clock tick clears "changed" before
    // the engine's next block: the audio thread reports it once and takes it.
    // Stored after the flags it announces (release), so the reader sees them too.
    std::atomic<bool> changeUnseen{false};
    static_assert(std::atomic<double>::is_always_lock_free);

    // Tempo measurement over 24 clock intervals; MIDI input threads only, under `writers`.
    SpinLock writers;
    bool ticked = false;
    int tickCounter = 0;
    long long accumulatedMs = 0;
    long long previousTickMs = 0;

    VstTimeInfo info{}; // audio thread only
};

// The one record of this process.
TransportRecord& transportRecord();

} // namespace quelvar
