#include "standalone/PortAudioBackend.h"

#include <pa_jack.h>
#include <portaudio.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace quelvar
{

struct PortAudioTrampoline
{
    static int callback(const void* /*input*/, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags /*status*/,
                        void* user)
    {
        auto* self = static_cast<PortAudioBackend*>(user);
        self->callbacks.fetch_add(1, std::memory_order_relaxed);
        self->renderer(static_cast<float* const*>(output), frames, self->renderUser);
        return paContinue;
    }
};

namespace
{
constexpr PaSampleFormat kFormat = paFloat32 | paNonInterleaved;
constexpr const char* kJackAudioClient = "Quelvar";
constexpr const char* kJackPortNames[] = {"out_0", "out_1"};

bool deviceOnJack(PaDeviceIndex device)
{
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    return api && api->type == paJACK;
}

// A client name as a regular expression that matches only itself.
std::string literally(const std::string& text)
{
    std::string out;
    for (const char c : text)
    {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
            out += '\\';
        out += c;
    }
    return out;
}

// The number PortAudio ends a port's name with ("out_2"): the order the channels came in.
long portNumber(const std::string& name)
{
    const std::size_t underscore = name.rfind('_');
    return underscore == std::string::npos
               ? 0
               : std::strtol(name.c_str() + underscore + 1, nullptr, 10);
}
} // namespace

PortAudioBackend::PortAudioBackend(std::shared_ptr<JackClient> jack) : jack(std::move(jack)) {}

PortAudioBackend::~PortAudioBackend()
{
    if (stream)
        Pa_CloseStream(stream);
}

int PortAudioBackend::initialize()
{
    // The client that the JACK host API opens here keeps this name for the whole run.
    PaJack_SetClientName(kJackAudioClient);
    const PaError e = Pa_Initialize();
    initialized = e == paNoError;
    return e;
}

int PortAudioBackend::terminate()
{
    if (!initialized)
        return paNotInitialized;
    initialized = false;
    // Terminating would wait for the abandoned stream's thread, which never returns.
    return abandoned ? paNoError : Pa_Terminate();
}

std::string PortAudioBackend::errorText(int error) const
{
    const char* text = Pa_GetErrorText(error);
    return text ? text : "";
}

bool PortAudioBackend::refusesRate(int error) const
{
    return error == paInvalidSampleRate;
}

std::vector<int> PortAudioBackend::hostApiTypes() const
{
    std::vector<int> types;
    const PaHostApiIndex n = Pa_GetHostApiCount();
    for (PaHostApiIndex i = 0; i < n; ++i)
        if (const PaHostApiInfo* info = Pa_GetHostApiInfo(i))
            types.push_back(info->type);
    return types;
}

std::vector<AudioDeviceInfo> PortAudioBackend::devices() const
{
    std::vector<AudioDeviceInfo> list;
    const PaDeviceIndex n = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < n; ++i)
    {
        AudioDeviceInfo d;
        if (const PaDeviceInfo* info = Pa_GetDeviceInfo(i))
        {
            d.name = info->name ? info->name : "";
            d.defaultLowOutputLatency = info->defaultLowOutputLatency;
            d.defaultSampleRate = info->defaultSampleRate;
            d.maxOutputChannels = info->maxOutputChannels;
            if (const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi))
                d.hostApiType = api->type;
        }
        list.push_back(d);
    }
    return list;
}

// While a JACK server runs it owns the sound card, and ALSA's default would reach it only through
// a plugin that names the client after the process: JACK's own default output comes first.
int PortAudioBackend::defaultOutputDevice() const
{
    const PaHostApiIndex jackApi = Pa_HostApiTypeIdToHostApiIndex(paJACK);
    if (const PaHostApiInfo* api = jackApi >= 0 ? Pa_GetHostApiInfo(jackApi) : nullptr;
        api && api->defaultOutputDevice != paNoDevice)
        return api->defaultOutputDevice;
    const PaDeviceIndex d = Pa_GetDefaultOutputDevice();
    return d == paNoDevice ? -1 : d;
}

int PortAudioBackend::openStream(int device, double sampleRate, unsigned long frames,
                                 double suggestedLatency, AudioRender render, void* user)
{
    renderer = render;
    renderUser = user;
    PaStreamParameters out{};
    out.device = device;
    out.channelCount = 2;
    out.sampleFormat = kFormat;
    out.suggestedLatency = suggestedLatency;
    PaStream* s = nullptr;
    const PaError e = Pa_OpenStream(&s, nullptr, &out, sampleRate, frames, paNoFlag,
                                    &PortAudioTrampoline::callback, this);
    if (e == paNoError)
    {
        stream = s;
        onJack = deviceOnJack(device);
        nameJackPorts();
    }
    return e;
}

int PortAudioBackend::openDefaultStream(double sampleRate, unsigned long frames, AudioRender render,
                                        void* user)
{
    const int device = defaultOutputDevice();
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    if (!info)
        return paDeviceUnavailable;
    // As the library's own default stream: its default high latency.
    return openStream(device, sampleRate, frames, info->defaultHighOutputLatency, render, user);
}

int PortAudioBackend::startStream()
{
    lastProgress = std::chrono::steady_clock::now();
    return stream ? Pa_StartStream(stream) : paBadStreamPtr;
}

int PortAudioBackend::stopStream()
{
    if (!stream)
        return paBadStreamPtr;
    // Stopping joins the library's thread; one that waits on a vanished device never returns.
    if (Pa_IsStreamActive(stream) == 1 && !callbackWithin(std::chrono::milliseconds(500)))
    {
        abandonStream();
        return paNoError;
    }
    return Pa_StopStream(stream);
}

bool PortAudioBackend::callbackWithin(std::chrono::milliseconds wait) const
{
    const std::uint64_t before = callbacks.load(std::memory_order_relaxed);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline)
    {
        if (callbacks.load(std::memory_order_relaxed) != before)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A sound server that dies can leave the library's thread waiting on it for ever, the stream
// still "active": a second and a half without a callback (ten of the longest buffers) counts as
// the end too.
bool PortAudioBackend::streamActive()
{
    if (!stream || Pa_IsStreamActive(stream) != 1)
        return false;
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t count = callbacks.load(std::memory_order_relaxed);
    if (count != callbacksSeen)
    {
        callbacksSeen = count;
        lastProgress = now;
    }
    return now - lastProgress < std::chrono::milliseconds(1500);
}

void PortAudioBackend::abandonStream()
{
    stream = nullptr;
    abandoned = true;
}

bool PortAudioBackend::streamStopped() const
{
    return !stream || Pa_IsStreamStopped(stream) == 1;
}

int PortAudioBackend::closeStream()
{
    if (!stream)
        return abandoned ? paNoError : paBadStreamPtr;
    const PaError e = Pa_CloseStream(stream);
    if (e == paNoError)
    {
        stream = nullptr;
        onJack = false;
    }
    return e;
}

std::vector<std::string> PortAudioBackend::jackPorts() const
{
    const char* client = nullptr;
    if (!stream || !onJack || !jack || !jack->open() ||
        PaJack_GetClientName(&client) != paNoError || !client)
        return {};
    std::vector<std::string> ports =
        jack->ports("^" + literally(client) + ":", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b)
              { return portNumber(a) < portNumber(b); });
    return ports;
}

void PortAudioBackend::nameJackPorts()
{
    const std::vector<std::string> ports = jackPorts();
    for (std::size_t i = 0; i < ports.size() && i < std::size(kJackPortNames); ++i)
        if (ports[i].substr(ports[i].find(':') + 1) != kJackPortNames[i])
            jack->rename(ports[i], kJackPortNames[i]);
}

// Read while the stream runs: stopping it disconnects its ports.
std::optional<Connections> PortAudioBackend::connections() const
{
    const std::vector<std::string> ports = jackPorts();
    if (ports.empty())
        return std::nullopt;
    Connections peers;
    for (const std::string& port : ports)
        peers.push_back(jack->connections(port));
    return peers;
}

// Starting connected the ports to the device's own; what the user had made counts instead.
void PortAudioBackend::reconnect(const Connections& peers)
{
    const std::vector<std::string> ports = jackPorts();
    for (std::size_t i = 0; i < ports.size() && i < peers.size(); ++i)
    {
        const std::vector<std::string> now = jack->connections(ports[i]);
        for (const std::string& p : now)
            if (std::find(peers[i].begin(), peers[i].end(), p) == peers[i].end())
                jack->disconnect(ports[i], p);
        for (const std::string& p : peers[i])
            if (std::find(now.begin(), now.end(), p) == now.end())
                jack->connect(ports[i], p);
    }
}

} // namespace quelvar
