// The plugin's editor: starts the UI program as a child process inside the host's window, sends
// it notices over one FIFO and applies the commands it writes on the other, polled every 10 ms.
// Notices come from any thread, the audio thread included: they are built on the stack and go
// out in one non-blocking write, so a UI process that does not read never holds anyone up.
#pragma once

#include "bridge/bridgeFiles.h"
#include "bridge/bridgeProtocol.h"
#include "engine/PalladonEditor.h"
#include "plugin/Timer.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quelvar
{

class Palladon;

class Fennick3Editor : public PalladonEditor
{
public:
    // Writes the UI program (when there is one) and makes the FIFOs; host thread.
    Fennick3Editor(Palladon* engine, std::span<const std::uint8_t> uiProgram);
    // Stops polling, tells the UI process to quit and waits a moment for it, removes the files.
    ~Fennick3Editor() override;

    bool getRect(ERect** rect) override;
    bool open(void* window) override;
    void close() override;
    bool isOpen() override { return opened.load(std::memory_order_relaxed); }

    void setParameter(int index, float value) override;
    void updateDisplay() override;
    void processStep(int step) override;
    void sendMidiMessage(int status, int data1, int data2) override;
    void setDistortionType(int type) override;

    // One poll of the command FIFO; the poll timer's thread.
    void processMessageFromUI();
    static void processFifoMessageCallback(void* editor);

    const std::string& getExecutablePath() const { return executablePath; }
    const std::string& getUiFifoPath() const { return uiFifoPath; }
    const std::string& getPluginFifoPath() const { return pluginFifoPath; }
    pid_t getUiProcess() const { return uiProcess; }

private:
    bool copyUIExecutable(const std::string& path, std::span<const std::uint8_t> program);
    void prepareFifo(const bridge::BridgePaths& paths);
    bool openUiFifo();
    bool openPluginFifo();
    void openUI(void* window);
    void startUiProcess(const char* windowText);
    // Reaps a UI process that has ended; false when there is none running.
    bool uiProcessAlive();
    void endUiProcess();
    // Applies the commands in order; an unknown opcode or a message cut short ends the parse.
    void processMessages(std::span<const std::uint8_t> bytes);
    void applyCommand(const std::uint8_t* message, std::size_t length);
    void send(const std::uint8_t* message, std::size_t length);

    ERect rect{0, 0, bridge::kEditorHeight, bridge::kEditorWidth};
    Palladon* engine;
    std::atomic<bool> opened{false}; // read by the audio thread's notices
    std::string instance;            // the engine's tag, also the UI program's argument
    bool firstOpen = true;
    std::string executablePath; // empty when no program was written
    std::string uiFifoPath;
    int uiFifo = -1;
    std::vector<std::uint8_t> readBuffer; // pipe-capacity bytes, sized when the FIFO opens
    std::string pluginFifoPath;
    std::atomic<int> pluginFifo{-1}; // written on first open, read by every notice
    pid_t uiProcess = -1;
    Timer pollTimer;
    static_assert(std::atomic<int>::is_always_lock_free);
};

} // namespace quelvar
