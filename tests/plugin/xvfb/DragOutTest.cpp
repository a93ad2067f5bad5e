// Dragging the pattern out of the panel onto a drop target of the test's own (another process,
// quelvar-drop-target), as a user drags it into a DAW, under one private Xvfb: from the plugin's
// editor (its UI process asks, the plugin writes the file through the bridge) and from the
// standalone program's panel in this process. The target gets the file's URL as text/uri-list,
// and the file is a valid standard MIDI file equal to the MIDI export of the pattern at the tempo
// it plays at, under its readable name in the cache folder. The pointer is moved by xdotool.
// Pictures of the new controls go to artifacts/.
#include "SmfReader.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "standalone/PanelEditor.h"
#include "standalone/panel/DragHandle.h"
#include "standalone/panel/MainWidget.h"
#include "support/missingTool.h"
#include "support/testFiles.h"
#include "tools/vsthost/VstHost.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <sstream>

// Last: Xlib's macros (None, Bool, Status) would break Qt's headers.
#include "xvfbSupport.h"

using namespace quelvar;
using namespace quelvar::xvfb;

namespace
{
const std::string kArtifacts = QUELVAR_ARTIFACTS_DIR;
constexpr int kTargetX = 760;
constexpr int kTargetY = 120;
constexpr int kTargetSize = 300;

// One Xvfb and one QApplication on it for the whole program, with a home, a runtime folder and
// a cache folder of its own.
class XvfbEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "import"})
            if (!onPath(tool))
                missing += std::string(missing.empty() ? "" : ", ") + tool;
        if (!missing.empty())
            return;
        fs::create_directories(kArtifacts);
        if (!server.start(kArtifacts + "/drag-xvfb.log"))
        {
            missing = "a running Xvfb";
            return;
        }
        char folder[] = "/tmp/quelvar-drag-XXXXXX";
        root = mkdtemp(folder);
        fs::create_directories(root + "/home");
        fs::create_directories(root + "/runtime");
        fs::permissions(root + "/runtime", fs::perms::owner_all);
        setenv("HOME", (root + "/home").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        setenv("DISPLAY", server.display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "drag_out_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override
    {
        app.reset();
        if (!root.empty())
            fs::remove_all(root);
    }

    std::string missing; // what this machine lacks for the tests, empty when all is there
    std::string root;

private:
    Xvfb server;
    std::unique_ptr<QApplication> app;
};

XvfbEnvironment* const environment =
    static_cast<XvfbEnvironment*>(testing::AddGlobalTestEnvironment(new XvfbEnvironment));

// A program running beside the test, its output read as it comes; stopped by its id.
class Child
{
public:
    explicit Child(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0)
        {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        output = out[0];
        fcntl(output, F_SETFL, fcntl(output, F_GETFL) | O_NONBLOCK);
    }
    ~Child()
    {
        if (pid > 0 && running())
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            close(output);
    }

    bool running()
    {
        if (pid <= 0 || ended)
            return false;
        ended = waitpid(pid, nullptr, WNOHANG) == pid;
        return !ended;
    }
    // Everything it printed so far.
    const std::string& text()
    {
        char buffer[4096];
        ssize_t n;
        while (output >= 0 && (n = read(output, buffer, sizeof buffer)) > 0)
            printed.append(buffer, static_cast<std::size_t>(n));
        return printed;
    }

private:
    pid_t pid = -1;
    int output = -1;
    bool ended = false;
    std::string printed;
};

// Runs the Qt loop of this process while waiting: the drag from its own panel needs it.
template <typename Ready>
bool spinUntil(Ready ready, std::chrono::milliseconds limit = 20000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!ready() && std::chrono::steady_clock::now() < end)
    {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(5ms);
    }
    return ready();
}

// Press on the handle and move past a drag's distance at once (before the plugin's answer can
// have come: the drag then starts when it comes), across the screen in steps onto the target,
// rest there for the target's answer, release.
std::vector<std::string> dragCommand(int fromX, int fromY)
{
    const int toX = kTargetX + kTargetSize / 2;
    const int toY = kTargetY + kTargetSize / 2;
    std::vector<std::string> c{"xdotool", "mousemove", std::to_string(fromX), std::to_string(fromY),
                               "sleep", "0.3", "mousedown", "1"};
    for (int i = 1; i <= 12; ++i)
    {
        const int x = fromX + (toX - fromX) * i / 12;
        const int y = fromY + (toY - fromY) * i / 12;
        c.insert(c.end(), {"mousemove", std::to_string(x), std::to_string(y), "sleep",
                           i == 1 ? "0.5" : "0.1"});
    }
    c.insert(c.end(), {"sleep", "0.6", "mouseup", "1"});
    return c;
}

struct Drop
{
    std::vector<std::string> formats;
    std::string path;
    std::vector<std::uint8_t> bytes; // the file as the target found it
};

Drop dropSeenBy(Child& target, const std::string& copy)
{
    Drop drop;
    std::istringstream lines(target.text());
    for (std::string line; std::getline(lines, line);)
    {
        if (line.starts_with("format "))
            drop.formats.push_back(line.substr(7));
        else if (line.starts_with("dropped "))
            drop.path = line.substr(8);
    }
    const std::string bytes = readFile(copy);
    drop.bytes.assign(bytes.begin(), bytes.end());
    return drop;
}

std::vector<std::uint8_t> exported(Palladon& engine, double tempoBpm, const std::string& path)
{
    EXPECT_TRUE(exportMidiPattern(engine, path, -1, tempoBpm));
    const std::string bytes = readFile(path);
    return {bytes.begin(), bytes.end()};
}

// A valid standard MIDI file with the pattern's notes in it.
void expectValidMidi(const std::vector<std::uint8_t>& bytes)
{
    MidiSequence sequence;
    std::string error;
    ASSERT_TRUE(readSmf(bytes.data(), bytes.size(), sequence, error)) << error;
    EXPECT_EQ(sequence.format, 0);
    EXPECT_TRUE(std::any_of(sequence.events.begin(), sequence.events.end(),
                            [](const TimedMidi& e) { return (e.bytes[0] & 0xF0) == 0x90; }));
}

std::string cacheFolder()
{
    return environment->root + "/cache/Brontavell/Quelvar/MIDI";
}

class DragOut : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!environment->missing.empty())
            QUELVAR_MISSING("missing: " << environment->missing);
    }

    // The target on the screen, ready for a drop.
    std::unique_ptr<Child> startTarget()
    {
        auto target = std::make_unique<Child>(std::vector<std::string>{
            QUELVAR_DROP_TARGET, std::to_string(kTargetX), std::to_string(kTargetY),
            std::to_string(kTargetSize), std::to_string(kTargetSize), copy.file("dropped.mid")});
        EXPECT_TRUE(spinUntil([&] { return target->text().find("ready") != std::string::npos; }))
            << "the drop target did not come up";
        return target;
    }

    TempDir copy;
};

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}
} // namespace

// The plugin at a host tempo of 133 BPM in host sync: the UI process's handle, the plugin's file.
TEST_F(DragOut, FromThePluginsEditorTheTargetGetsTheMidiExport)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 20, 20, 700,
                                              500, 0, 0, 0x0000FF);
    XMapWindow(display, window);
    XSync(display, False);
    {
        VstHost host(QUELVAR_PLUGIN_PATH);
        ASSERT_TRUE(host.loaded()) << host.error();
        host.setParameter(kGate, 0.8f);
        host.setParameter(kGroove, 0.6f);
        host.start(44100.0, 512);
        host.setTempo(133.0);
        std::vector<float> left, right;
        host.render(512, 512, left, right);
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window)), 1);
        ASSERT_TRUE(waitUntil(display, [&] { return hasEditorChild(window); }));
        ASSERT_TRUE(
            waitUntil(display, [&] { return pixelAt(display, window, 416, 20) != 0x0000FF; }))
            << "the panel never painted";
        std::unique_ptr<Child> target = startTarget();

        int status = -1;
        run(dragCommand(20 + 416, 20 + 20), &status);
        EXPECT_EQ(status, 0) << "xdotool";
        EXPECT_TRUE(spinUntil([&] { return !target->running(); }, 10000ms))
            << "no drop arrived: " << target->text();
        const Drop drop = dropSeenBy(*target, copy.file("dropped.mid"));

        void* chunk = nullptr;
        const VstIntPtr size = host.dispatch(effGetChunk, 0, 0, &chunk);
        Palladon local(&quietHost, Flavour::plugin);
        testing::internal::CaptureStdout();
        ASSERT_EQ(setChunk(local, chunk, static_cast<std::size_t>(size)), 1);
        testing::internal::GetCapturedStdout();
        EXPECT_NE(std::find(drop.formats.begin(), drop.formats.end(), "text/uri-list"),
                  drop.formats.end());
        EXPECT_EQ(drop.path, cacheFolder() + "/Quelvar 1 pattern 1.mid");
        EXPECT_EQ(drop.bytes, exported(local, 133.0, copy.file("export.mid")));
        expectValidMidi(drop.bytes);

        host.dispatch(effEditClose);
        host.close();
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

// The standalone program's panel on its engine, in internal sync at 97 BPM, with a line made in a
// key: the panel's handle, the file written in this process. The lines row and the handle are
// photographed for the manual.
TEST_F(DragOut, FromTheStandalonesPanelTheTargetGetsTheMidiExport)
{
    Palladon synth(&quietHost, Flavour::standalone);
    auto* editor = new PanelEditor(synth); // the engine deletes it
    synth.attachEditor(editor);
    QWidget window;
    window.setWindowTitle(QStringLiteral("panel"));
    editor->open(&window);
    window.move(20, 20);
    window.show();
    MainWidget& panel = *editor->panel();
    synth.setParameter(kSyncType, 0.5f);
    synth.setParameter(kTempo, (97.0f - 40.0f) / 260.0f);
    synth.getCurrentPattern()->setName("night bus");
    LineSettings key;
    key.key = 9;
    key.scale = Scale::minorPentatonic;
    synth.setLineSettings(key);
    panel.showLines(true);
    panel.editLine(LineEdit::generate);
    panel.updatePatternDisplay(true);
    ASSERT_TRUE(spinUntil([&]
                          { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    spinUntil([] { return false; }, 500ms);

    for (const auto& [name, area] :
         {std::pair{"lines-row.png", QRect(0, 155, 621, 80)},
          std::pair{"drag-handle.png", QRect(232, 4, 212, 68)}})
    {
        const QPoint at = panel.mapToGlobal(area.topLeft());
        int status = -1;
        run({"import", "-window", "root", "-crop",
             std::to_string(area.width()) + "x" + std::to_string(area.height()) + "+" +
                 std::to_string(at.x()) + "+" + std::to_string(at.y()),
             "+repage", kArtifacts + "/" + name},
            &status);
        EXPECT_EQ(status, 0) << name;
    }

    std::unique_ptr<Child> target = startTarget();
    const auto* handle = panel.findChild<DragHandle*>(QStringLiteral("drag_midi"));
    ASSERT_NE(handle, nullptr);
    const QPoint from = handle->mapToGlobal(handle->rect().center());
    Child drag(dragCommand(from.x(), from.y()));
    EXPECT_TRUE(spinUntil([&] { return !target->running(); }))
        << "no drop arrived: " << target->text();
    spinUntil([&] { return !drag.running(); }, 5000ms);
    const Drop drop = dropSeenBy(*target, copy.file("dropped.mid"));

    EXPECT_NE(std::find(drop.formats.begin(), drop.formats.end(), "text/uri-list"),
              drop.formats.end());
    EXPECT_EQ(drop.path, cacheFolder() + "/Quelvar 1 night bus.mid");
    EXPECT_EQ(drop.bytes, exported(synth, 97.0, copy.file("export.mid")));
    expectValidMidi(drop.bytes);
    editor->close();
}
