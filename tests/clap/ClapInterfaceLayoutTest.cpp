// Our CLAP declarations compiled beside the published C headers (Debian's dpf-source, CLAP 1.1,
// read from where the package installs them; nothing of them is in this tree): every id string,
// constant, record size, field offset and field type we declare must be theirs, or this file
// does not compile. What they lack (posix-fd-support, render, tail, the enum parameter flag)
// cannot be checked here.
#include "clap/ClapInterface.h"

#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace ours = quelvar::clap;

namespace
{
template <typename A, typename B> constexpr bool sameKind();

template <typename RA, typename... A, typename RB, typename... B>
constexpr bool sameFunction(RA (*)(A...), RB (*)(B...))
{
    if constexpr (sizeof...(A) != sizeof...(B))
        return false;
    else
        return sameKind<RA, RB>() && (sameKind<A, B>() && ...);
}

// Arithmetic types must be the same type; pointers point at alike things (our records and theirs
// are different types of one layout); records have one size.
template <typename A, typename B> constexpr bool sameKind()
{
    using X = std::remove_cv_t<A>;
    using Y = std::remove_cv_t<B>;
    if constexpr (std::is_void_v<X> || std::is_void_v<Y>)
        return std::is_void_v<X> && std::is_void_v<Y>;
    else if constexpr (std::is_arithmetic_v<X> || std::is_arithmetic_v<Y>)
        return std::is_same_v<X, Y>;
    else if constexpr (std::is_array_v<X> || std::is_array_v<Y>)
        return std::extent_v<X> == std::extent_v<Y> &&
               sameKind<std::remove_extent_t<X>, std::remove_extent_t<Y>>();
    else if constexpr (std::is_pointer_v<X> && std::is_function_v<std::remove_pointer_t<X>>)
        return std::is_pointer_v<Y> && sameFunction(X{}, Y{});
    else if constexpr (std::is_pointer_v<X> || std::is_pointer_v<Y>)
        return std::is_pointer_v<X> && std::is_pointer_v<Y> &&
               (std::is_const_v<std::remove_pointer_t<X>> ==
                std::is_const_v<std::remove_pointer_t<Y>>);
    else
        return std::is_class_v<X> && std::is_class_v<Y> && sizeof(X) == sizeof(Y);
}

constexpr bool sameText(std::string_view a, std::string_view b)
{
    return a == b;
}
} // namespace

#define SAME_RECORD(record)                                                                        \
    static_assert(sizeof(ours::record) == sizeof(::record) &&                                      \
                      alignof(ours::record) == alignof(::record),                                  \
                  #record)
#define SAME_FIELD(record, field)                                                                  \
    static_assert(offsetof(ours::record, field) == offsetof(::record, field) &&                    \
                      sameKind<decltype(ours::record::field), decltype(::record::field)>(),        \
                  #record "." #field)
#define SAME_CONSTANT(name)                                                                        \
    static_assert(static_cast<long long>(ours::name) == static_cast<long long>(::name), #name)
#define SAME_TEXT(name) static_assert(sameText(ours::name, ::name), #name)

SAME_RECORD(clap_version);
SAME_FIELD(clap_version, major);
SAME_FIELD(clap_version, minor);
SAME_FIELD(clap_version, revision);
SAME_CONSTANT(CLAP_VERSION.major);
SAME_CONSTANT(CLAP_INVALID_ID);
SAME_CONSTANT(CLAP_NAME_SIZE);
SAME_CONSTANT(CLAP_PATH_SIZE);
SAME_CONSTANT(CLAP_BEATTIME_FACTOR);
SAME_CONSTANT(CLAP_SECTIME_FACTOR);

SAME_RECORD(clap_plugin_entry);
SAME_FIELD(clap_plugin_entry, clap_version);
SAME_FIELD(clap_plugin_entry, init);
SAME_FIELD(clap_plugin_entry, deinit);
SAME_FIELD(clap_plugin_entry, get_factory);

SAME_TEXT(CLAP_PLUGIN_FACTORY_ID);
SAME_RECORD(clap_plugin_factory);
SAME_FIELD(clap_plugin_factory, get_plugin_count);
SAME_FIELD(clap_plugin_factory, get_plugin_descriptor);
SAME_FIELD(clap_plugin_factory, create_plugin);

SAME_RECORD(clap_plugin_descriptor);
SAME_FIELD(clap_plugin_descriptor, clap_version);
SAME_FIELD(clap_plugin_descriptor, id);
SAME_FIELD(clap_plugin_descriptor, name);
SAME_FIELD(clap_plugin_descriptor, vendor);
SAME_FIELD(clap_plugin_descriptor, url);
SAME_FIELD(clap_plugin_descriptor, manual_url);
SAME_FIELD(clap_plugin_descriptor, support_url);
SAME_FIELD(clap_plugin_descriptor, version);
SAME_FIELD(clap_plugin_descriptor, description);
SAME_FIELD(clap_plugin_descriptor, features);
static_assert(sameText(ours::kFeatureInstrument, CLAP_PLUGIN_FEATURE_INSTRUMENT));
static_assert(sameText(ours::kFeatureSynthesizer, CLAP_PLUGIN_FEATURE_SYNTHESIZER));
static_assert(sameText(ours::kFeatureMono, CLAP_PLUGIN_FEATURE_MONO));

SAME_RECORD(clap_plugin);
SAME_FIELD(clap_plugin, desc);
SAME_FIELD(clap_plugin, plugin_data);
SAME_FIELD(clap_plugin, init);
SAME_FIELD(clap_plugin, destroy);
SAME_FIELD(clap_plugin, activate);
SAME_FIELD(clap_plugin, deactivate);
SAME_FIELD(clap_plugin, start_processing);
SAME_FIELD(clap_plugin, stop_processing);
SAME_FIELD(clap_plugin, reset);
SAME_FIELD(clap_plugin, process);
SAME_FIELD(clap_plugin, get_extension);
SAME_FIELD(clap_plugin, on_main_thread);

SAME_RECORD(clap_host);
SAME_FIELD(clap_host, clap_version);
SAME_FIELD(clap_host, host_data);
SAME_FIELD(clap_host, name);
SAME_FIELD(clap_host, vendor);
SAME_FIELD(clap_host, url);
SAME_FIELD(clap_host, version);
SAME_FIELD(clap_host, get_extension);
SAME_FIELD(clap_host, request_restart);
SAME_FIELD(clap_host, request_process);
SAME_FIELD(clap_host, request_callback);

SAME_RECORD(clap_event_header);
SAME_FIELD(clap_event_header, size);
SAME_FIELD(clap_event_header, time);
SAME_FIELD(clap_event_header, space_id);
SAME_FIELD(clap_event_header, type);
SAME_FIELD(clap_event_header, flags);
SAME_CONSTANT(CLAP_CORE_EVENT_SPACE_ID);
SAME_CONSTANT(CLAP_EVENT_IS_LIVE);
SAME_CONSTANT(CLAP_EVENT_DONT_RECORD);
SAME_CONSTANT(CLAP_EVENT_NOTE_ON);
SAME_CONSTANT(CLAP_EVENT_NOTE_OFF);
SAME_CONSTANT(CLAP_EVENT_NOTE_CHOKE);
SAME_CONSTANT(CLAP_EVENT_NOTE_END);
SAME_CONSTANT(CLAP_EVENT_NOTE_EXPRESSION);
SAME_CONSTANT(CLAP_EVENT_PARAM_VALUE);
SAME_CONSTANT(CLAP_EVENT_PARAM_MOD);
SAME_CONSTANT(CLAP_EVENT_PARAM_GESTURE_BEGIN);
SAME_CONSTANT(CLAP_EVENT_PARAM_GESTURE_END);
SAME_CONSTANT(CLAP_EVENT_TRANSPORT);
SAME_CONSTANT(CLAP_EVENT_MIDI);
SAME_CONSTANT(CLAP_EVENT_MIDI_SYSEX);
SAME_CONSTANT(CLAP_EVENT_MIDI2);

SAME_RECORD(clap_event_note);
SAME_FIELD(clap_event_note, header);
SAME_FIELD(clap_event_note, note_id);
SAME_FIELD(clap_event_note, port_index);
SAME_FIELD(clap_event_note, channel);
SAME_FIELD(clap_event_note, key);
SAME_FIELD(clap_event_note, velocity);

SAME_RECORD(clap_event_param_value);
SAME_FIELD(clap_event_param_value, header);
SAME_FIELD(clap_event_param_value, param_id);
SAME_FIELD(clap_event_param_value, cookie);
SAME_FIELD(clap_event_param_value, note_id);
SAME_FIELD(clap_event_param_value, port_index);
SAME_FIELD(clap_event_param_value, channel);
SAME_FIELD(clap_event_param_value, key);
SAME_FIELD(clap_event_param_value, value);

SAME_RECORD(clap_event_param_mod);
SAME_FIELD(clap_event_param_mod, header);
SAME_FIELD(clap_event_param_mod, param_id);
SAME_FIELD(clap_event_param_mod, cookie);
SAME_FIELD(clap_event_param_mod, note_id);
SAME_FIELD(clap_event_param_mod, port_index);
SAME_FIELD(clap_event_param_mod, channel);
SAME_FIELD(clap_event_param_mod, key);
SAME_FIELD(clap_event_param_mod, amount);

SAME_RECORD(clap_event_param_gesture);
SAME_FIELD(clap_event_param_gesture, header);
SAME_FIELD(clap_event_param_gesture, param_id);

SAME_CONSTANT(CLAP_TRANSPORT_HAS_TEMPO);
SAME_CONSTANT(CLAP_TRANSPORT_HAS_BEATS_TIMELINE);
SAME_CONSTANT(CLAP_TRANSPORT_HAS_SECONDS_TIMELINE);
SAME_CONSTANT(CLAP_TRANSPORT_HAS_TIME_SIGNATURE);
SAME_CONSTANT(CLAP_TRANSPORT_IS_PLAYING);
SAME_CONSTANT(CLAP_TRANSPORT_IS_RECORDING);
SAME_CONSTANT(CLAP_TRANSPORT_IS_LOOP_ACTIVE);
SAME_CONSTANT(CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL);
SAME_RECORD(clap_event_transport);
SAME_FIELD(clap_event_transport, header);
SAME_FIELD(clap_event_transport, flags);
SAME_FIELD(clap_event_transport, song_pos_beats);
SAME_FIELD(clap_event_transport, song_pos_seconds);
SAME_FIELD(clap_event_transport, tempo);
SAME_FIELD(clap_event_transport, tempo_inc);
SAME_FIELD(clap_event_transport, loop_start_beats);
SAME_FIELD(clap_event_transport, loop_end_beats);
SAME_FIELD(clap_event_transport, loop_start_seconds);
SAME_FIELD(clap_event_transport, loop_end_seconds);
SAME_FIELD(clap_event_transport, bar_start);
SAME_FIELD(clap_event_transport, bar_number);
SAME_FIELD(clap_event_transport, tsig_num);
SAME_FIELD(clap_event_transport, tsig_denom);

SAME_RECORD(clap_event_midi);
SAME_FIELD(clap_event_midi, header);
SAME_FIELD(clap_event_midi, port_index);
SAME_FIELD(clap_event_midi, data);
SAME_RECORD(clap_event_midi_sysex);
SAME_FIELD(clap_event_midi_sysex, header);
SAME_FIELD(clap_event_midi_sysex, port_index);
SAME_FIELD(clap_event_midi_sysex, buffer);
SAME_FIELD(clap_event_midi_sysex, size);

SAME_RECORD(clap_input_events);
SAME_FIELD(clap_input_events, ctx);
SAME_FIELD(clap_input_events, size);
SAME_FIELD(clap_input_events, get);
SAME_RECORD(clap_output_events);
SAME_FIELD(clap_output_events, ctx);
SAME_FIELD(clap_output_events, try_push);

SAME_RECORD(clap_audio_buffer);
SAME_FIELD(clap_audio_buffer, data32);
SAME_FIELD(clap_audio_buffer, data64);
SAME_FIELD(clap_audio_buffer, channel_count);
SAME_FIELD(clap_audio_buffer, latency);
SAME_FIELD(clap_audio_buffer, constant_mask);

SAME_CONSTANT(CLAP_PROCESS_ERROR);
SAME_CONSTANT(CLAP_PROCESS_CONTINUE);
SAME_CONSTANT(CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
SAME_CONSTANT(CLAP_PROCESS_TAIL);
SAME_CONSTANT(CLAP_PROCESS_SLEEP);
static_assert(std::is_same_v<ours::clap_process_status, ::clap_process_status>);
SAME_RECORD(clap_process);
SAME_FIELD(clap_process, steady_time);
SAME_FIELD(clap_process, frames_count);
SAME_FIELD(clap_process, transport);
SAME_FIELD(clap_process, audio_inputs);
SAME_FIELD(clap_process, audio_outputs);
SAME_FIELD(clap_process, audio_inputs_count);
SAME_FIELD(clap_process, audio_outputs_count);
SAME_FIELD(clap_process, in_events);
SAME_FIELD(clap_process, out_events);

SAME_TEXT(CLAP_EXT_AUDIO_PORTS);
SAME_TEXT(CLAP_PORT_STEREO);
SAME_CONSTANT(CLAP_AUDIO_PORT_IS_MAIN);
SAME_RECORD(clap_audio_port_info);
SAME_FIELD(clap_audio_port_info, id);
SAME_FIELD(clap_audio_port_info, name);
SAME_FIELD(clap_audio_port_info, flags);
SAME_FIELD(clap_audio_port_info, channel_count);
SAME_FIELD(clap_audio_port_info, port_type);
SAME_FIELD(clap_audio_port_info, in_place_pair);
SAME_RECORD(clap_plugin_audio_ports);
SAME_FIELD(clap_plugin_audio_ports, count);
SAME_FIELD(clap_plugin_audio_ports, get);

SAME_TEXT(CLAP_EXT_NOTE_PORTS);
SAME_CONSTANT(CLAP_NOTE_DIALECT_CLAP);
SAME_CONSTANT(CLAP_NOTE_DIALECT_MIDI);
SAME_CONSTANT(CLAP_NOTE_DIALECT_MIDI_MPE);
SAME_CONSTANT(CLAP_NOTE_DIALECT_MIDI2);
SAME_RECORD(clap_note_port_info);
SAME_FIELD(clap_note_port_info, id);
SAME_FIELD(clap_note_port_info, supported_dialects);
SAME_FIELD(clap_note_port_info, preferred_dialect);
SAME_FIELD(clap_note_port_info, name);
SAME_RECORD(clap_plugin_note_ports);
SAME_FIELD(clap_plugin_note_ports, count);
SAME_FIELD(clap_plugin_note_ports, get);

SAME_TEXT(CLAP_EXT_PARAMS);
SAME_CONSTANT(CLAP_PARAM_IS_STEPPED);
SAME_CONSTANT(CLAP_PARAM_IS_AUTOMATABLE);
SAME_CONSTANT(CLAP_PARAM_RESCAN_VALUES);
SAME_CONSTANT(CLAP_PARAM_RESCAN_TEXT);
SAME_CONSTANT(CLAP_PARAM_RESCAN_INFO);
SAME_CONSTANT(CLAP_PARAM_RESCAN_ALL);
SAME_RECORD(clap_param_info);
SAME_FIELD(clap_param_info, id);
SAME_FIELD(clap_param_info, flags);
SAME_FIELD(clap_param_info, cookie);
SAME_FIELD(clap_param_info, name);
SAME_FIELD(clap_param_info, module);
SAME_FIELD(clap_param_info, min_value);
SAME_FIELD(clap_param_info, max_value);
SAME_FIELD(clap_param_info, default_value);
SAME_RECORD(clap_plugin_params);
SAME_FIELD(clap_plugin_params, count);
SAME_FIELD(clap_plugin_params, get_info);
SAME_FIELD(clap_plugin_params, get_value);
SAME_FIELD(clap_plugin_params, value_to_text);
SAME_FIELD(clap_plugin_params, text_to_value);
SAME_FIELD(clap_plugin_params, flush);
SAME_RECORD(clap_host_params);
SAME_FIELD(clap_host_params, rescan);
SAME_FIELD(clap_host_params, clear);
SAME_FIELD(clap_host_params, request_flush);

SAME_TEXT(CLAP_EXT_STATE);
SAME_RECORD(clap_istream);
SAME_FIELD(clap_istream, ctx);
SAME_FIELD(clap_istream, read);
SAME_RECORD(clap_ostream);
SAME_FIELD(clap_ostream, ctx);
SAME_FIELD(clap_ostream, write);
SAME_RECORD(clap_plugin_state);
SAME_FIELD(clap_plugin_state, save);
SAME_FIELD(clap_plugin_state, load);
SAME_RECORD(clap_host_state);
SAME_FIELD(clap_host_state, mark_dirty);

SAME_TEXT(CLAP_EXT_LATENCY);
SAME_RECORD(clap_plugin_latency);
SAME_FIELD(clap_plugin_latency, get);
SAME_RECORD(clap_host_latency);
SAME_FIELD(clap_host_latency, changed);

SAME_TEXT(CLAP_EXT_THREAD_CHECK);
SAME_RECORD(clap_host_thread_check);
SAME_FIELD(clap_host_thread_check, is_main_thread);
SAME_FIELD(clap_host_thread_check, is_audio_thread);

SAME_TEXT(CLAP_EXT_TIMER_SUPPORT);
SAME_RECORD(clap_plugin_timer_support);
SAME_FIELD(clap_plugin_timer_support, on_timer);
SAME_RECORD(clap_host_timer_support);
SAME_FIELD(clap_host_timer_support, register_timer);
SAME_FIELD(clap_host_timer_support, unregister_timer);

SAME_TEXT(CLAP_EXT_GUI);
SAME_TEXT(CLAP_WINDOW_API_X11);
SAME_RECORD(clap_window);
SAME_FIELD(clap_window, api);
SAME_FIELD(clap_window, x11);
SAME_FIELD(clap_window, ptr);
SAME_FIELD(clap_window, uptr);
SAME_RECORD(clap_gui_resize_hints);
SAME_FIELD(clap_gui_resize_hints, can_resize_horizontally);
SAME_FIELD(clap_gui_resize_hints, can_resize_vertically);
SAME_FIELD(clap_gui_resize_hints, preserve_aspect_ratio);
SAME_FIELD(clap_gui_resize_hints, aspect_ratio_width);
SAME_FIELD(clap_gui_resize_hints, aspect_ratio_height);
SAME_RECORD(clap_plugin_gui);
SAME_FIELD(clap_plugin_gui, is_api_supported);
SAME_FIELD(clap_plugin_gui, get_preferred_api);
SAME_FIELD(clap_plugin_gui, create);
SAME_FIELD(clap_plugin_gui, destroy);
SAME_FIELD(clap_plugin_gui, set_scale);
SAME_FIELD(clap_plugin_gui, get_size);
SAME_FIELD(clap_plugin_gui, can_resize);
SAME_FIELD(clap_plugin_gui, get_resize_hints);
SAME_FIELD(clap_plugin_gui, adjust_size);
SAME_FIELD(clap_plugin_gui, set_size);
SAME_FIELD(clap_plugin_gui, set_parent);
SAME_FIELD(clap_plugin_gui, set_transient);
SAME_FIELD(clap_plugin_gui, suggest_title);
SAME_FIELD(clap_plugin_gui, show);
SAME_FIELD(clap_plugin_gui, hide);
SAME_RECORD(clap_host_gui);
SAME_FIELD(clap_host_gui, resize_hints_changed);
SAME_FIELD(clap_host_gui, request_resize);
SAME_FIELD(clap_host_gui, request_show);
SAME_FIELD(clap_host_gui, request_hide);
SAME_FIELD(clap_host_gui, closed);

// The compiler makes the checks above; this test stands for them in the results.
TEST(ClapInterfaceLayout, IsThePublishedOne)
{
    SUCCEED();
}
