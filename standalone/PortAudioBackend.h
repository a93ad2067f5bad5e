// AudioBackend over PortAudio v19.
#pragma once

#include "standalone/AudioBackend.h"

namespace quelvar
{

class PortAudioBackend : public AudioBackend
{
public:
    ~PortAudioBackend() override;

    int initialize() override;
    int terminate() override;
    std::string errorText(int error) const override;

    std::vector<int> hostApiTypes() const override;
    std::vector<AudioDeviceInfo> devices() const override;
    int defaultOutputDevice() const override;

    int openStream(int device, double sampleRate, unsigned long frames, double suggestedLatency,
                   AudioRender render, void* user) override;
    int openDefaultStream(double sampleRate, unsigned long frames, AudioRender render,
                          void* user) override;
    int startStream() override;
    int stopStream() override;
    bool streamStopped() const override;
    int closeStream() override;

private:
    void* stream = nullptr; // PaStream
    AudioRender renderer = nullptr;
    void* renderUser = nullptr;
    bool initialized = false;

    friend struct PortAudioTrampoline;
};

} // namespace quelvar
