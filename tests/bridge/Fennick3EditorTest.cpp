// The editor bridge around an in-process engine. A shell script stands in for the UI program: it
// notes its arguments and ends. Commands are written into the real command pipe and notices read
// from the real notice pipe, through the ends the editor keeps for the UI.
#include "bridge/Fennick3Editor.h"

#include "bridge/bridgeProtocol.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "support/AllocGuard.h"
#include "support/sharedBlockSupport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include "support/testFiles.h"
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
    std::vector<std::pair<int, int>> windowSizes;
    Palladon* engine = nullptr;
};
HostLog hostLog;

VstIntPtr hostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                       void* /*ptr*/, float /*opt*/)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterSizeWindow)
        hostLog.windowSizes.emplace_back(index, static_cast<int>(value));
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

class Editor : public ::testing::Test
{
protected:
    bool lingering = false;

    void SetUp() override
    {
        char pattern[] = "/tmp/quelvar-editor-test-XXXXXX";
        dir = mkdtemp(pattern);
        engine = std::make_unique<Palladon>(&hostCallback, Flavour::plugin);
        sharedBlock = attachSharedBlock(*engine);
        hostLog = {};
        hostLog.engine = engine.get();
        // A lingering stand-in stays up like a real UI process until it is told or made to go.
        script = "#!/bin/sh\necho \"$@\" >> " + dir + "/started\n" +
                 (lingering ? "exec sleep 30\n" : "");
        editor = new Fennick3Editor(engine.get(), sharedBlock, program());
        engine->attachEditor(editor);
    }

    void TearDown() override
    {
        deleteEditor();
        hostLog.engine = nullptr;
        engine.reset();
        fs::remove_all(dir);
    }

    std::span<const std::uint8_t> program() const
    {
        return {reinterpret_cast<const std::uint8_t*>(script.data()), script.size()};
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
        ASSERT_EQ(write(editor->uiCommandEnd(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }

    // The notices waiting in the pipe, split into messages.
    Messages readNotices()
    {
        Bytes bytes(65536);
        const ssize_t n = read(editor->uiNoticeEnd(), bytes.data(), bytes.size());
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

    // Notices the poll timer sends within ten seconds (a loaded machine is slow), until `count`
    // have come, in sorted order: one poll sends them in its own order, and two polls may share
    // them.
    Messages awaitNotices(std::size_t count)
    {
        Messages all;
        for (int i = 0; i < 2000 && all.size() < count; ++i)
        {
            for (Bytes& m : readNotices())
                all.push_back(std::move(m));
            std::this_thread::sleep_for(5ms);
        }
        std::sort(all.begin(), all.end());
        return all;
    }

    // Reads until the poll timer has had 50 ms without sending anything.
    void settleNotices()
    {
        for (int quiet = 0; quiet < 10;)
        {
            quiet = readNotices().empty() ? quiet + 1 : 0;
            std::this_thread::sleep_for(5ms);
        }
    }

    bool awaitNotice(const Bytes& expected)
    {
        for (int i = 0; i < 2000; ++i)
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
        for (int i = 0; i < 2000 && lines.size() < atLeast; ++i)
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
};
} // namespace

// The UI program runs from memory and gets the shared block and the pipes as descriptors: an
// editor made, opened, closed and deleted leaves no file anywhere.
TEST_F(Editor, WritesNoFileAtAll)
{
    const std::vector<std::string> sharedMemory = namesIn("/dev/shm");
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    Palladon other(&hostCallback, Flavour::plugin);
    auto* second = new Fennick3Editor(&other, attachSharedBlock(other), program());
    EXPECT_TRUE(second->open(kWindow));
    ASSERT_EQ(startedLines(), std::vector<std::string>{"4242 3 4 5"});
    second->close();
    delete second;
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"started"});
    EXPECT_EQ(namesIn("/dev/shm"), sharedMemory);
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
    EXPECT_EQ(startedLines(), std::vector<std::string>{"4242 3 4 5"});
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
    Fennick3Editor empty(engine.get(), sharedBlock, {});
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

// The UI process's undo, MIDI learn and size commands: the pattern comes back whole, the learn and
// the forget reach the engine, and a new size is answered to the host's size question and asked
// of the host on its UI thread (idle), once.
TEST_F(Editor, UndoLearnAndSizeCommandsReachTheEngineAndTheHost)
{
    openWithoutPolling();
    bridge::PatternContents contents;
    contents.index = 40;
    contents.stepCount = 5;
    for (std::size_t i = 0; i < contents.steps.size(); ++i)
        contents.steps[i] = {static_cast<std::uint8_t>(i % 60), 1, 0};
    contents.name = "back again";
    Bytes restore(bridge::kPatternContentsFixedBytes + contents.name.size());
    ASSERT_EQ(bridge::encodePatternContents(restore.data(), restore.size(), contents),
              restore.size());
    writeCommands(restore + Bytes{bridge::command::learnController, kDecay} +
                  Bytes{bridge::command::forgetController, kCutoff} +
                  Bytes{bridge::command::editorScale, 130} +
                  Bytes{bridge::command::editorScale, 150});
    editor->processMessageFromUI();

    const Pattern& p = *engine->getSong().getPattern(40);
    EXPECT_EQ(p.getNBStep(), 5);
    EXPECT_EQ(p.getName(), "back again");
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        EXPECT_EQ(p.getStepAnyIndex(i)->note(), i % 60) << i;
        EXPECT_TRUE(p.getStepAnyIndex(i)->slide()) << i;
    }
    EXPECT_EQ(engine->getLearningSlot(), kDecay);
    EXPECT_EQ(engine->controllerOf(kCutoff), kNoController);

    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->right, 932);
    EXPECT_EQ(rect->bottom, 656);
    EXPECT_TRUE(hostLog.windowSizes.empty()) << "only on the host's UI thread";
    editor->idle();
    editor->idle();
    EXPECT_EQ(hostLog.windowSizes, (std::vector<std::pair<int, int>>{{932, 656}}));
}

// A knob grabbed, turned and let go in the panel: the gesture and the move wait in the engine's
// parameter edits for a format's UI thread, which needs no VST 2 host to hear of them.
TEST_F(Editor, GesturesAndMovesWaitForTheFormatsUiThread)
{
    openWithoutPolling();
    writeCommands(Bytes{bridge::command::beginEdit, kCutoff} + parameterCommand(kCutoff, 0.7f) +
                  Bytes{bridge::command::endEdit, kCutoff});
    editor->processMessageFromUI();
    std::vector<std::pair<int, int>> taken;
    ParameterEdits::Edit e{};
    while (engine->parameterEdits().next(e))
        taken.push_back({static_cast<int>(e.kind), e.slot});
    using K = ParameterEdits::Edit::Kind;
    EXPECT_EQ(taken, (std::vector<std::pair<int, int>>{{static_cast<int>(K::begin), kCutoff},
                                                       {static_cast<int>(K::value), kCutoff},
                                                       {static_cast<int>(K::end), kCutoff}}));
    EXPECT_FLOAT_EQ(engine->getParameter(kCutoff), 0.7f);
}

// The line commands: the settings reach the engine and its shared block, an edit changes the
// current pattern, and a file request is answered with the path of the playing line's file.
TEST_F(Editor, LineCommandsReachTheEngineAndAFileRequestIsAnswered)
{
    openWithoutPolling();
    LineSettings s;
    s.key = 7;
    s.scale = Scale::mixolydian;
    s.restPercent = 0;
    Bytes settings(7);
    bridge::encodeLineSettings(settings.data(), s);
    const std::string folder = dir + "/cache";
    Bytes request(5 + folder.size());
    ASSERT_EQ(bridge::encodeLineFileRequest(request.data(), request.size(), folder),
              request.size());
    const std::vector<int> before = notesOf(*engine->getCurrentPattern());
    writeCommands(settings + Bytes{bridge::command::lineEdit, 0} + request);
    editor->processMessageFromUI();

    EXPECT_EQ(engine->getLineSettings(), s);
    EXPECT_EQ(sharedBlock->bytes()[sharedLayout::kLineSettingsOffset], 7);
    const std::vector<int> after = notesOf(*engine->getCurrentPattern());
    EXPECT_NE(after, before);
    for (const int note : after)
        EXPECT_TRUE(inScale(note, 7, Scale::mixolydian)) << note;
    const std::string path = folder + "/" + playingLine(*engine).name + ".mid";
    Bytes answer(6 + path.size());
    ASSERT_EQ(bridge::encodeLineFileWritten(answer.data(), answer.size(), path), answer.size());
    EXPECT_EQ(readNotices(), Messages{answer});
    EXPECT_TRUE(exists(path));

    writeCommands(Bytes{bridge::command::lineFile, 2, 0, 0, 0, 'n', 'o'});
    editor->processMessageFromUI();
    EXPECT_EQ(readNotices(), Messages{Bytes({bridge::notice::lineFile, 0, 0, 0, 0, 0})})
        << "a relative folder writes nothing, and says so";
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

// Notices only store; the poll sends them, latest values of a kind superseding earlier ones.
TEST_F(Editor, NoticesAreGatheredWithoutAllocatingAndSentByThePoll)
{
    editor->open(kWindow);
    settleNotices();
    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope scope;
        editor->processStep(4);
        editor->processStep(5);
        editor->sendMidiMessage(0x90, 40, 100);
        editor->setParameter(kCutoff, 0.1f);
        editor->setParameter(kCutoff, 0.2f);
        editor->updateDisplay();
    }
    EXPECT_EQ(allocGuard::count(), before);
    EXPECT_EQ(awaitNotices(4), (Messages{{1, 3, 0, 0, 0, 0xCD, 0xCC, 0x4C, 0x3E},
                                         {2},
                                         {3, 5},
                                         {4, 0x90, 40, 100}}));

    // Closed: only the distortion type is kept for the UI, which shows it when reopened.
    editor->close();
    editor->processStep(6);
    editor->setParameter(2, 0.1f);
    editor->updateDisplay();
    editor->sendMidiMessage(0xFC, 0, 0);
    engine->setParameter(kDistSelect, 0.5f);
    editor->processMessageFromUI();
    EXPECT_EQ(readNotices(), (Messages{{16, 2}}));
}

// The audio thread stores a changed value; the poll makes its display text before the notice.
TEST_F(Editor, ThePollPublishesTheTextOfAChangedParameter)
{
    editor->open(kWindow);
    settleNotices();
    engine->setParameter(kDistSelect, 0.75f);
    using namespace sharedLayout;
    const auto* text = reinterpret_cast<const char*>(
        sharedBlock->bytes() + kDistSelect * kParameterRecordBytes + kParameterTextOffset);
    ASSERT_TRUE(awaitNotice(parameterCommand(kDistSelect, 0.75f)));
    EXPECT_STREQ(text, "Ultracrunch");
}

TEST_F(Editor, DestructionTellsTheUiToQuitAndReapsIt)
{
    editor->open(kWindow);
    startedLines();
    const pid_t ui = editor->getUiProcess();
    ASSERT_GT(ui, 0);
    const int notices = dup(editor->uiNoticeEnd());
    settleNotices();

    deleteEditor();
    Bytes quit(16);
    EXPECT_EQ(read(notices, quit.data(), quit.size()), 2);
    quit.resize(2);
    EXPECT_EQ(quit, (Bytes{7, 0}));
    close(notices);
    EXPECT_EQ(waitpid(ui, nullptr, WNOHANG), -1) << "already reaped";
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
    EXPECT_EQ(started[1], "5151 3 4 5");
    EXPECT_NE(editor->getUiProcess(), first);
}

TEST_F(LingeringEditor, AUiProcessThatStopsReadingNeverHoldsTheEngineUp)
{
    ASSERT_TRUE(editor->open(kWindow));
    // Far more notices than a pipe holds: each one that does not fit is dropped at once.
    for (int i = 0; i < 200000; ++i)
    {
        engine->setParameter(i % kNumParams, 0.5f);
        editor->sendMidiMessage(0x90, i % 128, 100);
    }
    EXPECT_EQ(engine->getParameter(kCutoff), 0.5f);
}

TEST_F(Editor, AnEngineWithoutASharedBlockGetsAnEmptyEditor)
{
    deleteEditor();
    Palladon standalone(&hostCallback, Flavour::standalone);
    ASSERT_EQ(standalone.getSharedBlock(), nullptr);
    {
        Fennick3Editor empty(&standalone, nullptr, program());
        EXPECT_TRUE(empty.open(kWindow));
        empty.close();
        EXPECT_TRUE(empty.open(kWindow));
        EXPECT_EQ(empty.getUiProcess(), -1);
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(exists(dir + "/started"));
}
