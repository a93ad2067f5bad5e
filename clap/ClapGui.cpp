#include "clap/ClapGui.h"

#include "bridge/Fennick3Editor.h"
#include "clap/clapParameters.h"

#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

namespace quelvar
{

using namespace clap;

namespace
{
constexpr std::uint32_t kPollMs = 20;

template <typename T> const T* hostExtension(const clap_host& host, const char* id)
{
    return host.get_extension ? static_cast<const T*>(host.get_extension(&host, id)) : nullptr;
}
} // namespace

ClapGui::ClapGui(Palladon& engine, const clap_host& host) : synth(engine), host(host)
{
    hostGui = hostExtension<clap_host_gui>(host, CLAP_EXT_GUI);
    hostParams = hostExtension<clap_host_params>(host, CLAP_EXT_PARAMS);
    timers = hostExtension<clap_host_timer_support>(host, CLAP_EXT_TIMER_SUPPORT);
    fds = hostExtension<clap_host_posix_fd_support>(host, CLAP_EXT_POSIX_FD_SUPPORT);
    if (timers && (!timers->register_timer || !timers->unregister_timer))
        timers = nullptr;
    if (fds && (!fds->register_fd || !fds->unregister_fd))
        fds = nullptr;
}

ClapGui::~ClapGui()
{
    destroy();
}

Fennick3Editor* ClapGui::editor() const
{
    return dynamic_cast<Fennick3Editor*>(synth.getEditor());
}

bool ClapGui::isApiSupported(const char* api, bool isFloating)
{
    return api && std::strcmp(api, CLAP_WINDOW_API_X11) == 0 && !isFloating;
}

bool ClapGui::create(const char* api, bool isFloating)
{
    if (created || !isApiSupported(api, isFloating) || !editor())
        return false;
    if (timers && timers->register_timer(&host, kPollMs, &timer))
    {
        created = true;
        return true;
    }
    timer = CLAP_INVALID_ID;
    if (!fds)
        return false;
    timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    const itimerspec period{{0, kPollMs * 1000000L}, {0, kPollMs * 1000000L}};
    if (timerFd >= 0 && timerfd_settime(timerFd, 0, &period, nullptr) == 0 &&
        fds->register_fd(&host, timerFd, CLAP_POSIX_FD_READ))
    {
        created = true;
        return true;
    }
    if (timerFd >= 0)
        close(timerFd);
    timerFd = -1;
    return false;
}

void ClapGui::destroy()
{
    if (!created)
        return;
    if (Fennick3Editor* e = editor())
        e->close();
    if (timer != CLAP_INVALID_ID)
        timers->unregister_timer(&host, timer);
    if (timerFd >= 0)
    {
        fds->unregister_fd(&host, timerFd);
        close(timerFd);
    }
    timer = CLAP_INVALID_ID;
    timerFd = -1;
    created = false;
    opened = false;
}

bool ClapGui::getSize(std::uint32_t& width, std::uint32_t& height)
{
    ERect* rect = nullptr;
    Fennick3Editor* e = editor();
    if (!e || !e->getRect(&rect) || !rect)
        return false;
    width = static_cast<std::uint32_t>(rect->right - rect->left);
    height = static_cast<std::uint32_t>(rect->bottom - rect->top);
    return true;
}

bool ClapGui::setSize(std::uint32_t width, std::uint32_t height)
{
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    return getSize(w, h) && w == width && h == height;
}

// A window given again (the host rebuilt its own) takes the panel along.
bool ClapGui::setParent(const clap_window& window)
{
    Fennick3Editor* e = editor();
    if (!created || !e || !window.api || std::strcmp(window.api, CLAP_WINDOW_API_X11) != 0 ||
        window.x11 == 0)
        return false;
    opened = e->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11)));
    getSize(shownWidth, shownHeight);
    return opened;
}

// The panel lives inside the host's window: that window shows and hides it.
bool ClapGui::show()
{
    return created;
}

bool ClapGui::hide()
{
    return created;
}

void ClapGui::onTimer(clap_id id)
{
    if (created && id == timer)
        poll();
}

void ClapGui::onFd(int fd)
{
    if (!created || fd != timerFd)
        return;
    std::uint64_t expiries = 0;
    if (read(timerFd, &expiries, sizeof expiries) == static_cast<ssize_t>(sizeof expiries))
        poll();
}

void ClapGui::poll()
{
    bool any = false;
    ParameterEdits::Edit e{};
    // Taken only while there is room: what is not taken waits in the engine for the next poll.
    while (edits.size() < kEditCapacity && synth.parameterEdits().next(e))
    {
        const ControlPort* port = controlPortOf(e.slot);
        if (!port)
            continue;
        const std::uint16_t type =
            e.kind == ParameterEdits::Edit::Kind::begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
            : e.kind == ParameterEdits::Edit::Kind::end ? CLAP_EVENT_PARAM_GESTURE_END
                                                        : CLAP_EVENT_PARAM_VALUE;
        any |= edits.push(
            {type, static_cast<clap_id>(e.slot), toClapValue(*port, synth.getParameter(e.slot))});
    }
    if (any && hostParams && hostParams->request_flush)
        hostParams->request_flush(&host);

    Fennick3Editor* editorNow = editor();
    if (!opened || !editorNow)
        return;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (getSize(width, height) && (width != shownWidth || height != shownHeight) && hostGui &&
        hostGui->request_resize && hostGui->request_resize(&host, width, height))
    {
        shownWidth = width;
        shownHeight = height;
    }
    if (!editorNow->uiProcessAlive())
    {
        opened = false;
        if (hostGui && hostGui->closed)
            hostGui->closed(&host, true);
    }
}

void ClapGui::sendEdits(const clap_output_events* out, std::uint32_t time)
{
    if (!out || !out->try_push)
        return;
    Edit e{};
    while (edits.pop(e))
    {
        if (e.type == CLAP_EVENT_PARAM_VALUE)
        {
            clap_event_param_value v{};
            v.header = {sizeof v, time, CLAP_CORE_EVENT_SPACE_ID, e.type, CLAP_EVENT_IS_LIVE};
            v.param_id = e.id;
            v.note_id = -1;
            v.port_index = -1;
            v.channel = -1;
            v.key = -1;
            v.value = e.value;
            out->try_push(out, &v.header);
        }
        else
        {
            clap_event_param_gesture g{};
            g.header = {sizeof g, time, CLAP_CORE_EVENT_SPACE_ID, e.type, CLAP_EVENT_IS_LIVE};
            g.param_id = e.id;
            out->try_push(out, &g.header);
        }
    }
}

} // namespace quelvar
