#include "standalone/PortAudioBackend.h"

#include <portaudio.h>
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
} // namespace

PortAudioBackend::~PortAudioBackend()
{
    if (stream)
        Pa_CloseStream(stream);
}

int PortAudioBackend::initialize()
{
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
            if (const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi))
                d.hostApiType = api->type;
        }
        list.push_back(d);
    }
    return list;
}

int PortAudioBackend::defaultOutputDevice() const
{
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
        stream = s;
    return e;
}

int PortAudioBackend::openDefaultStream(double sampleRate, unsigned long frames, AudioRender render,
                                        void* user)
{
    renderer = render;
    renderUser = user;
    PaStream* s = nullptr;
    const PaError e = Pa_OpenDefaultStream(&s, 0, 2, kFormat, sampleRate, frames,
                                           &PortAudioTrampoline::callback, this);
    if (e == paNoError)
        stream = s;
    return e;
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
        stream = nullptr;
    return e;
}

} // namespace quelvar
