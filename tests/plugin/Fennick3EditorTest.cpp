// The editor bridge around an in-process engine. A shell script stands in for the UI program: it
// notes its arguments and ends. Commands are written into the real command FIFO and notices read
// from the real notice FIFO.
#include "plugin/Fennick3Editor.h"

#include "bridge/bridgeProtocol.h"
#include "engine/Palladon.h"
#include "support/AllocGuard.h"
#include "support/sharedBlockSupport.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quelvar;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace
{
using Bytes = std::vector<std::uint8_t>;
using Messages = std::vector<Bytes>;

void* const kWindow = reinterpret_cast<void*>(std::uintptr_t{4242});

struct HostLog
{
    // Each automated parameter, with whether the internal transport was running at that moment.
    std::vector<std::pair<int, bool>> automated;
    Palladon* engine = nullptr;
};
HostLog hostLog;

VstIntPtr hostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/,
                       void* /*ptr*/, float /*opt*/)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterAutomate && hostLog.engine)
        hostLog.automated.emplace_back(index, hostLog.engine->getTransport().internalPlaying());
    return 0;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes parameterCommand(int index, float value)
{
    Bytes b(9);
    bridge::encodeParameter(b.data(), bridge::command::parameter, index, value);
    return b;
}

Bytes int32Bytes(std::int32_t v)
{
    Bytes b(4);
    bridge::putInt32(b.data(), v);
    return b;
}

Bytes textBytes(const std::string& text, std::size_t zeros = 0)
{
    Bytes b(text.begin(), text.end());
    b.resize(b.size() + zeros, 0);
    return b;
}

std::vector<int> notesOf(const Pattern& p)
{
    std::vector<int> notes;
    for (int i = 0; i < p.getNBStep(); ++i)
        notes.push_back(p.getStep(i)->note());
    return notes;
}

bool exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

mode_t modeOf(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class Editor : public ::testing::Test
{
protected:
    bool lingering = false;

    void SetUp() override
    {
        char pattern[] = "/tmp/quelvar-editor-test-XXXXXX";
        dir = mkdtemp(pattern);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        engine = std::make_unique<Palladon>(&hostCallback, Flavour::plugin);
        sharedBlock = attachSharedBlock(*engine);
        hostLog = {};
        hostLog.engine = engine.get();
        // A lingering stand-in stays up like a real UI process until it is told or made to go.
        script = "#!/bin/sh\necho \"$@\" >> " + dir + "/started\n" +
                 (lingering ? "exec sleep 30\n" : "");
        editor = new Fennick3Editor(
            engine.get(), {reinterpret_cast<const std::uint8_t*>(script.data()), script.size()});
        engine->attachEditor(editor);
        notices = open(editor->getPluginFifoPath().c_str(), O_RDONLY | O_NONBLOCK);
    }

    void TearDown() override
    {
        deleteEditor();
        if (notices >= 0)
            close(notices);
        hostLog.engine = nullptr;
        engine.reset();
        unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(dir);
    }

    // As the plugin's entry does: the editor goes before the engine.
    void deleteEditor()
    {
        if (!editor)
            return;
        engine->attachEditor(nullptr);
        delete editor;
        editor = nullptr;
    }

    // Opened as a host opens it, then the poll timer is stopped so the test polls by hand.
    void openWithoutPolling()
    {
        editor->open(kWindow);
        editor->close();
    }

    void writeCommands(const Bytes& bytes)
    {
        const int fd = open(editor->getUiFifoPath().c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }

    // The notices waiting in the FIFO, split into messages.
    Messages readNotices()
    {
        Bytes bytes(65536);
        const ssize_t n = read(notices, bytes.data(), bytes.size());
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        Messages messages;
        for (std::size_t at = 0; at < bytes.size();)
        {
            const std::size_t length =
                bridge::noticeLength(std::span<const std::uint8_t>(bytes).subspan(at));
            if (length == 0)
            {
                messages.push_back(Bytes(bytes.begin() + static_cast<long>(at), bytes.end()));
                break;
            }
            messages.emplace_back(bytes.begin() + static_cast<long>(at),
                                  bytes.begin() + static_cast<long>(at + length));
            at += length;
        }
        return messages;
    }

    bool awaitNotice(const Bytes& expected)
    {
        for (int i = 0; i < 200; ++i)
        {
            for (const Bytes& m : readNotices())
            {
                if (m == expected)
                    return true;
            }
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    std::vector<std::string> startedLines(std::size_t atLeast = 1)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 400 && lines.size() < atLeast; ++i)
        {
            lines.clear();
            std::ifstream in(dir + "/started");
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            if (lines.size() < atLeast)
                std::this_thread::sleep_for(5ms);
        }
        return lines;
    }

    std::string dir;
    std::string script;
    std::unique_ptr<Palladon> engine;
    SharedBlock* sharedBlock = nullptr;
    Fennick3Editor* editor = nullptr;
    int notices = -1;
};
} // namespace

TEST_F(Editor, FilesOfOneEngineCarryItsProcessAndNumber)
{
    const std::string tag = engine->getInstanceTag();
    EXPECT_EQ(tag, std::to_string(getpid()) + "-" + std::to_string(engine->getInstanceNumber()));
    EXPECT_EQ(editor->getExecutablePath(), dir + "/QuelvarUI" + tag);
    EXPECT_EQ(editor->getUiFifoPath(), dir + "/quelvarui" + tag + ".fifo");
    EXPECT_EQ(editor->getPluginFifoPath(), dir + "/quelvarplugin" + tag + ".fifo");
    EXPECT_EQ(modeOf(editor->getExecutablePath()), S_IFREG | 0700u);
    EXPECT_EQ(modeOf(editor->getUiFifoPath()), S_IFIFO | 0600u);
    EXPECT_EQ(modeOf(editor->getPluginFifoPath()), S_IFIFO | 0600u);

    Palladon other(&hostCallback, Flavour::plugin);
    const SharedBlock* otherBlock = attachSharedBlock(other);
    auto* second = new Fennick3Editor(&other, {});
    EXPECT_NE(other.getInstanceTag(), tag);
    EXPECT_NE(second->getUiFifoPath(), editor->getUiFifoPath());
    EXPECT_NE(second->getPluginFifoPath(), editor->getPluginFifoPath());
    EXPECT_NE(otherBlock->name(), sharedBlock->name());
    const std::string secondFifo = second->getUiFifoPath();
    delete second;
    EXPECT_FALSE(exists(secondFifo));
    EXPECT_TRUE(exists(editor->getUiFifoPath()));
}

TEST_F(Editor, AnotherProcessNamesItsEngineOfTheSameNumberApart)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    if (child == 0)
    {
        close(fds[0]);
        std::string line;
        {
            Palladon theirs(&hostCallback, Flavour::plugin);
            const SharedBlock* theirBlock = attachSharedBlock(theirs);
            Fennick3Editor theirEditor(&theirs, {});
            line = std::to_string(theirs.getInstanceNumber()) + "\n" + theirEditor.getUiFifoPath() +
                   "\n" + theirEditor.getPluginFifoPath() + "\n" + theirBlock->name();
        }
        _exit(write(fds[1], line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string reply;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);

    Palladon ours(&hostCallback, Flavour::plugin);
    const SharedBlock* ourBlock = attachSharedBlock(ours);
    Fennick3Editor ourEditor(&ours, {});
    std::istringstream lines(reply);
    std::string number, commandFifo, noticeFifo, block;
    std::getline(lines, number);
    std::getline(lines, commandFifo);
    std::getline(lines, noticeFifo);
    std::getline(lines, block);
    EXPECT_EQ(std::stoi(number), ours.getInstanceNumber()) << "both processes count from here";
    EXPECT_NE(commandFifo, ourEditor.getUiFifoPath());
    EXPECT_NE(noticeFifo, ourEditor.getPluginFifoPath());
    EXPECT_NE(block, ourBlock->name());
}

class LingeringEditor : public Editor
{
protected:
    void SetUp() override
    {
        lingering = true;
        Editor::SetUp();
    }
};

TEST_F(LingeringEditor, StartsTheUiOnceAndSendsTheNewWindowOnReopen)
{
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 437);
    EXPECT_EQ(rect->right, 621);

    EXPECT_TRUE(editor->open(kWindow));
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(startedLines(), std::vector<std::string>{"4242 " + engine->getInstanceTag()});
    editor->close();
    EXPECT_FALSE(editor->isOpen());
    readNotices();

    EXPECT_TRUE(editor->open(reinterpret_cast<void*>(std::uintptr_t{5151})));
    EXPECT_EQ(readNotices(), (Messages{{6, 4, 0, 0, 0, '5', '1', '5', '1', 0}}));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(startedLines().size(), 1u);
}

TEST_F(Editor, WithoutAProgramOpeningReportsOnceAndStartsNothing)
{
    deleteEditor();
    Fennick3Editor empty(engine.get(), {});
    EXPECT_EQ(empty.getExecutablePath(), "");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(empty.open(kWindow));
    empty.close();
    EXPECT_TRUE(empty.open(kWindow));
    empty.close();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "QuelvarVST > no UI program to start: the editor stays empty\n");
    EXPECT_EQ(empty.getUiProcess(), -1);
}

TEST_F(Editor, ParameterThenStopApplyInTheirOrder)
{
    engine->setParameter(kSyncType, 0.5f);
    engine->internalPlay();
    ASSERT_TRUE(engine->getTransport().internalPlaying());
    openWithoutPolling();

    writeCommands(parameterCommand(3, 0.5f) + Bytes{18});
    editor->processMessageFromUI();

    EXPECT_FLOAT_EQ(engine->getParameter(3), 0.5f);
    EXPECT_EQ(hostLog.automated, (std::vector<std::pair<int, bool>>{{3, true}}));
    EXPECT_FALSE(engine->getTransport().internalPlaying());
}

TEST_F(Editor, ParameterFromTheUiComesBackAsItsNotice)
{
    editor->open(kWindow);
    readNotices();
    writeCommands(parameterCommand(3, 0.5f));
    EXPECT_TRUE(awaitNotice(parameterCommand(3, 0.5f))) << "notice 1 has command 1's layout";
}

TEST_F(Editor, SlotClearEmptiesOnlyTheAddressedPatternThenRefreshes)
{
    Song& song = engine->getSong();
    for (int p : {4, 5})
    {
        for (int i = 0; i < 16; ++i)
            song.getPattern(p)->setStepNote(40 + i % 5, i);
    }
    engine->updatePatternData();
    const std::vector<int> kept = notesOf(*song.getPattern(4));
    editor->open(kWindow);
    readNotices();

    writeCommands({13, 0, 5, 0});
    ASSERT_TRUE(awaitNotice({2}));
    EXPECT_EQ(notesOf(*song.getPattern(5)), std::vector<int>(16, kDefaultStepNote));
    EXPECT_EQ(notesOf(*song.getPattern(4)), kept);

    using namespace sharedLayout;
    const std::uint8_t* block = sharedBlock->bytes();
    EXPECT_EQ(bridge::getInt32(block + kPatternsOffset + 5 * kPatternRecordBytes),
              kDefaultStepNote);
    EXPECT_EQ(bridge::getInt32(block + kPatternsOffset + 4 * kPatternRecordBytes), 40);
}

class EditorRandomise : public Editor, public ::testing::WithParamInterface<int>
{
};

// Mode 4 randomises the parameters only; mode 5 the current pattern (at the next block) too.
TEST_P(EditorRandomise, TouchesParametersAndOnlyInModeFiveThePattern)
{
    const int mode = GetParam();
    engine->setSampleRate(44100.0f);
    engine->setBlockSize(64);
    engine->resume();
    const std::vector<int> slots = {kWaveform, kCutoff, kResonance, kEnvMod, kDecay, kAccent};
    std::vector<float> before;
    for (int s : slots)
        before.push_back(engine->getParameter(s));
    const std::vector<int> notesBefore = notesOf(*engine->getCurrentPattern());
    openWithoutPolling();

    writeCommands({10, static_cast<std::uint8_t>(mode), 0, 0});
    editor->processMessageFromUI();
    float left[64], right[64];
    float* outputs[2] = {left, right};
    engine->processReplacing(nullptr, outputs, 64);

    std::vector<float> after;
    for (int s : slots)
        after.push_back(engine->getParameter(s));
    EXPECT_NE(after, before);
    EXPECT_EQ(notesOf(*engine->getCurrentPattern()) != notesBefore, mode == 5);
}

INSTANTIATE_TEST_SUITE_P(Bridge, EditorRandomise, ::testing::Values(4, 5));

TEST_F(Editor, UnknownOpcodeDropsTheRestOfTheRead)
{
    openWithoutPolling();
    const float volume = engine->getParameter(kVolume);
    writeCommands(parameterCommand(3, 0.25f) + Bytes{99} + parameterCommand(kVolume, 0.125f));
    testing::internal::CaptureStdout();
    editor->processMessageFromUI();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("unhandled opcode 63"),
              std::string::npos);
    EXPECT_FLOAT_EQ(engine->getParameter(3), 0.25f);
    EXPECT_FLOAT_EQ(engine->getParameter(kVolume), volume);
}

TEST_F(Editor, MessageReachingPastTheReadIsNotApplied)
{
    openWithoutPolling();
    const std::string never = dir + "/never.303";
    const std::string name = engine->getCurrentPattern()->getName();
    testing::internal::CaptureStdout();

    // The length fields claim more bytes than were read.
    writeCommands(parameterCommand(3, 0.25f) + Bytes{32, 0} + int32Bytes(200) + textBytes(never));
    editor->processMessageFromUI();
    writeCommands({14, 50, 'x', 'y'});
    editor->processMessageFromUI();
    writeCommands(Bytes{33, 0, 3} + int32Bytes(-5) + textBytes(never));
    editor->processMessageFromUI();

    testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(engine->getParameter(3), 0.25f);
    EXPECT_FALSE(exists(never));
    EXPECT_EQ(engine->getCurrentPattern()->getName(), name);
}

TEST_F(Editor, TextFieldsEndAtTheirFirstZeroByte)
{
    openWithoutPolling();
    const std::string file = dir + "/out.303";
    writeCommands(Bytes{32, 0} + int32Bytes(static_cast<std::int32_t>(file.size() + 3)) +
                  textBytes(file, 3) + Bytes{14, 6} + textBytes("acid", 2));
    editor->processMessageFromUI();
    ASSERT_TRUE(exists(file));
    EXPECT_EQ(engine->getCurrentPattern()->getName(), "acid");

    Pattern* seventh = engine->getSong().getPattern(7);
    for (int i = 0; i < 16; ++i)
        seventh->setStepNote(1, i);
    writeCommands(Bytes{33, 0, 7} + int32Bytes(static_cast<std::int32_t>(file.size() + 1)) +
                  textBytes(file, 1));
    editor->processMessageFromUI();
    EXPECT_EQ(notesOf(*seventh), notesOf(*engine->getCurrentPattern()));
}

TEST_F(Editor, NoticesGoOutWholeAndTheAudioThreadOnesAllocateNothing)
{
    editor->open(kWindow);
    readNotices();
    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope scope;
        editor->processStep(5);
        editor->sendMidiMessage(0x90, 40, 100);
    }
    EXPECT_EQ(allocGuard::count(), before);
    EXPECT_EQ(readNotices(), (Messages{{3, 5}, {4, 0x90, 40, 100}}));

    // Closed: only the MIDI and distortion-type notices still go out.
    editor->close();
    editor->processStep(6);
    editor->setParameter(2, 0.1f);
    editor->updateDisplay();
    editor->sendMidiMessage(0xFC, 0, 0);
    engine->setParameter(kDistSelect, 0.5f);
    EXPECT_EQ(readNotices(), (Messages{{4, 0xFC, 0, 0}, {16, 2}}));
}

TEST_F(Editor, DestructionTellsTheUiToQuitReapsItAndRemovesTheFiles)
{
    editor->open(kWindow);
    startedLines();
    const pid_t ui = editor->getUiProcess();
    ASSERT_GT(ui, 0);
    const std::vector<std::string> files = {editor->getExecutablePath(), editor->getUiFifoPath(),
                                            editor->getPluginFifoPath()};
    readNotices();

    deleteEditor();
    EXPECT_EQ(readNotices(), (Messages{{7, 0}}));
    EXPECT_EQ(waitpid(ui, nullptr, WNOHANG), -1) << "already reaped";
    for (const auto& f : files)
        EXPECT_FALSE(exists(f)) << f;
}

TEST_F(LingeringEditor, AKilledUiProcessIsReplacedAtTheNextOpenWhileTheEngineRenders)
{
    ASSERT_TRUE(editor->open(kWindow));
    ASSERT_EQ(startedLines().size(), 1u);
    const pid_t first = editor->getUiProcess();
    ASSERT_GT(first, 0);
    kill(first, SIGKILL);
    std::this_thread::sleep_for(50ms);

    engine->setSampleRate(44100.0f);
    engine->resume();
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    for (int i = 0; i < 20; ++i)
    {
        engine->setParameter(kCutoff, 0.05f * static_cast<float>(i));
        engine->processReplacing(nullptr, outputs, 512);
    }
    editor->close();

    ASSERT_TRUE(editor->open(reinterpret_cast<void*>(std::uintptr_t{5151})));
    const std::vector<std::string> started = startedLines(2);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1], "5151 " + engine->getInstanceTag());
    EXPECT_NE(editor->getUiProcess(), first);
}

TEST_F(LingeringEditor, AUiProcessThatStopsReadingNeverHoldsTheEngineUp)
{
    ASSERT_TRUE(editor->open(kWindow));
    // Far more notices than a pipe holds: each one that does not fit is dropped at once.
    for (int i = 0; i < 200000; ++i)
        engine->setParameter(i % kNumParams, 0.5f);
    EXPECT_EQ(engine->getParameter(kCutoff), 0.5f);
}

TEST_F(Editor, AnEngineWithoutASharedBlockGetsAnEmptyEditor)
{
    deleteEditor();
    Palladon standalone(&hostCallback, Flavour::standalone);
    ASSERT_EQ(standalone.getSharedBlock(), nullptr);
    {
        Fennick3Editor empty(
            &standalone, {reinterpret_cast<const std::uint8_t*>(script.data()), script.size()});
        EXPECT_TRUE(empty.open(kWindow));
        empty.close();
        EXPECT_TRUE(empty.open(kWindow));
        EXPECT_EQ(empty.getUiProcess(), -1);
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(exists(dir + "/started"));
}
