// The plugins' editor (VST and LV2 alike): starts the UI program as a child process inside the
// host's window, sends it notices over one pipe and applies the commands it writes on the other;
// both are polled every 10 ms by the poll timer's thread. Nothing is written to disk: the program
// runs from memory and the shared block and pipes are inherited. Notices come from any thread, the
// audio thread included. They only store into atomics and a fixed ring; the poll timer's thread
// turns them into messages, so no notice makes a system call.
#pragma once

#include "bridge/Timer.h"
#include "bridge/bridgeProtocol.h"
#include "bridge/uiProcess.h"
#include "dsp/SpscRing.h"
#include "engine/PalladonEditor.h"
#include "engine/parameterTable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <sys/types.h>
#include <vector>

namespace quelvar
{

class Palladon;
class SharedBlock;

class Fennick3Editor : public PalladonEditor
{
public:
    // Makes nothing yet: the pipes and the UI process come with the first open. Host thread.
    Fennick3Editor(Palladon* engine, const SharedBlock* block,
                   std::span<const std::uint8_t> uiProgram);
    // Stops polling, tells the UI process to quit and waits a moment for it.
    ~Fennick3Editor() override;

    // The panel's size at the scale the UI process last chose.
    bool getRect(ERect** rect) override;
    bool open(void* window) override;
    void close() override;
    bool isOpen() override { return opened.load(std::memory_order_relaxed); }
    // The host's UI thread: a new size chosen in the panel is asked of the host here.
    void idle() override;
    int getScale() const { return scalePercent.load(std::memory_order_relaxed); }
    // The size the panel chose since the last take, for a host's UI thread to ask for.
    bool takeNewSize(int& width, int& height);
    // Whether the host's run loop calls processMessageFromUI, on its UI thread, so that no poll
    // thread of ours runs. Before an open.
    void pollOnHostLoop(bool on) { hostPolls = on; }

    void setParameter(int index, float value) override;
    void updateDisplay() override;
    void processStep(int step) override;
    void sendMidiMessage(int status, int data1, int data2) override;
    void setDistortionType(int type) override;

    // One poll: the notices gathered since the last one go out, then the commands that came in
    // are applied. The poll timer's thread.
    void processMessageFromUI();
    static void processFifoMessageCallback(void* editor);

    // The UI's ends of the pipes, for tests that stand in for the UI process.
    int uiCommandEnd() const { return channels.commandWrite; }
    int uiNoticeEnd() const { return channels.noticeRead; }
    pid_t getUiProcess() const { return uiProcess; }
    // Whether the UI process runs; one that has ended is reaped. The host's UI thread, where a
    // plugin format learns that the panel closed itself.
    bool uiProcessAlive();

private:
    void openUI(void* window);
    void startUiProcess(const char* windowText);
    void endUiProcess();
    void sendNotices();
    // Applies the commands in order; an unknown opcode or a message cut short ends the parse.
    void processMessages(std::span<const std::uint8_t> bytes);
    void applyCommand(const std::uint8_t* message, std::size_t length);
    void restorePattern(std::span<const std::uint8_t> message);
    void send(const std::uint8_t* message, std::size_t length);

    ERect rect{0, 0, bridge::kEditorHeight, bridge::kEditorWidth};
    Palladon* engine;
    const SharedBlock* block; // null: nothing for a UI process to show
    std::span<const std::uint8_t> uiProgram;
    std::atomic<bool> opened{false}; // read by the notices
    bool firstOpen = true;
    bridge::UiChannels channels;
    std::vector<std::uint8_t> readBuffer; // pipe-capacity bytes, sized with the pipes
    pid_t uiProcess = -1;
    Timer pollTimer;
    bool hostPolls = false;

    // Gathered notices. A later parameter value, step or type supersedes an earlier one; MIDI
    // echoes queue in order, and one that finds the ring full is dropped.
    std::array<std::atomic<bool>, kNumParams> parameterDirty{};
    std::array<std::atomic<float>, kNumParams> parameterValue{};
    std::atomic<bool> refreshDue{false};
    std::atomic<int> playedStep{-1};         // -1: none since the last poll
    std::atomic<int> distortionType{-1};     // -1: unchanged since the last poll
    std::atomic<int> scalePercent{100};      // written by the poll thread
    std::atomic<bool> resizeDue{false};      // taken by idle()
    SpscRing<std::uint32_t, 256> midiEchoes; // the audio thread writes
    static_assert(std::atomic<int>::is_always_lock_free);
    static_assert(std::atomic<float>::is_always_lock_free);
};

// What a plugin entry gives each engine it builds: the shared block, and the editor that shows
// it through the UI program (empty bytes: a build without one). Host thread.
void attachOutOfProcessEditor(Palladon& engine, std::span<const std::uint8_t> uiProgram);

} // namespace quelvar
