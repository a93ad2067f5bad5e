// Transport and pattern selection: sync mode, tempo, current and next pattern, pattern-switch
// quantisation and groove. Setters run on any thread and store relaxed atomics; work that moves
// the step clock is done by the audio thread.
#pragma once

#include "sequencer/Song.h"

#include <atomic>

namespace quelvar
{

enum SyncType : int
{
    kHostSync = 0,
    kInternalSync = 1,
    kMidiInSync = 2,
};

enum PatternSyncMode : int
{
    kPatternSyncFree = 0,
    kPatternSyncStep = 1,
    kPatternSyncBeat = 2,
    kPatternSyncBar = 3,
    kPatternSyncAuto = 4,
};

constexpr int kTriggerablePatterns = 32;
constexpr double kMaxGrooveBeats = 0.09375;

class Transport
{
public:
    explicit Transport(Song& song) : song(song) {}

    int currentPatternIndex() const { return currentIndex.load(std::memory_order_relaxed); }
    Pattern* getCurrentPattern() { return song.getPattern(currentPatternIndex()); }
    int nextPatternIndex() const { return nextIndex.load(std::memory_order_relaxed); }
    bool patternPending() const { return pending.load(std::memory_order_relaxed); }

    // Start times of the current pattern's steps: odd steps late by the groove.
    void setStepLength();
    void setGrooveOffset(double beats);
    double grooveOffset() const { return grooveBeats.load(std::memory_order_relaxed); }

    void setPatternSync(float v);
    int patternSyncMode() const { return syncMode.load(std::memory_order_relaxed); }
    double patternSyncQuantum() const { return syncQuantum.load(std::memory_order_relaxed); }

    // Chooses the next pattern. Returns true when it switched at once (the sequencer is not
    // running), so the caller publishes the new current pattern.
    bool triggerPattern(int index);

    int syncType() const { return sync.load(std::memory_order_relaxed); }
    void setSyncType(float v);
    double tempo() const { return tempoBpm.load(std::memory_order_relaxed); }
    void setTempo(double bpm) { tempoBpm.store(bpm, std::memory_order_relaxed); }
    double hostTempo() const { return hostTempoBpm.load(std::memory_order_relaxed); }
    bool hostPlaying() const { return hostIsPlaying.load(std::memory_order_relaxed); }
    bool internalPlaying() const { return internalIsPlaying.load(std::memory_order_relaxed); }
    bool running() const;

protected:
    Song& song;
    std::atomic<int> currentIndex{0};
    std::atomic<int> nextIndex{0};
    std::atomic<bool> pending{false};
    std::atomic<bool> clockResetRequest{false}; // an immediate switch: the clock restarts
    std::atomic<double> grooveBeats{0.0};
    std::atomic<int> syncMode{kPatternSyncAuto};
    std::atomic<double> syncQuantum{1.0};
    std::atomic<int> sync{kHostSync};
    std::atomic<double> tempoBpm{120.0};
    std::atomic<double> hostTempoBpm{120.0};
    std::atomic<bool> hostIsPlaying{false};     // written by the audio thread
    std::atomic<bool> internalIsPlaying{false};
};

} // namespace quelvar
