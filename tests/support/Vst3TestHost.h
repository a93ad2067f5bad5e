// A small VST 3 host: loads a bundle by its path as a host does (dlopen of
// Contents/x86_64-linux/<name>.so, ModuleEntry, GetPluginFactory), walks the factory, makes the
// first audio module class's component with a host context, and takes its controller from the
// component itself or from the controller class it names. Streams state through a memory stream
// and records what the plugin asks of the host. For tests; allocates freely.
#pragma once

#include "vst3/Vst3Interface.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace quelvar
{

// An IBStream over bytes in memory; reads hand out at most `piece` bytes a call (0: all asked).
class MemoryStream final : public vst3::IBStream
{
public:
    explicit MemoryStream(std::vector<std::uint8_t> initial = {}, int piece = 0)
        : bytes(std::move(initial)), piece(piece)
    {
    }
    const std::vector<std::uint8_t>& data() const { return bytes; }

    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::tresult read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) override;
    vst3::tresult write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) override;
    vst3::tresult seek(vst3::int64 position, vst3::int32 mode, vst3::int64* result) override;
    vst3::tresult tell(vst3::int64* position) override;

private:
    std::vector<std::uint8_t> bytes;
    int piece;
    std::size_t cursor = 0;
};

// A host's view of the plugin's UTF-16 texts, which are ASCII.
std::string asciiOf(const vst3::char16* text);

// A block's events, in and out; room for a fixed number, so a block allocates nothing.
class EventList final : public vst3::IEventList
{
public:
    explicit EventList(int capacity = 1024) : events(static_cast<std::size_t>(capacity)) {}
    void clear() { count = 0; }
    const vst3::Event& at(int i) const { return events[static_cast<std::size_t>(i)]; }

    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::int32 getEventCount() override { return count; }
    vst3::tresult getEvent(vst3::int32 index, vst3::Event& event) override;
    vst3::tresult addEvent(vst3::Event& event) override;

private:
    std::vector<vst3::Event> events;
    int count = 0;
};

class ParamValueQueue final : public vst3::IParamValueQueue
{
public:
    ParamValueQueue() : points(256) {}
    void reset(vst3::ParamID newId)
    {
        id = newId;
        count = 0;
    }

    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::ParamID getParameterId() override { return id; }
    vst3::int32 getPointCount() override { return count; }
    vst3::tresult getPoint(vst3::int32 index, vst3::int32& sampleOffset,
                           vst3::ParamValue& value) override;
    vst3::tresult addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                           vst3::int32& index) override;

private:
    vst3::ParamID id = 0;
    std::vector<std::pair<vst3::int32, vst3::ParamValue>> points;
    int count = 0;
};

class ParameterChanges final : public vst3::IParameterChanges
{
public:
    ParameterChanges() : queues(512) {}
    void clear() { count = 0; }
    // A point for a parameter, in the queue of that id.
    void add(vst3::ParamID id, int offset, vst3::ParamValue value);

    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::int32 getParameterCount() override { return count; }
    vst3::IParamValueQueue* getParameterData(vst3::int32 index) override;
    vst3::IParamValueQueue* addParameterData(const vst3::ParamID& id, vst3::int32& index) override;

private:
    std::vector<ParamValueQueue> queues;
    int count = 0;
};

// One block's process data over two channels, 32-bit, with the lists given (any may be null).
struct ProcessBlock
{
    ProcessBlock(float* left, float* right, int frames, vst3::IParameterChanges* in,
                 vst3::IParameterChanges* out, vst3::IEventList* events = nullptr,
                 vst3::IEventList* outEvents = nullptr, vst3::ProcessContext* context = nullptr);
    ProcessBlock(const ProcessBlock&) = delete;
    ProcessBlock& operator=(const ProcessBlock&) = delete;

    float* channels[2];
    vst3::AudioBusBuffers bus{};
    vst3::ProcessData data{};
};

// A run loop of the test's own: timers fire when the test says, as a host's loop would call them
// on its UI thread; a descriptor's handler when the test says it is readable.
class TestRunLoop final : public vst3::IRunLoop
{
public:
    void fireTimers();
    std::size_t timerCount() const { return timers.size(); }

    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::tresult registerEventHandler(vst3::IEventHandler* handler,
                                       vst3::FileDescriptor fd) override;
    vst3::tresult unregisterEventHandler(vst3::IEventHandler* handler) override;
    vst3::tresult registerTimer(vst3::ITimerHandler* handler,
                                vst3::TimerInterval milliseconds) override;
    vst3::tresult unregisterTimer(vst3::ITimerHandler* handler) override;

private:
    std::vector<vst3::ITimerHandler*> timers;
    std::vector<std::pair<vst3::IEventHandler*, int>> handlers;
};

// A host window's frame: records the sizes asked for (and on which thread), and offers a run loop
// when given one.
class TestPlugFrame final : public vst3::IPlugFrame
{
public:
    explicit TestPlugFrame(TestRunLoop* loop) : loop(loop) {}
    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::tresult resizeView(vst3::IPlugView* view, vst3::ViewRect* size) override;

    std::vector<std::pair<int, int>> sizes;
    std::vector<std::thread::id> threads;

private:
    TestRunLoop* loop;
};

// What the plugin told the host's component handler, in order.
struct HostEdit
{
    enum class Kind
    {
        begin,
        perform,
        end,
    };
    Kind kind;
    vst3::ParamID id;
    vst3::ParamValue value;
    bool operator==(const HostEdit&) const = default;
};

class Vst3TestHost final : public vst3::IHostApplication, public vst3::IComponentHandler
{
public:
    // loop: a run loop the host offers on its context (null: none).
    explicit Vst3TestHost(const std::string& bundlePath, TestRunLoop* loop = nullptr);
    ~Vst3TestHost();
    Vst3TestHost(const Vst3TestHost&) = delete;
    Vst3TestHost& operator=(const Vst3TestHost&) = delete;

    bool loaded() const { return controller != nullptr; }
    const std::string& error() const { return loadError; }
    const std::string& modulePath() const { return module; }

    vst3::IPluginFactory* factory = nullptr;
    vst3::IComponent* component = nullptr;
    vst3::IEditController* controller = nullptr;
    vst3::IAudioProcessor* processor = nullptr; // null when the component has none
    vst3::IMidiMapping* midiMapping = nullptr;  // null when the controller has none
    vst3::PClassInfo2 classInfo{};

    // The component's state, and a state handed back as a host restores a project: the
    // component's setState, then the controller's setComponentState. The stream gives `piece`
    // bytes a read (0: all).
    std::vector<std::uint8_t> saveState();
    bool restoreState(const std::vector<std::uint8_t>& state, int piece = 0);

    std::string text(vst3::ParamID id, vst3::ParamValue value);
    bool value(vst3::ParamID id, const std::string& text, vst3::ParamValue& value);
    // The list's index of a parameter id; -1 when it is not listed.
    int indexOf(vst3::ParamID id);

    // Processing at a rate with a block length announced: setupProcessing, setActive,
    // setProcessing, as a host starts.
    bool start(double rate, int maxBlock);
    // One block into the two buffers, with what the test put in `context`, `inputEvents` and
    // `inputChanges` (emptied afterwards); the output lists keep this block's until the next.
    // No allocation on the way.
    vst3::tresult process(float* left, float* right, int frames);
    vst3::ProcessContext context{};
    EventList inputEvents;
    ParameterChanges inputChanges;
    EventList outputEvents;
    ParameterChanges outputChanges;

    // What the plugin asked of the host.
    std::vector<vst3::int32> restarts;
    std::vector<HostEdit> edits;
    TestRunLoop* runLoop = nullptr;

    // IHostApplication, IComponentHandler: an object of the host's that outlives the plugin.
    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::tresult getName(vst3::String128 name) override;
    vst3::tresult createInstance(vst3::TUID classId, vst3::TUID interfaceId,
                                 void** object) override;
    vst3::tresult beginEdit(vst3::ParamID id) override;
    vst3::tresult performEdit(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult endEdit(vst3::ParamID id) override;
    vst3::tresult restartComponent(vst3::int32 flags) override;

private:
    bool load(const std::string& bundlePath);

    void* library = nullptr;
    std::string module;
    std::string loadError;
    bool separateController = false;
};

} // namespace quelvar
