// What AudioOutput needs of the audio library: host APIs, devices and one output stream of two
// non-interleaved float channels. PortAudioBackend is the real one; tests substitute their own.
// Main thread, except that the render callback runs on the library's audio thread.
#pragma once

#include <string>
#include <vector>

namespace quelvar
{

struct AudioDeviceInfo
{
    std::string name;
    int hostApiType = 0;
    double defaultLowOutputLatency = 0.0; // seconds
};

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
};

} // namespace quelvar
