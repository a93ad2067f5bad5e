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

constexpr const char* kInputClient = "RtMidi Input Client";
constexpr const char* kOutputClient = "RtMidi Output Client";

// Ours: an input on our own virtual output would feed our notes back to us.
bool isOwnPort(const std::string& name)
{
    return name.find(kVirtualOutputPort) != std::string::npos;
}

// The ALSA sequencer ends a port name with the port's address ("... 24:0"), which changes when a
// device is plugged in again; the name before it stays.
std::string withoutAddress(const std::string& name)
{
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos || space + 1 == name.size())
        return name;
    const std::string tail = name.substr(space + 1);
    const std::size_t colon = tail.find(':');
    const bool address = colon != std::string::npos && colon > 0 && colon + 1 < tail.size() &&
                         tail.find_first_not_of("0123456789:") == std::string::npos;
    return address ? name.substr(0, space) : name;
}

bool samePort(const std::string& listed, const std::string& wanted)
{
    return listed == wanted || withoutAddress(listed) == withoutAddress(wanted);
}

template <typename Port> std::vector<std::string> namesOf(Port* port)
{
    std::vector<std::string> names;
    const unsigned n = port ? port->portCount() : 0;
    for (unsigned i = 0; i < n; ++i)
    {
        std::string name = port->portName(i);
        if (!name.empty() && !isOwnPort(name))
            names.push_back(std::move(name));
    }
    return names;
}

// Where the port object, listing now, has the port: the exact name first, else the same device
// at another address. -1 when it is not there.
template <typename Port> int placeOf(Port& port, const std::string& name)
{
    int moved = -1;
    const unsigned n = port.portCount();
    for (unsigned i = 0; i < n; ++i)
    {
        const std::string listed = port.portName(i);
        if (isOwnPort(listed))
            continue;
        if (listed == name)
            return static_cast<int>(i);
        if (moved < 0 && samePort(listed, name))
            moved = static_cast<int>(i);
    }
    return moved;
}

const std::string* findPort(const std::vector<std::string>& listed, const std::string& wanted)
{
    for (const std::string& name : listed)
        if (name == wanted)
            return &name;
    for (const std::string& name : listed)
        if (samePort(name, wanted))
            return &name;
    return nullptr;
}

void printPorts(const char* label, const std::vector<std::string>& names)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        std::cout << label << i + 1 << ": " << names[i] << '\n';
}

void addOnce(std::vector<std::string>& names, const std::string& name)
{
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
}

void removeName(std::vector<std::string>& names, const std::string& name)
{
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

// Present ports open now; absent ones wait.
template <typename Open>
void choosePorts(const std::vector<std::string>& names, const std::vector<std::string>& listed,
                 std::vector<std::string>& waiting, Open open)
{
    for (const std::string& name : names)
    {
        if (const std::string* present = findPort(listed, name))
            open(*present);
        else
            addOnce(waiting, name);
    }
}

// Waiting ports that are listed now open; true when one did.
template <typename Open>
bool openReturned(std::vector<std::string>& waiting, const std::vector<std::string>& listed,
                  Open open)
{
    bool opened = false;
    for (const std::string& name : std::vector<std::string>(waiting))
        if (const std::string* present = findPort(listed, name); present && open(*present))
        {
            removeName(waiting, name);
            opened = true;
        }
    return opened;
}
} // namespace

MidiPorts::MidiPorts(MidiSystem& system, EngineEventQueue& queue, TransportRecord& transport)
    : system(system), queue(queue), transport(transport)
{
    system.listen(&inputCallback, this);
    listPorts();
    printPorts("  Input Port #", inputNames);
    printPorts("  Output Port #", outputNames);
    virtualOutput = system.makeOutput(kVirtualOutputClient);
    if (virtualOutput && !virtualOutput->openVirtual(kVirtualOutputPort))
        virtualOutput.reset();
}

MidiPorts::~MidiPorts()
{
    closeAll();
}

bool MidiPorts::listPorts()
{
    std::vector<std::string> ins = namesOf(system.makeInput(kInputClient).get());
    std::vector<std::string> outs = namesOf(system.makeOutput(kOutputClient).get());
    const bool changed = ins != inputNames || outs != outputNames;
    inputNames = std::move(ins);
    outputNames = std::move(outs);
    return changed;
}

bool MidiPorts::refresh()
{
    const bool listChanged = listPorts();
    const bool inputsOpened = openReturned(waitingInputs, inputNames,
                                           [this](const std::string& n) { return openInput(n); });
    const bool outputsOpened = openReturned(waitingOutputs, outputNames,
                                            [this](const std::string& n) { return openOutput(n); });
    return listChanged || inputsOpened || outputsOpened;
}

void MidiPorts::chooseInputs(const std::vector<std::string>& names)
{
    if (names.empty() && !inputNames.empty())
        openInput(inputNames.front());
    choosePorts(names, inputNames, waitingInputs,
                [this](const std::string& n) { return openInput(n); });
}

void MidiPorts::chooseOutputs(const std::vector<std::string>& names)
{
    choosePorts(names, outputNames, waitingOutputs,
                [this](const std::string& n) { return openOutput(n); });
}

bool MidiPorts::openInput(const std::string& name)
{
    if (isOwnPort(name) || isInputOpen(name))
        return false;
    auto port = system.makeInput(kInputClient);
    if (!port)
        return false;
    const int at = placeOf(*port, name);
    if (at < 0 || !port->open(static_cast<unsigned>(at), "RtMidi Input", &inputCallback, this))
        return false;
    inputs[name] = std::move(port);
    openInputs.push_back(name);
    removeName(waitingInputs, name);
    return true;
}

bool MidiPorts::closeInput(const std::string& name)
{
    const auto it = inputs.find(name);
    const bool waiting =
        std::find(waitingInputs.begin(), waitingInputs.end(), name) != waitingInputs.end();
    if (it == inputs.end() && !waiting)
        return false;
    if (it != inputs.end())
    {
        it->second->close();
        inputs.erase(it);
    }
    removeName(openInputs, name);
    removeName(waitingInputs, name);
    return true;
}

int MidiPorts::outputId(const std::string& name)
{
    const auto it = std::find(outputIds.begin(), outputIds.end(), name);
    if (it != outputIds.end())
        return static_cast<int>(it - outputIds.begin());
    outputIds.push_back(name);
    return static_cast<int>(outputIds.size()) - 1;
}

bool MidiPorts::isOutputOpen(const std::string& name) const
{
    const auto it = std::find(outputIds.begin(), outputIds.end(), name);
    return it != outputIds.end() && outputs.count(static_cast<int>(it - outputIds.begin())) != 0;
}

bool MidiPorts::openOutput(const std::string& name)
{
    if (isOutputOpen(name))
        return false;
    auto port = system.makeOutput(kOutputClient);
    if (!port)
        return false;
    const int at = placeOf(*port, name);
    if (at < 0 || !port->open(static_cast<unsigned>(at), "RtMidi Output"))
        return false;
    const int id = outputId(name);
    beginOutputChange();
    outputs[id] = std::move(port);
    openOutputs.push_back(id);
    endOutputChange();
    removeName(waitingOutputs, name);
    return true;
}

bool MidiPorts::closeOutput(const std::string& name)
{
    const bool waiting =
        std::find(waitingOutputs.begin(), waitingOutputs.end(), name) != waitingOutputs.end();
    removeName(waitingOutputs, name);
    if (!isOutputOpen(name))
        return waiting;
    const int id = outputId(name);
    beginOutputChange();
    const auto it = outputs.find(id);
    it->second->close();
    outputs.erase(it);
    openOutputs.erase(std::remove(openOutputs.begin(), openOutputs.end(), id), openOutputs.end());
    endOutputChange();
    return true;
}

void MidiPorts::closeAll()
{
    system.listen(nullptr, nullptr);
    for (auto& [name, port] : inputs)
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

std::vector<std::string> MidiPorts::openOutputNames() const
{
    std::vector<std::string> names;
    for (int id : openOutputs)
        names.push_back(outputIds[static_cast<std::size_t>(id)]);
    return names;
}

std::vector<std::string> MidiPorts::chosenInputNames() const
{
    std::vector<std::string> names = openInputs;
    names.insert(names.end(), waitingInputs.begin(), waitingInputs.end());
    return names;
}

std::vector<std::string> MidiPorts::chosenOutputNames() const
{
    std::vector<std::string> names = openOutputNames();
    names.insert(names.end(), waitingOutputs.begin(), waitingOutputs.end());
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
        if (size >= 3) // a cut message says no position
            transport.songPosition(static_cast<int>((data1 & 0x7F) | (data2 & 0x7F) << 7));
        return;
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
