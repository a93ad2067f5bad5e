// The MIDI ports: lists inputs and outputs at construction, opens the ones chosen, turns
// incoming messages into engine events or transport and tempo changes, and sends the engine's
// outgoing notes to every open output and to a virtual output it always tries to create.
// Main thread, except: the input callback (one MIDI thread per open input) and send (the
// MidiSender's thread). Changes to the output list wait until no send is under way.
#pragma once

#include "standalone/EngineEventQueue.h"
#include "standalone/MidiSystem.h"
#include "standalone/TransportRecord.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quelvar
{

constexpr const char* kVirtualOutputClient = "Quelvar Midi Out";
constexpr const char* kVirtualOutputPort = "Quelvar Virtual MIDI Out";

class MidiPorts
{
public:
    MidiPorts(MidiSystem& system, EngineEventQueue& queue, TransportRecord& transport);
    ~MidiPorts();
    MidiPorts(const MidiPorts&) = delete;
    MidiPorts& operator=(const MidiPorts&) = delete;

    // Unknown names give port 0.
    int inputIndex(const std::string& name) const;
    int outputIndex(const std::string& name) const;
    bool isInputOpen(int index) const { return inputs.count(index) != 0; }
    bool isOutputOpen(int index) const { return outputs.count(index) != 0; }

    bool openInput(int index);
    bool closeInput(int index);
    bool openOutput(int index);
    bool closeOutput(int index);
    void closeAll();

    // Names of the open ports in opening order.
    std::vector<std::string> openInputNames() const;
    std::vector<std::string> openOutputNames() const;
    const std::vector<std::string>& getInputNames() const { return inputNames; }
    const std::vector<std::string>& getOutputNames() const { return outputNames; }
    int inputCount() const { return static_cast<int>(inputNames.size()); }
    int outputCount() const { return static_cast<int>(outputNames.size()); }
    bool hasVirtualOutput() const { return virtualOutput != nullptr; }

    // The sending thread: status, data 1, data 2 from bits 0–23 to every open output, then to
    // the virtual output. False while the output list is being changed.
    bool send(std::uint32_t message);

    // An incoming message, as the input thread delivers it. nowMs: monotonic milliseconds.
    void receive(const std::uint8_t* bytes, std::size_t size, long long nowMs);

private:
    static void inputCallback(const std::uint8_t* bytes, std::size_t size, void* self);
    void beginOutputChange();
    void endOutputChange();

    MidiSystem& system;
    EngineEventQueue& queue;
    TransportRecord& transport;

    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
    std::map<std::string, int> inputByName;
    std::map<std::string, int> outputByName;
    std::vector<int> openInputs;  // opening order
    std::vector<int> openOutputs; // opening order; read by send
    std::map<int, std::unique_ptr<MidiInputPort>> inputs;
    std::map<int, std::unique_ptr<MidiOutputPort>> outputs; // read by send
    std::unique_ptr<MidiOutputPort> virtualOutput;

    // A sender counts itself in before it looks at `closing`; a change sets `closing` and waits
    // for the count to reach zero. Sequentially consistent, so one of them always sees the other.
    std::atomic<bool> closing{false};
    std::atomic<int> sendersInside{0};
};

} // namespace quelvar
