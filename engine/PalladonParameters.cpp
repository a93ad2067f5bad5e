#include "engine/Palladon.h"

#include "dsp/clampUnit.h"
#include "engine/controlPorts.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
float onOff(float v)
{
    return v >= 0.5f ? 1.0f : 0.0f;
}

const char* const kPatternSyncNames[] = {"free", "1 step", "4 step", "16 step", "AUTO"};
const char* const kDistortionNames[] = {"Overdrive", "ClipInferno", "HotFuzz", "Ultracrunch"};

// The texts that follow from a slot's value alone; false for the slots whose text shows what the
// engine made of the value. Switches hold 0 or 1, so any value reads as the switch would take it.
bool formatFromValue(int index, float v, char* text)
{
    switch (index)
    {
    case kVolume:
    case kDelayVolume:
        formatDecibels(v, text);
        return true;
    case kWaveform:
        copyText(v >= 0.5f ? "square" : "saw", text, kVstMaxParamStrLen + 1);
        return true;
    case kTuning:
    case kResonance:
        formatDecimal(v, text);
        return true;
    case kCutoff:
    case kEnvMod:
    case kDecay:
    case kAccent:
    case kGroove:
    case kDelayFeedback:
    case kDistParam1:
    case kDistParam2:
        formatInteger(static_cast<int>(100.0f * v), text);
        return true;
    case kAntialias:
    case kDelayOn:
    case kDelaySync:
    case kDelayPing:
    case kDistOn:
    case kChainPlay:
        formatOnOff(v >= 0.5f, text);
        return true;
    case kDelayFilter:
        formatInteger(static_cast<int>((2.0f * v - 1.0f) * 100.0f), text);
        return true;
    default:
        return false;
    }
}

} // namespace

void Palladon::setParameter(VstInt32 index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    // Hosts and files can send anything; nothing past this point sees a value outside 0–1.
    const float v = clampUnit(value);
    applyParameter(index, v);
    notifyParameter(index, v);
}

// Any thread, the audio thread included (a MIDI pattern trigger): the display text is left to
// publishParameterText, which the editor calls off the audio thread.
void Palladon::notifyParameter(int index, float v)
{
    if (sharedBlock)
        sharedBlock->writeParameterValue(index, v);
    if (notifier)
        notifier->setParameter(index, v);
}

void Palladon::publishParameterText(int index)
{
    if (!sharedBlock || index < 0 || index >= kNumParams)
        return;
    char text[32] = {};
    getParameterDisplay(index, text);
    sharedBlock->writeParameterText(index, text);
}

void Palladon::applyParameter(int index, float v)
{
    switch (index)
    {
    case kWaveform:
        setWaveform(v);
        return;
    case kGate:
        storeValue(index, v);
        storeGateOffset(v);
        return;
    case kGroove:
        storeValue(index, v);
        transport.setGrooveOffset(v * kMaxGrooveBeats);
        transport.setStepLength();
        return;
    case kNbStep:
        storeValue(index, v);
        if (Pattern* p = getCurrentPattern())
        {
            p->setNBStep(static_cast<int>(63.0f * v) + 1);
            transport.setStepLength();
            updatePatternData();
            if (notifier)
                notifier->updateDisplay();
        }
        return;
    case kPattSync:
        storeValue(index, v);
        setPatternSync(v);
        return;
    case kSlideTime:
        storeValue(index, v);
        setSlideTime(v);
        return;
    case kAntialias:
        if (traits.antialiasSettable)
            storeValue(index, onOff(v));
        return;
    case kTriggerPattern:
        storeValue(index, v);
        triggerPatternFromParameter(v);
        return;
    case kVolume:
        storeValue(index, v);
        volume.setVolume(v);
        return;
    case kDelayOn:
        storeValue(index, onOff(v));
        delay.setActive(onOff(v) != 0.0f);
        return;
    case kDelaySync:
        storeValue(index, onOff(v));
        delay.setSync(onOff(v) != 0.0f);
        return;
    case kDelayPing:
        storeValue(index, onOff(v));
        delay.setPingPong(onOff(v) != 0.0f);
        return;
    case kDelayTime:
        storeValue(index, v);
        delay.setTimeF(v);
        return;
    case kDelayVolume:
        storeValue(index, v);
        delay.setVolume(v);
        return;
    case kDelayFeedback:
        storeValue(index, v);
        delay.setFeedback(v);
        return;
    case kDelayFilter:
        storeValue(index, v);
        delay.setTune(v);
        return;
    case kDistOn:
        storeValue(index, distortion.setOn(v));
        return;
    case kDistSelect:
        storeValue(index, v);
        setDisto(v);
        return;
    case kDistParam1:
        setDistoParam1(v);
        storeValue(index, v);
        return;
    case kDistParam2:
        setDistoParam2(v);
        storeValue(index, v);
        return;
    case kSyncType:
        setSyncType(v);
        return;
    case kTempo:
        transport.setTempo(tempoOfSlot(v));
        if (transport.syncType() == kInternalSync)
            retuneDelay(transport.tempo());
        return;
    case kStepRecord:
        recordEnabled.store(v >= 0.5f, std::memory_order_relaxed);
        return;
    case kChainPlay:
        storeValue(index, onOff(v));
        transport.setChainPlay(v >= 0.5f);
        return;
    default:
        storeValue(index, v);
        return;
    }
}

void Palladon::setWaveform(float v)
{
    const float waveform = v < 0.5f ? 0.0f : 1.0f;
    storeValue(kWaveform, waveform);
    osc.setWaveform(waveform != 0.0f ? 1 : 0);
}

void Palladon::storeGateOffset(float gate)
{
    gateOffset.store(gateOffsetFor(gate), std::memory_order_relaxed);
}

int Palladon::gateOffsetFor(float gate) const
{
    const int spb = transport.samplesPerBeatInt();
    const int q = ((spb / 4) * 2) / 5;
    return static_cast<int>((1.0f - 2.0f * gate) * static_cast<float>(q));
}

void Palladon::setSlideTime(float v)
{
    slideSamples.store(slideSamplesFor(v), std::memory_order_relaxed);
}

int Palladon::slideSamplesFor(float v)
{
    return static_cast<int>(v * v * v * 60000.0f + 5512.0f);
}

float Palladon::getParameter(VstInt32 index)
{
    switch (index)
    {
    case kNbStep:
    {
        const Pattern* p = getCurrentPattern();
        const int steps = p ? p->getNBStep() : 0;
        return steps > 0 ? static_cast<float>(steps - 1) / 63.0f : 0.0f;
    }
    case kTriggerPattern:
        // A pattern past the slot's 32, chosen by a program change, reads as the slot's end.
        return std::min(static_cast<float>(transport.nextPatternIndex()) / kTriggerablePatterns,
                        1.0f);
    case kTempo:
        return static_cast<float>((transport.tempo() - kSlowestTempo) / kTempoSpan);
    case kStepRecord:
        return isRecordEnabled() ? 1.0f : 0.0f;
    default:
        return index >= 0 && index < kNumParams ? storedValue(index) : 0.0f;
    }
}

void Palladon::getParameterName(VstInt32 index, char* text)
{
    // Several names are longer than a host's 8 characters; they are written whole.
    const char* name = index == kChainPlay ? kChainPlayName : "invalid";
    copyText(index >= 0 && index < kNumNamedParams ? kParamNames[index] : name, text,
             kMaxParamNameLength);
}

void Palladon::getParameterLabel(VstInt32 index, char* text)
{
    copyText(index >= 0 && index < 10 ? kParamLabels[index] : " ", text, kVstMaxParamStrLen + 1);
}

void Palladon::getParameterDisplay(VstInt32 index, char* text)
{
    const float v = index >= 0 && index < kNumParams ? storedValue(index) : 0.0f;
    if (formatFromValue(index, v, text))
        return;
    // The rest show what the engine made of the value: the pattern, the mode, the length.
    switch (index)
    {
    case kGate:
        formatMilliseconds(static_cast<int>(transport.samplesPerStep()) -
                               getGateOffset(),
                           getSampleRate(), text);
        return;
    case kNbStep:
    {
        const Pattern* p = getCurrentPattern();
        formatInteger(p ? p->getNBStep() : 0, text);
        return;
    }
    case kPattSync:
    {
        const int mode = transport.patternSyncMode();
        copyText(kPatternSyncNames[mode >= 0 && mode <= 4 ? mode : 4], text,
                 kVstMaxParamStrLen + 1);
        return;
    }
    case kSlideTime:
        formatMilliseconds(getSlideSamples(), getSampleRate(), text);
        return;
    case kTriggerPattern:
        formatInteger(transport.nextPatternIndex() + 1, text);
        return;
    case kDelayTime:
        formatDelayLength(delay.getDelayTime(), text);
        return;
    case kDistSelect:
        // Longer than a host's 8 characters; written whole.
        copyText(kDistortionNames[distortion.getType()], text, 16);
        return;
    default:
        return; // slots 26–28 and out-of-range indices leave the text as it was
    }
}

void Palladon::formatParameterValue(int index, float value, char* text)
{
    const float v = clampUnit(value);
    if (formatFromValue(index, v, text))
        return;
    switch (index)
    {
    case kGate:
        formatMilliseconds(static_cast<int>(transport.samplesPerStep()) - gateOffsetFor(v),
                           getSampleRate(), text);
        return;
    case kNbStep:
        formatInteger(static_cast<int>(63.0f * v) + 1, text);
        return;
    case kPattSync:
        copyText(kPatternSyncNames[std::min(static_cast<int>(4.0f * v), 4)], text,
                 kVstMaxParamStrLen + 1);
        return;
    case kSlideTime:
        formatMilliseconds(slideSamplesFor(v), getSampleRate(), text);
        return;
    case kTriggerPattern:
        // The top of the range asks for pattern 33, which the slot ignores: the last it holds.
        formatInteger(std::min(static_cast<int>(kTriggerablePatterns * v),
                               kTriggerablePatterns - 1) + 1,
                      text);
        return;
    case kDelayTime:
        formatDelayLength(delay.lengthFor(v), text);
        return;
    case kDistSelect:
        copyText(kDistortionNames[std::min(static_cast<int>(4.0f * v), 3)], text, 16);
        return;
    case kSyncType:
    {
        const ControlPort& port = *controlPortOf(kSyncType);
        copyText(port.points[static_cast<std::size_t>(toPortValue(port, v))].label, text,
                 kVstMaxParamStrLen + 1);
        return;
    }
    case kTempo:
        formatInteger(static_cast<int>(toPortValue(*controlPortOf(kTempo), v)), text);
        return;
    case kStepRecord:
        formatOnOff(v >= 0.5f, text);
        return;
    default:
        copyText("", text, kVstMaxParamStrLen + 1);
        return;
    }
}

void Palladon::formatDelayLength(int samples, char* text) const
{
    const double rate = getSampleRate();
    formatInteger(rate > 0.0 ? static_cast<int>(samples * 1000.0 / rate) : 0, text);
}

void Palladon::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    edits.moved(index);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

bool Palladon::canParameterBeAutomated(VstInt32 /*index*/)
{
    return true;
}

} // namespace quelvar
