// The program's own JACK client, "Quelvar MIDI", opened while a server runs. It carries the MIDI
// ports (JackMidiSystem), tells when ports come or go, and lets the audio output look at, rename
// and restore its ports' connections. Main thread, except the processor (JACK's real-time thread)
// and the port notice (JACK's notification thread).
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace quelvar
{

constexpr const char* kJackMidiClient = "Quelvar MIDI";

// Work done once per JACK period, on the real-time thread: no lock, no allocation.
class JackProcessor
{
public:
    virtual ~JackProcessor() = default;
    virtual void process(jack_nframes_t frames) = 0;
};

class JackClient
{
public:
    JackClient() = default;
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // Opens and activates the client unless it is open. False when no server runs, or when the
    // server of the open client went away; never starts one.
    bool open();
    bool isOpen() const;
    jack_client_t* handle() const { return client; }

    // Runs once per period from now on; null stops it. Returns once the previous one no longer
    // runs.
    void setProcessor(JackProcessor* p);
    // Runs on JACK's notification thread after a port appears or goes; null stops it. Returns
    // once the previous one no longer runs.
    void setPortNotice(std::function<void()> notice);

    // Full names of the ports whose names match the regular expression, of the type and flags.
    std::vector<std::string> ports(const std::string& pattern, const char* type,
                                   unsigned long flags) const;
    // Full names of the ports connected to `port`.
    std::vector<std::string> connections(const std::string& port) const;
    bool connect(const std::string& source, const std::string& destination);
    bool disconnect(const std::string& source, const std::string& destination);
    // Gives a port, ours or another client's, a new short name.
    bool rename(const std::string& port, const std::string& shortName);

private:
    static int processCallback(jack_nframes_t frames, void* self);
    static void registrationCallback(jack_port_id_t port, int registered, void* self);
    static void shutdownCallback(jack_status_t code, const char* reason, void* self);

    jack_client_t* client = nullptr;
    std::atomic<bool> serverGone{false};
    // A caller counts itself in before it looks at the pointer; the main thread clears the
    // pointer, then waits for the count to reach zero. Sequentially consistent, so one of them
    // always sees the other.
    std::atomic<JackProcessor*> processor{nullptr};
    std::atomic<int> processing{0};
    std::atomic<bool> noticing{false};
    std::atomic<int> notifying{0};
    std::function<void()> portNotice; // written only while `noticing` is false and nobody notifies
};

} // namespace quelvar
