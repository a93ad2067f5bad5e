#include "tools/vsthost/VstHost.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace quelvar
{

namespace
{
// The entry asks for the host version before the plugin record exists.
thread_local VstHost* hostUnderConstruction = nullptr;
} // namespace

VstHost::VstHost(const std::string& pluginPath)
{
    received.reserve(1 << 16); // recording the plugin's MIDI must not allocate while it renders
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;

    library = dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
    {
        loadError = dlerror();
        return;
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    if (!entry) // older plugins export only the historical name
        entry = reinterpret_cast<Entry>(dlsym(library, "main"));
    if (!entry)
    {
        loadError = "no VSTPluginMain";
        return;
    }
    hostUnderConstruction = this;
    effect = entry(&VstHost::callback);
    hostUnderConstruction = nullptr;
    if (!effect)
    {
        loadError = "VSTPluginMain returned null";
        return;
    }
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
}

VstHost::~VstHost()
{
    close();
    if (library)
        dlclose(library);
}

VstIntPtr VstHost::close()
{
    if (!effect)
        return 0;
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    const VstIntPtr answer = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
    return answer;
}

VstIntPtr VstHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt)
{
    VstHost* host = effect && effect->resvd1 ? reinterpret_cast<VstHost*>(effect->resvd1)
                                              : hostUnderConstruction;
    if (!host)
        return opcode == audioMasterVersion ? 2400 : 0;
    return host->answer(opcode, index, value, ptr, opt);
}

VstIntPtr VstHost::answer(VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/, void* ptr,
                           float opt)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterGetTime:
        return answerTimeInfo ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterProcessEvents:
    {
        ++processEventsCalls;
        const auto* events = static_cast<const VstEvents*>(ptr);
        for (int i = 0; events && i < events->numEvents; ++i)
        {
            const VstEvent* e = eventAt(*events, i);
            if (!e || e->type != kVstMidiType)
                continue;
            const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
            received.push_back({blockIndex, m->deltaFrames,
                                {static_cast<std::uint8_t>(m->midiData[0]),
                                 static_cast<std::uint8_t>(m->midiData[1]),
                                 static_cast<std::uint8_t>(m->midiData[2])},
                                processEventsCalls - 1});
        }
        return 1;
    }
    case audioMasterAutomate:
        ++automateCalls;
        lastAutomatedIndex = index;
        lastAutomatedValue = opt;
        return 0;
    case audioMasterUpdateDisplay:
        ++updateDisplayCalls;
        return 1;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(timeInfo.sampleRate);
    default:
        return 0;
    }
}

VstIntPtr VstHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
    return effect ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
}

void VstHost::setParameter(int index, float value)
{
    if (effect)
        effect->setParameter(effect, index, value);
}

float VstHost::getParameter(int index)
{
    return effect ? effect->getParameter(effect, index) : 0.0f;
}

std::string VstHost::dispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr* answer)
{
    char text[256];
    std::memset(text, 0, sizeof text);
    const VstIntPtr result = dispatch(opcode, index, 0, text);
    if (answer)
        *answer = result;
    return text;
}

std::string VstHost::parameterName(int index)
{
    return dispatchText(effGetParamName, index);
}

std::string VstHost::parameterLabel(int index)
{
    return dispatchText(effGetParamLabel, index);
}

std::string VstHost::parameterDisplay(int index)
{
    return dispatchText(effGetParamDisplay, index);
}

void VstHost::start(double sampleRate, int maxBlock)
{
    timeInfo.sampleRate = sampleRate;
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, maxBlock);
    dispatch(effMainsChanged, 0, 1);
}

void VstHost::queueMidi(int deltaFrames, std::uint8_t status, std::uint8_t data1,
                         std::uint8_t data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = deltaFrames;
    e.flags = kVstMidiEventIsRealtime;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    pendingMidi.push_back(e);
}

void VstHost::play(double ppqPosition)
{
    timeInfo.ppqPos = ppqPosition;
    timeInfo.samplePos = ppqPosition * 60.0 / timeInfo.tempo * timeInfo.sampleRate;
    timeInfo.flags |= kVstTransportPlaying;
    transportChangedPending = true;
}

void VstHost::stop()
{
    timeInfo.flags &= ~kVstTransportPlaying;
    transportChangedPending = true;
}

void VstHost::locate(double ppqPosition)
{
    timeInfo.ppqPos = ppqPosition;
    timeInfo.samplePos = ppqPosition * 60.0 / timeInfo.tempo * timeInfo.sampleRate;
    transportChangedPending = true;
}

void VstHost::processBlock(float* left, float* right, int frames)
{
    if (!effect)
        return;
    if (!pendingMidi.empty())
    {
        const std::size_t n = pendingMidi.size();
        eventsStorage.assign(sizeof(VstEvents) + n * sizeof(VstEvent*), 0);
        auto* events = reinterpret_cast<VstEvents*>(eventsStorage.data());
        events->numEvents = static_cast<VstInt32>(n);
        for (std::size_t i = 0; i < n; ++i)
            events->events[i] = reinterpret_cast<VstEvent*>(&pendingMidi[i]);
        effect->dispatcher(effect, effProcessEvents, 0, 0, events, 0.0f);
    }
    timeInfo.flags = transportChangedPending ? (timeInfo.flags | kVstTransportChanged)
                                             : (timeInfo.flags & ~kVstTransportChanged);
    transportChangedPending = false;
    timeInfo.flags |= kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;

    float* outputs[2] = {left, right};
    effect->processReplacing(effect, nullptr, outputs, frames);
    pendingMidi.clear();
    ++blockIndex;

    timeInfo.samplePos += frames;
    if (playing() && timeInfo.sampleRate > 0.0)
        timeInfo.ppqPos += frames / timeInfo.sampleRate * timeInfo.tempo / 60.0;
}

void VstHost::render(int frames, int blockSize, std::vector<float>& left,
                      std::vector<float>& right)
{
    left.assign(frames, 0.0f);
    right.assign(frames, 0.0f);
    for (int done = 0; done < frames;)
    {
        const int n = std::min(blockSize, frames - done);
        processBlock(left.data() + done, right.data() + done, n);
        done += n;
    }
}

} // namespace quelvar
