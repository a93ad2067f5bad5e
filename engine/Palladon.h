// The engine: one synthesizer with its song, chain, sequencer, voice, effects and parameter slots.
// Parameters are set from any thread; the host's audio thread renders. The engine takes no lock:
// cross-thread values are relaxed atomics and multi-field work is requested for the renderer.
#pragma once

#include "effects/Delay.h"
#include "effects/DistortionSection.h"
#include "effects/OutputVolume.h"
#include "engine/ControllerMap.h"
#include "engine/Flavour.h"
#include "engine/LivePlay.h"
#include "engine/ParameterEdits.h"
#include "engine/PalladonEditor.h"
#include "engine/RenderCall.h"
#include "engine/StateMirror.h"
#include "engine/Voice.h"
#include "engine/WavetableOscillator.h"
#include "engine/parameterTable.h"
#include "sequencer/Chain.h"
#include "sequencer/LiveNoteInbox.h"
#include "sequencer/MidiOut.h"
#include "sequencer/NoteEventQueue.h"
#include "sequencer/Song.h"
#include "sequencer/StepRecorder.h"
#include "sequencer/lineOperations.h"
#include "sequencer/Transport.h"
#include "vst2/AudioEffectX.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quelvar
{

constexpr VstInt32 kUniqueId = vstFourCharacters('f', 'n', 'k', '3');
constexpr int kDefaultSlideSamples = 5512;
constexpr int kDefaultAccentThreshold = 82; // velocities above it accent
// Buffers are sized for at most this many frames; longer host blocks are rendered in pieces.
constexpr int kMaxPreparedFrames = 8192;
// The highest sample rate rendered; a higher one is taken as this.
constexpr double kMaxRate = 1536000.0;
constexpr double kMinTempo = 1.0;
constexpr double kMaxTempo = 999.0;
// What the sequencer asks of the host's time info at block start, and after rendering.
constexpr VstInt32 kSequencerTimeFilter =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid |
    kVstTransportChanged | kVstTransportPlaying | kVstTransportCycleActive;
constexpr VstInt32 kTempoTimeFilter = kVstPpqPosValid | kVstTempoValid;
static_assert(kSequencerTimeFilter == 0x3E07 && kTempoTimeFilter == 0x600);

class Palladon : public AudioEffectX
{
public:
    explicit Palladon(audioMasterCallback hostCallback, Flavour flavour = Flavour::plugin);
    ~Palladon() override;

    // Registers the deliverable's editor; the base class deletes it.
    void attachEditor(PalladonEditor* newEditor);
    // The plugin's entry gives the engine its shared block before the host sees the engine; the
    // whole state is written to it at once. A null block leaves the engine without one.
    void attachSharedBlock(std::unique_ptr<StateMirror> block);

    // Parameters.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    // The text slot `index` would show holding `value`, at the engine's rate, tempo and delay
    // sync; also for slots 26–28, which show none to a VST 2 host. Room for 32 characters.
    void formatParameterValue(int index, float value, char* text);
    bool canParameterBeAutomated(VstInt32 index) override;
    // A change made for the host to hear of (the panel, a reader, a randomiser): applied, kept
    // in parameterEdits() for a format's UI thread, and told to a VST 2 host at once.
    void setParameterAutomated(VstInt32 index, float value) override;
    // What was moved outside the host's own automation, with the panel's gestures.
    ParameterEdits& parameterEdits() { return edits; }

    // Programs: one, whose whole state travels as the chunk.
    VstInt32 getProgram() override { return 0; }
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool copyProgram(VstInt32 destination) override;

    // Host boundary.
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1; }
    VstInt32 canDo(char* text) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;

    // Rendering.
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void suspend() override;
    void resume() override;
    // The engine's own entry (audio thread): one block from its input record into its output
    // record, reaching no host. engine/RenderCall.h says how a block is rendered.
    void render(const RenderInput& in, RenderOutput& out);
    // The VST 2 adapter over render(): events are kept for the next block, which reads the
    // host's time info, renders, and hands the notes and the controllers' automation back.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    // Resets the voice: envelopes to rest, filter states cleared.
    void CBReset();
    // Live renderer: the voice played from MIDI notes while the sequencer is stopped in MIDI-in
    // sync. right may be null (the low-rate path renders one buffer).
    void processTest(float* left, float* right, int frames);
    void processTest2(float* buffer, int count);
    const Voice& getVoice() const { return voice; }

    // MIDI. processEvents runs on the audio thread before the block that takes its events.
    VstInt32 processEvents(VstEvents* events) override;
    // Live notes from an editor's keyboard (any thread); they reach the voice at the next block
    // and sound only in MIDI-in sync. The third argument has no effect.
    void play(int note, int velocity, int extra = 0);
    void stop(int note, int velocity, int extra = 0);
    // Panic (any thread): at the next block the live voice releases, held notes are forgotten,
    // this block's live notes are dropped and sounding MIDI-out notes get their note-offs.
    void panic() { panicRequest.store(true, std::memory_order_relaxed); }
    // Full reset (any thread): at the next block the voice, the live voice, the delay's line and
    // the distortion's memories start from rest, with the panic's note-offs. Parameters,
    // patterns, controllers and the transport stay.
    void resetSound() { resetRequest.store(true, std::memory_order_relaxed); }
    // MIDI controllers. A controller moves its slots as the panel does, as automation the host
    // hears of. Learning (any thread): the next assignable controller that arrives is given to
    // the slot; a slot outside 0–28 stops learning. All allocate nothing.
    void learnController(int slot);
    void forgetController(int slot);
    int controllerOf(int slot) const { return controllers.controllerOf(slot); }
    int getLearningSlot() const { return learningSlot.load(std::memory_order_relaxed); }
    ControllerAssignments getControllerAssignments() const { return controllers.assignments(); }
    void setControllerAssignments(const ControllerAssignments& map);
    // The standalone program's accent velocity threshold; the plugin's is fixed at 82.
    void setAccentThreshold(int velocity);
    int getAccentThreshold() const;

    // Sequencer.
    Song& getSong() { return song; }
    Pattern* getCurrentPattern() { return transport.getCurrentPattern(); }
    int getCurrentPatternIndex() const { return transport.currentPatternIndex(); }
    // Any song pattern 0–63, by the pattern-sync rules; the "trigger pt" slot and the trigger
    // notes reach the first 32. A trigger while a chain plays leaves chain play (the chain
    // switch goes off, and the host is told) and the pattern follows the playing entry as it
    // would follow any pattern; while the sequencer is stopped it only selects the pattern.
    void triggerPattern(int index, int extra = 0);
    void triggerPatternFromParameter(float v);
    void setPatternSync(float v) { transport.setPatternSync(v); }
    void setStepLength() { transport.setStepLength(); }
    void setSlideTime(float v);
    void setWaveform(float v);
    void setSyncType(float v);
    // Start and stop of the internal transport (editor, panel); nothing outside internal sync.
    void internalPlay();
    void internalStop();
    // The chain (any thread); the chain switch is the parameter slot kChainPlay.
    void setChain(const ChainEntries& entries);
    ChainEntries getChain() const { return chain.get(); }
    // The chain entry chain play is playing, -1 while none is.
    int getChainEntry() const { return transport.chainEntry(); }

    // Pattern editing (any thread). An index names a song pattern; -1 the current one.
    void PatternClear();
    void PatternCopy(int index);
    void PatternPaste(int index);
    void patternTransposeUp();
    void patternTransposeDown();
    void patternShiftLeft();
    void patternShiftRight();
    // Randomisers. PatternRandom1(-1) is done by the audio thread at its next block.
    void PatternRandom1(int index);
    void patternRandom3(int what, int index);
    void processRandomize(int index);
    void randomParameters();
    // Lines in a key (any thread): the key, scale and shares, kept with the state, and the edits
    // made with them, each one edit of the current pattern done at once.
    LineSettings getLineSettings() const;
    void setLineSettings(const LineSettings& settings);
    void generateLine();
    void mutateLine();
    void fitLineToKey();

    // State chunk and files. An import given `notices` adds what the reader changed or left out
    // of the file, one plain sentence each ("2 steps out of range were switched off").
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool exportPattern(const std::string& path);
    bool importPattern(const std::string& path, int index, bool withParams,
                       std::vector<std::string>* notices = nullptr);
    bool exportBank(const std::string& path);
    bool importBank(const std::string& path, int index,
                    std::vector<std::string>* notices = nullptr);
    bool exportABL2Pattern(const std::string& path);
    bool exportABL3Pattern(const std::string& path);
    bool importABLPattern(const std::string& path, int index, bool withParams,
                          std::vector<std::string>* notices = nullptr);
    bool importABL3Pattern(const std::string& path, int index, bool withParams,
                           std::vector<std::string>* notices = nullptr);
    bool exportPhoscyonPattern(const std::string& path);
    bool importPhoscyonPattern(const std::string& path, int index,
                               std::vector<std::string>* notices = nullptr);
    bool exportMidiPattern(const std::string& path, int index);
    // One pass of the chain; false for an empty chain.
    bool exportMidiChain(const std::string& path);

    // Effects, in block order after the voice.
    void setDisto(float v);
    void setDistoParam1(float v) { distortion.setDistoParam1(v); }
    void setDistoParam2(float v) { distortion.setDistoParam2(v); }
    const Delay& getDelay() const { return delay; }

    // After a chunk or a file changed patterns or parameters: the sequencer takes the current
    // pattern afresh, and the editor and the host refresh their views.
    void refreshAfterLoad();
    // Pattern files carry a sync type; importing applies it only when this is off.
    bool ignoresSyncModeOnImport() const
    {
        return traits.ignoreSyncModeAlways || ignoreSyncMode.load(std::memory_order_relaxed);
    }
    void setIgnoreSyncModeOnImport(bool on) { ignoreSyncMode.store(on, std::memory_order_relaxed); }

    // Shared state block writers; each does nothing without a block (the standalone program).
    // Values and display texts of every slot. Not on the audio thread: it formats texts.
    void updateParameterData();
    // The display text of one slot. Not on the audio thread.
    void publishParameterText(int index);
    void updatePatternData();
    void updatePluginData();
    void updateChainData();
    const StateMirror* getSharedBlock() const { return sharedBlock.get(); }

    int getInstanceNumber() const { return instanceNumber; }
    const FlavourTraits& getTraits() const { return traits; }
    int getSlideSamples() const { return slideSamples.load(std::memory_order_relaxed); }
    int getGateOffset() const { return gateOffset.load(std::memory_order_relaxed); }
    bool isRecordEnabled() const { return recordEnabled.load(std::memory_order_relaxed); }
    const Transport& getTransport() const { return transport; }

private:
    float storedValue(int index) const { return paramValues[index].load(std::memory_order_relaxed); }
    void storeValue(int index, float v) { paramValues[index].store(v, std::memory_order_relaxed); }
    void applyParameter(int index, float v);
    // Gate as a note-off shift in samples, up to 2/5 of a sixteenth either way; set when the slot
    // changes and again at each sequencer block, as the tempo may have moved.
    void storeGateOffset(float gate);
    int gateOffsetFor(float gate) const;
    static int slideSamplesFor(float v);
    // A delay length in samples as whole milliseconds.
    void formatDelayLength(int samples, char* text) const;
    void notifyParameter(int index, float v);
    void writeDefaultPattern();
    // After a pattern switch: the UI sees the new current pattern.
    void publishCurrentPattern();
    // After an edit of any pattern: the editor shows the song afresh.
    void publishPatterns();
    // After the audio thread changed the current pattern's steps (recording, randomising).
    void publishCurrentPatternSteps();
    Pattern* patternNamed(int index);
    // A line edit of the current pattern with the engine's settings, then the sequencer and the
    // editor take it.
    using LineOperation = void (*)(Pattern&, const LineSettings&, RandomSource&);
    void editCurrentLine(LineOperation operation);
    // The VST 2 host's time info for this block, as given.
    HostTime readHostTime(VstInt32 filter);
    // A host's time made safe to compute with: an unusable rate is the engine's own, an unusable
    // tempo the one last followed, a position held within reach of the sample clock.
    HostTime safeTime(const HostTime& given) const;
    void renderSpan(int first, int frames, HostTime& time, const HostTime* timeAfter);
    void takeMidi(const RenderInput::MidiList& events, int from, int to, int spanStart, int frames);
    void reportPatternChoice();
    // MIDI in and out (audio thread).
    void addNoteOn(int note, int velocity, int offset);
    void addNoteOff(int note, int velocity, int offset);
    void controlChange(int controller, int value);
    void programChange(int program);
    void publishControllers();
    void liveNote(bool on, int note, int velocity, long double tuningOctaves);
    void takeLiveRequests();
    void resetPendingNote();
    void silenceNotes();
    void clearSound();
    void sendMidiOut();
    void stepMidiOut(const Step& step, int offset);
    int midiOffset(int sample) const;
    // The first internal sample of the piece being rendered heard at or after host-block frame
    // `offset`; -1 when the offset lies in an earlier piece.
    int internalSampleOf(int offset) const;
    VoiceParameters voiceParameters() const;
    // right is null on the low-rate path, which renders one internal-rate buffer. Each returns
    // whether it wrote nothing but +0 (the voice was silent throughout).
    bool renderSequencer(float* left, float* right, int frames, const HostTime& time, bool lowRate);
    bool renderLowRate(float* left, float* right, int frames, const HostTime& time);
    bool renderLive(float* left, float* right, int frames, bool lowRate);
    VoiceBlock beginVoiceBlock(double rate, bool lowRate);
    void refillOscillator(const VoiceBlock& block, int i, int frames, double sampleRate,
                          bool startsSounding);
    void startStep(int index, const VoiceBlock& block, int stepLen, bool lowRate, int sample);
    static bool allStepsSlide(const Pattern& p);
    void keepRecordedStep(const Step& recorded, int index);
    double lowRateRatio() const;
    std::size_t lowRateFramesNeeded() const;
    void clearLowRateState();
    void prepareLowRateBuffer();
    bool buffersPrepared() const;
    // The delay follows the tempo in force: the host's in host sync, the internal one otherwise.
    void retuneDelay(double bpm);
    // silent: both channels hold +0 throughout (the voice played nothing).
    void runEffects(float* left, float* right, int frames, bool silent);

    const FlavourTraits traits;
    const int instanceNumber;
    std::unique_ptr<StateMirror> sharedBlock; // the plugin's only
    PalladonEditor* notifier = nullptr; // the registered editor, owned by the base class
    ParameterEdits edits;

    Song song;
    Chain chain;
    Transport transport{song, chain};
    Voice voice;
    LivePlay live{voice};
    WavetableOscillator osc;
    DistortionSection distortion;
    Delay delay;
    OutputVolume volume;
    int preparedFrames = 1024;
    std::vector<float> lowRateBuffer;
    std::vector<std::uint8_t> chunkBlock; // the last chunk handed to the host
    std::unique_ptr<Pattern> copyBuffer;  // made by the first copy
    std::atomic<bool> randomizeRequest{false};
    std::atomic<std::uint64_t> lineSettings{0}; // a LineSettings record's bytes, stored whole
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

    MidiOut midiOut;
    NoteEventQueue noteEvents;
    StepRecorder recorder;
    LiveNoteInbox liveInbox;
    int lastMidiNote = -1;        // MIDI note of the last sequenced step, -1 none
    RenderOutput* output = nullptr; // the block being rendered, null between blocks
    int spanFirst = 0;              // the span being rendered: its first and last frame
    int spanLast = 0;
    int midiFrameBase = 0;        // where the piece being rendered starts in the host block
    double midiFrameRatio = 1.0;  // internal samples per host frame on the low-rate path
    double midiSampleShift = 0.0; // internal samples between the piece's first frame and sample 0
    double lowRatePhase = 0.0;    // where the next host frame lies after the last internal sample
    float lowRateLastSample = 0.0f;
    std::atomic<int> accentThreshold{kDefaultAccentThreshold};
    std::atomic<bool> liveResetRequest{false}; // MIDI-in sync entered: forget held notes
    std::atomic<bool> panicRequest{false};     // taken by the renderer
    std::atomic<bool> resetRequest{false};     // taken by the renderer
    std::atomic<bool> chainLeftReport{false};  // a trigger switched chain play off: tell the host
    ControllerMap controllers;
    std::atomic<int> learningSlot{-1}; // set by an editor, taken by the audio thread

    // Slot values as stored by setParameter; slots with derived state read it instead.
    std::atomic<float> paramValues[kNumParams];
    std::atomic<int> slideSamples{kDefaultSlideSamples};
    std::atomic<int> gateOffset{0};
    std::atomic<bool> recordEnabled{false};
    std::atomic<bool> ignoreSyncMode{false}; // standalone: set from its settings
    static_assert(std::atomic<float>::is_always_lock_free);
    static_assert(std::atomic<int>::is_always_lock_free);

    // The VST 2 adapter's records: the events of the next block, and what it hands the host.
    RenderInput vst2Input;
    RenderOutput vst2Output;
    std::array<VstMidiEvent, kMidiOutEvents> vst2Events{};
    VstEventArray<kMidiOutEvents> vst2List{};
};

} // namespace quelvar
