#include "engine/Palladon.h"

#include "dsp/filterTables.h"

#include <cstdio>
#include <cstring>

namespace quelvar
{

namespace
{
std::atomic<int> enginesMade{0};

constexpr int kDefaultPatternNotes[16] = {13, 15, 15, 14, 12, 16, 15, 14,
                                          16, 13, 8,  16, 12, 16, 18, 12};
constexpr bool kDefaultPatternSlides[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
constexpr bool kDefaultPatternAccents[16] = {0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1};
} // namespace

Palladon::Palladon(audioMasterCallback hostCallback, Flavour flavour)
    : AudioEffectX(hostCallback, 1, kNumParams), traits(traitsFor(flavour)),
      instanceNumber(enginesMade.fetch_add(1, std::memory_order_relaxed))
{
    for (auto& v : paramValues)
        v.store(0.0f, std::memory_order_relaxed);
    setLineSettings(LineSettings{});

    transport.setGrooveOffset(0.0);
    transport.setStepLength();
    writeDefaultPattern();

    setNumInputs(0);
    setNumOutputs(2);
    isSynth();
    setUniqueID(kUniqueId);
    canProcessReplacing();
    programsAreChunks();

    initFilterTables();

    applyParameter(kVolume, 1.0f);
    applyParameter(kWaveform, 0.0f);
    applyParameter(kTuning, 0.5f);
    applyParameter(kCutoff, traits.defaultCutoff);
    applyParameter(kResonance, traits.defaultResonance);
    applyParameter(kEnvMod, traits.defaultEnvMod);
    applyParameter(kDecay, 0.9f);
    applyParameter(kAccent, traits.defaultAccent);
    applyParameter(kGate, 0.5f);
    applyParameter(kGroove, 0.0f);

    applyParameter(kPattSync, 1.0f);
    applyParameter(kSlideTime, 0.0f);
    storeValue(kAntialias, 1.0f);
    storeValue(kTempo, (120.0f - kSlowestTempo) / kTempoSpan);

    applyParameter(kDelayTime, 0.5f);
    applyParameter(kDelayFeedback, 0.3f);
    applyParameter(kDelayVolume, 0.3f);
    applyParameter(kDelayFilter, 0.5f);
    applyParameter(kDelayOn, 0.0f);
    applyParameter(kDelaySync, 1.0f);
    applyParameter(kDelayPing, 0.0f);

    applyParameter(kDistOn, 0.0f);
    applyParameter(kDistSelect, 0.0f);
    applyParameter(kDistParam1, 0.0f);
    applyParameter(kDistParam2, 0.5f);

    for (std::size_t i = 0; i < vst2Events.size(); ++i)
    {
        vst2Events[i].type = kVstMidiType;
        vst2Events[i].byteSize = sizeof(VstMidiEvent);
        vst2Events[i].flags = kVstMidiEventIsRealtime;
        vst2List.events[i] = reinterpret_cast<VstEvent*>(&vst2Events[i]);
    }

    CBReset();
    osc.initResampler();
    osc.setBlockSize(preparedFrames);
    setSampleRate(getSampleRate());

    updateParameterData();
    updatePatternData();
    updatePluginData();
}

void Palladon::CBReset()
{
    voice.reset();
    lastMidiNote = -1;
}

// The editor goes first: its threads call into the engine, whose members must still exist. The
// base class would delete it only after they are gone.
Palladon::~Palladon()
{
    AEffEditor* ownEditor = getEditor();
    attachEditor(nullptr);
    delete ownEditor;
}

void Palladon::attachEditor(PalladonEditor* newEditor)
{
    notifier = newEditor;
    setEditor(newEditor);
}

void Palladon::attachSharedBlock(std::unique_ptr<StateMirror> block)
{
    sharedBlock = std::move(block);
    updateParameterData();
    updatePatternData();
    updatePluginData();
    updateChainData();
    publishControllers();
}

void Palladon::writeDefaultPattern()
{
    Pattern* p = song.getPattern(0);
    for (int i = 0; i < 16; ++i)
    {
        p->setStepNote(kDefaultPatternNotes[i], i);
        p->setStepSlide(kDefaultPatternSlides[i], i);
        p->setStepAccent(kDefaultPatternAccents[i], i);
    }
}

void Palladon::setProgram(VstInt32 program)
{
    if (program == 0)
        curProgram = 0;
}

// The single program has no name of its own: the caller's text is left as it was.
void Palladon::setProgramName(char* /*name*/) {}
void Palladon::getProgramName(char* /*name*/) {}

bool Palladon::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/)
{
    return false;
}

bool Palladon::copyProgram(VstInt32 /*destination*/)
{
    return false;
}

bool Palladon::getEffectName(char* name)
{
    copyText("Quelvar", name, kVstMaxEffectNameLen);
    return true;
}

bool Palladon::getVendorString(char* text)
{
    copyText("Brontavell", text, kVstMaxVendorStrLen);
    return true;
}

bool Palladon::getProductString(char* text)
{
    copyText("Quelvar VST", text, kVstMaxProductStrLen);
    return true;
}

VstInt32 Palladon::canDo(char* text)
{
    static const char* const kCapabilities[] = {"receiveVstEvents", "receiveVstMidiEvent",
                                                "sendVstEvents", "sendVstMidiEvent"};
    for (const char* capability : kCapabilities)
        if (std::strcmp(text, capability) == 0)
            return 1;
    return -1;
}

bool Palladon::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    if (index < 0 || index > 1)
        return false;
    std::snprintf(properties->label, kVstMaxLabelLen, "fnk3 out %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

// Effects at rest let a silent block pass untouched; each says whether its output is still silent.
void Palladon::runEffects(float* left, float* right, int frames, bool silent)
{
    silent = distortion.process(left, right, frames, silent);
    silent = delay.process(left, right, frames, silent);
    volume.processGlobalVolume(left, right, frames, silent);
}

void Palladon::retuneDelay(double bpm)
{
    delay.setSamplePerBeat(bpm, getSampleRate());
    delay.update();
}

void Palladon::setDisto(float v)
{
    if (distortion.setDisto(v) && notifier)
        notifier->setDistortionType(distortion.getType());
}

void Palladon::setSyncType(float v)
{
    if (v == storedValue(kSyncType))
        return;
    const int previous = transport.setSyncType(v);
    storeValue(kSyncType, v);
    const int now = transport.syncType();
    if (now == kMidiInSync)
        liveResetRequest.store(true, std::memory_order_release);
    if (sharedBlock)
    {
        sharedBlock->writeSyncType(now);
        sharedBlock->writeInternalRunning(transport.internalPlaying());
    }
    if (previous == kHostSync && now == kInternalSync && transport.tempo() != transport.hostTempo())
        retuneDelay(transport.tempo());
    else if (previous == kInternalSync && now == kHostSync &&
             transport.hostTempo() != transport.tempo())
        retuneDelay(transport.hostTempo());
}

// A trigger while the chain plays leaves it, as a musician who picks a pattern in the middle of a
// chain means to play that pattern; while stopped it picks what to edit and the chain stays on.
void Palladon::triggerPattern(int index, int /*extra*/)
{
    if (index >= 0 && index < kPatternsPerSong && transport.chainPlay() && transport.running())
    {
        setParameter(kChainPlay, 0.0f);
        chainLeftReport.store(true, std::memory_order_relaxed);
    }
    if (transport.triggerPattern(index))
        publishCurrentPattern();
}

// 1.0 asks for pattern 33, which the slot does not reach: ignored.
void Palladon::triggerPatternFromParameter(float v)
{
    const int index = static_cast<int>(kTriggerablePatterns * v);
    if (index < kTriggerablePatterns)
        triggerPattern(index);
}

void Palladon::internalPlay()
{
    if (transport.internalPlay() && sharedBlock)
        sharedBlock->writeInternalRunning(true);
}

void Palladon::internalStop()
{
    if (transport.internalStop() && sharedBlock)
        sharedBlock->writeInternalRunning(false);
}

void Palladon::setChain(const ChainEntries& entries)
{
    chain.set(entries);
    updateChainData();
    if (notifier)
        notifier->updateDisplay();
}

void Palladon::refreshAfterLoad()
{
    transport.setStepLength();
    transport.forgetCurrentStep();
    updatePluginData();
    updateParameterData();
    updatePatternData();
    updateChainData();
    if (notifier)
        notifier->updateDisplay();
    AudioEffectX::updateDisplay();
}

void Palladon::publishPatterns()
{
    updatePatternData();
    if (notifier)
        notifier->updateDisplay();
}

// The switch changed no steps, so only the current pattern's record is rewritten.
void Palladon::publishCurrentPattern()
{
    updatePluginData();
    publishCurrentPatternSteps();
}

void Palladon::publishCurrentPatternSteps()
{
    if (sharedBlock)
        sharedBlock->writePattern(getCurrentPatternIndex(), *getCurrentPattern());
    if (notifier)
        notifier->updateDisplay();
}

// The texts go with the values, so a UI process that starts later sees both.
void Palladon::updateParameterData()
{
    if (!sharedBlock)
        return;
    for (int i = 0; i < kNumParams; ++i)
    {
        char text[32] = {};
        getParameterDisplay(i, text);
        sharedBlock->writeParameterValue(i, getParameter(i));
        sharedBlock->writeParameterText(i, text);
    }
}

void Palladon::updatePatternData()
{
    if (!sharedBlock)
        return;
    for (int i = 0; i < kPatternsPerSong; ++i)
        sharedBlock->writePattern(i, *song.getPattern(i));
}

void Palladon::updatePluginData()
{
    if (!sharedBlock)
        return;
    sharedBlock->writeCurrentPattern(getCurrentPatternIndex());
    sharedBlock->writeHostPlaying(transport.hostPlaying());
    sharedBlock->writeInternalRunning(transport.internalPlaying());
    sharedBlock->writeSyncType(transport.syncType());
    sharedBlock->writeHostTempo(static_cast<int>(transport.hostTempo()));
    sharedBlock->writeLineSettings(getLineSettings());
    sharedBlock->writeChainEntry(transport.chainEntry());
}

void Palladon::updateChainData()
{
    if (sharedBlock)
        sharedBlock->writeChain(chain.get());
}

} // namespace quelvar
