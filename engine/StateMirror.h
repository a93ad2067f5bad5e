// Where the engine copies its state for an editor in another process: parameter values and texts,
// patterns, transport, MIDI controllers, the key and line settings, the chain. The plugin's entry
// attaches one (the shared block); the standalone program attaches none. Writes come from any
// thread, the audio thread included: they must not block or allocate.
#pragma once

#include "io/controllerSection.h"
#include "sequencer/Chain.h"
#include "sequencer/lineOperations.h"

namespace quelvar
{

class Pattern;

class StateMirror
{
public:
    virtual ~StateMirror() = default;

    virtual void writeParameterValue(int index, float value) = 0;
    virtual void writeParameterText(int index, const char* text) = 0;
    virtual void writePattern(int index, const Pattern& pattern) = 0;
    virtual void writeHostPlaying(bool playing) = 0;
    virtual void writeInternalRunning(bool running) = 0;
    virtual void writeCurrentPattern(int index) = 0;
    virtual void writeHostTempo(int bpm) = 0;
    virtual void writeSyncType(int syncType) = 0;
    // The controller of each slot, and the slot waiting to learn one (-1: none).
    virtual void writeControllers(const ControllerAssignments& map, int learningSlot) = 0;
    virtual void writeLineSettings(const LineSettings& settings) = 0;
    virtual void writeChain(const ChainEntries& chain) = 0;
    // The entry chain play plays (-1: none).
    virtual void writeChainEntry(int entry) = 0;
};

} // namespace quelvar
