// The plugin's editor end to end under a private Xvfb: the test host loads QuelvarVST.so, opens
// the editor into an X window of its own, sees the UI process put a 621x437 child window into it,
// reopens the editor into a second window and closes the plugin. The LV2 bundle's UI object does
// the same inside a host window, through the running plugin, and the VST 3 bundle's view with
// its work on a run loop of the test's. Screenshots go to artifacts/.
#include "lv2/lv2Uris.h"
#include "support/Lv2TestHost.h"
#include "support/Vst3TestHost.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool, Status) would break its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quelvar;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace
{
constexpr unsigned long kBlue = 0x0000FF;
constexpr unsigned long kGreen = 0x00FF00;

bool onPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size())
    {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string file = dirs.substr(start, end - start) + "/" + name;
        if (access(file.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Runs a program to its end; its standard output is returned, its error output discarded.
std::string run(const std::vector<std::string>& args, int* status = nullptr)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(out[0]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int result = -1;
    waitpid(pid, &result, 0);
    if (status)
        *status = result;
    return text;
}

// An Xvfb of our own. -displayfd makes it choose a free display number and write it once the
// server accepts connections, which is also the wait for it.
class Xvfb
{
public:
    bool start(const std::string& logPath)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const std::string fd = std::to_string(fds[1]);
        pid = fork();
        if (pid == 0)
        {
            close(fds[0]);
            const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log >= 0)
            {
                dup2(log, STDOUT_FILENO);
                dup2(log, STDERR_FILENO);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&p, 1, 15000) > 0)
        {
            char c[16];
            const ssize_t n = read(fds[0], c, sizeof c);
            if (n <= 0)
                break;
            number.append(c, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        if (number.empty() || number.find('\n') == std::string::npos)
            return false;
        display = ":" + number.substr(0, number.find('\n'));
        return true;
    }
    ~Xvfb()
    {
        if (pid > 0)
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
    std::string display;
};

Window hostWindow(Display* d, int x, int y, unsigned long background)
{
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, 700, 500, 0, 0, background);
    XMapWindow(d, w);
    XSync(d, False);
    return w;
}

template <typename Ready>
bool waitUntil(Display* d, Ready ready, std::chrono::milliseconds limit = 15000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end)
    {
        while (XPending(d) > 0)
        {
            XEvent e;
            XNextEvent(d, &e);
        }
        if (ready())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return ready();
}

bool hasEditorChild(Window w)
{
    return run({"xwininfo", "-tree", "-id", std::to_string(w)}).find("621x437+0+0") !=
           std::string::npos;
}

unsigned long pixelAt(Display* d, Window w, int x, int y)
{
    XImage* image = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

// Children of this process whose first argument is "QuelvarUI".
std::vector<pid_t> uiProcesses()
{
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc"))
    {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2 ||
            parent != getpid())
            continue;
        std::ifstream cmdline(entry.path() / "cmdline");
        std::string first;
        std::getline(cmdline, first, '\0');
        if (first == "QuelvarUI")
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

bool screenshot(Window w, const std::string& file)
{
    int status = -1;
    run({"import", "-window", std::to_string(w), file}, &status);
    std::error_code error;
    return status == 0 && fs::file_size(file, error) > 0;
}

std::vector<std::string> filesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename());
    return names;
}
} // namespace

// A private Xvfb for each test, and a private runtime folder and home for the UI process.
class EditorUnderXvfb : public testing::Test
{
protected:
    void SetUp() override
    {
        // On the CI path (CI=true) a missing Xvfb means a missing install step.
        const char* ci = std::getenv("CI");
        if (!onPath("Xvfb") && ci && std::string(ci) == "true")
            FAIL() << "Xvfb is not installed";
        if (!onPath("Xvfb"))
            GTEST_SKIP() << "Xvfb is not installed";
        for (const char* tool : {"xwininfo", "import"})
            ASSERT_TRUE(onPath(tool)) << tool << " is missing (x11-utils, imagemagick)";

        fs::create_directories(artifacts);
        ASSERT_TRUE(server.start(artifacts + "/xvfb.log")) << "Xvfb did not start";

        char runtimeTemplate[] = "/tmp/quelvar-embed-XXXXXX";
        runtime = mkdtemp(runtimeTemplate);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        // The UI process's panel fills an empty preset folder in the documents folder.
        char homeTemplate[] = "/tmp/quelvar-embed-home-XXXXXX";
        home = mkdtemp(homeTemplate);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        setenv("DISPLAY", server.display.c_str(), 1);
        unsetenv("QT_QPA_PLATFORM");

        display = XOpenDisplay(server.display.c_str());
        ASSERT_NE(display, nullptr);
    }

    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
        if (!runtime.empty())
            fs::remove_all(runtime);
        if (!home.empty())
            fs::remove_all(home);
    }

    const std::string artifacts = QUELVAR_ARTIFACTS_DIR;
    Xvfb server;
    std::string runtime;
    std::string home;
    Display* display = nullptr;
};

TEST_F(EditorUnderXvfb, EmbedsReopensAndQuitsWithThePlugin)
{
    const Window first = hostWindow(display, 20, 20, kBlue);

    {
        VstHost host(QUELVAR_PLUGIN_PATH);
        ASSERT_TRUE(host.loaded()) << host.error();
        ERect* rect = nullptr;
        ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, 621);
        EXPECT_EQ(rect->bottom - rect->top, 437);

        // The UI program runs from memory and inherits the pipes and the block: no file, ever.
        EXPECT_TRUE(filesIn(runtime).empty());

        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(first)), 1);
        ASSERT_TRUE(waitUntil(display, [&] { return hasEditorChild(first); }))
            << run({"xwininfo", "-tree", "-id", std::to_string(first)});
        const std::vector<pid_t> ui = uiProcesses();
        ASSERT_EQ(ui.size(), 1u);
        EXPECT_TRUE(waitUntil(display, [&] { return pixelAt(display, first, 300, 200) != kBlue; }))
            << "the panel never painted over the host window";
        EXPECT_TRUE(screenshot(first, artifacts + "/editor-first-window.png"));

        // Reopen as hosts do: the old window goes, a new one comes.
        host.dispatch(effEditClose);
        XDestroyWindow(display, first);
        XSync(display, False);
        const Window second = hostWindow(display, 120, 80, kGreen);
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(second)), 1);
        ASSERT_TRUE(waitUntil(display, [&] { return hasEditorChild(second); }))
            << run({"xwininfo", "-tree", "-id", std::to_string(second)});
        EXPECT_EQ(uiProcesses(), ui) << "the UI process is started once";
        EXPECT_TRUE(filesIn(runtime).empty());
        EXPECT_TRUE(
            waitUntil(display, [&] { return pixelAt(display, second, 300, 200) != kGreen; }));
        EXPECT_TRUE(screenshot(second, artifacts + "/editor-second-window.png"));

        host.dispatch(effEditClose);
        host.close();
        EXPECT_TRUE(uiProcesses().empty());
        EXPECT_TRUE(kill(ui[0], 0) != 0 && errno == ESRCH) << "the UI process outlived the plugin";
        EXPECT_TRUE(filesIn(runtime).empty()) << "files left behind";
        XDestroyWindow(display, second);
    }
}

namespace
{
struct UiHost
{
    int width = 0;
    int height = 0;
    int written = 0;
};

int resizeTo(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* host = static_cast<UiHost*>(handle);
    host->width = width;
    host->height = height;
    return 0;
}

void writePort(LV2UI_Controller controller, uint32_t /*port*/, uint32_t /*size*/,
               uint32_t /*format*/, const void* /*buffer*/)
{
    ++static_cast<UiHost*>(controller)->written;
}
} // namespace

// The LV2 UI object as a host loads it, with the running plugin: the panel goes into the host's
// window at the editor's size, and leaves with the plugin.
TEST_F(EditorUnderXvfb, Lv2UiShowsThePanelInTheHostsWindow)
{
    const Window parent = hostWindow(display, 20, 20, kBlue);
    std::vector<pid_t> ui;
    {
        Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
        ASSERT_TRUE(host.loaded());
        const std::string binary = std::string(QUELVAR_LV2_PATH) + "/quelvar.lv2/quelvar_ui.so";
        void* library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        const auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
            dlsym(library, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        const LV2UI_Descriptor* descriptor = entry(0);

        UiHost uiHost;
        LV2UI_Resize resize = {&uiHost, resizeTo};
        LV2_Extension_Data_Feature access = {
            lilv_instance_get_descriptor(host.lv2Instance())->extension_data};
        LV2_Feature features[] = {
            {LV2_UI__parent, reinterpret_cast<void*>(parent)},
            {LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(host.lv2Instance())},
            {LV2_DATA_ACCESS_URI, &access},
            {LV2_UI__resize, &resize}};
        const LV2_Feature* list[] = {&features[0], &features[1], &features[2], &features[3],
                                     nullptr};
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle handle = descriptor->instantiate(descriptor, kLv2PluginUri, QUELVAR_LV2_PATH,
                                                      writePort, &uiHost, &widget, list);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(uiHost.width, 621);
        EXPECT_EQ(uiHost.height, 437);
        const auto child = static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget));
        ASSERT_TRUE(waitUntil(display, [&] { return hasEditorChild(child); }))
            << run({"xwininfo", "-tree", "-id", std::to_string(parent)});
        ui = uiProcesses();
        EXPECT_EQ(ui.size(), 1u);
        EXPECT_TRUE(waitUntil(display, [&] { return pixelAt(display, parent, 300, 200) != kBlue; }))
            << "the panel never painted over the host window";
        EXPECT_TRUE(screenshot(parent, artifacts + "/lv2-editor.png"));

        const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idle, nullptr);
        EXPECT_EQ(idle->idle(handle), 0);
        descriptor->cleanup(handle);
        dlclose(library);
    }
    EXPECT_TRUE(uiProcesses().empty());
    for (pid_t pid : ui)
        EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH) << "the UI process outlived the plugin";
    EXPECT_TRUE(filesIn(runtime).empty()) << "files left behind";
    XDestroyWindow(display, parent);
}

// The VST 3 view in a host window of the test's, its polling on the test's run loop: the panel
// embeds, follows the view into a new window, and leaves with the plugin, the view let go first.
TEST_F(EditorUnderXvfb, Vst3ViewEmbedsOnTheHostsRunLoop)
{
    const Window first = hostWindow(display, 20, 20, kBlue);
    std::vector<pid_t> ui;
    {
        TestRunLoop loop;
        TestPlugFrame frame(&loop);
        Vst3TestHost host(QUELVAR_VST3_BUNDLE);
        ASSERT_TRUE(host.loaded()) << host.error();
        vst3::IPlugView* view = host.controller->createView(vst3::kEditorViewType);
        ASSERT_NE(view, nullptr);
        view->setFrame(&frame);
        const auto shown = [&](Window w)
        {
            loop.fireTimers();
            return hasEditorChild(w);
        };
        ASSERT_EQ(
            view->attached(reinterpret_cast<void*>(first), vst3::kPlatformTypeX11EmbedWindowID),
            vst3::kResultOk);
        ASSERT_TRUE(waitUntil(display, [&] { return shown(first); }))
            << run({"xwininfo", "-tree", "-id", std::to_string(first)});
        ui = uiProcesses();
        ASSERT_EQ(ui.size(), 1u);
        EXPECT_TRUE(waitUntil(
            display, [&] { return shown(first) && pixelAt(display, first, 300, 200) != kBlue; }))
            << "the panel never painted over the host window";
        EXPECT_TRUE(screenshot(first, artifacts + "/vst3-editor.png"));

        view->removed();
        XDestroyWindow(display, first);
        XSync(display, False);
        const Window second = hostWindow(display, 120, 80, kGreen);
        ASSERT_EQ(
            view->attached(reinterpret_cast<void*>(second), vst3::kPlatformTypeX11EmbedWindowID),
            vst3::kResultOk);
        ASSERT_TRUE(waitUntil(display, [&] { return shown(second); }))
            << run({"xwininfo", "-tree", "-id", std::to_string(second)});
        EXPECT_EQ(uiProcesses(), ui) << "the UI process is started once";
        view->removed();
        view->release();
        EXPECT_EQ(loop.timerCount(), 0u);
        XDestroyWindow(display, second);
    }
    EXPECT_TRUE(uiProcesses().empty());
    for (pid_t pid : ui)
        EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH) << "the UI process outlived the plugin";
    EXPECT_TRUE(filesIn(runtime).empty()) << "files left behind";
}
