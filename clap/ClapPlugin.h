// One Quelvar instance for a CLAP host: the engine in its plugin flavour, with the shared block
// and the editor the VST plugin gives it, and what CLAP asks of it. The threads are CLAP's: init,
// activation, parameter descriptions and texts, the state and the gui on the host's main thread;
// start and stop of processing, reset, process() and, while active, flush() on its audio thread,
// which allocate nothing. Creating an instance is cheap; the engine is built in init().
#pragma once

#include "clap/ClapGui.h"
#include "clap/ClapInterface.h"
#include "clap/ClapProcessor.h"
#include "engine/Palladon.h"
#include "io/parameterSlots.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace quelvar
{

class ClapPlugin
{
public:
    // entries: the descriptor and the C entries, which reach this object through plugin_data.
    // uiProgram: the editor's program, carried by the plugin (empty: no editor opens).
    ClapPlugin(const clap::clap_plugin& entries, const clap::clap_host& host,
               std::span<const std::uint8_t> uiProgram = {});
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap::clap_plugin* clapPlugin() const { return &plugin; }
    // The instance behind a plugin record the host hands back; null for a foreign one.
    static ClapPlugin* from(const clap::clap_plugin* plugin);

    bool init();
    bool activate(double sampleRate, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap::clap_process_status process(const clap::clap_process& block);

    std::uint32_t parameterCount() const;
    bool parameterInfo(std::uint32_t index, clap::clap_param_info& info);
    bool parameterValue(clap::clap_id id, double& value);
    bool valueToText(clap::clap_id id, double value, char* text, std::uint32_t size);
    bool textToValue(clap::clap_id id, const char* text, double& value);
    // Parameter changes while the host does not process; the panel's go out.
    void flush(const clap::clap_input_events* in, const clap::clap_output_events* out);

    // The VST 2 plugin's chunk bytes. Loading applies a state only when it is well formed
    // throughout; anything else changes nothing.
    bool save(const clap::clap_ostream& stream);
    bool load(const clap::clap_istream& stream);

    // Null before init().
    ClapGui* gui() { return editorGui.get(); }
    Palladon* engine() { return synth.get(); }

    // The most a state may hold: far beyond the largest chunk the engine writes.
    static constexpr std::uint64_t kMaxStateBytes = 1u << 20;

private:
    // True where the host cannot tell; hosts with thread-check get main-thread calls refused
    // from other threads, as CLAP forbids them.
    bool onMainThread() const;

    clap::clap_plugin plugin{};
    const clap::clap_host& host;
    const clap::clap_host_thread_check* threadCheck = nullptr;
    const clap::clap_host_params* hostParams = nullptr;
    std::unique_ptr<Palladon> synth;
    std::unique_ptr<ClapProcessor> processor;
    std::unique_ptr<ClapGui> editorGui;
    std::span<const std::uint8_t> uiProgram;
    std::array<double, kNumParams> defaults{}; // parameter values of the fresh engine, by slot
    bool active = false;
};

} // namespace quelvar
