#include "standalone/JackMidiSystem.h"

#include "standalone/MidiPorts.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace quelvar
{

namespace
{
constexpr std::uint8_t kSysEx = 0xF0;

// A listing of the other clients' ports, taken when it is asked for its count, and the one
// connection to or from our own port that this object made.
class JackPortList
{
public:
    JackPortList(JackMidiSystem& system, bool sources) : system(system), sources(sources) {}

    unsigned count()
    {
        listed = system.otherPorts(sources);
        return static_cast<unsigned>(listed.size());
    }
    std::string name(unsigned index) const
    {
        return index < listed.size() ? listed[index] : std::string();
    }
    bool connect(unsigned index)
    {
        const std::string own = sources ? system.inputPortName() : system.outputPortName();
        if (index >= listed.size() || own.empty())
            return false;
        peer = listed[index];
        const bool done =
            sources ? system.client().connect(peer, own) : system.client().connect(own, peer);
        if (!done)
            peer.clear();
        return done;
    }
    void disconnect()
    {
        if (peer.empty())
            return;
        const std::string own = sources ? system.inputPortName() : system.outputPortName();
        if (sources)
            system.client().disconnect(peer, own);
        else
            system.client().disconnect(own, peer);
        peer.clear();
    }

private:
    JackMidiSystem& system;
    const bool sources;
    std::vector<std::string> listed;
    std::string peer;
};

// Whatever arrives reaches the program through JackMidiSystem::listen; opening connects.
class JackInput : public MidiInputPort
{
public:
    explicit JackInput(JackMidiSystem& system) : list(system, true) {}
    unsigned portCount() override { return list.count(); }
    std::string portName(unsigned index) override { return list.name(index); }
    bool open(unsigned index, const std::string& /*localName*/, MidiInputCallback /*callback*/,
              void* /*user*/) override
    {
        return list.connect(index);
    }
    void close() override { list.disconnect(); }

private:
    JackPortList list;
};

class JackOutput : public MidiOutputPort
{
public:
    explicit JackOutput(JackMidiSystem& system) : system(system), list(system, false) {}
    unsigned portCount() override { return list.count(); }
    std::string portName(unsigned index) override { return list.name(index); }
    bool open(unsigned index, const std::string& /*localName*/) override
    {
        return list.connect(index);
    }
    // Our output port is the virtual output: it exists while the client does.
    bool openVirtual(const std::string& /*name*/) override
    {
        return !system.outputPortName().empty();
    }
    void close() override { list.disconnect(); }
    // The outgoing notes reach the port through the system's scheduler, at their frames.
    void send(const std::uint8_t* /*bytes*/, std::size_t /*size*/) override {}

private:
    JackMidiSystem& system;
    JackPortList list;
};

class JackWatch : public MidiPortWatch
{
public:
    explicit JackWatch(JackClient& client) : client(client) {}
    ~JackWatch() override { client.setPortNotice(nullptr); }

private:
    JackClient& client;
};
} // namespace

JackMidiSystem::JackMidiSystem(std::shared_ptr<JackClient> client) : jack(std::move(client))
{
    if (!jack->open())
        return;
    in = jack_port_register(jack->handle(), kJackMidiInPort, JACK_DEFAULT_MIDI_TYPE,
                            JackPortIsInput, 0);
    out = jack_port_register(jack->handle(), kVirtualOutputPort, JACK_DEFAULT_MIDI_TYPE,
                             JackPortIsOutput, 0);
    jack->setProcessor(this);
}

JackMidiSystem::~JackMidiSystem()
{
    jack->setProcessor(nullptr);
    if (!jack->isOpen())
        return;
    for (jack_port_t* p : {in, out})
        if (p)
            jack_port_unregister(jack->handle(), p);
}

std::unique_ptr<MidiInputPort> JackMidiSystem::makeInput(const std::string& /*clientName*/)
{
    return jack->isOpen() ? std::make_unique<JackInput>(*this) : nullptr;
}

std::unique_ptr<MidiOutputPort> JackMidiSystem::makeOutput(const std::string& /*clientName*/)
{
    return jack->isOpen() ? std::make_unique<JackOutput>(*this) : nullptr;
}

std::unique_ptr<MidiPortWatch> JackMidiSystem::watchPorts(std::function<void()> changed)
{
    if (!jack->isOpen())
        return nullptr;
    jack->setPortNotice(std::move(changed));
    return std::make_unique<JackWatch>(*jack);
}

void JackMidiSystem::listen(MidiInputCallback callback, void* user)
{
    listener.store(nullptr);
    while (delivering.load() != 0)
        std::this_thread::yield();
    listenerUser.store(user);
    listener.store(callback);
}

std::vector<std::string> JackMidiSystem::otherPorts(bool sources) const
{
    if (!jack->isOpen())
        return {};
    const std::string own = std::string(jack_get_client_name(jack->handle())) + ":";
    std::vector<std::string> list = jack->ports(std::string(), JACK_DEFAULT_MIDI_TYPE,
                                                sources ? JackPortIsOutput : JackPortIsInput);
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&own](const std::string& n) { return n.rfind(own, 0) == 0; }),
               list.end());
    return list;
}

std::string JackMidiSystem::inputPortName() const
{
    return in && jack->isOpen() ? jack_port_name(in) : std::string();
}

std::string JackMidiSystem::outputPortName() const
{
    return out && jack->isOpen() ? jack_port_name(out) : std::string();
}

void JackMidiSystem::blockBegins(unsigned long frames, double rate)
{
    if (!out || !(rate > 0.0) || !jack->isOpen())
        return;
    // The start of the server's current period, exact, and how far into it the callback runs;
    // read again when a period began between the two.
    jack_client_t* c = jack->handle();
    jack_nframes_t periodStart = 0;
    jack_nframes_t into = 0;
    do
    {
        periodStart = jack_last_frame_time(c);
        into = jack_frames_since_cycle_start(c);
    } while (jack_last_frame_time(c) != periodStart);
    const jack_nframes_t now = periodStart + into;
    // The 32-bit frame time wraps every day or so at 48 kHz.
    if (now < lastFrameTime && lastFrameTime - now > 0x80000000u)
        wrappedFrames += 4294967296.0;
    lastFrameTime = now;
    framesPerAudioFrame = jack_get_sample_rate(c) / rate;
    const double length = static_cast<double>(frames) * framesPerAudioFrame;
    // An overrun moves the audio against the server's periods by a period or more: followed at
    // once. Less is how a block shorter than a period sits in it, or wake-up delay.
    const double tolerance = 0.75 * jack_get_buffer_size(c);
    blockEnd = clock.start(wrappedFrames + now, length, tolerance) + length;
}

// Due one period after the end of its block: by then the block is rendered and the message
// waits in the ring, however late in a period the audio callback ran.
bool JackMidiSystem::schedule(std::uint32_t message, int deltaFrames)
{
    const double due = blockEnd + deltaFrames * framesPerAudioFrame;
    return scheduled.push(
        {message, static_cast<jack_nframes_t>(static_cast<std::uint64_t>(std::llround(due)))});
}

void JackMidiSystem::process(jack_nframes_t frames)
{
    deliverInput(frames);
    writeOutput(frames);
}

void JackMidiSystem::deliverInput(jack_nframes_t frames)
{
    if (!in)
        return;
    void* buffer = jack_port_get_buffer(in, frames);
    delivering.fetch_add(1);
    if (const MidiInputCallback callback = listener.load())
    {
        void* user = listenerUser.load();
        const std::uint32_t n = jack_midi_get_event_count(buffer);
        for (std::uint32_t i = 0; i < n; ++i)
        {
            jack_midi_event_t e{};
            // System exclusive is not for us, as on the other MIDI system.
            if (jack_midi_event_get(&e, buffer, i) == 0 && e.size > 0 && e.buffer[0] != kSysEx)
                callback(e.buffer, e.size, user);
        }
    }
    delivering.fetch_sub(1);
}

void JackMidiSystem::takeScheduled()
{
    Timed t{};
    while (pendingCount < pending.size() && scheduled.pop(t))
    {
        // Mostly in time order already; inserting from the back keeps equal times in the order
        // they came.
        std::size_t at = pendingCount;
        while (at > 0 && static_cast<std::int32_t>(pending[at - 1].dueFrame - t.dueFrame) > 0)
        {
            pending[at] = pending[at - 1];
            --at;
        }
        pending[at] = t;
        ++pendingCount;
    }
}

void JackMidiSystem::writeOutput(jack_nframes_t frames)
{
    if (!out)
        return;
    void* buffer = jack_port_get_buffer(out, frames);
    jack_midi_clear_buffer(buffer);
    takeScheduled();
    if (pendingCount == 0)
        return;
    const jack_nframes_t periodStart = jack_last_frame_time(jack->handle());
    std::size_t done = 0;
    jack_nframes_t last = 0;
    for (; done < pendingCount; ++done)
    {
        const Timed& t = pending[done];
        // Frame times wrap; their difference does not. Late (after an overrun): at once.
        const std::int64_t offset =
            std::max(0, static_cast<std::int32_t>(t.dueFrame + frames - periodStart));
        if (offset >= static_cast<std::int64_t>(frames))
            break;
        const auto at = std::max(static_cast<jack_nframes_t>(offset), last);
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(t.message & 0xFF),
                                       static_cast<std::uint8_t>((t.message >> 8) & 0xFF),
                                       static_cast<std::uint8_t>((t.message >> 16) & 0xFF)};
        jack_midi_event_write(buffer, at, bytes, sizeof bytes);
        last = at;
    }
    std::copy(pending.begin() + static_cast<std::ptrdiff_t>(done),
              pending.begin() + static_cast<std::ptrdiff_t>(pendingCount), pending.begin());
    pendingCount -= done;
}

} // namespace quelvar
