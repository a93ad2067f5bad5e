// The plugin's editor end to end under a private Xvfb: the test host loads QuelvarVST.so, opens
// the editor into an X window of its own, sees the UI process put a 621x437 child window into it,
// reopens the editor into a second window and closes the plugin. The LV2 bundle's UI object does
// the same inside a host window, through the running plugin; the VST 3 bundle's view with its
// work on a run loop of the test's, and Quelvar.clap's gui with the host's timer on the test's
// own thread. Screenshots go to artifacts/.
#include "engine/parameterTable.h"
#include "lv2/lv2Uris.h"
#include "support/ClapTestHost.h"
#include "support/Lv2TestHost.h"
#include "support/Vst3TestHost.h"
#include "support/missingTool.h"
#include "tools/vsthost/VstHost.h"
#include "xvfbSupport.h"

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <cerrno>
#include <dlfcn.h>

using namespace quelvar;
using namespace quelvar::xvfb;

namespace
{
constexpr unsigned long kBlue = 0x0000FF;
constexpr unsigned long kGreen = 0x00FF00;
} // namespace

// A private Xvfb for each test, and a private runtime folder and home for the UI process.
class EditorUnderXvfb : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!onPath("Xvfb"))
            QUELVAR_MISSING("Xvfb is not installed");
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

// Quelvar.clap's gui as a CLAP host drives it, its timer firing on this thread as the host's main
// loop would: the panel goes into the host's window at its size, a knob dragged in it reaches
// the host as one gesture with its values through a flush the host was asked for, and the panel
// leaves with the plugin.
TEST_F(EditorUnderXvfb, ClapGuiShowsThePanelAndHandsItsMovesToTheHost)
{
    using namespace quelvar::clap;
    if (!onPath("xdotool"))
        QUELVAR_MISSING("xdotool is not installed");
    const Window parent = hostWindow(display, 20, 20, kBlue);
    std::vector<pid_t> ui;
    {
        ClapTestHost host(QUELVAR_CLAP_PATH);
        ASSERT_TRUE(host.loaded()) << host.error();
        const clap_plugin* plugin = host.create();
        ASSERT_NE(plugin, nullptr);
        const auto* gui = host.extension<clap_plugin_gui>(CLAP_EXT_GUI);
        ASSERT_NE(gui, nullptr);
        ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_X11, false));
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        ASSERT_TRUE(gui->get_size(plugin, &width, &height));
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(621u, 437u));
        clap_window window{CLAP_WINDOW_API_X11, {}};
        window.x11 = parent;
        ASSERT_TRUE(gui->set_parent(plugin, &window));
        ASSERT_TRUE(gui->show(plugin));

        int flushed = 0;
        const auto mainLoop = [&](auto ready)
        {
            return waitUntil(display,
                             [&]
                             {
                                 host.runMainLoopOnce();
                                 if (host.flushRequests > flushed)
                                 {
                                     flushed = host.flushRequests;
                                     host.flushEvents();
                                 }
                                 return ready();
                             });
        };
        ASSERT_TRUE(mainLoop([&] { return hasEditorChild(parent); }))
            << run({"xwininfo", "-tree", "-id", std::to_string(parent)});
        ui = uiProcesses();
        EXPECT_EQ(ui.size(), 1u);
        EXPECT_TRUE(mainLoop([&] { return pixelAt(display, parent, 300, 200) != kBlue; }))
            << "the panel never painted over the host window";
        EXPECT_TRUE(screenshot(parent, artifacts + "/clap-editor.png"));

        // The cutoff knob, dragged up by 40 pixels.
        const std::string w = std::to_string(parent);
        run({"xdotool", "mousemove", "--window", w, "105", "197", "mousedown", "1"});
        run({"xdotool", "mousemove", "--window", w, "105", "177"});
        run({"xdotool", "mousemove", "--window", w, "105", "157", "mouseup", "1"});
        const auto gestureEnded = [&]
        {
            return std::any_of(host.sent.begin(), host.sent.end(),
                               [](const ClapTestHost::SentEvent& e)
                               { return e.type == CLAP_EVENT_PARAM_GESTURE_END; });
        };
        ASSERT_TRUE(mainLoop(gestureEnded)) << "no gesture reached the host";
        std::vector<std::uint16_t> kinds;
        for (const ClapTestHost::SentEvent& e : host.sent)
        {
            EXPECT_EQ(e.parameter, static_cast<clap_id>(kCutoff));
            if (kinds.empty() || kinds.back() != e.type)
                kinds.push_back(e.type);
        }
        EXPECT_EQ(kinds, (std::vector<std::uint16_t>{CLAP_EVENT_PARAM_GESTURE_BEGIN,
                                                     CLAP_EVENT_PARAM_VALUE,
                                                     CLAP_EVENT_PARAM_GESTURE_END}));
        const double last = host.sent[host.sent.size() - 2].value;
        EXPECT_GT(last, 0.2);
        EXPECT_EQ(host.value(kCutoff), last);

        gui->destroy(plugin);
        EXPECT_TRUE(host.timers.empty());
        host.destroy();
        EXPECT_TRUE(uiProcesses().empty());
    }
    for (pid_t pid : ui)
        EXPECT_TRUE(pid > 0 && kill(pid, 0) != 0 && errno == ESRCH)
            << "the UI process outlived the plugin";
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
