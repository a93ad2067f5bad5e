#include "standalone/MidiPorts.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

namespace quelvar
{

namespace
{
constexpr std::uint8_t kSongPosition = 0xF2;
constexpr std::uint8_t kClock = 0xF8;
constexpr std::uint8_t kStart = 0xFA;
constexpr std::uint8_t kContinue = 0xFB;
constexpr std::uint8_t kStop = 0xFC;
constexpr std::uint8_t kActiveSensing = 0xFE;
constexpr std::uint8_t kReset = 0xFF;

long long monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

template <typename Port>
void listPorts(Port* port, const char* label, std::vector<std::string>& names,
               std::map<std::string, int>& byName)
{
    if (!port)
        return;
    const unsigned n = port->portCount();
    for (unsigned i = 0; i < n; ++i)
    {
        const std::string name = port->portName(i);
        std::cout << label << i + 1 << ": " << name << '\n';
        byName[name] = static_cast<int>(i);
        names.push_back(name);
    }
}
} // namespace

MidiPorts::MidiPorts(MidiSystem& system, EngineEventQueue& queue, TransportRecord& transport)
    : system(system), queue(queue), transport(transport)
{
    listPorts(system.makeInput("RtMidi Input Client").get(), "  Input Port #", inputNames,
              inputByName);
    listPorts(system.makeOutput("RtMidi Output Client").get(), "  Output Port #", outputNames,
              outputByName);
    virtualOutput = system.makeOutput(kVirtualOutputClient);
    if (virtualOutput && !virtualOutput->openVirtual(kVirtualOutputPort))
        virtualOutput.reset();
}

MidiPorts::~MidiPorts()
{
    closeAll();
}

int MidiPorts::inputIndex(const std::string& name) const
{
    const auto it = inputByName.find(name);
    return it == inputByName.end() ? 0 : it->second;
}

int MidiPorts::outputIndex(const std::string& name) const
{
    const auto it = outputByName.find(name);
    return it == outputByName.end() ? 0 : it->second;
}

bool MidiPorts::openInput(int index)
{
    if (index < 0 || index >= inputCount() || isInputOpen(index))
        return false;
    auto port = system.makeInput("RtMidi Input Client");
    if (!port || !port->open(static_cast<unsigned>(index), "RtMidi Input", &inputCallback, this))
        return false;
    inputs[index] = std::move(port);
    openInputs.push_back(index);
    return true;
}

bool MidiPorts::closeInput(int index)
{
    if (index < 0 || index >= inputCount())
        return false;
    const auto it = inputs.find(index);
    if (it != inputs.end())
    {
        it->second->close();
        inputs.erase(it);
    }
    openInputs.erase(std::remove(openInputs.begin(), openInputs.end(), index), openInputs.end());
    return true;
}

bool MidiPorts::openOutput(int index)
{
    if (index < 0 || index >= outputCount() || isOutputOpen(index))
        return false;
    auto port = system.makeOutput("RtMidi Output Client");
    if (!port || !port->open(static_cast<unsigned>(index), "RtMidi Output"))
        return false;
    beginOutputChange();
    outputs[index] = std::move(port);
    openOutputs.push_back(index);
    endOutputChange();
    return true;
}

bool MidiPorts::closeOutput(int index)
{
    if (index < 0 || index >= outputCount())
        return false;
    beginOutputChange();
    const auto it = outputs.find(index);
    if (it != outputs.end())
    {
        it->second->close();
        outputs.erase(it);
    }
    openOutputs.erase(std::remove(openOutputs.begin(), openOutputs.end(), index),
                      openOutputs.end());
    endOutputChange();
    return true;
}

void MidiPorts::closeAll()
{
    for (auto& [index, port] : inputs)
        port->close();
    inputs.clear();
    openInputs.clear();
    beginOutputChange();
    for (auto& [index, port] : outputs)
        port->close();
    outputs.clear();
    openOutputs.clear();
    if (virtualOutput)
        virtualOutput->close();
    virtualOutput.reset();
    endOutputChange();
}

std::vector<std::string> MidiPorts::openInputNames() const
{
    std::vector<std::string> names;
    for (int i : openInputs)
        names.push_back(inputNames[static_cast<std::size_t>(i)]);
    return names;
}

std::vector<std::string> MidiPorts::openOutputNames() const
{
    std::vector<std::string> names;
    for (int i : openOutputs)
        names.push_back(outputNames[static_cast<std::size_t>(i)]);
    return names;
}

void MidiPorts::beginOutputChange()
{
    closing.store(true);
    while (sendersInside.load() != 0)
        std::this_thread::yield();
}

void MidiPorts::endOutputChange()
{
    closing.store(false);
}

bool MidiPorts::send(std::uint32_t message)
{
    sendersInside.fetch_add(1);
    if (closing.load())
    {
        sendersInside.fetch_sub(1);
        return false;
    }
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(message & 0xFF),
                                   static_cast<std::uint8_t>((message >> 8) & 0xFF),
                                   static_cast<std::uint8_t>((message >> 16) & 0xFF)};
    for (int i : openOutputs)
        outputs.find(i)->second->send(bytes, sizeof bytes);
    if (virtualOutput)
        virtualOutput->send(bytes, sizeof bytes);
    sendersInside.fetch_sub(1);
    return true;
}

void MidiPorts::inputCallback(const std::uint8_t* bytes, std::size_t size, void* self)
{
    static_cast<MidiPorts*>(self)->receive(bytes, size, monotonicMs());
}

void MidiPorts::receive(const std::uint8_t* bytes, std::size_t size, long long nowMs)
{
    if (!bytes || size == 0)
        return;
    const std::uint8_t status = bytes[0];
    const std::uint32_t data1 = size > 1 ? bytes[1] : 0;
    const std::uint32_t data2 = size > 2 ? bytes[2] : 0;
    switch (status)
    {
    case kSongPosition:
    case kActiveSensing:
    case kReset:
        return;
    case kStart:
        transport.start();
        return;
    case kContinue:
        transport.continuePlaying();
        return;
    case kStop:
        transport.stop();
        return;
    case kClock:
        transport.clockTick(nowMs);
        return;
    default:
        queue.push(status | data1 << 8 | data2 << 16);
        return;
    }
}

} // namespace quelvar
