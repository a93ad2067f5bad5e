#include "plugin/Fennick3Editor.h"

#include "bridge/bridgeFiles.h"
#include "bridge/bridgeProtocol.h"
#include "bridge/editorCommands.h"
#include "engine/Palladon.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quelvar
{

using namespace bridge;

namespace
{
constexpr int kPollMs = 10;
// How long destruction waits for the UI process to act on the quit notice before killing it.
constexpr int kQuitWaitMs = 1000;

template <std::size_t N> void writeLiteral(const char (&text)[N])
{
    // Between fork and exec only async-signal-safe calls are allowed: write, not printf.
    [[maybe_unused]] const ssize_t n = write(STDOUT_FILENO, text, N - 1);
}
} // namespace

Fennick3Editor::Fennick3Editor(Palladon* engine, std::span<const std::uint8_t> uiProgram)
    : PalladonEditor(engine), engine(engine), instance(engine->getInstanceTag())
{
    const std::string runtimeDir = runtimeDirectory(true);
    if (runtimeDir.empty())
    {
        std::printf("QuelvarVST > no private directory for the UI program and its FIFOs\n");
        std::fflush(stdout);
    }
    // Without the directory every path stays empty: no program is written and no FIFO made.
    const BridgePaths paths =
        runtimeDir.empty() ? BridgePaths{} : bridgePaths(runtimeDir, instance);
    copyUIExecutable(paths.program, uiProgram);
    prepareFifo(paths);
    pollTimer.setCallback(&Fennick3Editor::processFifoMessageCallback, this);
}

Fennick3Editor::~Fennick3Editor()
{
    pollTimer.stop();
    if (uiFifo != -1)
        ::close(uiFifo);
    if (!uiFifoPath.empty())
        unlink(uiFifoPath.c_str());

    // Written data stays readable after our end closes and the name goes: the UI process holds
    // the FIFO open itself.
    const std::uint8_t quit[2] = {notice::quit, 0};
    const int fd = pluginFifo.exchange(-1);
    const bool told = fd != -1 && write(fd, quit, sizeof quit) == static_cast<ssize_t>(sizeof quit);
    if (fd != -1)
        ::close(fd);
    if (!pluginFifoPath.empty())
        unlink(pluginFifoPath.c_str());

    if (uiProcess > 0 && !told)
        kill(uiProcess, SIGTERM);
    endUiProcess();
    // Every engine has a program file of its own, so it goes with the engine.
    if (!executablePath.empty())
        unlink(executablePath.c_str());
}

bool Fennick3Editor::copyUIExecutable(const std::string& path,
                                      std::span<const std::uint8_t> program)
{
    if (path.empty() || program.empty())
        return false;
    if (!writeProgram(path, program))
    {
        std::printf("QuelvarVST > can't write the UI program %s\n", path.c_str());
        std::fflush(stdout);
        return false;
    }
    executablePath = path;
    return true;
}

void Fennick3Editor::prepareFifo(const BridgePaths& paths)
{
    std::signal(SIGPIPE, SIG_IGN);
    // A path stays empty when its FIFO was refused, so it is neither opened nor removed later.
    if (!paths.commandFifo.empty() && createFifo(paths.commandFifo))
        uiFifoPath = paths.commandFifo;
    if (!paths.noticeFifo.empty() && createFifo(paths.noticeFifo))
        pluginFifoPath = paths.noticeFifo;
}

bool Fennick3Editor::openUiFifo()
{
    if (uiFifo != -1)
        return true;
    const int fd = uiFifoPath.empty() ? -1 : openFifo(uiFifoPath);
    if (fd < 0)
    {
        std::printf("QuelvarVST > ERROR opening FIFO for read\n");
        std::fflush(stdout);
        return false;
    }
    const int capacity = fcntl(fd, F_GETPIPE_SZ);
    uiFifo = fd;
    readBuffer.assign(static_cast<std::size_t>(capacity > 0 ? capacity : 0), 0);
    return true;
}

bool Fennick3Editor::openPluginFifo()
{
    if (pluginFifo.load() != -1)
        return true;
    const int fd = pluginFifoPath.empty() ? -1 : openFifo(pluginFifoPath);
    if (fd < 0)
    {
        std::printf("QuelvarVST >  ERROR opening FIFO for write\n");
        std::fflush(stdout);
        return false;
    }
    pluginFifo.store(fd);
    return true;
}

bool Fennick3Editor::getRect(ERect** r)
{
    *r = &rect;
    return true;
}

bool Fennick3Editor::open(void* window)
{
    PalladonEditor::open(window);
    openUI(window);
    opened.store(true);
    return true;
}

void Fennick3Editor::close()
{
    if (!opened.load())
        return;
    pollTimer.stop();
    opened.store(false);
    PalladonEditor::close();
}

void Fennick3Editor::openUI(void* window)
{
    char windowText[24];
    std::snprintf(windowText, sizeof windowText, "%ju",
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(window)));
    if (firstOpen)
    {
        firstOpen = false;
        if (executablePath.empty())
        {
            std::printf("QuelvarVST > no UI program to start: the editor stays empty\n");
            std::fflush(stdout);
        }
        else if (!engine->getSharedBlock())
        {
            // The UI process draws from the shared block alone; without it there is nothing
            // to show.
            std::printf("QuelvarVST > no shared state for the editor: the editor stays empty\n");
            std::fflush(stdout);
        }
        else
        {
            openUiFifo();
            openPluginFifo();
            startUiProcess(windowText);
        }
    }
    else if (!executablePath.empty() && engine->getSharedBlock())
    {
        if (!uiProcessAlive())
        {
            // Killed, crashed or never started: a fresh one takes the new window.
            std::printf("QuelvarVST > the UI process is gone: starting a new one\n");
            startUiProcess(windowText);
        }
        else if (const int fd = pluginFifo.load(); fd == -1)
        {
            std::printf("QuelvarVST > open : plugin fifo handle is not valid\n");
        }
        else
        {
            std::uint8_t message[6 + sizeof windowText];
            const std::size_t length = encodeWindow(message, windowText);
            if (write(fd, message, length) != static_cast<ssize_t>(length))
                std::printf("QuelvarVST > open message FAILED to write to plugin FIFO  err= %d\n",
                            errno);
        }
        std::fflush(stdout);
    }
    if (uiFifo != -1)
        pollTimer.start(kPollMs);
}

void Fennick3Editor::startUiProcess(const char* windowText)
{
    // Everything the child needs is made before the fork: the host is multi-threaded, so the
    // child may not allocate or take a lock before exec.
    char* const argv[] = {const_cast<char*>("QuelvarUI"), const_cast<char*>(windowText),
                          const_cast<char*>(instance.c_str()), nullptr};
    const char* path = executablePath.c_str();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0)
    {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // The host's own descriptors are none of the UI's business.
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        writeLiteral("QuelvarVST > starting child process !\n");
        execv(path, argv);
        writeLiteral("QuelvarVST > error : child process can't start \n");
        _exit(127);
    }
    if (pid < 0)
    {
        std::printf("QuelvarVST > error : child process can't start \n");
        std::fflush(stdout);
        return;
    }
    uiProcess = pid;
}

bool Fennick3Editor::uiProcessAlive()
{
    if (uiProcess <= 0)
        return false;
    const pid_t r = waitpid(uiProcess, nullptr, WNOHANG);
    if (r == 0)
        return true;
    // A host that ignores SIGCHLD reaps its children itself; then only a signal 0 can tell.
    if (r < 0 && errno == ECHILD && kill(uiProcess, 0) == 0)
        return true;
    uiProcess = -1;
    return false;
}

// Reaps the UI process, which should be quitting; one that is still there after a moment is
// killed, so it never outlives its plugin.
void Fennick3Editor::endUiProcess()
{
    if (uiProcess <= 0)
        return;
    for (int waited = 0; waited < kQuitWaitMs; waited += 5)
    {
        const pid_t r = waitpid(uiProcess, nullptr, WNOHANG);
        if (r == uiProcess || (r < 0 && errno != EINTR)) // ours and gone, or reaped by the host
        {
            uiProcess = -1;
            return;
        }
        usleep(5000);
    }
    std::printf("QuelvarVST > UI process did not quit: killed\n");
    std::fflush(stdout);
    kill(uiProcess, SIGKILL);
    while (waitpid(uiProcess, nullptr, 0) < 0 && errno == EINTR)
    {
    }
    uiProcess = -1;
}

void Fennick3Editor::send(const std::uint8_t* message, std::size_t length)
{
    // Before the first open there is no FIFO: no system call for every note.
    const int fd = pluginFifo.load(std::memory_order_relaxed);
    if (fd < 0)
        return;
    // One write of a few bytes: atomic on a pipe; a full pipe drops it.
    [[maybe_unused]] const ssize_t n = write(fd, message, length);
}

void Fennick3Editor::setParameter(int index, float value)
{
    if (!opened.load(std::memory_order_relaxed))
        return;
    std::uint8_t message[9];
    send(message, encodeParameter(message, notice::parameter, index, value));
}

void Fennick3Editor::updateDisplay()
{
    if (!opened.load(std::memory_order_relaxed))
        return;
    const std::uint8_t message[1] = {notice::refresh};
    send(message, sizeof message);
}

void Fennick3Editor::processStep(int step)
{
    if (!opened.load(std::memory_order_relaxed))
        return;
    std::uint8_t message[2];
    send(message, encodeTwoBytes(message, notice::step, step));
}

void Fennick3Editor::sendMidiMessage(int status, int data1, int data2)
{
    std::uint8_t message[4];
    send(message, encodeThreeBytes(message, notice::midi, status, data1, data2));
}

void Fennick3Editor::setDistortionType(int type)
{
    std::uint8_t message[2];
    send(message, encodeTwoBytes(message, notice::distortionType, type));
}

void Fennick3Editor::processFifoMessageCallback(void* editor)
{
    static_cast<Fennick3Editor*>(editor)->processMessageFromUI();
}

void Fennick3Editor::processMessageFromUI()
{
    if (readBuffer.empty() || uiFifo == -1)
        return;
    const ssize_t n = read(uiFifo, readBuffer.data(), readBuffer.size());
    if (n <= 0)
        return;
    processMessages({readBuffer.data(), static_cast<std::size_t>(n)});
}

void Fennick3Editor::processMessages(std::span<const std::uint8_t> bytes)
{
    std::size_t position = 0;
    while (position < bytes.size())
    {
        const std::span<const std::uint8_t> rest = bytes.subspan(position);
        if (!isCommandOpcode(rest[0]))
        {
            std::printf("QuelvarVST > processMessageFromUI : unhandled opcode %x\n",
                        static_cast<unsigned>(static_cast<signed char>(rest[0])));
            std::fflush(stdout);
            return;
        }
        const std::size_t length = commandLength(rest);
        if (length == 0)
        {
            std::printf(
                "QuelvarVST > processMessageFromUI : message cut short, %zu bytes dropped\n",
                rest.size());
            std::fflush(stdout);
            return;
        }
        applyCommand(rest.data(), length);
        position += length;
    }
}

void Fennick3Editor::applyCommand(const std::uint8_t* m, std::size_t length)
{
    switch (m[0])
    {
    case command::parameter:
        engine->setParameterAutomated(getInt32(m + 1), getFloat(m + 5));
        break;
    case command::noteOldest:
    case command::noteOld:
    case command::note:
        if (m[1] == kNoteOn)
            editorCommands::liveNote(*engine, true, m[2], m[3]);
        else if (m[1] == kNoteOff)
            editorCommands::liveNote(*engine, false, m[2], m[3]);
        break;
    case command::randomise:
        editorCommands::randomise(*engine, static_cast<Randomise>(m[1]));
        break;
    case command::pattern:
        editorCommands::editCurrentPattern(*engine, static_cast<PatternEdit>(m[1]));
        updateDisplay();
        break;
    case command::stepEdit:
        if (editorCommands::editStep(*engine, static_cast<StepField>(m[1]), m[2], getInt32(m + 3)))
            updateDisplay();
        break;
    case command::patternSlot:
        editorCommands::editPattern(*engine, static_cast<SlotEdit>(m[1]), m[2]);
        updateDisplay();
        break;
    case command::patternName:
        editorCommands::setPatternName(*engine, textField(m + 2, m[1]));
        break;
    case command::playOld:
    case command::play:
        engine->internalPlay();
        break;
    case command::stop:
        engine->internalStop();
        break;
    case command::exportFile:
        editorCommands::exportFile(*engine, static_cast<ExportFormat>(m[1]),
                                   std::string(textField(m + 6, length - 6)));
        break;
    case command::importFile:
        editorCommands::importFile(*engine, static_cast<ImportFormat>(m[1]), m[2],
                                   std::string(textField(m + 7, length - 7)));
        break;
    default:
        break;
    }
}

} // namespace quelvar
