// AudioBackend over PortAudio v19.
#pragma once

#include "standalone/AudioBackend.h"

#include <atomic>
#include <chrono>
#include <cstdint>

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
    bool streamActive() override;
    int closeStream() override;
    void abandonStream() override;

private:
    bool callbackWithin(std::chrono::milliseconds wait) const;

    void* stream = nullptr; // PaStream
    AudioRender renderer = nullptr;
    void* renderUser = nullptr;
    bool initialized = false;
    bool abandoned = false;
    // Counted by the audio thread; a running stream whose count stands still has lost its device.
    std::atomic<std::uint64_t> callbacks{0};
    std::uint64_t callbacksSeen = 0;
    std::chrono::steady_clock::time_point lastProgress{};

    friend struct PortAudioTrampoline;
};

} // namespace quelvar
