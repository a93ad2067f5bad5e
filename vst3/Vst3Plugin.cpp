#include "vst3/Vst3Plugin.h"

#include "bridge/Fennick3Editor.h"
#include "engine/PalladonFiles.h"
#include "engine/controlPorts.h"
#include "vst3/Vst3View.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace quelvar::vst3
{

namespace
{
constexpr int32 kMidiChannels = 16;

struct BusDescription
{
    MediaType type;
    BusDirection direction;
    int32 channels;
    const char* name;
};

// One stereo output, MIDI in (notes, the pattern-trigger notes among them) and the sequencer's
// notes out.
constexpr BusDescription kBuses[] = {
    {kAudio, kOutput, 2, "Output"},
    {kEvent, kInput, kMidiChannels, "MIDI In"},
    {kEvent, kOutput, kMidiChannels, "MIDI Out"},
};

const BusDescription* busAt(MediaType type, BusDirection direction, int32 index)
{
    int32 n = 0;
    for (const BusDescription& bus : kBuses)
        if (bus.type == type && bus.direction == direction && n++ == index)
            return &bus;
    return nullptr;
}

// A host's stream gives its bytes in pieces of any size, and may end early.
bool readAll(IBStream& stream, std::vector<std::uint8_t>& bytes)
{
    std::uint8_t piece[4096];
    for (;;)
    {
        int32 got = 0;
        if (stream.read(piece, static_cast<int32>(sizeof piece), &got) != kResultOk || got <= 0)
            return true;
        if (bytes.size() + static_cast<std::size_t>(got) > Vst3Plugin::kMaxStateBytes)
            return false;
        bytes.insert(bytes.end(), piece,
                     piece + std::min<int32>(got, static_cast<int32>(sizeof piece)));
    }
}

bool writeAll(IBStream& stream, std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size())
    {
        int32 wrote = 0;
        const auto size = static_cast<int32>(std::min<std::size_t>(bytes.size() - done, INT_MAX));
        if (stream.write(bytes.data() + done, size, &wrote) != kResultOk || wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

ParamValue programValue(int patternIndex)
{
    return static_cast<ParamValue>(patternIndex) / (kProgramPatterns - 1);
}

// How often the host's run loop lets the plugin tell it what the engine did while no editor is
// open (the editor's own poll does it while one is).
constexpr TimerInterval kHostServiceMs = 50;
} // namespace

Vst3Plugin* Vst3Plugin::create(std::span<const std::uint8_t> uiProgram) noexcept
{
    try
    {
        auto* plugin = new (std::nothrow) Vst3Plugin(uiProgram);
        if (plugin && !plugin->synth)
        {
            plugin->release();
            return nullptr;
        }
        return plugin;
    }
    catch (...)
    {
        return nullptr;
    }
}

// The engine gets no host callback: it learns of the host only through the render call's input.
Vst3Plugin::Vst3Plugin(std::span<const std::uint8_t> uiProgram)
    : synth(new (std::nothrow) Palladon(nullptr, Flavour::plugin))
{
    if (!synth)
        return;
    attachOutOfProcessEditor(*synth, uiProgram);
    processor.emplace(*synth, values);
    defaultChunk = getChunkBytes(*synth);
    for (int slot = 0; slot < kNumParams; ++slot)
        defaultValues[static_cast<std::size_t>(slot)] = synth->getParameter(slot);
    for (int i = 0; i < kParameterCount; ++i)
        values[static_cast<std::size_t>(i)].store(0.0, std::memory_order_relaxed);
    values[static_cast<std::size_t>(parameterIndexOf(kPitchBendParamId))].store(
        0.5, std::memory_order_relaxed);
    followEngine();
}

Vst3Plugin::~Vst3Plugin()
{
    terminate();
}

tresult Vst3Plugin::queryInterface(const TUID interfaceId, void** object)
{
    if (!object)
        return kInvalidArgument;
    void* found = nullptr;
    if (FUnknown::iid == interfaceId || IPluginBase::iid == interfaceId ||
        IComponent::iid == interfaceId)
        found = static_cast<IComponent*>(this);
    else if (IAudioProcessor::iid == interfaceId)
        found = static_cast<IAudioProcessor*>(this);
    else if (IProcessContextRequirements::iid == interfaceId)
        found = static_cast<IProcessContextRequirements*>(this);
    else if (IEditController::iid == interfaceId)
        found = static_cast<IEditController*>(this);
    else if (IMidiMapping::iid == interfaceId)
        found = static_cast<IMidiMapping*>(this);
    *object = found;
    if (!found)
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32 Vst3Plugin::addRef()
{
    return references.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32 Vst3Plugin::release()
{
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

tresult Vst3Plugin::initialize(FUnknown* context)
{
    void* found = nullptr;
    if (!runLoop && context && context->queryInterface(IRunLoop::iid.bytes, &found) == kResultOk &&
        found)
    {
        runLoop = static_cast<IRunLoop*>(found);
        hostTimer.start(runLoop, kHostServiceMs);
    }
    return kResultOk;
}

tresult Vst3Plugin::terminate()
{
    hostTimer.stop();
    if (runLoop)
        runLoop->release();
    runLoop = nullptr;
    setComponentHandler(nullptr);
    return kResultOk;
}

tresult Vst3Plugin::getControllerClassId(TUID /*controllerId*/)
{
    return kResultFalse;
}

tresult Vst3Plugin::setIoMode(IoMode /*mode*/)
{
    return kNotImplemented;
}

int32 Vst3Plugin::getBusCount(MediaType type, BusDirection direction)
{
    int32 n = 0;
    for (const BusDescription& bus : kBuses)
        n += bus.type == type && bus.direction == direction;
    return n;
}

tresult Vst3Plugin::getBusInfo(MediaType type, BusDirection direction, int32 index, BusInfo& bus)
{
    const BusDescription* found = busAt(type, direction, index);
    if (!found)
        return kInvalidArgument;
    bus = {};
    bus.mediaType = found->type;
    bus.direction = found->direction;
    bus.channelCount = found->channels;
    copyToString128(found->name, bus.name);
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult Vst3Plugin::getRoutingInfo(RoutingInfo& /*inInfo*/, RoutingInfo& /*outInfo*/)
{
    return kNotImplemented;
}

// Every bus is always on: nothing of the engine depends on which the host uses.
tresult Vst3Plugin::activateBus(MediaType type, BusDirection direction, int32 index,
                                TBool /*state*/)
{
    return busAt(type, direction, index) ? kResultOk : kInvalidArgument;
}

tresult Vst3Plugin::setActive(TBool state)
{
    if (state)
    {
        synth->resume();
        processor->restart();
    }
    else
    {
        synth->suspend();
    }
    return kResultOk;
}

tresult Vst3Plugin::setBusArrangements(SpeakerArrangement* /*inputs*/, int32 numIns,
                                       SpeakerArrangement* outputs, int32 numOuts)
{
    return numIns == 0 && numOuts == 1 && outputs && outputs[0] == kStereo ? kResultTrue
                                                                           : kResultFalse;
}

tresult Vst3Plugin::getBusArrangement(BusDirection direction, int32 index,
                                      SpeakerArrangement& arrangement)
{
    if (direction != kOutput || index != 0)
        return kInvalidArgument;
    arrangement = kStereo;
    return kResultOk;
}

tresult Vst3Plugin::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult Vst3Plugin::setupProcessing(ProcessSetup& setup)
{
    if (setup.symbolicSampleSize != kSample32 || !std::isfinite(setup.sampleRate) ||
        setup.sampleRate <= 0.0 || setup.maxSamplesPerBlock < 0)
        return kResultFalse;
    synth->setSampleRate(static_cast<float>(setup.sampleRate));
    // Longer blocks than announced are still rendered, in pieces of the prepared size.
    if (setup.maxSamplesPerBlock > 0)
        synth->setBlockSize(setup.maxSamplesPerBlock);
    processor->setup(std::min(setup.sampleRate, kMaxRate));
    return kResultOk;
}

// After a pause in processing the host's transport is read afresh: a host still playing starts
// the sequencer where it is.
tresult Vst3Plugin::setProcessing(TBool state)
{
    if (state)
        processor->restart();
    return kResultOk;
}

tresult Vst3Plugin::process(ProcessData& data)
{
    return processor->process(data);
}

uint32 Vst3Plugin::getProcessContextRequirements()
{
    using R = IProcessContextRequirements;
    return R::kNeedProjectTimeMusic | R::kNeedBarPositionMusic | R::kNeedTempo |
           R::kNeedTimeSignature | R::kNeedTransportState;
}

tresult Vst3Plugin::restoreState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    std::vector<std::uint8_t> bytes;
    if (!readAll(*state, bytes))
        return kResultFalse;
    const std::vector<std::uint8_t>& chunk = bytes.empty() ? defaultChunk : bytes;
    if (!applyWholeChunk(*synth, chunk.data(), chunk.size()))
        return kResultFalse;
    followEngine();
    return kResultOk;
}

tresult Vst3Plugin::saveState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    std::vector<std::uint8_t> bytes = getChunkBytes(*synth);
    return writeAll(*state, bytes) ? kResultOk : kResultFalse;
}

// One object: the component's setState has already restored what the controller shows.
tresult Vst3Plugin::setComponentState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    followEngine();
    return kResultOk;
}

void Vst3Plugin::followEngine()
{
    for (int slot = 0; slot < kNumParams; ++slot)
        values[static_cast<std::size_t>(slot)].store(synth->getParameter(slot),
                                                     std::memory_order_relaxed);
    values[static_cast<std::size_t>(parameterIndexOf(kProgramParamId))].store(
        programValue(synth->getCurrentPatternIndex()), std::memory_order_relaxed);
    if (handler)
        handler->restartComponent(kParamValuesChanged | kMidiCCAssignmentChanged);
}

tresult Vst3Plugin::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
    const ParamID id = parameterIdAt(paramIndex);
    ParamValue defaultValue = paramIndex < kNumParams && paramIndex >= 0
                                  ? defaultValues[static_cast<std::size_t>(paramIndex)]
                                  : 0.0;
    if (id == kPitchBendParamId)
        defaultValue = 0.5;
    return describeParameter(id, defaultValue, info) ? kResultOk : kInvalidArgument;
}

tresult Vst3Plugin::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
    return string && textOfValue(*synth, id, valueNormalized, string) ? kResultOk
                                                                      : kInvalidArgument;
}

tresult Vst3Plugin::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized)
{
    return valueOfText(*synth, id, string, valueNormalized) ? kResultOk : kResultFalse;
}

ParamValue Vst3Plugin::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
    return plainValueOf(id, valueNormalized);
}

ParamValue Vst3Plugin::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
    return normalizedValueOf(id, plainValue);
}

ParamValue Vst3Plugin::getParamNormalized(ParamID id)
{
    const int index = parameterIndexOf(id);
    return index < 0 ? 0.0
                     : values[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

// The host tells the controller what it sends the processor; the engine takes it there.
tresult Vst3Plugin::setParamNormalized(ParamID id, ParamValue value)
{
    const int index = parameterIndexOf(id);
    if (index < 0 || std::isnan(value))
        return kInvalidArgument;
    values[static_cast<std::size_t>(index)].store(std::clamp(value, 0.0, 1.0),
                                                  std::memory_order_relaxed);
    return kResultOk;
}

tresult Vst3Plugin::setComponentHandler(IComponentHandler* newHandler)
{
    if (newHandler)
        newHandler->addRef();
    if (handler)
        handler->release();
    handler = newHandler;
    return kResultOk;
}

IPlugView* Vst3Plugin::createView(FIDString name)
{
    auto* editor = dynamic_cast<Fennick3Editor*>(synth->getEditor());
    if (!editor || !name || std::strcmp(name, kEditorViewType) != 0)
        return nullptr;
    return new (std::nothrow) Vst3View(*this, *editor);
}

void Vst3Plugin::serviceHost()
{
    const bool remap = processor->takeControllersChanged();
    if (remap && handler)
        handler->restartComponent(kMidiCCAssignmentChanged);
    ParameterEdits::Edit edit{};
    while (synth->parameterEdits().next(edit))
    {
        // "antialias" is no parameter a host may set.
        if (!handler || !controlPortOf(edit.slot))
            continue;
        const auto id = static_cast<ParamID>(edit.slot);
        switch (edit.kind)
        {
        case ParameterEdits::Edit::Kind::begin:
            handler->beginEdit(id);
            break;
        case ParameterEdits::Edit::Kind::value:
        {
            const ParamValue v = synth->getParameter(edit.slot);
            values[static_cast<std::size_t>(edit.slot)].store(v, std::memory_order_relaxed);
            handler->performEdit(id, v);
            break;
        }
        case ParameterEdits::Edit::Kind::end:
            handler->endEdit(id);
            break;
        }
    }
}

tresult Vst3Plugin::getMidiControllerAssignment(int32 busIndex, int16 /*channel*/,
                                                CtrlNumber controller, ParamID& id)
{
    if (busIndex != 0)
        return kResultFalse;
    return parameterOfController(*synth, controller, id) ? kResultTrue : kResultFalse;
}

} // namespace quelvar::vst3
