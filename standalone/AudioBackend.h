// What AudioOutput needs of the audio library: host APIs, devices and one output stream of two
// non-interleaved float channels. PortAudioBackend is the real one; tests substitute their own.
// Main thread, except that the render callback runs on the library's audio thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

struct AudioDeviceInfo
{
    std::string name;
    int hostApiType = 0;
    double defaultLowOutputLatency = 0.0; // seconds
    double defaultSampleRate = 0.0;       // Hz; 0 when the library does not say
    int maxOutputChannels = 2;
};

// Per channel, the full names of the ports it is connected to.
using Connections = std::vector<std::vector<std::string>>;

// Fills outputs[0] and outputs[1] with `frames` samples. Audio thread.
using AudioRender = void (*)(float* const* outputs, unsigned long frames, void* user);

class AudioBackend
{
public:
    virtual ~AudioBackend() = default;

    // 0 on success, else a library error code for errorText.
    virtual int initialize() = 0;
    virtual int terminate() = 0;
    virtual std::string errorText(int error) const = 0;
    // The error of an open refused for its sample rate alone.
    virtual bool refusesRate(int error) const = 0;

    virtual std::vector<int> hostApiTypes() const = 0;
    virtual std::vector<AudioDeviceInfo> devices() const = 0;
    // Library index of the default output device, -1 when there is none.
    virtual int defaultOutputDevice() const = 0;

    // One stream at a time.
    virtual int openStream(int device, double sampleRate, unsigned long frames,
                           double suggestedLatency, AudioRender render, void* user) = 0;
    virtual int openDefaultStream(double sampleRate, unsigned long frames, AudioRender render,
                                  void* user) = 0;
    virtual int startStream() = 0;
    virtual int stopStream() = 0;
    virtual bool streamStopped() const = 0;
    // False once the callbacks have ended: stopped, or the device or server went away. Called
    // about once a second while the stream should be running.
    virtual bool streamActive() = 0;
    virtual int closeStream() = 0;
    // Lets go of a stream that can no longer be stopped or closed (its library thread hangs on a
    // vanished device); the library is then not terminated either.
    virtual void abandonStream() = 0;

    // For a stream whose ports others connect to (on a JACK server): the ports each channel's
    // port is connected to. Nothing for a stream without such ports.
    virtual std::optional<Connections> connections() const { return std::nullopt; }
    // After the same device was opened again: each channel's port connected to exactly these.
    virtual void reconnect(const Connections& /*peers*/) {}
};

} // namespace quelvar
