#include "support/Lv2TestHost.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/parameters/parameters.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quelvar
{

namespace
{
constexpr std::size_t kAtomBufferWords = 8192; // 64 KiB per event port

struct StateProperty
{
    LV2_URID key = 0;
    std::vector<std::uint8_t> value;
    std::uint32_t type = 0;
    bool present = false;
};

LV2_State_Status storeProperty(LV2_State_Handle handle, std::uint32_t key, const void* value,
                               std::size_t size, std::uint32_t type, std::uint32_t /*flags*/)
{
    auto* p = static_cast<StateProperty*>(handle);
    if (key != p->key)
        return LV2_STATE_SUCCESS;
    const auto* bytes = static_cast<const std::uint8_t*>(value);
    p->value.assign(bytes, bytes + size);
    p->type = type;
    p->present = true;
    return LV2_STATE_SUCCESS;
}

const void* retrieveProperty(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                             std::uint32_t* type, std::uint32_t* flags)
{
    const auto* p = static_cast<const StateProperty*>(handle);
    if (!p->present || key != p->key)
        return nullptr;
    *size = p->value.size();
    *type = p->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return p->value.data();
}
} // namespace

Lv2TestHost::Lv2TestHost(const std::string& lv2Path, const char* pluginUri, double sampleRate,
                         int maxBlock, bool announceBlockLength)
    : rate(sampleRate)
{
    received.reserve(1 << 16);
    queued.reserve(1024);
    eventsIn.assign(kAtomBufferWords, 0);
    eventsOut.assign(kAtomBufferWords, 0);

    lilvWorld = lilv_world_new();
    LilvNode* path = lilv_new_string(lilvWorld, lv2Path.c_str());
    lilv_world_set_option(lilvWorld, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(lilvWorld);
    LilvNode* uri = lilv_new_uri(lilvWorld, pluginUri);
    lilvPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), uri);
    lilv_node_free(uri);
    if (!lilvPlugin)
        return;

    mapFeature = {this, &Lv2TestHost::mapUri};
    unmapFeature = {this, &Lv2TestHost::unmapUri};
    urid = {map(LV2_ATOM__Chunk),       map(LV2_ATOM__Sequence),      map(LV2_ATOM__Float),
            map(LV2_ATOM__Double),      map(LV2_ATOM__Int),           map(LV2_MIDI__MidiEvent),
            map(LV2_TIME__Position),    map(LV2_TIME__frame),         map(LV2_TIME__speed),
            map(LV2_TIME__bar),         map(LV2_TIME__barBeat),       map(LV2_TIME__beatUnit),
            map(LV2_TIME__beatsPerBar), map(LV2_TIME__beatsPerMinute)};
    featureStore.push_back({LV2_URID__map, &mapFeature});
    featureStore.push_back({LV2_URID__unmap, &unmapFeature});
    blockLength = maxBlock;
    sampleRateOption = static_cast<float>(sampleRate);
    if (announceBlockLength)
    {
        const LV2_URID intType = urid.atomInt;
        options.push_back({LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength),
                           sizeof(std::int32_t), intType, &blockLength});
        options.push_back({LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__nominalBlockLength),
                           sizeof(std::int32_t), intType, &blockLength});
        options.push_back({LV2_OPTIONS_INSTANCE, 0, map(LV2_PARAMETERS__sampleRate), sizeof(float),
                           urid.atomFloat, &sampleRateOption});
        options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
        featureStore.push_back({LV2_OPTIONS__options, options.data()});
        featureStore.push_back({LV2_BUF_SIZE__boundedBlockLength, nullptr});
    }
    for (const LV2_Feature& f : featureStore)
        features.push_back(&f);
    features.push_back(nullptr);

    instance = lilv_plugin_instantiate(lilvPlugin, sampleRate, features.data());
    if (!instance)
        return;

    LilvNode* controlClass = lilv_new_uri(lilvWorld, LV2_CORE__ControlPort);
    LilvNode* atomClass = lilv_new_uri(lilvWorld, LV2_ATOM__AtomPort);
    LilvNode* inputClass = lilv_new_uri(lilvWorld, LV2_CORE__InputPort);
    LilvNode* audioClass = lilv_new_uri(lilvWorld, LV2_CORE__AudioPort);
    const std::uint32_t n = lilv_plugin_get_num_ports(lilvPlugin);
    controls.assign(n, 0.0f);
    std::vector<float> defaults(n, 0.0f);
    lilv_plugin_get_port_ranges_float(lilvPlugin, nullptr, nullptr, defaults.data());
    for (std::uint32_t i = 0; i < n; ++i)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(lilvPlugin, i);
        if (lilv_port_is_a(lilvPlugin, port, controlClass))
        {
            controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            controlPorts[lilv_node_as_string(lilv_port_get_symbol(lilvPlugin, port))] = i;
            lilv_instance_connect_port(instance, i, &controls[i]);
        }
        else if (lilv_port_is_a(lilvPlugin, port, atomClass))
            lilv_instance_connect_port(
                instance, i,
                lilv_port_is_a(lilvPlugin, port, inputClass) ? eventsIn.data() : eventsOut.data());
        else if (lilv_port_is_a(lilvPlugin, port, audioClass) &&
                 !lilv_port_is_a(lilvPlugin, port, inputClass))
            audioOutputs.push_back(i);
    }
    lilv_node_free(audioClass);
    lilv_node_free(controlClass);
    lilv_node_free(atomClass);
    lilv_node_free(inputClass);
    lv2_atom_forge_init(&forge, &mapFeature);
    // An empty sequence until the first block writes one.
    writeEvents();
    lilv_instance_activate(instance);
}

Lv2TestHost::~Lv2TestHost()
{
    if (instance)
    {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    lilv_world_free(lilvWorld);
}

LV2_URID Lv2TestHost::map(const char* uri)
{
    return mapUri(this, uri);
}

LV2_URID Lv2TestHost::mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto* self = static_cast<Lv2TestHost*>(handle);
    if (const auto it = self->uris.find(uri); it != self->uris.end())
        return it->second;
    self->uriNames.push_back(uri);
    return self->uris[uri] = static_cast<LV2_URID>(self->uriNames.size());
}

const char* Lv2TestHost::unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid)
{
    auto* self = static_cast<Lv2TestHost*>(handle);
    return urid >= 1 && urid <= self->uriNames.size() ? self->uriNames[urid - 1].c_str() : nullptr;
}

void Lv2TestHost::setControl(const std::string& symbol, float value)
{
    controls.at(controlPorts.at(symbol)) = value;
}

float Lv2TestHost::control(const std::string& symbol) const
{
    return controls.at(controlPorts.at(symbol));
}

float& Lv2TestHost::controlValue(const std::string& symbol)
{
    return controls.at(controlPorts.at(symbol));
}

void Lv2TestHost::queueMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    queue({frame, true, {status, data1, data2}, 0.0, false});
}

// Kept in frame order as they come, without sorting (which could allocate) in process().
void Lv2TestHost::queue(const QueuedEvent& e)
{
    const auto at =
        std::upper_bound(queued.begin(), queued.end(), e.frame,
                         [](int frame, const QueuedEvent& q) { return frame < q.frame; });
    queued.insert(at, e);
}

void Lv2TestHost::setTempo(double bpm)
{
    tempo = bpm;
    transportPending = true;
}

void Lv2TestHost::play(double at)
{
    beats = at;
    playing = true;
    transportPending = true;
}

void Lv2TestHost::stop()
{
    playing = false;
    transportPending = true;
}

void Lv2TestHost::locate(double at)
{
    beats = at;
    transportPending = true;
}

void Lv2TestHost::queuePosition(int frame, double at, bool nowPlaying)
{
    queue({frame, false, {}, at, nowPlaying});
}

// The transport's frame goes with its musical position, as in a host: it jumps where the
// position jumps.
void Lv2TestHost::writePosition(double at, bool nowPlaying)
{
    const double frame = at * 60.0 / tempo * rate;
    if (positionTicksPerBeat > 0)
        at = std::floor(at * positionTicksPerBeat) / positionTicksPerBeat;
    const double bar = std::floor(at / 4.0);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, urid.position);
    lv2_atom_forge_key(&forge, urid.frame);
    lv2_atom_forge_long(&forge, std::llround(frame));
    lv2_atom_forge_key(&forge, urid.speed);
    lv2_atom_forge_float(&forge, nowPlaying ? 1.0f : 0.0f);
    lv2_atom_forge_key(&forge, urid.bar);
    lv2_atom_forge_long(&forge, static_cast<std::int64_t>(bar));
    lv2_atom_forge_key(&forge, urid.barBeat);
    lv2_atom_forge_float(&forge, static_cast<float>(at - 4.0 * bar));
    lv2_atom_forge_key(&forge, urid.beatUnit);
    lv2_atom_forge_int(&forge, 4);
    lv2_atom_forge_key(&forge, urid.beatsPerBar);
    lv2_atom_forge_float(&forge, 4.0f);
    lv2_atom_forge_key(&forge, urid.beatsPerMinute);
    lv2_atom_forge_float(&forge, static_cast<float>(tempo));
    lv2_atom_forge_pop(&forge, &object);
}

void Lv2TestHost::writeEvents()
{
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(eventsIn.data()),
                              eventsIn.size() * sizeof(std::uint64_t));
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    if (transportPending || sendPositionEveryBlock)
    {
        lv2_atom_forge_frame_time(&forge, 0);
        writePosition(beats, playing);
    }
    for (const QueuedEvent& e : queued)
    {
        lv2_atom_forge_frame_time(&forge, e.frame);
        if (e.isMidi)
        {
            lv2_atom_forge_atom(&forge, 3, urid.midiEvent);
            lv2_atom_forge_write(&forge, e.midi.data(), 3);
        }
        else
            writePosition(e.beats, e.playing);
    }
    lv2_atom_forge_pop(&forge, &sequence);
}

void Lv2TestHost::process(float* left, float* right, int frames)
{
    if (!instance)
        return;
    writeEvents();
    auto* out = reinterpret_cast<LV2_Atom*>(eventsOut.data());
    out->type = urid.atomChunk;
    out->size =
        static_cast<std::uint32_t>(eventsOut.size() * sizeof(std::uint64_t) - sizeof(LV2_Atom));
    float* outputs[2] = {left, right};
    for (std::size_t i = 0; i < audioOutputs.size() && i < 2; ++i)
        lilv_instance_connect_port(instance, audioOutputs[i], outputs[i]);
    lilv_instance_run(instance, static_cast<std::uint32_t>(frames));
    readMidiOut();

    // The transport goes on from the last position the block carried.
    int from = 0;
    for (const QueuedEvent& e : queued)
        if (!e.isMidi)
        {
            beats = e.beats;
            playing = e.playing;
            from = e.frame;
        }
    if (playing)
        beats += (frames - from) / rate * tempo / 60.0;
    queued.clear();
    transportPending = false;
    ++blockIndex;
    framesDone += frames;
}

void Lv2TestHost::readMidiOut()
{
    const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*>(eventsOut.data());
    if (sequence->atom.type != urid.atomSequence)
        return;
    const LV2_URID midiType = urid.midiEvent;
    LV2_ATOM_SEQUENCE_FOREACH(sequence, ev)
    {
        if (ev->body.type != midiType || ev->body.size < 1)
            continue;
        const auto* bytes = static_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
        Lv2ReceivedMidi m{blockIndex,
                          static_cast<int>(ev->time.frames),
                          framesDone + ev->time.frames,
                          {bytes[0], 0, 0}};
        for (std::uint32_t b = 1; b < std::min<std::uint32_t>(ev->body.size, 3); ++b)
            m.bytes[b] = bytes[b];
        received.push_back(m);
    }
}

void Lv2TestHost::render(int frames, int blockSize, std::vector<float>& left,
                         std::vector<float>& right)
{
    left.assign(frames, 0.0f);
    right.assign(frames, 0.0f);
    for (int done = 0; done < frames;)
    {
        const int n = std::min(blockSize, frames - done);
        process(left.data() + done, right.data() + done, n);
        done += n;
    }
}

std::vector<std::uint8_t> Lv2TestHost::saveProperty(const char* key, std::string* typeUri)
{
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    if (!state)
        return {};
    StateProperty p;
    p.key = map(key);
    state->save(lilv_instance_get_handle(instance), storeProperty, &p,
                LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
    if (typeUri)
        *typeUri = p.present ? unmapUri(this, p.type) : "";
    return p.value;
}

bool Lv2TestHost::restoreProperty(const char* key, const std::vector<std::uint8_t>& value,
                                  const char* typeUri)
{
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    if (!state)
        return false;
    StateProperty p;
    p.key = map(key);
    p.value = value;
    p.type = map(typeUri);
    p.present = true;
    return state->restore(lilv_instance_get_handle(instance), retrieveProperty, &p, 0,
                          features.data()) == LV2_STATE_SUCCESS;
}

bool Lv2TestHost::restoreEmptyState()
{
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    StateProperty none;
    return state && state->restore(lilv_instance_get_handle(instance), retrieveProperty, &none, 0,
                                   features.data()) == LV2_STATE_SUCCESS;
}

const void* Lv2TestHost::portValue(const char* symbol, void* user, std::uint32_t* size,
                                   std::uint32_t* type)
{
    auto* self = static_cast<Lv2TestHost*>(user);
    const auto it = self->controlPorts.find(symbol);
    if (it == self->controlPorts.end())
        return nullptr;
    *size = sizeof(float);
    *type = self->urid.atomFloat;
    return &self->controls[it->second];
}

void Lv2TestHost::setPortValue(const char* symbol, void* user, const void* value,
                               std::uint32_t size, std::uint32_t type)
{
    auto* self = static_cast<Lv2TestHost*>(user);
    const auto it = self->controlPorts.find(symbol);
    if (it == self->controlPorts.end())
        return;
    if (type == self->urid.atomFloat && size == sizeof(float))
        self->controls[it->second] = *static_cast<const float*>(value);
    else if (type == self->urid.atomDouble && size == sizeof(double))
        self->controls[it->second] = static_cast<float>(*static_cast<const double*>(value));
    else if (type == self->urid.atomInt && size == sizeof(std::int32_t))
        self->controls[it->second] = static_cast<float>(*static_cast<const std::int32_t*>(value));
}

std::string Lv2TestHost::saveState()
{
    LilvState* state = lilv_state_new_from_instance(
        lilvPlugin, instance, &mapFeature, nullptr, nullptr, nullptr, nullptr,
        &Lv2TestHost::portValue, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
    if (!state)
        return {};
    char* text = lilv_state_to_string(lilvWorld, &mapFeature, &unmapFeature, state,
                                      "urn:quelvar:test-state", nullptr);
    std::string turtle = text ? text : "";
    lilv_free(text);
    lilv_state_free(state);
    return turtle;
}

bool Lv2TestHost::restoreState(const std::string& turtle)
{
    LilvState* state = lilv_state_new_from_string(lilvWorld, &mapFeature, turtle.c_str());
    if (!state)
        return false;
    lilv_state_restore(state, instance, &Lv2TestHost::setPortValue, this, 0, features.data());
    lilv_state_free(state);
    return true;
}

std::vector<Lv2Preset> Lv2TestHost::presets()
{
    std::vector<Lv2Preset> found;
    LilvNode* presetClass = lilv_new_uri(lilvWorld, LV2_PRESETS__Preset);
    LilvNode* labelProperty = lilv_new_uri(lilvWorld, LILV_NS_RDFS "label");
    LilvNodes* related = lilv_plugin_get_related(lilvPlugin, presetClass);
    LILV_FOREACH(nodes, i, related)
    {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(lilvWorld, preset);
        LilvNode* label = lilv_world_get(lilvWorld, preset, labelProperty, nullptr);
        found.push_back({lilv_node_as_uri(preset), label ? lilv_node_as_string(label) : ""});
        lilv_node_free(label);
    }
    lilv_nodes_free(related);
    lilv_node_free(labelProperty);
    lilv_node_free(presetClass);
    return found;
}

bool Lv2TestHost::loadPreset(const std::string& uri)
{
    LilvNode* node = lilv_new_uri(lilvWorld, uri.c_str());
    lilv_world_load_resource(lilvWorld, node);
    LilvState* state = lilv_state_new_from_world(lilvWorld, &mapFeature, node);
    lilv_node_free(node);
    if (!state)
        return false;
    lilv_state_restore(state, instance, &Lv2TestHost::setPortValue, this, 0, features.data());
    lilv_state_free(state);
    return true;
}

} // namespace quelvar
