// Transport and step clock: sync mode, tempo, pattern selection and switching, chain play, and
// the clock that starts steps sample by sample. Setters run on any thread and store relaxed atomics; the
// clock's position is owned by the audio thread, and other threads move it only by request.
#pragma once

#include "sequencer/Chain.h"
#include "sequencer/Song.h"

#include <atomic>
#include <cstdint>

namespace quelvar
{

enum SyncType : int
{
    kHostSync = 0,
    kInternalSync = 1,
    kMidiInSync = 2,
};

// The sync type a value of the sync type slot (0–1) selects.
constexpr int syncTypeOf(float v)
{
    return v < 0.33f ? kHostSync : (v < 0.66f ? kInternalSync : kMidiInSync);
}

enum PatternSyncMode : int
{
    kPatternSyncFree = 0,
    kPatternSyncStep = 1,
    kPatternSyncBeat = 2,
    kPatternSyncBar = 3,
    kPatternSyncAuto = 4,
};

// The "trigger pt" slot and the trigger notes reach this many patterns; program changes reach
// every song pattern.
constexpr int kTriggerablePatterns = 32;
constexpr double kMaxGrooveBeats = 0.09375;
constexpr double kStopFadeStep = 1.0 / 441.0;
// Summing a beat increment per sample drifts by rounding; a step whose start lies exactly on a
// sample would otherwise begin one sample late (4726 + 4724 instead of 4725 + 4725).
constexpr double kStepTimeTolerance = 1e-9;

// The host's transport for a block: its rate, its musical position in quarter notes, its tempo,
// whether it plays, and whether it just started, stopped or jumped. The render call makes it safe
// to compute with before the clock sees it.
struct HostTime
{
    double sampleRate = 44100.0; // one the engine cannot use (0, say) is the engine's own
    double ppqPosition = 0.0;
    double tempo = 120.0; // BPM; one the engine cannot use is the one it last followed
    bool transportChanged = false;
    bool playing = false;
};

// Hosts count musical time in ticks (1920 to the beat is common) and may round the positions
// they send to them: a position within two ticks of where playing has led is no jump.
constexpr double kHostRoundingBeats = 2.0 / 1920.0;

// What happened at a block start that the engine must pass on.
struct BlockStart
{
    bool run = false;              // false: the block stays silent
    bool hostStarted = false;      // send MIDI Start to the editor
    bool hostStopped = false;      // send MIDI Stop to the editor
    bool releaseSoundingNotes = false;
    bool patternSwitched = false;  // an immediate switch requested by another thread landed,
                                   // or chain play placed itself
};

class Transport
{
public:
    Transport(Song& song, const Chain& chain) : song(song), chain(chain) {}

    // Pattern selection (any thread).
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
    // Any song pattern. Returns true when it switched at once (the sequencer is not running).
    bool triggerPattern(int index);
    // After an edit or import of the current pattern: the next step starts afresh.
    void forgetCurrentStep() { stepForgetRequest.store(true, std::memory_order_release); }

    // Chain play (any thread). The chain is laid on the timeline from its first entry, entry
    // after entry, each as long as its pattern: in host sync from the host's position 0, so a
    // start or a jump plays the entry and step the position implies; in internal sync from the
    // start. While a chain plays, each entry's pattern plays once and the next follows; the
    // chain loops. Switched on while the sequencer runs, the chain takes its place at once in
    // host sync and after the playing pattern's pass in internal sync; while it is stopped, at
    // the next start. Off, the playing pattern goes on as the current one. An empty chain, and
    // MIDI-in sync, play no chain.
    void setChainPlay(bool on) { chainSwitch.store(on, std::memory_order_relaxed); }
    bool chainPlay() const { return chainSwitch.load(std::memory_order_relaxed); }
    // The chain entry that plays, -1 while none does. Written by the audio thread.
    int chainEntry() const { return playingEntry.load(std::memory_order_relaxed); }

    // Sync mode and transport (any thread).
    int syncType() const { return sync.load(std::memory_order_relaxed); }
    // Returns the mode it was in before.
    int setSyncType(float v);
    double tempo() const { return tempoBpm.load(std::memory_order_relaxed); }
    void setTempo(double bpm) { tempoBpm.store(bpm, std::memory_order_relaxed); }
    double hostTempo() const { return hostTempoBpm.load(std::memory_order_relaxed); }
    void setHostTempo(double bpm) { hostTempoBpm.store(bpm, std::memory_order_relaxed); }
    bool hostPlaying() const { return hostIsPlaying.load(std::memory_order_relaxed); }
    bool internalPlaying() const { return internalIsPlaying.load(std::memory_order_relaxed); }
    bool sequencerStopped() const { return stopped.load(std::memory_order_relaxed); }
    bool stopFading() const { return fading.load(std::memory_order_relaxed); }
    bool running() const;
    // Returns false outside internal sync (nothing happens then).
    bool internalPlay();
    bool internalStop();
    // Integer samples per beat of the host tempo and the current step length in samples;
    // written by the audio thread, read by the Gate slot.
    int samplesPerBeatInt() const { return spb.load(std::memory_order_relaxed); }
    double samplesPerStep() const { return stepSamples.load(std::memory_order_relaxed); }

    // Audio thread: block start, per-sample bookkeeping, step starts.
    BlockStart beginBlock(const HostTime& time, double internalRate);
    // Pending pattern switches due at this sample; returns true when one happened.
    bool beginSample();
    // Advances the stop fade; returns false when the fade has just ended (stop the loop).
    bool advanceStopFade();
    double stopFadeGain() const { return fadeGain; }
    // The step due at this sample, if any; call startStep() to make it current.
    bool stepDue();
    int dueStepIndex() const { return stepIndex; }
    void startStep();
    void endSample();
    // Re-locks the step clock to the host's position after the tempo changed.
    void followHostTempo(double ppqPosition);
    // Whether the chain drives the current pattern (entry -1: it will from its first entry).
    bool chainActive() const { return chainOn; }

    // The copy of the current pattern that the audio thread plays, and its steps.
    const Pattern& playingPattern() const { return playing; }
    Step* currentStep() const { return current; }
    int currentStepIndex() const { return stepIndex - 1; }
    Step* previousStep() const { return previous; }
    Step* nextStep() const { return next; }
    int stepLengthSamples() const { return stepLen; }
    double stepPosition() const { return stepPos; }
    double sampleClockValue() const { return sampleClock; }

private:
    // Takes a fresh copy of the current pattern when it changed and no edit is in progress;
    // after a switch (force) it copies whatever is there.
    void refreshPlaying(bool force);
    bool synchroPattern();
    void switchTo(int index);
    // True when it made a chain entry's pattern current.
    bool locate(double ppqPosition);
    void takeRequests(BlockStart& start);
    // Chain play, audio thread. Whether the chain plays now, from the switch, the sync mode and
    // the copy of the chain; placing it where the position lies; the next entry at a pattern's
    // end; the entry after `from` whose pattern has steps (-1 for none).
    bool followChainSwitch(BlockStart& start, int mode);
    void refreshChain();
    bool locateInChain(double ppqPosition);
    bool advanceChain();
    int nextChainEntry(int from) const;
    double entryBeats(int entry) const;
    void playEntry(int entry);

    Song& song;
    const Chain& chain;
    std::atomic<int> currentIndex{0};
    std::atomic<int> nextIndex{0};
    std::atomic<bool> pending{false};
    std::atomic<double> grooveBeats{0.0};
    std::atomic<int> syncMode{kPatternSyncAuto};
    std::atomic<double> syncQuantum{1.0};
    std::atomic<int> sync{kHostSync};
    std::atomic<double> tempoBpm{120.0};
    std::atomic<double> hostTempoBpm{120.0};      // written by the audio thread
    std::atomic<bool> hostIsPlaying{false};       // written by the audio thread
    std::atomic<bool> internalIsPlaying{false};
    std::atomic<bool> resyncRequest{false};
    std::atomic<bool> fading{false};
    std::atomic<bool> stopped{true};
    std::atomic<int> spb{22050};
    std::atomic<double> stepSamples{5512.5};
    // Requests for the audio thread; set with release so the stores before them are seen.
    std::atomic<bool> internalStartRequest{false}; // clock back to the pattern start
    std::atomic<bool> patternRestartRequest{false}; // an immediate switch landed
    std::atomic<bool> stepForgetRequest{false};
    std::atomic<bool> chainSwitch{false};
    std::atomic<int> playingEntry{-1}; // written by the audio thread

    // Audio thread only.
    double samplesPerBeat = 22050.0;
    double beatIncrement = 1.0 / 22050.0;
    double syncSamples = 0.0;
    int stepLen = 5512;
    double stepPos = 0.0;
    int stepIndex = 0;
    double sampleClock = 0.0;
    double fadeGain = 1.0;
    Step* current = nullptr;
    Step* previous = nullptr;
    Step* next = nullptr;
    Pattern playing{16};
    Pattern incoming{16}; // where a copy is taken before it is known to be whole
    int playingIndex = -1;
    std::uint32_t playingChanges = 0;
    bool playingWhole = false; // the copy was taken while nobody edited the pattern
    ChainEntries chainCopy;    // the chain as last copied whole
    std::uint32_t chainChanges = ~0u;
    bool chainOn = false; // the chain drives the current pattern
    int entry = -1;       // the entry playing; -1: the chain starts with its first
    Step carried;         // the last step of the entry before, which may slide into the next
    Step entryFirst;      // the first step of the next entry, which the last one may slide to
};

} // namespace quelvar
