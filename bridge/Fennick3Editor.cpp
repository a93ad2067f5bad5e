#include "bridge/Fennick3Editor.h"

#include "bridge/SharedBlock.h"
#include "bridge/bridgeProtocol.h"
#include "bridge/editorCommands.h"
#include "engine/Palladon.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <new>
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
} // namespace

Fennick3Editor::Fennick3Editor(Palladon* engine, const SharedBlock* block,
                               std::span<const std::uint8_t> uiProgram)
    : PalladonEditor(engine), engine(engine), block(block), uiProgram(uiProgram)
{
    pollTimer.setCallback(&Fennick3Editor::processFifoMessageCallback, this);
}

Fennick3Editor::~Fennick3Editor()
{
    pollTimer.stop();
    // Written data stays readable after our ends close: the UI process holds its own.
    const std::uint8_t quit[2] = {notice::quit, 0};
    const bool told = channels.isOpen() && write(channels.noticeWrite, quit, sizeof quit) ==
                                               static_cast<ssize_t>(sizeof quit);
    channels.close();
    if (uiProcess > 0 && !told)
        kill(uiProcess, SIGTERM);
    endUiProcess();
}

bool Fennick3Editor::getRect(ERect** r)
{
    const int percent = getScale();
    rect = {0, 0, static_cast<std::int16_t>(scaledLength(kEditorHeight, percent)),
            static_cast<std::int16_t>(scaledLength(kEditorWidth, percent))};
    *r = &rect;
    return true;
}

// Hosts resize their windows on their UI thread, which calls idle; the poll thread that learnt
// of the new size leaves it here.
void Fennick3Editor::idle()
{
    int width = 0;
    int height = 0;
    if (takeNewSize(width, height))
        engine->sizeWindow(width, height);
}

bool Fennick3Editor::takeNewSize(int& width, int& height)
{
    if (!resizeDue.exchange(false, std::memory_order_acquire))
        return false;
    const int percent = getScale();
    width = scaledLength(kEditorWidth, percent);
    height = scaledLength(kEditorHeight, percent);
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
    // Texts the audio thread left to others, and any change while the editor was closed.
    engine->updateParameterData();
    if (firstOpen)
    {
        firstOpen = false;
        if (uiProgram.empty())
        {
            std::printf("QuelvarVST > no UI program to start: the editor stays empty\n");
        }
        else if (!block)
        {
            // The UI process draws from the shared block alone; without it there is nothing
            // to show.
            std::printf("QuelvarVST > no shared state for the editor: the editor stays empty\n");
        }
        else if (!channels.open())
        {
            std::printf("QuelvarVST > ERROR can't make the pipes to the UI process\n");
        }
        else
        {
            const int capacity = fcntl(channels.commandRead, F_GETPIPE_SZ);
            readBuffer.assign(static_cast<std::size_t>(capacity > 0 ? capacity : 65536), 0);
            startUiProcess(windowText);
        }
        std::fflush(stdout);
    }
    else if (channels.isOpen())
    {
        if (!uiProcessAlive())
        {
            // Killed, crashed or never started: a fresh one takes the new window.
            std::printf("QuelvarVST > the UI process is gone: starting a new one\n");
            startUiProcess(windowText);
        }
        else
        {
            std::uint8_t message[6 + sizeof windowText];
            const std::size_t length = encodeWindow(message, windowText);
            if (write(channels.noticeWrite, message, length) != static_cast<ssize_t>(length))
                std::printf("QuelvarVST > open message FAILED to write to plugin FIFO  err= %d\n",
                            errno);
        }
        std::fflush(stdout);
    }
    if (channels.isOpen() && !hostPolls)
        pollTimer.start(kPollMs);
}

void Fennick3Editor::startUiProcess(const char* windowText)
{
    // Notices a dead UI process left unread would only be old news to the new one.
    std::uint8_t stale[4096];
    while (read(channels.noticeRead, stale, sizeof stale) > 0)
    {
    }
    std::fflush(stdout);
    const pid_t pid = startUiProgram(uiProgram, windowText, block->descriptor(), channels);
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
    // One write of a few bytes: atomic on a pipe; a full pipe drops it.
    [[maybe_unused]] const ssize_t n = write(channels.noticeWrite, message, length);
}

void Fennick3Editor::setParameter(int index, float value)
{
    if (!opened.load(std::memory_order_relaxed) || index < 0 || index >= kNumParams)
        return;
    parameterValue[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
    parameterDirty[static_cast<std::size_t>(index)].store(true, std::memory_order_release);
}

void Fennick3Editor::updateDisplay()
{
    if (opened.load(std::memory_order_relaxed))
        refreshDue.store(true, std::memory_order_relaxed);
}

void Fennick3Editor::processStep(int step)
{
    if (opened.load(std::memory_order_relaxed))
        playedStep.store(step, std::memory_order_relaxed);
}

void Fennick3Editor::sendMidiMessage(int status, int data1, int data2)
{
    if (opened.load(std::memory_order_relaxed))
        midiEchoes.push(static_cast<std::uint32_t>(status & 0xFF) |
                        static_cast<std::uint32_t>(data1 & 0xFF) << 8 |
                        static_cast<std::uint32_t>(data2 & 0xFF) << 16);
}

// Told whether the editor is open or not: the UI process keeps the type while it is closed.
void Fennick3Editor::setDistortionType(int type)
{
    distortionType.store(type, std::memory_order_relaxed);
}

void Fennick3Editor::sendNotices()
{
    if (!channels.isOpen())
        return;
    if (const int type = distortionType.exchange(-1, std::memory_order_relaxed); type >= 0)
    {
        std::uint8_t message[2];
        send(message, encodeTwoBytes(message, notice::distortionType, type));
    }
    for (int i = 0; i < kNumParams; ++i)
    {
        if (!parameterDirty[static_cast<std::size_t>(i)].exchange(false, std::memory_order_acquire))
            continue;
        // The text is made here, off the audio thread, before the UI is told to read it.
        engine->publishParameterText(i);
        std::uint8_t message[9];
        send(message, encodeParameter(message, notice::parameter, i,
                                      parameterValue[static_cast<std::size_t>(i)].load(
                                          std::memory_order_relaxed)));
    }
    std::uint32_t echo = 0;
    while (midiEchoes.pop(echo))
    {
        std::uint8_t message[4];
        send(message, encodeThreeBytes(message, notice::midi, echo & 0xFF, (echo >> 8) & 0xFF,
                                       (echo >> 16) & 0xFF));
    }
    if (const int step = playedStep.exchange(-1, std::memory_order_relaxed); step >= 0)
    {
        std::uint8_t message[2];
        send(message, encodeTwoBytes(message, notice::step, step));
    }
    if (refreshDue.exchange(false, std::memory_order_relaxed))
    {
        const std::uint8_t message[1] = {notice::refresh};
        send(message, sizeof message);
    }
}

void Fennick3Editor::processFifoMessageCallback(void* editor)
{
    static_cast<Fennick3Editor*>(editor)->processMessageFromUI();
}

void Fennick3Editor::processMessageFromUI()
{
    sendNotices();
    if (readBuffer.empty() || !channels.isOpen())
        return;
    const ssize_t n = read(channels.commandRead, readBuffer.data(), readBuffer.size());
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

void Fennick3Editor::restorePattern(std::span<const std::uint8_t> message)
{
    PatternContents contents;
    if (!decodePatternContents(message, contents))
    {
        std::printf("QuelvarVST > processMessageFromUI : pattern contents out of range\n");
        std::fflush(stdout);
        return;
    }
    editorCommands::restorePattern(*engine, contents);
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
    case command::patternContents:
        restorePattern({m, length});
        break;
    case command::learnController:
        engine->learnController(m[1] == 255 ? -1 : m[1]);
        break;
    case command::forgetController:
        engine->forgetController(m[1]);
        break;
    case command::editorScale:
        if (isEditorScale(m[1]) && m[1] != getScale())
        {
            scalePercent.store(m[1], std::memory_order_relaxed);
            resizeDue.store(true, std::memory_order_release);
        }
        break;
    case command::chain:
    {
        ChainEntries chain;
        if (decodeChain({m, length}, chain))
            editorCommands::setChain(*engine, chain);
        break;
    }
    case command::selectPattern:
        editorCommands::selectPattern(*engine, m[1]);
        break;
    case command::beginEdit:
        engine->parameterEdits().begin(m[1]);
        break;
    case command::endEdit:
        engine->parameterEdits().end(m[1]);
        break;
    case command::lineSettings:
        editorCommands::setLineSettings(*engine, decodeLineSettings(m));
        // A refresh the UI read before this arrived showed the old settings: it reads them again.
        updateDisplay();
        break;
    case command::lineEdit:
        editorCommands::editLine(*engine, static_cast<LineEdit>(m[1]));
        break;
    case command::lineFile:
    {
        const std::string path =
            editorCommands::writeLineFile(*engine, std::string(textField(m + 5, length - 5)));
        std::uint8_t message[kAtomicWriteBytes];
        const std::size_t written = encodeLineFileWritten(message, sizeof message, path);
        // A path too long for one message cannot be dropped: the UI hears that none was written.
        send(message, written > 0 ? written : encodeLineFileWritten(message, sizeof message, {}));
        break;
    }
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
    {
        std::vector<std::string> notices;
        const bool read =
            editorCommands::importFile(*engine, static_cast<ImportFormat>(m[1]), m[2],
                                       std::string(textField(m + 7, length - 7)), &notices);
        std::uint8_t message[kAtomicWriteBytes];
        send(message, encodeImported(message, sizeof message, read, notices));
        break;
    }
    default:
        break;
    }
}

void attachOutOfProcessEditor(Palladon& engine, std::span<const std::uint8_t> uiProgram)
{
    std::unique_ptr<SharedBlock> block = SharedBlock::create();
    const SharedBlock* editorBlock = block.get();
    engine.attachSharedBlock(std::move(block));
    engine.attachEditor(new (std::nothrow) Fennick3Editor(&engine, editorBlock, uiProgram));
}

} // namespace quelvar
