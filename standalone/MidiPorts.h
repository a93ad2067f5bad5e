// The MIDI ports: lists inputs and outputs, opens the ones chosen by name, turns incoming
// messages into engine events or transport and tempo changes, and sends the engine's outgoing
// notes to every open output and to a virtual output it always tries to create. A chosen port
// that is absent is opened when a later listing finds it. Main thread, except: the input callback
// (one MIDI thread per open input) and send (the MidiSender's thread). Changes to the output
// list wait until no send is under way.
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

    // Lists the ports again and opens the chosen ones that have come back. True when a list or
    // an open port changed.
    bool refresh();

    // The choices stored at start: present ports open now, absent ones once they appear. With
    // no inputs stored the first input there is opens.
    void chooseInputs(const std::vector<std::string>& names);
    void chooseOutputs(const std::vector<std::string>& names);

    // A port is looked up by name in the MIDI system's list as it is when it opens, so ports
    // that came or went since the last listing cannot put another port in its place; our own
    // virtual output is never an input. False when the port is absent, open already or fails.
    bool openInput(const std::string& name);
    bool openOutput(const std::string& name);
    // Closes the port, or forgets it while it waits to come back.
    bool closeInput(const std::string& name);
    bool closeOutput(const std::string& name);
    bool isInputOpen(const std::string& name) const { return inputs.count(name) != 0; }
    bool isOutputOpen(const std::string& name) const;
    void closeAll();

    // Names of the open ports in opening order.
    std::vector<std::string> openInputNames() const { return openInputs; }
    std::vector<std::string> openOutputNames() const;
    // Chosen ports that are absent now.
    const std::vector<std::string>& waitingInputNames() const { return waitingInputs; }
    const std::vector<std::string>& waitingOutputNames() const { return waitingOutputs; }
    // What the settings keep: the open ports, then those waiting to come back.
    std::vector<std::string> chosenInputNames() const;
    std::vector<std::string> chosenOutputNames() const;
    // The ports as last listed, our own left out.
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
    bool listPorts();
    // The id of an output name; ids stay the same for the whole run.
    int outputId(const std::string& name);

    MidiSystem& system;
    EngineEventQueue& queue;
    TransportRecord& transport;

    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
    std::vector<std::string> openInputs; // opening order
    std::map<std::string, std::unique_ptr<MidiInputPort>> inputs;
    std::vector<std::string> waitingInputs;
    std::vector<std::string> waitingOutputs;
    std::vector<std::string> outputIds;                     // an output's id is its place here
    std::vector<int> openOutputs;                           // ids in opening order; read by send
    std::map<int, std::unique_ptr<MidiOutputPort>> outputs; // by id; read by send
    std::unique_ptr<MidiOutputPort> virtualOutput;

    // A sender counts itself in before it looks at `closing`; a change sets `closing` and waits
    // for the count to reach zero. Sequentially consistent, so one of them always sees the other.
    std::atomic<bool> closing{false};
    std::atomic<int> sendersInside{0};
};

} // namespace quelvar
