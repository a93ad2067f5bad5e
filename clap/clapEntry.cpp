// The plugin file's only exported symbol, clap_entry: its factory with one descriptor, and the C
// entries of the plugin and its extensions, which forward to ClapPlugin. No exception leaves an
// entry. Scanning (init, factory, descriptor) builds nothing.
#include "bridge/leftoverFiles.h"
#include "clap/ClapInterface.h"
#include "clap/ClapPlugin.h"

#include <cstring>
#include <new>
#include <span>

// The UI program's bytes, placed in the plugin by the build (empty in a build without Qt).
extern "C" __attribute__((visibility("hidden"))) const std::uint8_t quelvarUiBytes[];
extern "C" __attribute__((visibility("hidden"))) const std::uint32_t quelvarUiLength;

namespace
{
using namespace quelvar::clap;
using quelvar::ClapGui;
using quelvar::ClapPlugin;

const char* kFeatures[] = {kFeatureInstrument, kFeatureSynthesizer, kFeatureMono, nullptr};

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION,
    "example.brontavell.quelvar",
    "Quelvar",
    "Brontavell",
    "https://brontavell.example/quelvar",
    "",
    "",
    QUELVAR_VERSION,
    "Monophonic acid-bass synthesizer with a 64-pattern step sequencer, distortion and tempo delay",
    kFeatures,
};

// Runs an entry; a missing instance or an exception answers `fallback`.
template <typename Result, typename Call>
Result guarded(const clap_plugin* plugin, Result fallback, Call call) noexcept
{
    try
    {
        ClapPlugin* self = ClapPlugin::from(plugin);
        return self ? call(*self) : fallback;
    }
    catch (...)
    {
        return fallback;
    }
}

template <typename Call> void guarded(const clap_plugin* plugin, Call call) noexcept
{
    guarded(plugin, 0,
            [&](ClapPlugin& p)
            {
                call(p);
                return 0;
            });
}

bool init(const clap_plugin* plugin)
{
    return guarded(plugin, false, [](ClapPlugin& p) { return p.init(); });
}

void destroy(const clap_plugin* plugin)
{
    delete ClapPlugin::from(plugin);
}

bool activate(const clap_plugin* plugin, double sampleRate, std::uint32_t /*minFrames*/,
              std::uint32_t maxFrames)
{
    return guarded(plugin, false, [&](ClapPlugin& p) { return p.activate(sampleRate, maxFrames); });
}

void deactivate(const clap_plugin* plugin)
{
    guarded(plugin, [](ClapPlugin& p) { p.deactivate(); });
}

bool startProcessing(const clap_plugin* plugin)
{
    return guarded(plugin, false, [](ClapPlugin& p) { return p.startProcessing(); });
}

void stopProcessing(const clap_plugin* plugin)
{
    guarded(plugin, [](ClapPlugin& p) { p.stopProcessing(); });
}

void reset(const clap_plugin* plugin)
{
    guarded(plugin, [](ClapPlugin& p) { p.reset(); });
}

clap_process_status process(const clap_plugin* plugin, const clap_process* block)
{
    return guarded(plugin, clap_process_status{CLAP_PROCESS_ERROR},
                   [&](ClapPlugin& p)
                   { return block ? p.process(*block) : clap_process_status{CLAP_PROCESS_ERROR}; });
}

void onMainThread(const clap_plugin* /*plugin*/) {}

std::uint32_t audioPortCount(const clap_plugin* /*plugin*/, bool isInput)
{
    return isInput ? 0 : 1;
}

bool audioPortInfo(const clap_plugin* /*plugin*/, std::uint32_t index, bool isInput,
                   clap_audio_port_info* info)
{
    if (isInput || index != 0 || !info)
        return false;
    *info = {};
    info->id = 0;
    std::strcpy(info->name, "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

// In: notes, controllers, program changes, pitch bend and clock, MIDI preferred as the engine
// takes it. Out: the sequencer's notes.
std::uint32_t notePortCount(const clap_plugin* /*plugin*/, bool /*isInput*/)
{
    return 1;
}

bool notePortInfo(const clap_plugin* /*plugin*/, std::uint32_t index, bool isInput,
                  clap_note_port_info* info)
{
    if (index != 0 || !info)
        return false;
    *info = {};
    info->id = 0;
    info->supported_dialects =
        isInput ? CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI : CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::strcpy(info->name, isInput ? "MIDI in" : "Sequencer notes");
    return true;
}

std::uint32_t parameterCount(const clap_plugin* plugin)
{
    return guarded(plugin, 0u, [](ClapPlugin& p) { return p.parameterCount(); });
}

bool parameterInfo(const clap_plugin* plugin, std::uint32_t index, clap_param_info* info)
{
    return info &&
           guarded(plugin, false, [&](ClapPlugin& p) { return p.parameterInfo(index, *info); });
}

bool parameterValue(const clap_plugin* plugin, clap_id id, double* value)
{
    return value &&
           guarded(plugin, false, [&](ClapPlugin& p) { return p.parameterValue(id, *value); });
}

bool valueToText(const clap_plugin* plugin, clap_id id, double value, char* text,
                 std::uint32_t size)
{
    return guarded(plugin, false,
                   [&](ClapPlugin& p) { return p.valueToText(id, value, text, size); });
}

bool textToValue(const clap_plugin* plugin, clap_id id, const char* text, double* value)
{
    return value &&
           guarded(plugin, false, [&](ClapPlugin& p) { return p.textToValue(id, text, *value); });
}

void flush(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out)
{
    guarded(plugin, [&](ClapPlugin& p) { p.flush(in, out); });
}

bool saveState(const clap_plugin* plugin, const clap_ostream* stream)
{
    return stream && guarded(plugin, false, [&](ClapPlugin& p) { return p.save(*stream); });
}

bool loadState(const clap_plugin* plugin, const clap_istream* stream)
{
    return stream && guarded(plugin, false, [&](ClapPlugin& p) { return p.load(*stream); });
}

std::uint32_t latency(const clap_plugin* /*plugin*/)
{
    return 0;
}

bool hasHardRealtimeRequirement(const clap_plugin* /*plugin*/)
{
    return false;
}

// Offline renders sound the same as real-time ones.
bool setRenderMode(const clap_plugin* /*plugin*/, clap_plugin_render_mode /*mode*/)
{
    return true;
}

// The gui: the entries reach the instance's ClapGui, which exists once the plugin is initialised.
template <typename Result, typename Call>
Result withGui(const clap_plugin* plugin, Result fallback, Call call) noexcept
{
    return guarded(plugin, fallback,
                   [&](ClapPlugin& p)
                   {
                       ClapGui* gui = p.gui();
                       return gui ? call(*gui) : fallback;
                   });
}

bool guiApiSupported(const clap_plugin* /*plugin*/, const char* api, bool isFloating)
{
    return ClapGui::isApiSupported(api, isFloating);
}

bool guiPreferredApi(const clap_plugin* /*plugin*/, const char** api, bool* isFloating)
{
    if (!api || !isFloating)
        return false;
    *api = CLAP_WINDOW_API_X11;
    *isFloating = false;
    return true;
}

bool guiCreate(const clap_plugin* plugin, const char* api, bool isFloating)
{
    return withGui(plugin, false, [&](ClapGui& g) { return g.create(api, isFloating); });
}

void guiDestroy(const clap_plugin* plugin)
{
    withGui(plugin, 0,
            [](ClapGui& g)
            {
                g.destroy();
                return 0;
            });
}

bool guiSetScale(const clap_plugin* /*plugin*/, double /*scale*/)
{
    return false; // the panel's own size menu scales it
}

bool guiGetSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height)
{
    return width && height &&
           withGui(plugin, false, [&](ClapGui& g) { return g.getSize(*width, *height); });
}

bool guiCanResize(const clap_plugin* /*plugin*/)
{
    return false;
}

bool guiResizeHints(const clap_plugin* /*plugin*/, clap_gui_resize_hints* /*hints*/)
{
    return false;
}

bool guiAdjustSize(const clap_plugin* /*plugin*/, std::uint32_t* /*width*/,
                   std::uint32_t* /*height*/)
{
    return false;
}

bool guiSetSize(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height)
{
    return withGui(plugin, false, [&](ClapGui& g) { return g.setSize(width, height); });
}

bool guiSetParent(const clap_plugin* plugin, const clap_window* window)
{
    return window && withGui(plugin, false, [&](ClapGui& g) { return g.setParent(*window); });
}

bool guiSetTransient(const clap_plugin* /*plugin*/, const clap_window* /*window*/)
{
    return false;
}

void guiSuggestTitle(const clap_plugin* /*plugin*/, const char* /*title*/) {}

bool guiShow(const clap_plugin* plugin)
{
    return withGui(plugin, false, [](ClapGui& g) { return g.show(); });
}

bool guiHide(const clap_plugin* plugin)
{
    return withGui(plugin, false, [](ClapGui& g) { return g.hide(); });
}

void onTimer(const clap_plugin* plugin, clap_id timer)
{
    withGui(plugin, 0,
            [&](ClapGui& g)
            {
                g.onTimer(timer);
                return 0;
            });
}

void onFd(const clap_plugin* plugin, int fd, std::uint32_t /*flags*/)
{
    withGui(plugin, 0,
            [&](ClapGui& g)
            {
                g.onFd(fd);
                return 0;
            });
}

const clap_plugin_audio_ports kAudioPorts = {audioPortCount, audioPortInfo};
const clap_plugin_note_ports kNotePorts = {notePortCount, notePortInfo};
const clap_plugin_params kParams = {parameterCount, parameterInfo, parameterValue,
                                    valueToText,    textToValue,   flush};
const clap_plugin_state kState = {saveState, loadState};
const clap_plugin_latency kLatency = {latency};
const clap_plugin_render kRender = {hasHardRealtimeRequirement, setRenderMode};
const clap_plugin_gui kGui = {guiApiSupported, guiPreferredApi, guiCreate,    guiDestroy,
                              guiSetScale,     guiGetSize,      guiCanResize, guiResizeHints,
                              guiAdjustSize,   guiSetSize,      guiSetParent, guiSetTransient,
                              guiSuggestTitle, guiShow,         guiHide};
const clap_plugin_timer_support kTimerSupport = {onTimer};
const clap_plugin_posix_fd_support kFdSupport = {onFd};

const void* extension(const clap_plugin* /*plugin*/, const char* id)
{
    if (!id)
        return nullptr;
    const struct
    {
        const char* id;
        const void* extension;
    } offered[] = {{CLAP_EXT_AUDIO_PORTS, &kAudioPorts},
                   {CLAP_EXT_NOTE_PORTS, &kNotePorts},
                   {CLAP_EXT_PARAMS, &kParams},
                   {CLAP_EXT_STATE, &kState},
                   {CLAP_EXT_LATENCY, &kLatency},
                   {CLAP_EXT_RENDER, &kRender},
                   {CLAP_EXT_GUI, &kGui},
                   {CLAP_EXT_TIMER_SUPPORT, &kTimerSupport},
                   {CLAP_EXT_POSIX_FD_SUPPORT, &kFdSupport}};
    for (const auto& o : offered)
        if (std::strcmp(id, o.id) == 0)
            return o.extension;
    return nullptr;
}

const clap_plugin kEntries = {&kDescriptor, nullptr,         init,           destroy, activate,
                              deactivate,   startProcessing, stopProcessing, reset,   process,
                              extension,    onMainThread};

std::uint32_t pluginCount(const clap_plugin_factory* /*factory*/)
{
    return 1;
}

const clap_plugin_descriptor* pluginDescriptor(const clap_plugin_factory* /*factory*/,
                                               std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin* createPlugin(const clap_plugin_factory* /*factory*/, const clap_host* host,
                                const char* pluginId)
{
    if (!host || !pluginId || std::strcmp(pluginId, kDescriptor.id) != 0 ||
        !clap_version_is_compatible(host->clap_version))
        return nullptr;
    try
    {
        quelvar::bridge::removeLeftoversOnce();
        auto* self = new (std::nothrow) ClapPlugin(
            kEntries, *host, std::span<const std::uint8_t>(quelvarUiBytes, quelvarUiLength));
        return self ? self->clapPlugin() : nullptr;
    }
    catch (...)
    {
        return nullptr;
    }
}

const clap_plugin_factory kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char* /*pluginPath*/)
{
    return true;
}

void entryDeinit() {}

const void* factory(const char* id)
{
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}
} // namespace

extern "C" __attribute__((visibility("default")))
const clap_plugin_entry clap_entry = {CLAP_VERSION, entryInit, entryDeinit, factory};
