// What MidiPorts needs of the MIDI library: listing objects, input and output ports and one
// virtual output. RtMidiSystem is the real one; tests substitute their own. A factory answers
// null and a port call false where the library failed; nothing is thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quelvar
{

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
};

} // namespace quelvar
