// Stand-ins for the audio and MIDI libraries, and the Qt set-up shared by the standalone tests.
// Their state is shared with the test, so it stays visible after the host takes ownership.
#pragma once

#include "standalone/AudioBackend.h"
#include "standalone/MidiSystem.h"
#include "vst2/VstInterface.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace quelvar::test
{

struct FakeAudio
{
    std::vector<int> hostApis{8, 12};
    std::vector<AudioDeviceInfo> devices{
        {"default", 8, 0.01}, {"hw:0", 8, 0.005}, {"system", 12, 0.01}, {"hw:0", 12, 0.01}};
    int defaultDevice = 0;
    bool failNamedOpen = false;
    bool failDefaultOpen = false;
    std::set<double> refusedRates; // opens at these rates fail, as "Invalid sample rate"
    std::set<int> refusedDevices;  // named opens of these devices fail

    struct Open
    {
        int device; // -1: the default stream
        double rate;
        unsigned long frames;
    };
    std::vector<Open> opens;
    int closes = 0;
    bool streamRunning = false;
    bool streamLost = false; // the device went away under a running stream
    int abandons = 0;
    std::optional<Connections> portConnections; // of the open stream's ports, where it has any
    std::vector<Connections> reconnects;        // each reconnect asked for
    AudioRender render = nullptr;
    void* user = nullptr;

    // Runs one callback as the library would; false when no stream runs.
    bool pull(std::array<std::vector<float>, 2>& out, unsigned long frames);
};

class FakeAudioBackend : public AudioBackend
{
public:
    explicit FakeAudioBackend(std::shared_ptr<FakeAudio> state) : s(std::move(state)) {}
    int initialize() override { return 0; }
    int terminate() override { return 0; }
    std::string errorText(int error) const override { return "fake error " + std::to_string(error); }
    bool refusesRate(int error) const override { return error == -9997; }
    std::vector<int> hostApiTypes() const override { return s->hostApis; }
    std::vector<AudioDeviceInfo> devices() const override { return s->devices; }
    int defaultOutputDevice() const override { return s->defaultDevice; }
    int openStream(int device, double rate, unsigned long frames, double, AudioRender render,
                   void* user) override;
    int openDefaultStream(double rate, unsigned long frames, AudioRender render,
                          void* user) override;
    int startStream() override;
    int stopStream() override;
    bool streamStopped() const override { return !s->streamRunning; }
    bool streamActive() override { return s->streamRunning && !s->streamLost; }
    void abandonStream() override
    {
        s->streamRunning = false;
        ++s->abandons;
    }
    int closeStream() override;
    std::optional<Connections> connections() const override { return s->portConnections; }
    void reconnect(const Connections& peers) override { s->reconnects.push_back(peers); }

private:
    std::shared_ptr<FakeAudio> s;
};

struct FakeMidi
{
    std::vector<std::string> inputs{"keys:out", "clock:out"};
    std::vector<std::string> outputs{"synth:in", "monitor:in"};
    bool broken = false; // every construction fails, as RtMidi without its system
    // Where the system lists a virtual output among the inputs once it exists: first, as JACK
    // may when the port takes a freed slot.
    bool virtualListedFirst = true;
    std::function<void()> portsChanged; // the watch's notice, while one is set

    struct Client
    {
        std::string name;
        int openedPort = -1; // -1 none
        std::string openedName;
        std::string virtualPort;
        std::vector<std::array<std::uint8_t, 3>> sent;
        std::vector<std::int64_t> sentAtNs;          // steady_clock, one per message sent
        std::vector<std::thread::id> sentFromThread; // one per message sent
        MidiInputCallback callback = nullptr;
        void* user = nullptr;
        bool closed = false;

        // An incoming message, as the port's input thread hands it over.
        void deliver(std::vector<std::uint8_t> bytes) const
        {
            callback(bytes.data(), bytes.size(), user);
        }
    };
    std::vector<std::shared_ptr<Client>> clients;

    // The open input client for a port, to feed messages through its callback.
    Client* inputOn(const std::string& port);
    Client* outputOn(const std::string& port);
    Client* virtualOutput();
    // A device appears, and the watch says so.
    void plug(std::vector<std::string>& list, const std::string& port);
};

class FakeMidiSystem : public MidiSystem
{
public:
    explicit FakeMidiSystem(std::shared_ptr<FakeMidi> state) : s(std::move(state)) {}
    std::unique_ptr<MidiInputPort> makeInput(const std::string& clientName) override;
    std::unique_ptr<MidiOutputPort> makeOutput(const std::string& clientName) override;
    std::unique_ptr<MidiPortWatch> watchPorts(std::function<void()> changed) override;

private:
    std::shared_ptr<FakeMidi> s;
};

// Status, data 1 and data 2 of each event in a drained list; empty for none.
std::vector<std::array<int, 3>> midiBytesOf(const VstEvents* list);

// A fresh settings store and data folder for each test that wants one.
class QtTestPaths
{
public:
    QtTestPaths();
    ~QtTestPaths();
    QString statePath() const;
    QString root;
};

} // namespace quelvar::test
