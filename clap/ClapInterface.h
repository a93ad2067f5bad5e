// The CLAP binary interface as far as Quelvar uses it: entry, factory, plugin, host, process,
// events and the extensions offered or asked for. Written from the published C interface, plain C
// layout with fixed-width types; the static_asserts pin the x86-64 layout hosts use. The names
// are the interface's own, inside a namespace so that they never meet another copy.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quelvar::clap
{

using clap_id = std::uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

struct clap_version
{
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
using clap_version_t = clap_version; // the records' field takes the struct's name

// The interface version these declarations follow; hosts accept any 1.x.
inline constexpr clap_version CLAP_VERSION = {1, 2, 2};

constexpr bool clap_version_is_compatible(const clap_version& v)
{
    return v.major >= 1;
}

inline constexpr std::size_t CLAP_NAME_SIZE = 256;
inline constexpr std::size_t CLAP_PATH_SIZE = 1024;

// Fixed-point musical and clock times: 31 fractional bits.
using clap_beattime = std::int64_t;
using clap_sectime = std::int64_t;
inline constexpr std::int64_t CLAP_BEATTIME_FACTOR = std::int64_t{1} << 31;
inline constexpr std::int64_t CLAP_SECTIME_FACTOR = std::int64_t{1} << 31;

struct clap_plugin;
struct clap_host;

struct clap_plugin_entry
{
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct clap_plugin_descriptor
{
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char** features; // null-terminated
};

struct clap_plugin_factory
{
    std::uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                           std::uint32_t index);
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

// Plugin features (the interface's CLAP_PLUGIN_FEATURE_* strings) that describe Quelvar.
inline constexpr char kFeatureInstrument[] = "instrument";
inline constexpr char kFeatureSynthesizer[] = "synthesizer";
inline constexpr char kFeatureMono[] = "mono";

// Events.
struct clap_event_header
{
    std::uint32_t size; // of the whole event
    std::uint32_t time; // frame in the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

inline constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

enum : std::uint32_t
{
    CLAP_EVENT_IS_LIVE = 1u << 0,
    CLAP_EVENT_DONT_RECORD = 1u << 1,
};

enum : std::uint16_t
{
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

struct clap_event_note
{
    clap_event_header header;
    std::int32_t note_id; // -1: none
    std::int16_t port_index;
    std::int16_t channel; // 0–15, -1: all
    std::int16_t key;     // 0–127, -1: all
    double velocity;      // 0–1
};

struct clap_event_param_value
{
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_mod
{
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double amount;
};

// Brackets a user's adjustment of one parameter.
struct clap_event_param_gesture
{
    clap_event_header header;
    clap_id param_id;
};

enum : std::uint32_t
{
    CLAP_TRANSPORT_HAS_TEMPO = 1u << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1u << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1u << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1u << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1u << 4,
    CLAP_TRANSPORT_IS_RECORDING = 1u << 5,
    CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1u << 6,
    CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1u << 7,
};

struct clap_event_transport
{
    clap_event_header header;
    std::uint32_t flags;
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;     // BPM
    double tempo_inc; // per frame, until the next transport event
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    std::int32_t bar_number;
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

struct clap_event_midi
{
    clap_event_header header;
    std::uint16_t port_index;
    std::uint8_t data[3];
};

struct clap_event_midi_sysex
{
    clap_event_header header;
    std::uint16_t port_index;
    const std::uint8_t* buffer;
    std::uint32_t size;
};

struct clap_input_events
{
    void* ctx;
    std::uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events
{
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

// Processing.
struct clap_audio_buffer
{
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask; // bit n: channel n holds one value throughout
};

using clap_process_status = std::int32_t;
enum : clap_process_status
{
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

struct clap_process
{
    std::int64_t steady_time; // -1: not available
    std::uint32_t frames_count;
    const clap_event_transport* transport; // null while the host has no transport
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

struct clap_plugin
{
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin* plugin);
    void (*destroy)(const clap_plugin* plugin);
    bool (*activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                     std::uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin* plugin);
    bool (*start_processing)(const clap_plugin* plugin);
    void (*stop_processing)(const clap_plugin* plugin);
    void (*reset)(const clap_plugin* plugin);
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin* plugin);
};

struct clap_host
{
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    void (*request_restart)(const clap_host* host);
    void (*request_process)(const clap_host* host);
    void (*request_callback)(const clap_host* host);
};

// Audio ports.
inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

enum : std::uint32_t
{
    CLAP_AUDIO_PORT_IS_MAIN = 1u << 0,
};

struct clap_audio_port_info
{
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports
{
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                clap_audio_port_info* info);
};

// Note ports.
inline constexpr char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";

enum : std::uint32_t
{
    CLAP_NOTE_DIALECT_CLAP = 1u << 0,
    CLAP_NOTE_DIALECT_MIDI = 1u << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1u << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1u << 3,
};

struct clap_note_port_info
{
    clap_id id;
    std::uint32_t supported_dialects;
    std::uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
};

struct clap_plugin_note_ports
{
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                clap_note_port_info* info);
};

// Parameters.
inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

enum : std::uint32_t
{
    CLAP_PARAM_IS_STEPPED = 1u << 0,
    CLAP_PARAM_IS_AUTOMATABLE = 1u << 5,
    CLAP_PARAM_IS_ENUM = 1u << 16, // a stepped list of named choices
};

enum : std::uint32_t
{
    CLAP_PARAM_RESCAN_VALUES = 1u << 0,
    CLAP_PARAM_RESCAN_TEXT = 1u << 1,
    CLAP_PARAM_RESCAN_INFO = 1u << 2,
    CLAP_PARAM_RESCAN_ALL = 1u << 3,
};

struct clap_param_info
{
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params
{
    std::uint32_t (*count)(const clap_plugin* plugin);
    bool (*get_info)(const clap_plugin* plugin, std::uint32_t param_index,
                     clap_param_info* param_info);
    bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* value);
    bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* display,
                          std::uint32_t size);
    bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* display,
                          double* value);
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in,
                  const clap_output_events* out);
};

struct clap_host_params
{
    void (*rescan)(const clap_host* host, std::uint32_t flags);
    void (*clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
    void (*request_flush)(const clap_host* host);
};

// State.
inline constexpr char CLAP_EXT_STATE[] = "clap.state";

struct clap_istream
{
    void* ctx;
    // Bytes read; 0 at the end, negative on error.
    std::int64_t (*read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream
{
    void* ctx;
    // Bytes written, possibly fewer than asked; negative on error.
    std::int64_t (*write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

struct clap_plugin_state
{
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state
{
    void (*mark_dirty)(const clap_host* host);
};

// Latency.
inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

struct clap_plugin_latency
{
    std::uint32_t (*get)(const clap_plugin* plugin);
};

struct clap_host_latency
{
    void (*changed)(const clap_host* host);
};

// Tail.
inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";

struct clap_plugin_tail
{
    std::uint32_t (*get)(const clap_plugin* plugin); // frames; UINT32_MAX: endless
};

struct clap_host_tail
{
    void (*changed)(const clap_host* host);
};

// Render mode.
inline constexpr char CLAP_EXT_RENDER[] = "clap.render";

using clap_plugin_render_mode = std::int32_t;
enum : clap_plugin_render_mode
{
    CLAP_RENDER_REALTIME = 0,
    CLAP_RENDER_OFFLINE = 1,
};

struct clap_plugin_render
{
    bool (*has_hard_realtime_requirement)(const clap_plugin* plugin);
    bool (*set)(const clap_plugin* plugin, clap_plugin_render_mode mode);
};

// Thread check.
inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

struct clap_host_thread_check
{
    bool (*is_main_thread)(const clap_host* host);
    bool (*is_audio_thread)(const clap_host* host);
};

// Timers and file descriptors the host polls on its main thread.
inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

struct clap_plugin_timer_support
{
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support
{
    bool (*register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);
};

inline constexpr char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum : std::uint32_t
{
    CLAP_POSIX_FD_READ = 1u << 0,
    CLAP_POSIX_FD_WRITE = 1u << 1,
    CLAP_POSIX_FD_ERROR = 1u << 2,
};

struct clap_plugin_posix_fd_support
{
    void (*on_fd)(const clap_plugin* plugin, int fd, std::uint32_t flags);
};

struct clap_host_posix_fd_support
{
    bool (*register_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool (*modify_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool (*unregister_fd)(const clap_host* host, int fd);
};

// Editor window.
inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr char CLAP_WINDOW_API_X11[] = "x11";

struct clap_window
{
    const char* api;
    union
    {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
        std::uintptr_t uptr;
    };
};

struct clap_gui_resize_hints
{
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui
{
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale);
    bool (*get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title)(const clap_plugin* plugin, const char* title);
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};

struct clap_host_gui
{
    void (*resize_hints_changed)(const clap_host* host);
    bool (*request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show)(const clap_host* host);
    bool (*request_hide)(const clap_host* host);
    void (*closed)(const clap_host* host, bool was_destroyed);
};

static_assert(sizeof(void*) == 8, "the layout below is the x86-64 one");
static_assert(sizeof(clap_version) == 12);
static_assert(offsetof(clap_plugin_entry, get_factory) == 32 && sizeof(clap_plugin_entry) == 40);
static_assert(offsetof(clap_plugin_descriptor, id) == 16);
static_assert(offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin_descriptor) == 88);
static_assert(sizeof(clap_plugin_factory) == 24);
static_assert(offsetof(clap_plugin, process) == 72 && sizeof(clap_plugin) == 96);
static_assert(offsetof(clap_host, get_extension) == 56 && sizeof(clap_host) == 88);
static_assert(sizeof(clap_event_header) == 16 && offsetof(clap_event_header, type) == 10);
static_assert(offsetof(clap_event_note, key) == 24 && offsetof(clap_event_note, velocity) == 32);
static_assert(sizeof(clap_event_note) == 40);
static_assert(offsetof(clap_event_param_value, cookie) == 24);
static_assert(offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_value) == 56 && sizeof(clap_event_param_mod) == 56);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, bar_number) == 96);
static_assert(sizeof(clap_event_transport) == 104);
static_assert(offsetof(clap_event_midi, data) == 18 && sizeof(clap_event_midi) == 24);
static_assert(offsetof(clap_event_midi_sysex, buffer) == 24 && sizeof(clap_event_midi_sysex) == 40);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(offsetof(clap_process, transport) == 16 && offsetof(clap_process, in_events) == 48);
static_assert(sizeof(clap_process) == 64);
static_assert(offsetof(clap_audio_port_info, flags) == 260);
static_assert(offsetof(clap_audio_port_info, port_type) == 272);
static_assert(sizeof(clap_audio_port_info) == 288);
static_assert(offsetof(clap_note_port_info, name) == 12 && sizeof(clap_note_port_info) == 268);
static_assert(offsetof(clap_param_info, name) == 16 && offsetof(clap_param_info, module) == 272);
static_assert(offsetof(clap_param_info, min_value) == 1296 && sizeof(clap_param_info) == 1320);
static_assert(sizeof(clap_plugin_params) == 48);
static_assert(sizeof(clap_window) == 16 && offsetof(clap_window, x11) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12);
static_assert(sizeof(clap_plugin_gui) == 120 && sizeof(clap_host_gui) == 40);

} // namespace quelvar::clap
