// The CLAP gui over the out-of-process editor, without a display: what the extension answers, that
// it polls only through the host's main thread, and what each poll hands the host: the panel's
// gestures and moves through a flush, its new size, and its closing.
#include "bridge/Fennick3Editor.h"
#include "bridge/bridgeProtocol.h"
#include "clap/ClapPlugin.h"
#include "support/ClapTestHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace quelvar;
using namespace quelvar::clap;
using namespace std::chrono_literals;

namespace
{
const clap_plugin_gui* guiOf(const ClapTestHost& host)
{
    return host.extension<clap_plugin_gui>(CLAP_EXT_GUI);
}

// Stands in for the UI program, run as "QuelvarUI <window> 3 4 5": it sleeps 1 + 3 + 4 + 5 s,
// unless it is killed first, or the plugin does so when it goes.
std::vector<std::uint8_t> standInProgram()
{
    std::ifstream file("/bin/sleep", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct SentEdit
{
    std::uint16_t type;
    clap_id id;
    double value;
    std::uint32_t flags;
    bool operator==(const SentEdit&) const = default;
};

bool record(const clap_output_events* list, const clap_event_header* e)
{
    auto& sent = *static_cast<std::vector<SentEdit>*>(list->ctx);
    double value = 0.0;
    clap_id id = reinterpret_cast<const clap_event_param_gesture*>(e)->param_id;
    if (e->type == CLAP_EVENT_PARAM_VALUE)
        value = reinterpret_cast<const clap_event_param_value*>(e)->value;
    sent.push_back({e->type, id, value, e->flags});
    return true;
}

template <typename Ready> bool waitFor(Ready ready)
{
    for (int i = 0; i < 1000 && !ready(); ++i)
        std::this_thread::sleep_for(10ms);
    return ready();
}
} // namespace

TEST(ClapGui, IsThePanelEmbeddedInAnX11WindowAtItsOwnSize)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    ASSERT_NE(host.create(), nullptr);
    const clap_plugin* p = host.plugin();
    const clap_plugin_gui* gui = guiOf(host);
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->is_api_supported(p, "x11", false));
    EXPECT_FALSE(gui->is_api_supported(p, "x11", true));
    EXPECT_FALSE(gui->is_api_supported(p, "wayland", false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, "x11");
    EXPECT_FALSE(floating);

    EXPECT_FALSE(gui->create(p, "x11", true));
    ASSERT_TRUE(gui->create(p, "x11", false));
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(621u, 437u));
    EXPECT_FALSE(gui->can_resize(p));
    EXPECT_TRUE(gui->set_size(p, 621, 437));
    EXPECT_FALSE(gui->set_size(p, 700, 500));
    EXPECT_FALSE(gui->set_scale(p, 2.0));
    EXPECT_FALSE(gui->set_transient(p, nullptr));
    gui->destroy(p);
    EXPECT_TRUE(host.timers.empty());
}

struct Polling
{
    const char* name;
    bool timers;
    bool fds;
};

class ClapGuiPolling : public testing::TestWithParam<Polling>
{
};

// The host's timer is taken first, a descriptor the host watches next; without either there is
// no main thread to poll on, and no gui.
TEST_P(ClapGuiPolling, GoesThroughTheHostsMainThread)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    host.offersTimers = GetParam().timers;
    host.offersFds = GetParam().fds;
    ASSERT_NE(host.create(), nullptr);
    const clap_plugin* p = host.plugin();
    const bool made = guiOf(host)->create(p, "x11", false);
    EXPECT_EQ(made, GetParam().timers || GetParam().fds);
    EXPECT_EQ(host.timers.size(), GetParam().timers ? 1u : 0u);
    EXPECT_EQ(host.watchedFds.size(), !GetParam().timers && GetParam().fds ? 1u : 0u);
    if (!host.watchedFds.empty())
    {
        const int fd = host.watchedFds[0];
        guiOf(host)->destroy(p);
        EXPECT_TRUE(host.watchedFds.empty());
        EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "the timer descriptor stays open";
    }
    guiOf(host)->destroy(p);
    EXPECT_TRUE(host.timers.empty());
}

INSTANTIATE_TEST_SUITE_P(Hosts, ClapGuiPolling,
                         testing::Values(Polling{"timers", true, true},
                                         Polling{"descriptors", false, true},
                                         Polling{"neither", false, false}),
                         [](const testing::TestParamInfo<Polling>& info)
                         { return std::string(info.param.name); });

// A knob grabbed, turned and let go and a new size chosen in the panel: the next poll on the
// host's main thread asks for a flush, which hands over the gesture with the value, and asks
// for the new size. When the panel's process ends, the host hears the panel closed.
TEST(ClapGui, HandsThePanelsMovesSizeAndClosingToTheHost)
{
    const std::vector<std::uint8_t> program = standInProgram();
    ASSERT_FALSE(program.empty());
    for (const bool timers : {true, false})
    {
        ClapTestHost host(QUELVAR_CLAP_PATH);
        host.offersTimers = timers;
        ClapPlugin plugin(clap_plugin{}, *host.record(), program);
        ASSERT_TRUE(plugin.init());
        ClapGui& gui = *plugin.gui();
        ASSERT_TRUE(gui.create("x11", false));
        const auto poll = [&]
        {
            if (timers)
                gui.onTimer(host.timers.at(0).first);
            else
            {
                pollfd p{host.watchedFds.at(0), POLLIN, 0};
                ASSERT_EQ(::poll(&p, 1, 1000), 1);
                gui.onFd(host.watchedFds[0]);
            }
        };
        clap_window window{CLAP_WINDOW_API_X11, {}};
        window.x11 = 1;
        ASSERT_TRUE(gui.setParent(window));
        auto* editor = dynamic_cast<Fennick3Editor*>(plugin.engine()->getEditor());
        ASSERT_NE(editor, nullptr);
        const pid_t ui = editor->getUiProcess();
        ASSERT_GT(ui, 0);

        std::uint8_t commands[32];
        std::size_t n = bridge::encodeTwoBytes(commands, bridge::command::beginEdit, kCutoff);
        n += bridge::encodeParameter(commands + n, bridge::command::parameter, kCutoff, 0.7f);
        n += bridge::encodeTwoBytes(commands + n, bridge::command::endEdit, kCutoff);
        n += bridge::encodeTwoBytes(commands + n, bridge::command::editorScale, 150);
        ASSERT_EQ(write(editor->uiCommandEnd(), commands, n), static_cast<ssize_t>(n));
        ASSERT_TRUE(waitFor([&] { return editor->getScale() == 150; }));
        poll();
        EXPECT_EQ(host.flushRequests, 1);
        EXPECT_EQ(host.resizeRequests,
                  (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{932, 656}}));

        std::vector<SentEdit> sent;
        const clap_output_events out{&sent, record};
        plugin.flush(nullptr, &out);
        const std::vector<SentEdit> expected = {
            {CLAP_EVENT_PARAM_GESTURE_BEGIN, kCutoff, 0.0, CLAP_EVENT_IS_LIVE},
            {CLAP_EVENT_PARAM_VALUE, kCutoff, static_cast<double>(0.7f), CLAP_EVENT_IS_LIVE},
            {CLAP_EVENT_PARAM_GESTURE_END, kCutoff, 0.0, CLAP_EVENT_IS_LIVE}};
        EXPECT_EQ(sent, expected);

        kill(ui, SIGKILL);
        ASSERT_TRUE(waitFor(
            [&]
            {
                poll();
                return host.closedCalls > 0;
            }));
        EXPECT_TRUE(host.closedDestroyed);
        poll();
        EXPECT_EQ(host.closedCalls, 1);
        gui.destroy();
        EXPECT_TRUE(host.timers.empty() && host.watchedFds.empty());
    }
}
