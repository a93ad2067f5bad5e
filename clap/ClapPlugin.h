// One Quelvar instance for a CLAP host: the engine in its plugin flavour and what CLAP asks of it.
// The threads are CLAP's: init, activation, parameter descriptions and texts and the state on the
// host's main thread; process() and, while active, flush() on its audio thread, which allocate
// nothing. Creating an instance is cheap; the engine is built in init().
#pragma once

#include "clap/ClapInterface.h"
#include "engine/Palladon.h"
#include "io/parameterSlots.h"

#include <array>
#include <cstdint>
#include <memory>

namespace quelvar
{

class ClapPlugin
{
public:
    // entries: the descriptor and the C entries, which reach this object through plugin_data.
    ClapPlugin(const clap::clap_plugin& entries, const clap::clap_host& host);
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
    // Silence for now, with the block's parameter changes applied at its start.
    clap::clap_process_status process(const clap::clap_process& block);

    std::uint32_t parameterCount() const;
    bool parameterInfo(std::uint32_t index, clap::clap_param_info& info);
    bool parameterValue(clap::clap_id id, double& value);
    bool valueToText(clap::clap_id id, double value, char* text, std::uint32_t size);
    bool textToValue(clap::clap_id id, const char* text, double& value);
    // Parameter changes while the host does not process.
    void flush(const clap::clap_input_events* in);

    // The VST 2 plugin's chunk bytes. Loading applies a state only when it is well formed
    // throughout; anything else changes nothing.
    bool save(const clap::clap_ostream& stream);
    bool load(const clap::clap_istream& stream);

    // The most a state may hold: far beyond the largest chunk the engine writes.
    static constexpr std::uint64_t kMaxStateBytes = 1u << 20;

private:
    // True where the host cannot tell; hosts with thread-check get main-thread calls refused
    // from other threads, as CLAP forbids them.
    bool onMainThread() const;
    void applyParameterEvents(const clap::clap_input_events* in);

    clap::clap_plugin plugin{};
    const clap::clap_host& host;
    const clap::clap_host_thread_check* threadCheck = nullptr;
    const clap::clap_host_params* hostParams = nullptr;
    std::unique_ptr<Palladon> synth;
    std::array<double, kNumParams> defaults{}; // parameter values of the fresh engine, by slot
    bool active = false;
};

} // namespace quelvar
