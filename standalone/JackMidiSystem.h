// MidiSystem over JACK MIDI, on the program's own client "Quelvar MIDI": one input port, "MIDI In",
// that every chosen source is connected to, and one output port, "Quelvar Virtual MIDI Out",
// connected to every chosen destination and open to anyone else. Outgoing messages leave at their
// frame within the period, a fixed latency (a period and an audio block) after the render of the
// audio they belong to: each audio block is placed on the server's frame clock as it begins. Main
// thread, except blockBegins() and schedule() (the audio thread) and the processing (JACK's
// real-time thread).
#pragma once

#include "dsp/SpscRing.h"
#include "standalone/BlockClock.h"
#include "standalone/JackClient.h"
#include "standalone/MidiSystem.h"

#include <array>
#include <atomic>
#include <memory>

namespace quelvar
{

constexpr const char* kJackMidiInPort = "MIDI In";

class JackMidiSystem : public MidiSystem, public MidiScheduler, private JackProcessor
{
public:
    // Opens the client when it can; without a server there are no ports.
    explicit JackMidiSystem(std::shared_ptr<JackClient> client);
    ~JackMidiSystem() override;

    std::unique_ptr<MidiInputPort> makeInput(const std::string& clientName) override;
    std::unique_ptr<MidiOutputPort> makeOutput(const std::string& clientName) override;
    std::unique_ptr<MidiPortWatch> watchPorts(std::function<void()> changed) override;
    void listen(MidiInputCallback callback, void* user) override;
    MidiScheduler* scheduler() override { return out ? this : nullptr; }
    void blockBegins(unsigned long frames, double rate) override;
    bool schedule(std::uint32_t message, int deltaFrames) override;

    // The MIDI ports of other clients: sources (inputs for us) or destinations.
    std::vector<std::string> otherPorts(bool sources) const;
    // Full names of our two ports; empty without a client.
    std::string inputPortName() const;
    std::string outputPortName() const;
    JackClient& client() { return *jack; }

private:
    struct Timed
    {
        std::uint32_t message;
        jack_nframes_t dueFrame; // on the server's clock, which wraps
    };
    static constexpr std::size_t kCapacity = 1024;

    void process(jack_nframes_t frames) override;
    void deliverInput(jack_nframes_t frames);
    void writeOutput(jack_nframes_t frames);
    // Moves what the audio thread scheduled into `pending`, kept in order of time.
    void takeScheduled();

    std::shared_ptr<JackClient> jack;
    jack_port_t* in = nullptr;  // written before processing starts
    jack_port_t* out = nullptr; // written before processing starts

    // Audio thread: where the block being rendered ends on the server's clock (unwrapped), and
    // server frames per audio frame.
    BlockClock clock;
    double blockEnd = 0.0;
    double framesPerAudioFrame = 1.0;
    jack_nframes_t lastFrameTime = 0;
    double wrappedFrames = 0.0; // 2^32 for each wrap of the server's frame time seen so far

    SpscRing<Timed, kCapacity> scheduled;
    std::array<Timed, kCapacity> pending{}; // JACK's thread
    std::size_t pendingCount = 0;           // JACK's thread

    // As in JackClient: the reader counts itself in, the main thread clears and waits. The user
    // is stored before the callback, so a reader that sees the callback sees its user.
    std::atomic<MidiInputCallback> listener{nullptr};
    std::atomic<void*> listenerUser{nullptr};
    std::atomic<int> delivering{0};
};

} // namespace quelvar
