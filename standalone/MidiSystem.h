// What MidiPorts needs of a MIDI system: listing objects, input and output ports and one virtual
// output. RtMidiSystem (ALSA sequencer) and JackMidiSystem are the real ones; tests substitute
// their own. A factory answers null and a port call false where the system failed; nothing is
// thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quelvar
{

enum class MidiApi
{
    none,
    alsa,
    jack,
};

// "ALSA" or "JACK", as stored in the settings; anything else reads as ALSA.
inline MidiApi midiApiFromName(const std::string& name)
{
    return name == "JACK" ? MidiApi::jack : MidiApi::alsa;
}

inline const char* midiApiName(MidiApi api)
{
    switch (api)
    {
    case MidiApi::jack:
        return "JACK";
    case MidiApi::alsa:
        return "ALSA";
    case MidiApi::none:
        break;
    }
    return "none";
}

// Incoming message on the port's input thread: bytes, their count, the callback's user data.
using MidiInputCallback = void (*)(const std::uint8_t* bytes, std::size_t size, void* user);

class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;
    virtual unsigned portCount() = 0;
    // Empty when the name cannot be read.
    virtual std::string portName(unsigned index) = 0;
    // Passes timing messages, drops system exclusive and active sensing.
    virtual bool open(unsigned index, const std::string& localName, MidiInputCallback callback,
                      void* user) = 0;
    // Stops the callback, then closes the port.
    virtual void close() = 0;
};

class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;
    virtual unsigned portCount() = 0;
    virtual std::string portName(unsigned index) = 0;
    virtual bool open(unsigned index, const std::string& localName) = 0;
    virtual bool openVirtual(const std::string& name) = 0;
    virtual void close() = 0;
    // Audio thread.
    virtual void send(const std::uint8_t* bytes, std::size_t size) = 0;
};

// A system that places each outgoing message at its own frame within the audio, so the messages
// need not wait on a thread for their moment. Audio thread.
class MidiScheduler
{
public:
    virtual ~MidiScheduler() = default;
    // As each audio block begins: its frames, at the audio's rate in Hz.
    virtual void blockBegins(unsigned long frames, double rate) = 0;
    // Status, data 1, data 2 in bits 0-23, at this frame of the block that began last, to every
    // open output and the virtual one. False when it cannot be taken (dropped).
    virtual bool schedule(std::uint32_t message, int deltaFrames) = 0;
};

// Watches the system's port list while it lives; destroying it stops the notices.
class MidiPortWatch
{
public:
    virtual ~MidiPortWatch() = default;
};

class MidiSystem
{
public:
    virtual ~MidiSystem() = default;
    virtual std::unique_ptr<MidiInputPort> makeInput(const std::string& clientName) = 0;
    virtual std::unique_ptr<MidiOutputPort> makeOutput(const std::string& clientName) = 0;
    // `changed` runs, on a thread of the system's choosing, after a port appears or goes. Null
    // when the system cannot tell.
    virtual std::unique_ptr<MidiPortWatch> watchPorts(std::function<void()> changed) = 0;
    // For a system whose inputs all arrive at one port of its own: where everything arriving
    // there goes, whoever connected it; null stops it, returning once no call is under way.
    // Others deliver through each open input's callback and ignore this.
    virtual void listen(MidiInputCallback /*callback*/, void* /*user*/) {}
    // Null: outgoing messages are sent through the outputs' send() at their time.
    virtual MidiScheduler* scheduler() { return nullptr; }
};

} // namespace quelvar
