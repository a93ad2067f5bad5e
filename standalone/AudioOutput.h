// The sound-card output: lists the audio library's host APIs and devices, opens one stream of two
// non-interleaved float channels and reopens it when the device, rate or buffer size changes.
// Main thread; the stream's callback renders through the EngineFeed on the library's thread.
#pragma once

#include "standalone/AudioBackend.h"
#include "standalone/EngineFeed.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

constexpr int kAsioHostApi = 3;
constexpr int kDefaultSampleRate = 44100;
constexpr int kDefaultBufferSize = 512;

struct AudioDeviceEntry
{
    int index = -1;
    std::string name;
    int hostApiType = 0;
    double defaultLowOutputLatency = 0.0; // seconds
    double defaultSampleRate = 0.0;       // Hz; 0: unknown
    int maxOutputChannels = 2;
};

class AudioOutput
{
public:
    AudioOutput(EngineFeed& feed, std::unique_ptr<AudioBackend> backend);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // The stored choices, before the first open; nothing is reopened.
    void configure(int sampleRateHz, int frames);

    bool initialize();
    bool open(const std::string& name, int type, int channelChoice);
    bool openDefault();
    bool start();
    bool stop();
    bool close();
    void terminate();

    // Reconfiguration from the dialog; each answers whether the change took effect. A change the
    // library refuses leaves the setting that worked before in force, playing again, and says why
    // in failure(). A device that plays at one rate only (a JACK server) plays at its own rate
    // whatever rate was asked for, and failure() says so.
    bool selectDevice(const std::string& name, int type, int channelChoice);
    bool setSampleRate(int rate);
    bool setBufferSize(int frames);
    bool setChannel(int channelChoice);
    // The library's words for the last open or start that failed; empty after a success.
    const std::string& failure() const { return lastFailure; }

    std::string currentDeviceName() const;
    int currentHostApiType() const;
    // type -1: the open device's type.
    std::vector<AudioDeviceEntry> devicesOfType(int type) const;
    // The stream is the library's default output, opened because no device was named or the
    // named one is not there.
    bool onDefaultOutput() const { return opened && onDefault; }
    // The type to show when no device is open: the default output's, else the first offered.
    int defaultHostApiType() const;

    const std::vector<int>& getHostApiTypes() const { return hostApiTypes; }
    static const std::vector<int>& sampleRates();
    static const std::vector<int>& bufferSizes();
    // The dialog's text for a host API type; empty for one it does not know.
    static std::string hostApiName(int type);

    int getSampleRate() const { return sampleRate; }
    int getBufferSize() const { return bufferSize; }
    int getDeviceIndex() const { return deviceIndex; }
    int getChannel() const { return channel; }
    bool isOpened() const { return opened; }
    bool isRunning() const { return running; }
    // A started stream whose callbacks have ended on their own: the device or the sound server
    // went away. releaseLostStream closes it, so a later choice in the dialog opens afresh.
    bool streamLost();
    void releaseLostStream();

private:
    void shutStream();
    // Closed, then the device opened, the engine and transport told its rate and size, started.
    bool reopen(const std::string& name, int type, int channelChoice);
    // A stream on `device` (null: the library's default) at the rate in force, else at the
    // device's own rate when it refuses that one. 0 or the library's error.
    int openStreamOn(const AudioDeviceEntry* device);
    void report(const char* what, int error);
    // After a refused change: the device, rate and size that worked, reopened and started.
    void restore(const std::string& name, int type, int channelChoice, int rate, int frames);
    const AudioDeviceEntry* entry(int index) const;

    EngineFeed& feed;
    std::unique_ptr<AudioBackend> backend;
    std::vector<AudioDeviceEntry> devices;
    std::vector<int> hostApiTypes;
    bool initialized = false;
    bool opened = false;
    bool running = false;
    bool onDefault = false;
    int sampleRate = kDefaultSampleRate;
    int bufferSize = 256;
    int deviceIndex = -1;
    int channel = 0;
    std::string lastFailure;
    struct KeptConnections
    {
        std::string name;
        int type = 0;
        std::optional<Connections> peers;
    };
    KeptConnections kept; // of the device last closed for a reopen
};

} // namespace quelvar
