#include "clap/ClapPlugin.h"

#include "bridge/Fennick3Editor.h"
#include "clap/clapParameters.h"
#include "engine/PalladonFiles.h"

#include <algorithm>
#include <climits>
#include <new>
#include <vector>

namespace quelvar
{

using namespace clap;

ClapPlugin::ClapPlugin(const clap_plugin& entries, const clap_host& host,
                       std::span<const std::uint8_t> uiProgram)
    : plugin(entries), host(host), uiProgram(uiProgram)
{
    plugin.plugin_data = this;
}

ClapPlugin* ClapPlugin::from(const clap_plugin* p)
{
    return p ? static_cast<ClapPlugin*>(p->plugin_data) : nullptr;
}

bool ClapPlugin::init()
{
    if (synth)
        return true;
    if (host.get_extension)
    {
        threadCheck = static_cast<const clap_host_thread_check*>(
            host.get_extension(&host, CLAP_EXT_THREAD_CHECK));
        hostParams =
            static_cast<const clap_host_params*>(host.get_extension(&host, CLAP_EXT_PARAMS));
    }
    if (threadCheck && !threadCheck->is_main_thread)
        threadCheck = nullptr;
    if (hostParams && !hostParams->rescan)
        hostParams = nullptr;
    if (!onMainThread())
        return false;
    synth.reset(new (std::nothrow) Palladon(nullptr, Flavour::plugin));
    if (!synth)
        return false;
    // As the VST plugin's entry does: before anything renders.
    attachOutOfProcessEditor(*synth, uiProgram);
    processor.reset(new (std::nothrow) ClapProcessor(*synth));
    editorGui.reset(new (std::nothrow) ClapGui(*synth, host));
    if (!processor || !editorGui)
    {
        editorGui.reset();
        processor.reset();
        synth.reset();
        return false;
    }
    for (std::uint32_t i = 0; i < clapParameterCount(); ++i)
    {
        const ControlPort& port = *clapParameterAt(i);
        defaults[port.slot] = toClapValue(port, synth->getParameter(port.slot));
    }
    return true;
}

bool ClapPlugin::onMainThread() const
{
    return !threadCheck || threadCheck->is_main_thread(&host);
}

bool ClapPlugin::activate(double sampleRate, std::uint32_t maxFrames)
{
    if (!synth || active || !onMainThread() || !(sampleRate > 0.0) || sampleRate > kMaxRate)
        return false;
    synth->setSampleRate(static_cast<float>(sampleRate));
    synth->setBlockSize(static_cast<VstInt32>(std::clamp<std::uint32_t>(maxFrames, 1, INT_MAX)));
    synth->resume();
    processor->activate(sampleRate);
    active = true;
    // Milliseconds read differently at another rate.
    if (hostParams)
        hostParams->rescan(&host, CLAP_PARAM_RESCAN_TEXT);
    return true;
}

void ClapPlugin::deactivate()
{
    if (!active || !onMainThread())
        return;
    synth->suspend();
    active = false;
}

// Nothing to start or stop: a block renders whenever the instance is active, and a pause in
// processing shows as the host's transport having moved on.
bool ClapPlugin::startProcessing()
{
    return active;
}

void ClapPlugin::stopProcessing() {}

// The sound starts from rest at the next block, sounding MIDI-out notes end.
void ClapPlugin::reset()
{
    if (active)
        processor->reset();
}

// A sequencer plays with the host's transport and no input: never quiet for a host to skip.
clap_process_status ClapPlugin::process(const clap_process& block)
{
    if (!active || !processor->process(block))
        return CLAP_PROCESS_ERROR;
    editorGui->sendEdits(block.out_events, block.frames_count > 0 ? block.frames_count - 1 : 0);
    return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::flush(const clap_input_events* in, const clap_output_events* out)
{
    if (!synth || !(active || onMainThread()))
        return;
    processor->flush(in);
    editorGui->sendEdits(out, 0);
}

std::uint32_t ClapPlugin::parameterCount() const
{
    return clapParameterCount();
}

bool ClapPlugin::parameterInfo(std::uint32_t index, clap_param_info& info)
{
    const ControlPort* port = clapParameterAt(index);
    if (!port || !synth)
        return false;
    describeClapParameter(*port, defaults[port->slot], info);
    return true;
}

bool ClapPlugin::parameterValue(clap_id id, double& value)
{
    const ControlPort* port = clapParameterWithId(id);
    if (!port || !synth)
        return false;
    value = toClapValue(*port, synth->getParameter(port->slot));
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* text, std::uint32_t size)
{
    const ControlPort* port = clapParameterWithId(id);
    return port && synth && text && size > 0 && clapValueText(*synth, *port, value, text, size);
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double& value)
{
    const ControlPort* port = clapParameterWithId(id);
    return port && synth && text && clapTextValue(*synth, *port, text, value);
}

bool ClapPlugin::save(const clap_ostream& stream)
{
    if (!synth || !stream.write || !onMainThread())
        return false;
    const std::vector<std::uint8_t> bytes = getChunkBytes(*synth);
    std::size_t written = 0;
    while (written < bytes.size())
    {
        const std::uint64_t left = bytes.size() - written;
        const std::int64_t n = stream.write(&stream, bytes.data() + written, left);
        if (n <= 0)
            return false;
        written +=
            static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(n), left));
    }
    return true;
}

bool ClapPlugin::load(const clap_istream& stream)
{
    if (!synth || !stream.read || !onMainThread())
        return false;
    std::vector<std::uint8_t> bytes;
    std::uint8_t piece[4096];
    for (;;)
    {
        const std::int64_t n = stream.read(&stream, piece, sizeof piece);
        if (n == 0)
            break;
        if (n < 0 || static_cast<std::uint64_t>(n) > sizeof piece ||
            bytes.size() + static_cast<std::uint64_t>(n) > kMaxStateBytes)
            return false;
        bytes.insert(bytes.end(), piece, piece + n);
    }
    if (!applyWholeChunk(*synth, bytes.data(), bytes.size()))
        return false;
    if (hostParams)
        hostParams->rescan(&host, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
    return true;
}

} // namespace quelvar
