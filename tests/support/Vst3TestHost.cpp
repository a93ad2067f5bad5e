#include "support/Vst3TestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <tuple>

namespace quelvar
{

using namespace vst3;

tresult MemoryStream::queryInterface(const TUID interfaceId, void** object)
{
    if (FUnknown::iid == interfaceId || IBStream::iid == interfaceId)
    {
        *object = this;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    if (numBytes < 0)
        return kInvalidArgument;
    std::size_t n = std::min(static_cast<std::size_t>(numBytes), bytes.size() - cursor);
    if (piece > 0)
        n = std::min(n, static_cast<std::size_t>(piece));
    if (n > 0) // an empty stream has no data pointer
        std::memcpy(buffer, bytes.data() + cursor, n);
    cursor += n;
    if (numBytesRead)
        *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    if (numBytes < 0)
        return kInvalidArgument;
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    if (cursor + static_cast<std::size_t>(numBytes) > bytes.size())
        bytes.resize(cursor + static_cast<std::size_t>(numBytes));
    std::copy(p, p + numBytes, bytes.begin() + static_cast<std::ptrdiff_t>(cursor));
    cursor += static_cast<std::size_t>(numBytes);
    if (numBytesWritten)
        *numBytesWritten = numBytes;
    return kResultOk;
}

tresult MemoryStream::seek(int64 position, int32 mode, int64* result)
{
    const int64 base = mode == kIBSeekSet   ? 0
                       : mode == kIBSeekCur ? static_cast<int64>(cursor)
                                            : static_cast<int64>(bytes.size());
    const int64 to = base + position;
    if (to < 0 || to > static_cast<int64>(bytes.size()))
        return kResultFalse;
    cursor = static_cast<std::size_t>(to);
    if (result)
        *result = to;
    return kResultOk;
}

tresult MemoryStream::tell(int64* position)
{
    if (position)
        *position = static_cast<int64>(cursor);
    return kResultOk;
}

Vst3TestHost::Vst3TestHost(const std::string& bundlePath, TestRunLoop* loop) : runLoop(loop)
{
    if (!load(bundlePath))
    {
        if (controller && separateController)
            controller->release();
        controller = nullptr;
    }
}

bool Vst3TestHost::load(const std::string& bundlePath)
{
    const std::filesystem::path bundle(bundlePath);
    module = (bundle / "Contents" / "x86_64-linux" / bundle.stem()).string() + ".so";
    library = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
    {
        loadError = dlerror();
        return false;
    }
    auto entry = reinterpret_cast<ModuleEntryProc>(dlsym(library, "ModuleEntry"));
    auto getFactory = reinterpret_cast<GetFactoryProc>(dlsym(library, "GetPluginFactory"));
    if (!entry || !getFactory || !entry(library))
    {
        loadError = "no module entry or factory";
        return false;
    }
    factory = getFactory();
    if (!factory)
    {
        loadError = "the factory is missing";
        return false;
    }
    if (IPluginFactory3* f3 = nullptr;
        factory->queryInterface(IPluginFactory3::iid.bytes, reinterpret_cast<void**>(&f3)) ==
        kResultOk)
    {
        f3->setHostContext(static_cast<IHostApplication*>(this));
        f3->release();
    }
    IPluginFactory2* f2 = nullptr;
    if (factory->queryInterface(IPluginFactory2::iid.bytes, reinterpret_cast<void**>(&f2)) !=
        kResultOk)
    {
        loadError = "no class information";
        return false;
    }
    bool found = false;
    for (int32 i = 0; i < factory->countClasses() && !found; ++i)
        found = f2->getClassInfo2(i, &classInfo) == kResultOk &&
                std::strcmp(classInfo.category, kAudioModuleClass) == 0;
    f2->release();
    if (!found)
    {
        loadError = "no audio module class";
        return false;
    }
    if (factory->createInstance(classInfo.cid, IComponent::iid.bytes,
                                reinterpret_cast<void**>(&component)) != kResultOk ||
        !component)
    {
        loadError = "the component cannot be made";
        return false;
    }
    component->initialize(static_cast<IHostApplication*>(this));
    component->queryInterface(IAudioProcessor::iid.bytes, reinterpret_cast<void**>(&processor));

    TUID controllerId{};
    separateController = component->getControllerClassId(controllerId) == kResultOk;
    if (separateController)
    {
        if (factory->createInstance(controllerId, IEditController::iid.bytes,
                                    reinterpret_cast<void**>(&controller)) == kResultOk &&
            controller)
            controller->initialize(static_cast<IHostApplication*>(this));
    }
    else
        component->queryInterface(IEditController::iid.bytes,
                                  reinterpret_cast<void**>(&controller));
    if (!controller)
    {
        loadError = "no edit controller";
        return false;
    }
    controller->setComponentHandler(this);
    controller->queryInterface(IMidiMapping::iid.bytes, reinterpret_cast<void**>(&midiMapping));
    return true;
}

Vst3TestHost::~Vst3TestHost()
{
    if (midiMapping)
        midiMapping->release();
    if (controller)
    {
        controller->setComponentHandler(nullptr);
        if (separateController)
            controller->terminate();
        controller->release();
    }
    if (processor)
        processor->release();
    if (component)
    {
        component->terminate();
        component->release();
    }
    if (factory)
        factory->release();
    if (library)
    {
        if (auto exit = reinterpret_cast<ModuleExitProc>(dlsym(library, "ModuleExit")))
            exit();
        dlclose(library);
    }
}

std::vector<std::uint8_t> Vst3TestHost::saveState()
{
    MemoryStream stream;
    if (component->getState(&stream) != kResultOk)
        return {};
    return stream.data();
}

bool Vst3TestHost::restoreState(const std::vector<std::uint8_t>& state, int piece)
{
    MemoryStream stream(state, piece);
    if (component->setState(&stream) != kResultOk)
        return false;
    MemoryStream again(state, piece);
    return controller->setComponentState(&again) == kResultOk;
}

std::string asciiOf(const char16* text)
{
    std::string ascii;
    for (int i = 0; text[i]; ++i)
        ascii += static_cast<char>(text[i]);
    return ascii;
}

std::string Vst3TestHost::text(ParamID id, ParamValue value)
{
    String128 shown{};
    if (controller->getParamStringByValue(id, value, shown) != kResultOk)
        return "(none)";
    shown[127] = 0;
    return asciiOf(shown);
}

bool Vst3TestHost::value(ParamID id, const std::string& text, ParamValue& value)
{
    String128 typed{};
    for (std::size_t i = 0; i < text.size() && i < 127; ++i)
        typed[i] = static_cast<TChar>(text[i]);
    return controller->getParamValueByString(id, typed, value) == kResultOk;
}

int Vst3TestHost::indexOf(ParamID id)
{
    for (int32 i = 0; i < controller->getParameterCount(); ++i)
    {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) == kResultOk && info.id == id)
            return i;
    }
    return -1;
}

tresult Vst3TestHost::queryInterface(const TUID interfaceId, void** object)
{
    if (FUnknown::iid == interfaceId || IHostApplication::iid == interfaceId)
        *object = static_cast<IHostApplication*>(this);
    else if (IComponentHandler::iid == interfaceId)
        *object = static_cast<IComponentHandler*>(this);
    else if (IRunLoop::iid == interfaceId && runLoop)
        *object = static_cast<IRunLoop*>(runLoop);
    else
    {
        *object = nullptr;
        return kNoInterface;
    }
    return kResultOk;
}

tresult Vst3TestHost::getName(String128 name)
{
    const char* host = "Quelvar test host";
    int i = 0;
    for (; host[i]; ++i)
        name[i] = static_cast<TChar>(host[i]);
    name[i] = 0;
    return kResultOk;
}

tresult Vst3TestHost::createInstance(TUID /*classId*/, TUID /*interfaceId*/, void** object)
{
    *object = nullptr;
    return kNotImplemented;
}

tresult Vst3TestHost::restartComponent(int32 flags)
{
    restarts.push_back(flags);
    return kResultOk;
}

tresult Vst3TestHost::beginEdit(ParamID id)
{
    edits.push_back({HostEdit::Kind::begin, id, 0.0});
    return kResultOk;
}

tresult Vst3TestHost::performEdit(ParamID id, ParamValue value)
{
    edits.push_back({HostEdit::Kind::perform, id, value});
    return kResultOk;
}

tresult Vst3TestHost::endEdit(ParamID id)
{
    edits.push_back({HostEdit::Kind::end, id, 0.0});
    return kResultOk;
}

bool Vst3TestHost::start(double rate, int maxBlock)
{
    ProcessSetup setup{kRealtime, kSample32, maxBlock, rate};
    if (!processor || processor->setupProcessing(setup) != kResultOk)
        return false;
    context = {};
    context.sampleRate = rate;
    context.tempo = 120.0;
    context.state = ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid |
                    ProcessContext::kTimeSigValid;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    return component->setActive(true) == kResultOk && processor->setProcessing(true) == kResultOk;
}

ProcessBlock::ProcessBlock(float* left, float* right, int frames, IParameterChanges* in,
                           IParameterChanges* out, IEventList* events, IEventList* outEvents,
                           ProcessContext* context)
    : channels{left, right}
{
    bus.numChannels = 2;
    bus.channelBuffers32 = channels;
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numOutputs = 1;
    data.outputs = &bus;
    data.inputParameterChanges = in;
    data.outputParameterChanges = out;
    data.inputEvents = events;
    data.outputEvents = outEvents;
    data.processContext = context;
}

tresult Vst3TestHost::process(float* left, float* right, int frames)
{
    ProcessBlock block(left, right, frames, &inputChanges, &outputChanges, &inputEvents,
                       &outputEvents, &context);
    outputEvents.clear();
    outputChanges.clear();
    const tresult result = processor->process(block.data);
    inputEvents.clear();
    inputChanges.clear();
    return result;
}

namespace
{
template <class Self, class Interface>
tresult answerFor(Self* self, const TUID interfaceId, void** object)
{
    if (FUnknown::iid == interfaceId || Interface::iid == interfaceId)
    {
        *object = static_cast<Interface*>(self);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}
} // namespace

tresult EventList::queryInterface(const TUID interfaceId, void** object)
{
    return answerFor<EventList, IEventList>(this, interfaceId, object);
}

tresult EventList::getEvent(int32 index, Event& event)
{
    if (index < 0 || index >= count)
        return kInvalidArgument;
    event = events[static_cast<std::size_t>(index)];
    return kResultOk;
}

tresult EventList::addEvent(Event& event)
{
    if (count == static_cast<int>(events.size()))
        return kResultFalse;
    events[static_cast<std::size_t>(count++)] = event;
    return kResultOk;
}

tresult ParamValueQueue::queryInterface(const TUID interfaceId, void** object)
{
    return answerFor<ParamValueQueue, IParamValueQueue>(this, interfaceId, object);
}

tresult ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= count)
        return kInvalidArgument;
    std::tie(sampleOffset, value) = points[static_cast<std::size_t>(index)];
    return kResultOk;
}

tresult ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    if (count == static_cast<int>(points.size()))
        return kResultFalse;
    index = count;
    points[static_cast<std::size_t>(count++)] = {sampleOffset, value};
    return kResultOk;
}

tresult ParameterChanges::queryInterface(const TUID interfaceId, void** object)
{
    return answerFor<ParameterChanges, IParameterChanges>(this, interfaceId, object);
}

IParamValueQueue* ParameterChanges::getParameterData(int32 index)
{
    return index >= 0 && index < count ? &queues[static_cast<std::size_t>(index)] : nullptr;
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
    for (int i = 0; i < count; ++i)
        if (queues[static_cast<std::size_t>(i)].getParameterId() == id)
        {
            index = i;
            return &queues[static_cast<std::size_t>(i)];
        }
    if (count == static_cast<int>(queues.size()))
        return nullptr;
    index = count;
    queues[static_cast<std::size_t>(count)].reset(id);
    return &queues[static_cast<std::size_t>(count++)];
}

void ParameterChanges::add(ParamID id, int offset, ParamValue value)
{
    int32 index = 0;
    int32 point = 0;
    if (IParamValueQueue* queue = addParameterData(id, index))
        queue->addPoint(offset, value, point);
}

tresult TestRunLoop::queryInterface(const TUID interfaceId, void** object)
{
    return answerFor<TestRunLoop, IRunLoop>(this, interfaceId, object);
}

tresult TestRunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd)
{
    handlers.push_back({handler, fd});
    return kResultOk;
}

tresult TestRunLoop::unregisterEventHandler(IEventHandler* handler)
{
    std::erase_if(handlers, [handler](const auto& h) { return h.first == handler; });
    return kResultOk;
}

tresult TestRunLoop::registerTimer(ITimerHandler* handler, TimerInterval /*milliseconds*/)
{
    timers.push_back(handler);
    return kResultOk;
}

tresult TestRunLoop::unregisterTimer(ITimerHandler* handler)
{
    std::erase(timers, handler);
    return kResultOk;
}

tresult TestPlugFrame::queryInterface(const TUID interfaceId, void** object)
{
    if (IRunLoop::iid == interfaceId && loop)
    {
        *object = static_cast<IRunLoop*>(loop);
        return kResultOk;
    }
    return answerFor<TestPlugFrame, IPlugFrame>(this, interfaceId, object);
}

tresult TestPlugFrame::resizeView(IPlugView* view, ViewRect* size)
{
    sizes.push_back({size->right - size->left, size->bottom - size->top});
    threads.push_back(std::this_thread::get_id());
    return view->onSize(size);
}

// A copy: a timer may unregister itself or another while it runs.
void TestRunLoop::fireTimers()
{
    const std::vector<ITimerHandler*> now = timers;
    for (ITimerHandler* t : now)
        if (std::find(timers.begin(), timers.end(), t) != timers.end())
            t->onTimer();
}

} // namespace quelvar
