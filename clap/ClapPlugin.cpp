#include "clap/ClapPlugin.h"

#include "clap/clapParameters.h"
#include "engine/PalladonFiles.h"

#include <algorithm>
#include <climits>
#include <new>
#include <vector>

namespace quelvar
{

using namespace clap;

ClapPlugin::ClapPlugin(const clap_plugin& entries, const clap_host& host)
    : plugin(entries), host(host)
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

bool ClapPlugin::startProcessing()
{
    return active;
}

void ClapPlugin::stopProcessing() {}

// Whatever sounds stops at the next block, MIDI-out notes end.
void ClapPlugin::reset()
{
    if (synth)
        synth->panic();
}

clap_process_status ClapPlugin::process(const clap_process& block)
{
    if (!active)
        return CLAP_PROCESS_ERROR;
    applyParameterEvents(block.in_events);
    for (std::uint32_t p = 0; p < block.audio_outputs_count && block.audio_outputs; ++p)
    {
        clap_audio_buffer& out = block.audio_outputs[p];
        for (std::uint32_t c = 0; c < out.channel_count && out.data32; ++c)
            if (out.data32[c])
                std::fill_n(out.data32[c], block.frames_count, 0.0f);
        out.constant_mask = out.channel_count >= 64 ? ~std::uint64_t{0}
                                                    : (std::uint64_t{1} << out.channel_count) - 1;
    }
    return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::applyParameterEvents(const clap_input_events* in)
{
    if (!in || !in->size || !in->get)
        return;
    const std::uint32_t count = in->size(in);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const clap_event_header* header = in->get(in, i);
        if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
            header->type != CLAP_EVENT_PARAM_VALUE || header->size < sizeof(clap_event_param_value))
            continue;
        const auto& event = *reinterpret_cast<const clap_event_param_value*>(header);
        if (const ControlPort* port = clapParameterWithId(event.param_id))
            synth->setParameter(port->slot, fromClapValue(*port, event.value));
    }
}

void ClapPlugin::flush(const clap_input_events* in)
{
    if (synth && (active || onMainThread()))
        applyParameterEvents(in);
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
