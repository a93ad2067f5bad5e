// A minimal VST 2 host: dlopens a plugin, answers version, time info and events as a DAW
// would, and drives the plugin through its dispatcher. Used by tests, benchmarks and tools.
#pragma once

#include "vst2/VstInterface.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

struct ReceivedMidi
{
    int block;        // index of the block during which the plugin sent it
    int deltaFrames;  // frame offset within that block
    std::array<std::uint8_t, 3> bytes;
    int list = 0;     // which event list of the run carried it, counting from 0
};

class VstHost
{
public:
    // Loads the plugin and calls its entry; check loaded() afterwards.
    explicit VstHost(const std::string& pluginPath);
    ~VstHost();
    VstHost(const VstHost&) = delete;
    VstHost& operator=(const VstHost&) = delete;

    bool loaded() const { return effect != nullptr; }
    AEffect* plugin() { return effect; }
    const std::string& error() const { return loadError; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // Dispatches an opcode that writes a string into ptr; `answer` receives the return value.
    std::string dispatchText(VstInt32 opcode, VstInt32 index = 0, VstIntPtr* answer = nullptr);
    void setParameter(int index, float value);
    float getParameter(int index);
    std::string parameterName(int index);
    std::string parameterLabel(int index);
    std::string parameterDisplay(int index);

    // open, sample rate, block size, resume: what a DAW does before the first block.
    void start(double sampleRate, int maxBlock);
    // Closes the plugin (the plugin deletes itself) and returns its answer; later calls do
    // nothing and answer 0.
    VstIntPtr close();

    // Queues a MIDI event for the next block.
    void queueMidi(int deltaFrames, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // Sends queued events, renders one block into left/right, advances the transport.
    void processBlock(float* left, float* right, int frames);
    // Renders frames in blocks of blockSize and returns the left and right channels.
    void render(int frames, int blockSize, std::vector<float>& left, std::vector<float>& right);

    // Transport as the host reports it through the time info.
    void setTempo(double bpm) { timeInfo.tempo = bpm; }
    void play(double ppqPosition = 0.0);
    void stop();
    void locate(double ppqPosition);
    bool playing() const { return (timeInfo.flags & kVstTransportPlaying) != 0; }

    VstTimeInfo timeInfo{};
    bool answerTimeInfo = true;   // false: the host answers get-time with null
    VstIntPtr versionAnswer = 2400;

    std::vector<ReceivedMidi> received; // MIDI the plugin sent back
    int processEventsCalls = 0;
    int automateCalls = 0;
    int updateDisplayCalls = 0;
    int lastAutomatedIndex = -1;
    float lastAutomatedValue = 0.0f;

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    void* library = nullptr;
    AEffect* effect = nullptr;
    std::string loadError;
    int blockIndex = 0;
    bool transportChangedPending = false;

    std::vector<VstMidiEvent> pendingMidi;
    std::vector<char> eventsStorage;
};

} // namespace quelvar
