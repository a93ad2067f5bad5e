// The VST 3 editor's work on the host's run loop, with the test standing in for the UI process:
// the panel's commands, its gestures and the sizes it chooses reach the host through the
// component handler and the frame, on the thread that runs the loop and only there; without a
// run loop nothing is asked of the host; the view may go before the plugin or after it.
#include "bridge/Fennick3Editor.h"
#include "bridge/bridgeProtocol.h"
#include "support/Vst3TestHost.h"
#include "vst3/Vst3Plugin.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quelvar;
using namespace quelvar::vst3;

namespace
{
// A program that ends at once: the pipes open, and the test writes the UI process's commands.
constexpr char kProgram[] = "#!/bin/sh\nexit 0\n";

struct Plugin
{
    Vst3TestHost host{QUELVAR_VST3_BUNDLE};
    Vst3Plugin* plugin =
        Vst3Plugin::create({reinterpret_cast<const std::uint8_t*>(kProgram), sizeof kProgram - 1});

    Plugin()
    {
        plugin->initialize(static_cast<IHostApplication*>(&host));
        plugin->setComponentHandler(&host);
    }
    ~Plugin()
    {
        if (plugin)
        {
            plugin->terminate();
            plugin->release();
        }
    }
    Fennick3Editor& editor()
    {
        return dynamic_cast<Fennick3Editor&>(*plugin->engine().getEditor());
    }
    void command(const std::vector<std::uint8_t>& bytes)
    {
        ASSERT_EQ(write(editor().uiCommandEnd(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
};

std::vector<std::uint8_t> parameterCommand(int slot, float value)
{
    std::vector<std::uint8_t> m(9);
    bridge::encodeParameter(m.data(), bridge::command::parameter, slot, value);
    return m;
}
} // namespace

TEST(Vst3Editor, ThePanelsWorkReachesTheHostOnItsRunLoopOnly)
{
    TestRunLoop loop;
    TestPlugFrame frame(&loop);
    Plugin p;
    IPlugView* view = p.plugin->createView(kEditorViewType);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(p.plugin->createView("another"), nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultFalse);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(std::make_pair(size.right, size.bottom), std::make_pair(621, 437));
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(loop.timerCount(), 1u);

    std::vector<std::uint8_t> gesture = {bridge::command::beginEdit, kCutoff};
    for (float v : {0.3f, 0.4f})
    {
        const std::vector<std::uint8_t> m = parameterCommand(kCutoff, v);
        gesture.insert(gesture.end(), m.begin(), m.end());
    }
    gesture.insert(gesture.end(),
                   {bridge::command::endEdit, kCutoff, bridge::command::editorScale, 200});
    p.command(gesture);
    // No thread of the plugin's reads the pipe: nothing happens until the loop runs.
    usleep(50000);
    EXPECT_NE(p.plugin->engine().getParameter(kCutoff), 0.4f);
    EXPECT_TRUE(p.host.edits.empty());
    EXPECT_TRUE(frame.sizes.empty());

    loop.fireTimers();
    EXPECT_EQ(p.plugin->engine().getParameter(kCutoff), 0.4f);
    EXPECT_EQ(p.host.edits, (std::vector<HostEdit>{{HostEdit::Kind::begin, kCutoff, 0.0},
                                                   {HostEdit::Kind::perform, kCutoff, 0.4f},
                                                   {HostEdit::Kind::end, kCutoff, 0.0}}));
    EXPECT_EQ(frame.sizes, (std::vector<std::pair<int, int>>{{1242, 874}}));
    EXPECT_EQ(frame.threads, std::vector<std::thread::id>{std::this_thread::get_id()});
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(std::make_pair(size.right, size.bottom), std::make_pair(1242, 874));

    // Closed and opened again; then the view goes before the plugin.
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(loop.timerCount(), 0u);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(2), kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_EQ(loop.timerCount(), 1u);
    view->release();
    EXPECT_EQ(loop.timerCount(), 0u) << "a view let go while attached stops its polling";
}

// A host that offers no run loop: the editor's own thread applies the panel's commands, and
// nothing is asked of the host from that thread.
TEST(Vst3Editor, WithoutARunLoopNothingIsAskedOfTheHost)
{
    TestPlugFrame frame(nullptr);
    Plugin p;
    IPlugView* view = p.plugin->createView(kEditorViewType);
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeX11EmbedWindowID), kResultOk);
    p.command(parameterCommand(kDecay, 0.2f));
    for (int i = 0; i < 1000 && p.plugin->engine().getParameter(kDecay) != 0.2f; ++i)
        usleep(10000);
    EXPECT_EQ(p.plugin->engine().getParameter(kDecay), 0.2f);
    EXPECT_TRUE(p.host.edits.empty());
    view->removed();
    view->release();
}

// The plugin let go by the host before its view: the view holds it until it goes itself.
TEST(Vst3Editor, TheViewMayOutliveTheHostsReferenceToThePlugin)
{
    TestRunLoop loop;
    TestPlugFrame frame(&loop);
    Plugin p;
    IPlugView* view = p.plugin->createView(kEditorViewType);
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeX11EmbedWindowID), kResultOk);
    p.plugin->terminate();
    p.plugin->release();
    p.plugin = nullptr;
    loop.fireTimers();
    EXPECT_EQ(view->removed(), kResultOk);
    view->release();
    EXPECT_EQ(loop.timerCount(), 0u);
}
