// Runs a Palladon in-process through its render call: the host's transport, MIDI for the next
// block, the sequencer's notes and the controllers' automation collected. For tests that look
// inside the engine; tests of the plugin boundary use VstHost instead.
#pragma once

#include "engine/Palladon.h"
#include "support/RecordingEditor.h"

#include <memory>
#include <vector>

namespace quelvar
{

struct SentMidi
{
    long long frame; // absolute frame: block start + offset
    int status;
    int data1;
    int data2;
    bool operator==(const SentMidi&) const = default;
};

class EngineHarness
{
public:
    explicit EngineHarness(Flavour flavour = Flavour::plugin, double sampleRate = 44100.0,
                           int maxBlock = 512);
    ~EngineHarness();

    Palladon& engine() { return *synth; }
    RecordingEditor& editor() { return *recorder; }

    // MIDI for the next rendered block, at a frame of it.
    void queueMidi(int offset, int status, int data1, int data2);

    // Host transport.
    void setTempo(double bpm) { time.tempo = bpm; }
    void play(double ppq = 0.0);
    void stop();
    void locate(double ppq);

    // Renders frames in blocks of blockSize; returns the left channel (right is checked equal
    // where tests care). Steps noticed by the editor are stamped with their absolute frame when
    // blockSize is 1.
    std::vector<float> render(int frames, int blockSize = 64);
    // The same into buffers of at least `frames` samples; allocates nothing.
    void renderInto(float* left, float* right, int frames, int blockSize);
    std::vector<float> lastRight;
    long long framesRendered() const { return frame; }

    // Absolute frame of each step notice, filled when rendering one-sample blocks.
    std::vector<long long> stepFrames;

    HostTime time; // the host's transport; the next block starts with it
    std::vector<SentMidi> midiOut;
    // What the host heard as automation: slot and value, from controllers and from the editor.
    std::vector<std::pair<int, float>> automated;
    // Every slot the render call reported moved, whatever moved it.
    std::vector<std::pair<int, float>> reported;

private:
    // Answers the editor's automation; the render call never calls it.
    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr value, void* ptr, float opt);
    bool changePending = false;
    RenderInput input;
    RenderOutput output;
    long long frame = 0;
    std::unique_ptr<Palladon> synth;
    RecordingEditor* recorder = nullptr;
};

// Frequency of the strongest periodicity between minHz and maxHz (autocorrelation).
double dominantFrequency(const std::vector<float>& signal, double sampleRate, double minHz,
                         double maxHz);
bool allFinite(const std::vector<float>& signal);
float peakOf(const std::vector<float>& signal, std::size_t from = 0, std::size_t to = ~0u);

} // namespace quelvar
