// The VST 3 instrument: one engine in its plugin flavour behind one object that is both the
// audio component and its edit controller. One object, because the engine already is one: it
// keeps the parameters and the state the controller shows and takes changes from any thread,
// so a separate controller would only hold a copy kept in step over messages. Hosts ask the
// component for IEditController when it names no controller class.
// Threads: process() is the host's audio thread and allocates nothing; the state, the parameter
// queries, the controller's values and the editor are the host's UI thread, and so is everything
// the plugin asks of the host (restartComponent, the edits): it runs on the host's run loop, never
// on a thread of ours. setupProcessing and setActive come while the host does not process.
#pragma once

#include "engine/Palladon.h"
#include "vst3/RunLoopTimer.h"
#include "vst3/Vst3Interface.h"
#include "vst3/Vst3Processor.h"
#include "vst3/vst3Parameters.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace quelvar::vst3
{

// IComponent and IEditController declare setState and getState alike; these two bases give each
// its own body, the component's carrying the engine's state and the controller's nothing.
class ComponentSide : public IComponent
{
public:
    tresult setState(IBStream* state) final { return restoreState(state); }
    tresult getState(IBStream* state) final { return saveState(state); }

protected:
    virtual tresult restoreState(IBStream* state) = 0;
    virtual tresult saveState(IBStream* state) = 0;
};

class ControllerSide : public IEditController
{
public:
    // The controller keeps nothing of its own: what it shows is the component's state.
    tresult setState(IBStream* state) final { return state ? kResultOk : kInvalidArgument; }
    tresult getState(IBStream* state) final { return state ? kResultOk : kInvalidArgument; }
};

class Vst3Plugin final : public ComponentSide,
                         public IAudioProcessor,
                         public IProcessContextRequirements,
                         public ControllerSide,
                         public IMidiMapping
{
public:
    // The class id spells the VST 2 plugin's id and name, the way a host that carries a VST 2
    // instance over to VST 3 looks for it.
    static constexpr Uid classId = {
        {'V', 'S', 'T', 'f', 'n', 'k', '3', 'q', 'u', 'e', 'l', 'v', 'a', 'r', 0, 0}};
    // Holds one reference; null when the engine cannot be built. uiProgram: the editor's
    // program, carried by the module (empty: the editor stays empty).
    static Vst3Plugin* create(std::span<const std::uint8_t> uiProgram = {}) noexcept;

    // FUnknown.
    tresult queryInterface(const TUID interfaceId, void** object) override;
    uint32 addRef() override;
    uint32 release() override;

    // IPluginBase (both sides).
    tresult initialize(FUnknown* context) override;
    tresult terminate() override;

    // IComponent.
    tresult getControllerClassId(TUID controllerId) override;
    tresult setIoMode(IoMode mode) override;
    int32 getBusCount(MediaType type, BusDirection direction) override;
    tresult getBusInfo(MediaType type, BusDirection direction, int32 index, BusInfo& bus) override;
    tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
    tresult activateBus(MediaType type, BusDirection direction, int32 index, TBool state) override;
    tresult setActive(TBool state) override;

    // IAudioProcessor.
    tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                               SpeakerArrangement* outputs, int32 numOuts) override;
    tresult getBusArrangement(BusDirection direction, int32 index,
                              SpeakerArrangement& arrangement) override;
    tresult canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 getLatencySamples() override { return 0; }
    tresult setupProcessing(ProcessSetup& setup) override;
    tresult setProcessing(TBool state) override;
    tresult process(ProcessData& data) override;
    // The sequencer plays without input: the host must never stop calling process.
    uint32 getTailSamples() override { return kInfiniteTail; }

    uint32 getProcessContextRequirements() override;

    // IEditController.
    tresult setComponentState(IBStream* state) override;
    int32 getParameterCount() override { return kParameterCount; }
    tresult getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
    tresult getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                  String128 string) override;
    tresult getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) override;
    ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
    ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) override;
    ParamValue getParamNormalized(ParamID id) override;
    tresult setParamNormalized(ParamID id, ParamValue value) override;
    tresult setComponentHandler(IComponentHandler* handler) override;
    IPlugView* createView(FIDString name) override;

    // IMidiMapping.
    tresult getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber controller,
                                        ParamID& id) override;

    Palladon& engine() { return *synth; }

    // The host's UI thread: what the engine and the panel did that the host must hear of — a
    // controller learnt (restartComponent), the panel's moves with their gestures (beginEdit,
    // performEdit, endEdit).
    void serviceHost();
    // The run loop the host offers on its context; null when it offers none.
    IRunLoop* hostRunLoop() const { return runLoop; }

    // A state larger than this is no state of ours.
    static constexpr std::size_t kMaxStateBytes = 1 << 20;

private:
    explicit Vst3Plugin(std::span<const std::uint8_t> uiProgram);
    ~Vst3Plugin();

    // The state is the engine's chunk, byte for byte. Empty: the defaults; malformed: no change.
    tresult restoreState(IBStream* state) override;
    tresult saveState(IBStream* state) override;
    // The controller's values become the engine's, and the host hears of it.
    void followEngine();

    std::atomic<uint32> references{1};
    std::unique_ptr<Palladon> synth;
    std::vector<std::uint8_t> defaultChunk;
    std::array<ParamValue, kNumParams> defaultValues{};
    // What the controller shows, as the host set it or the state restored it.
    ShownValues values{};
    static_assert(std::atomic<ParamValue>::is_always_lock_free);
    std::optional<Vst3Processor> processor; // made with the engine
    IComponentHandler* handler = nullptr;   // UI thread; holds a reference
    IRunLoop* runLoop = nullptr;            // the context's; holds a reference
    RunLoopTimer hostTimer{[](void* self) { static_cast<Vst3Plugin*>(self)->serviceHost(); }, this};
};

} // namespace quelvar::vst3
