#include "standalone/RtMidiSystem.h"

#include "standalone/portWatches.h"

#include <RtMidi.h>

namespace quelvar
{

namespace
{
// RtMidi prints its warnings itself; its errors arrive here as exceptions.
void report(const RtMidiError& e)
{
    e.printMessage();
}

// Without a callback RtMidi prints warnings and throws errors; an open output's send() runs on
// the audio thread, where neither may happen, so from then on they are dropped.
void ignoreError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* /*user*/) {}

class RtInput : public MidiInputPort
{
public:
    explicit RtInput(std::unique_ptr<RtMidiIn> in) : in(std::move(in)) {}

    unsigned portCount() override
    {
        try
        {
            return in->getPortCount();
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return 0;
        }
    }

    std::string portName(unsigned index) override
    {
        try
        {
            return in->getPortName(index);
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return {};
        }
    }

    bool open(unsigned index, const std::string& localName, MidiInputCallback cb,
              void* user) override
    {
        callback = cb;
        callbackUser = user;
        try
        {
            in->setCallback(&RtInput::receive, this);
            in->ignoreTypes(true, false, true);
            in->openPort(index, localName);
            return in->isPortOpen();
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return false;
        }
    }

    void close() override
    {
        try
        {
            in->cancelCallback();
            in->closePort();
        }
        catch (const RtMidiError& e)
        {
            report(e);
        }
    }

private:
    static void receive(double /*timeStamp*/, std::vector<unsigned char>* message, void* self)
    {
        auto* me = static_cast<RtInput*>(self);
        if (message && me->callback)
            me->callback(message->data(), message->size(), me->callbackUser);
    }

    std::unique_ptr<RtMidiIn> in;
    MidiInputCallback callback = nullptr;
    void* callbackUser = nullptr;
};

class RtOutput : public MidiOutputPort
{
public:
    explicit RtOutput(std::unique_ptr<RtMidiOut> out) : out(std::move(out)) {}

    unsigned portCount() override
    {
        try
        {
            return out->getPortCount();
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return 0;
        }
    }

    std::string portName(unsigned index) override
    {
        try
        {
            return out->getPortName(index);
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return {};
        }
    }

    bool open(unsigned index, const std::string& localName) override
    {
        try
        {
            out->openPort(index, localName);
            if (!out->isPortOpen())
                return false;
            out->setErrorCallback(&ignoreError);
            return true;
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return false;
        }
    }

    // isPortOpen() answers false for virtual ports, so success is the absence of an error.
    bool openVirtual(const std::string& name) override
    {
        try
        {
            out->openVirtualPort(name);
            out->setErrorCallback(&ignoreError);
            return true;
        }
        catch (const RtMidiError& e)
        {
            report(e);
            return false;
        }
    }

    void close() override
    {
        try
        {
            out->closePort();
        }
        catch (const RtMidiError& e)
        {
            report(e);
        }
    }

    void send(const std::uint8_t* bytes, std::size_t size) override
    {
        try
        {
            out->sendMessage(bytes, size);
        }
        catch (const RtMidiError&)
        {
            // The audio thread prints nothing; a message that cannot go out is lost.
        }
    }

private:
    std::unique_ptr<RtMidiOut> out;
};

template <typename T, typename... Args>
std::unique_ptr<T> construct(Args&&... args)
{
    try
    {
        return std::make_unique<T>(std::forward<Args>(args)...);
    }
    catch (const RtMidiError& e)
    {
        report(e);
        return nullptr;
    }
}
} // namespace

bool RtMidiSystem::available()
{
    try
    {
        RtMidiIn probe(RtMidi::LINUX_ALSA, "RtMidi Input Client");
        return true;
    }
    catch (const RtMidiError&)
    {
        return false;
    }
}

std::unique_ptr<MidiInputPort> RtMidiSystem::makeInput(const std::string& clientName)
{
    auto in = construct<RtMidiIn>(RtMidi::LINUX_ALSA, clientName, 100u);
    return in ? std::make_unique<RtInput>(std::move(in)) : nullptr;
}

std::unique_ptr<MidiOutputPort> RtMidiSystem::makeOutput(const std::string& clientName)
{
    auto out = construct<RtMidiOut>(RtMidi::LINUX_ALSA, clientName);
    return out ? std::make_unique<RtOutput>(std::move(out)) : nullptr;
}

std::unique_ptr<MidiPortWatch> RtMidiSystem::watchPorts(std::function<void()> changed)
{
    return watchAlsaPorts(std::move(changed));
}

} // namespace quelvar
