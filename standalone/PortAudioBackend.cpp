#include "standalone/PortAudioBackend.h"

#include <portaudio.h>

namespace quelvar
{

struct PortAudioTrampoline
{
    static int callback(const void* /*input*/, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* /*time*/,
                        PaStreamCallbackFlags /*status*/, void* user)
    {
        auto* self = static_cast<PortAudioBackend*>(user);
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
    return Pa_Terminate();
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
            d.maxOutputChannels = info->maxOutputChannels;
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

int PortAudioBackend::openDefaultStream(double sampleRate, unsigned long frames,
                                        AudioRender render, void* user)
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
    return stream ? Pa_StartStream(stream) : paBadStreamPtr;
}

int PortAudioBackend::stopStream()
{
    return stream ? Pa_StopStream(stream) : paBadStreamPtr;
}

bool PortAudioBackend::streamStopped() const
{
    return !stream || Pa_IsStreamStopped(stream) == 1;
}

int PortAudioBackend::closeStream()
{
    if (!stream)
        return paBadStreamPtr;
    const PaError e = Pa_CloseStream(stream);
    if (e == paNoError)
        stream = nullptr;
    return e;
}

} // namespace quelvar
