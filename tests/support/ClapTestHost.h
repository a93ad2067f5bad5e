// A CLAP host for the tests: loads a plugin file as hosts scan one (dlopen with RTLD_NOW, entry
// init, factory), creates and initialises its plugin, and offers thread-check (the thread that
// made the host is the main one), params (rescans and flush requests counted), and for the gui
// timer-support, posix-fd-support and gui (what the plugin asks recorded). It processes
// blocks as a host does, with the events queued for them, and checks what the validator checks
// of every block: output events in time order inside the block, and the host's MXCSR (its
// flush-to-zero state) as it was. Calls go straight to the plugin; what they must answer is the
// tests' business.
#pragma once

#include "clap/ClapInterface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quelvar
{

class ClapTestHost
{
public:
    // Loads the file and reads its factory; check loaded() afterwards. No plugin yet.
    explicit ClapTestHost(const std::string& path);
    ~ClapTestHost();
    ClapTestHost(const ClapTestHost&) = delete;
    ClapTestHost& operator=(const ClapTestHost&) = delete;

    bool loaded() const { return factory != nullptr; }
    const std::string& error() const { return loadError; }
    const clap::clap_plugin_entry* entry() const { return entryPoint; }
    const clap::clap_plugin_factory* pluginFactory() const { return factory; }

    // Creates the factory's plugin (by the first descriptor's id unless another is given) and
    // initialises it; null when either fails. One plugin at a time.
    const clap::clap_plugin* create(const char* id = nullptr);
    const clap::clap_plugin* plugin() const { return instance; }
    void destroy();
    template <typename T> const T* extension(const char* id) const
    {
        return instance ? static_cast<const T*>(instance->get_extension(instance, id)) : nullptr;
    }

    // Parameters through the params extension; values set with flush, as while not processing.
    std::vector<clap::clap_param_info> parameters() const;
    double value(clap::clap_id id) const;
    std::optional<std::string> text(clap::clap_id id, double value) const;
    std::optional<double> fromText(clap::clap_id id, const std::string& text) const;
    void flush(clap::clap_id id, double value,
               std::uint16_t space = clap::CLAP_CORE_EVENT_SPACE_ID);
    // A flush of the queued events as while not processing; what the plugin sends is in `sent`.
    void flushEvents();

    // The state through streams that move at most `pieceBytes` at a time; the read stream fails
    // after `failAfterBytes` bytes when given.
    std::optional<std::vector<std::uint8_t>> save(std::size_t pieceBytes = SIZE_MAX) const;
    bool load(const std::vector<std::uint8_t>& bytes, std::size_t pieceBytes = SIZE_MAX,
              std::optional<std::size_t> failAfterBytes = std::nullopt) const;

    int rescans = 0;
    std::uint32_t lastRescanFlags = 0;
    int flushRequests = 0;

    // What the host offers a plugin's gui, decided before create().
    bool offersTimers = true;
    bool offersFds = true;
    std::vector<std::pair<clap::clap_id, std::uint32_t>> timers; // id, period in ms
    std::vector<int> watchedFds;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;
    int closedCalls = 0;
    bool closedDestroyed = false;
    // One turn of the host's main loop: every timer fires, every watched descriptor that is
    // readable is handed to the plugin.
    void runMainLoopOnce();
    // The host record, for a plugin made in this process.
    const clap::clap_host* record() const { return &host; }

    // Activates and starts processing; deactivate() stops and deactivates.
    bool activate(double sampleRate, std::uint32_t maxFrames);
    void deactivate();

    // Events for the next block, in the order given (a host sends them in time order).
    void queueNote(std::uint16_t type, std::uint32_t frame, int key, double velocity,
                   int channel = 0);
    void queueMidi(std::uint32_t frame, std::uint8_t status, std::uint8_t data1,
                   std::uint8_t data2);
    void queueParameter(std::uint32_t frame, clap::clap_id id, double value,
                        std::uint16_t space = clap::CLAP_CORE_EVENT_SPACE_ID);
    void queueTransport(std::uint32_t frame, const clap::clap_event_transport& transport);
    // A header-only event of any type and size, as a careless host might send.
    void queueRaw(const clap::clap_event_header& header);
    // Where the host's transport is: playing or stopped at `beats`, tempo and beats given.
    static clap::clap_event_transport transportAt(double beats, double bpm, bool playing);
    // What the next blocks carry as their transport; none: a host that has none.
    std::optional<clap::clap_event_transport> transport;

    // Renders one block into the two channels. `input`: a main input port of two channels the
    // host offers anyway (the outputs themselves, for a host that processes in place).
    clap::clap_process_status process(float* left, float* right, std::uint32_t frames,
                                      float* const* input = nullptr);

    // What the plugin sent, every block's events in order, their frames counted from the first
    // block since activation.
    struct SentEvent
    {
        long long frame;
        std::uint16_t type;
        std::uint32_t flags;
        std::array<std::uint8_t, 3> midi; // CLAP_EVENT_MIDI
        clap::clap_id parameter;          // the parameter events
        double value;
    };
    std::vector<SentEvent> sent;
    // Faults seen while processing: events out of order or outside their block, events that
    // would not fit, a changed MXCSR.
    std::vector<std::string> faults;
    long long framesProcessed = 0;

private:
    static const void* hostExtension(const clap::clap_host* host, const char* id);
    static void requestNothing(const clap::clap_host* host);
    static bool isMainThread(const clap::clap_host* host);
    static bool isAudioThread(const clap::clap_host* host);
    static void rescan(const clap::clap_host* host, std::uint32_t flags);
    static void requestFlush(const clap::clap_host* host);
    static bool registerTimer(const clap::clap_host* host, std::uint32_t periodMs,
                              clap::clap_id* id);
    static bool unregisterTimer(const clap::clap_host* host, clap::clap_id id);
    static bool registerFd(const clap::clap_host* host, int fd, std::uint32_t flags);
    static bool modifyFd(const clap::clap_host* host, int fd, std::uint32_t flags);
    static bool unregisterFd(const clap::clap_host* host, int fd);
    static bool requestResize(const clap::clap_host* host, std::uint32_t width,
                              std::uint32_t height);
    static bool requestShowOrHide(const clap::clap_host* host);
    static void resizeHintsChanged(const clap::clap_host* host);
    static void closed(const clap::clap_host* host, bool wasDestroyed);
    static bool pushEvent(const clap::clap_output_events* list,
                          const clap::clap_event_header* event);
    static std::uint32_t queuedCount(const clap::clap_input_events* list);
    static const clap::clap_event_header* queuedEvent(const clap::clap_input_events* list,
                                                      std::uint32_t index);
    void queue(const clap::clap_event_header& header);
    static void clear(const clap::clap_host* host, clap::clap_id id, std::uint32_t flags);
    const clap::clap_plugin_params* params() const;

    void* library = nullptr;
    const clap::clap_plugin_entry* entryPoint = nullptr;
    const clap::clap_plugin_factory* factory = nullptr;
    const clap::clap_plugin* instance = nullptr;
    std::string loadError;
    std::thread::id mainThread = std::this_thread::get_id();
    clap::clap_host host{};
    clap::clap_host_thread_check threadCheck{};
    clap::clap_host_params hostParams{};
    clap::clap_host_timer_support timerSupport{};
    clap::clap_host_posix_fd_support fdSupport{};
    clap::clap_host_gui gui{};
    clap::clap_id nextTimer = 1;

    union QueuedEvent
    {
        clap::clap_event_header header;
        clap::clap_event_note note;
        clap::clap_event_midi midi;
        clap::clap_event_param_value parameter;
        clap::clap_event_transport transport;
    };
    std::vector<QueuedEvent> queued;
    double sampleRate = 44100.0;
    std::uint32_t blockFrames = 0; // the block being processed
    std::uint32_t lastSentTime = 0;
};

} // namespace quelvar
