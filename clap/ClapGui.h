// The gui extension over the engine's out-of-process editor: the panel embedded in an X11 window
// of the host's, at the size the panel chose (100–200 %). The UI side runs on the host's main
// thread, polled by the host's timer (timer-support) or, without one, by the host watching a
// timer descriptor of ours (posix-fd-support): each poll hands the panel's gestures and moves to
// the audio side and asks the host to flush, asks the host for a new size, and tells it when the
// panel closed itself. No thread of ours calls the host. sendEdits runs in process or flush.
#pragma once

#include "clap/ClapInterface.h"
#include "dsp/SpscRing.h"
#include "engine/Palladon.h"

#include <cstddef>
#include <cstdint>

namespace quelvar
{

class Fennick3Editor;

class ClapGui
{
public:
    ClapGui(Palladon& engine, const clap::clap_host& host);
    ~ClapGui();
    ClapGui(const ClapGui&) = delete;
    ClapGui& operator=(const ClapGui&) = delete;

    // Main thread, as every entry below but sendEdits.
    static bool isApiSupported(const char* api, bool isFloating);
    // False without an editor, for another window system or a floating window, or when the
    // host offers no way to poll on its main thread.
    bool create(const char* api, bool isFloating);
    void destroy();
    bool getSize(std::uint32_t& width, std::uint32_t& height);
    // Only the panel chooses its size: the host may set the one it has.
    bool setSize(std::uint32_t width, std::uint32_t height);
    bool setParent(const clap::clap_window& window);
    bool show();
    bool hide();
    void onTimer(clap::clap_id timer);
    void onFd(int fd);

    // Process or flush: the panel's gestures and moves, all at `time`.
    void sendEdits(const clap::clap_output_events* out, std::uint32_t time);

private:
    void poll();
    Fennick3Editor* editor() const;

    struct Edit
    {
        std::uint16_t type; // a gesture's begin or end, or a value
        clap::clap_id id;
        double value;
    };

    Palladon& synth;
    const clap::clap_host& host;
    const clap::clap_host_gui* hostGui = nullptr;
    const clap::clap_host_params* hostParams = nullptr;
    const clap::clap_host_timer_support* timers = nullptr;
    const clap::clap_host_posix_fd_support* fds = nullptr;
    bool created = false;
    bool opened = false; // the panel was put into a window and has not closed itself since
    clap::clap_id timer = clap::CLAP_INVALID_ID;
    int timerFd = -1;
    std::uint32_t shownWidth = 0; // the size the host was last told of
    std::uint32_t shownHeight = 0;
    static constexpr std::size_t kEditCapacity = 256;
    SpscRing<Edit, kEditCapacity> edits; // main thread to process or flush
};

} // namespace quelvar
