// AudioBackend over PortAudio v19. On a JACK server its client is "Quelvar", and a stream opened
// again keeps its ports' names and, when asked, their connections (through the program's own JACK
// client, which may look at and change any port).
#pragma once

#include "standalone/AudioBackend.h"
#include "standalone/JackClient.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace quelvar
{

class PortAudioBackend : public AudioBackend
{
public:
    explicit PortAudioBackend(std::shared_ptr<JackClient> jack);
    ~PortAudioBackend() override;

    int initialize() override;
    int terminate() override;
    std::string errorText(int error) const override;
    bool refusesRate(int error) const override;

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
    std::optional<Connections> connections() const override;
    void reconnect(const Connections& peers) override;

private:
    bool callbackWithin(std::chrono::milliseconds wait) const;
    // The open stream's JACK output ports, one per channel; none off JACK.
    std::vector<std::string> jackPorts() const;
    // The names the ports had at the first open; a later stream's ports are numbered on.
    void nameJackPorts();

    std::shared_ptr<JackClient> jack;
    bool onJack = false; // the open stream is on the JACK host API

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
