#include "lv2/Lv2Plugin.h"

#include "bridge/Fennick3Editor.h"
#include "engine/PalladonFiles.h"
#include "lv2/lv2Uris.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace quelvar
{

namespace
{
const void* featureData(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

// Bytes of a channel message with this status; 0 for anything else (sysex, system messages).
std::uint32_t channelMessageSize(std::uint8_t status)
{
    if (status < 0x80 || status >= 0xF0)
        return 0;
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
}
} // namespace

Lv2Plugin::Urids::Urids(const LV2_URID_Map& map)
    : atomSequence(map.map(map.handle, LV2_ATOM__Sequence)),
      atomObject(map.map(map.handle, LV2_ATOM__Object)),
      atomBlank(map.map(map.handle, LV2_ATOM__Blank)),
      atomChunk(map.map(map.handle, LV2_ATOM__Chunk)), atomInt(map.map(map.handle, LV2_ATOM__Int)),
      atomLong(map.map(map.handle, LV2_ATOM__Long)),
      atomFloat(map.map(map.handle, LV2_ATOM__Float)),
      atomDouble(map.map(map.handle, LV2_ATOM__Double)),
      midiEvent(map.map(map.handle, LV2_MIDI__MidiEvent)),
      timePosition(map.map(map.handle, LV2_TIME__Position)),
      timeFrame(map.map(map.handle, LV2_TIME__frame)),
      timeSpeed(map.map(map.handle, LV2_TIME__speed)), timeBar(map.map(map.handle, LV2_TIME__bar)),
      timeBarBeat(map.map(map.handle, LV2_TIME__barBeat)),
      timeBeat(map.map(map.handle, LV2_TIME__beat)),
      timeBeatUnit(map.map(map.handle, LV2_TIME__beatUnit)),
      timeBeatsPerBar(map.map(map.handle, LV2_TIME__beatsPerBar)),
      timeBeatsPerMinute(map.map(map.handle, LV2_TIME__beatsPerMinute)),
      maxBlockLength(map.map(map.handle, LV2_BUF_SIZE__maxBlockLength)),
      nominalBlockLength(map.map(map.handle, LV2_BUF_SIZE__nominalBlockLength)),
      chunkKey(map.map(map.handle, kLv2ChunkKey))
{
}

Lv2Plugin* Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features,
                             std::span<const std::uint8_t> uiProgram) noexcept
{
    try
    {
        const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
        if (!map || !map->map)
            return nullptr;
        std::unique_ptr<Lv2Plugin> self(new (std::nothrow) Lv2Plugin(sampleRate, *map, uiProgram));
        if (!self || !self->synth)
            return nullptr;
        if (const auto* options =
                static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options)))
            self->setOptions(options);
        return self.release();
    }
    catch (...)
    {
        return nullptr;
    }
}

Lv2Plugin::Lv2Plugin(double sampleRate, const LV2_URID_Map& map,
                     std::span<const std::uint8_t> uiProgram)
    : urids(map), synth(new (std::nothrow) Palladon(nullptr, Flavour::plugin))
{
    if (!synth)
        return;
    // As the VST plugin's entry does: both before the first run(), which reads them unguarded.
    attachOutOfProcessEditor(*synth, uiProgram);
    synth->setSampleRate(static_cast<float>(sampleRate));
    timeline.init(sampleRate);
    defaultChunk = getChunkBytes(*synth);

    const std::span<const ControlPort> ports = controlPorts();
    controls.assign(ports.size(), nullptr);
    lastControlValues.resize(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i)
        lastControlValues[i] = toPortValue(ports[i], synth->getParameter(ports[i].slot));
}

Lv2Plugin::~Lv2Plugin() = default;

void Lv2Plugin::connectPort(std::uint32_t index, void* data)
{
    switch (index)
    {
    case kPortEventsIn:
        eventsIn = static_cast<const LV2_Atom_Sequence*>(data);
        return;
    case kPortMidiOut:
        midiOut = static_cast<LV2_Atom_Sequence*>(data);
        return;
    case kPortOutLeft:
        outLeft = static_cast<float*>(data);
        return;
    case kPortOutRight:
        outRight = static_cast<float*>(data);
        return;
    default:
        if (index - kFirstControlPort < controls.size())
            controls[index - kFirstControlPort] = static_cast<const float*>(data);
    }
}

void Lv2Plugin::activate()
{
    synth->resume();
}

void Lv2Plugin::deactivate()
{
    synth->suspend();
}

std::uint32_t Lv2Plugin::setOptions(const LV2_Options_Option* options)
{
    int maxFrames = 0;
    int nominalFrames = 0;
    for (const LV2_Options_Option* o = options; o && o->key; ++o)
    {
        if (o->key != urids.maxBlockLength && o->key != urids.nominalBlockLength)
            continue;
        std::int64_t frames = 0;
        if (o->type == urids.atomInt && o->size == sizeof(std::int32_t))
            frames = *static_cast<const std::int32_t*>(o->value);
        else if (o->type == urids.atomLong && o->size == sizeof(std::int64_t))
            frames = *static_cast<const std::int64_t*>(o->value);
        else
            continue;
        const int clamped = static_cast<int>(std::clamp<std::int64_t>(frames, 0, INT_MAX));
        (o->key == urids.maxBlockLength ? maxFrames : nominalFrames) = clamped;
    }
    // Longer blocks than this are still rendered, in pieces of the prepared size.
    const int frames = maxFrames > 0 ? maxFrames : nominalFrames;
    if (frames > 0)
        synth->setBlockSize(frames);
    return LV2_OPTIONS_SUCCESS;
}

// A port acts when the host changes it, not every block: changes made elsewhere (the panel, a
// restored state, MIDI pattern choice) stay until the host moves that port again.
void Lv2Plugin::applyControlPorts()
{
    const std::span<const ControlPort> ports = controlPorts();
    for (std::size_t i = 0; i < ports.size(); ++i)
    {
        if (!controls[i])
            continue;
        const float value = *controls[i];
        if (value == lastControlValues[i] || std::isnan(value))
            continue;
        lastControlValues[i] = value;
        // A value the engine already holds is not set again, so state restored beside the
        // port values keeps its exact slot values.
        if (toPortValue(ports[i], synth->getParameter(ports[i].slot)) != value)
            synth->setParameter(ports[i].slot, toSlotValue(ports[i], value));
    }
}

void Lv2Plugin::run(std::uint32_t sampleCount)
{
    if (!outLeft || !outRight)
        return;
    const int frames = static_cast<int>(std::min<std::uint32_t>(sampleCount, INT_MAX));
    beginMidiOut();
    applyControlPorts();

    input.clear();
    input.frames = frames;
    input.time = timeline.time();
    for (int i = 0; frames > 0 && i < waitingCount; ++i)
        input.midi.add(waiting[static_cast<std::size_t>(i)]);
    if (frames > 0)
        waitingCount = 0;
    int cursor = 0;
    if (eventsIn)
    {
        LV2_ATOM_SEQUENCE_FOREACH(eventsIn, ev)
        {
            const std::int64_t time = ev->time.frames;
            if (ev->body.type == urids.midiEvent)
            {
                // Late or misplaced events are played as early as the block allows.
                const int last = std::max(frames - 1, cursor);
                queueMidi(static_cast<int>(std::clamp<std::int64_t>(time, cursor, last)),
                          static_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body)),
                          ev->body.size);
            }
            else if ((ev->body.type == urids.atomObject || ev->body.type == urids.atomBlank) &&
                     reinterpret_cast<const LV2_Atom_Object*>(&ev->body)->body.otype ==
                         urids.timePosition)
            {
                // In force from its frame; one at the block's end is the next block's time.
                const int at = static_cast<int>(std::clamp<std::int64_t>(time, cursor, frames));
                timeline.advance(at - cursor);
                cursor = at;
                timeline.apply(readPosition(reinterpret_cast<const LV2_Atom_Object*>(&ev->body)));
                if (at < frames)
                    input.transport.add({at, timeline.time()});
            }
        }
    }
    timeline.advance(frames - cursor);

    output.left = outLeft;
    output.right = outRight;
    synth->render(input, output);
    sendMidiOut();
    for (const ParameterReport& r : output.reports)
        if (r.fromController)
            synth->parameterEdits().moved(r.slot);
}

void Lv2Plugin::queueMidi(int frame, const std::uint8_t* bytes, std::uint32_t size)
{
    if (size < 1)
        return;
    const std::uint32_t needed = channelMessageSize(bytes[0]);
    if (needed == 0 || size < needed)
        return;
    BlockMidi m;
    m.frame = frame;
    m.bytes = {bytes[0], bytes[1], needed == 3 ? bytes[2] : std::uint8_t{0}};
    if (input.frames > 0)
    {
        // Kept in the order they came: a misplaced event is played late, not early.
        if (!input.midi.empty())
            m.frame = std::max(m.frame, input.midi[input.midi.size() - 1].frame);
        input.midi.add(m);
    }
    else if (waitingCount < RenderInput::kMaxMidiEvents)
    {
        m.frame = 0;
        waiting[static_cast<std::size_t>(waitingCount++)] = m;
    }
}

bool Lv2Plugin::readNumber(const LV2_Atom* atom, double& value) const
{
    if (!atom)
        return false;
    const void* body = LV2_ATOM_BODY_CONST(atom);
    if (atom->type == urids.atomDouble && atom->size >= sizeof(double))
        value = *static_cast<const double*>(body);
    else if (atom->type == urids.atomFloat && atom->size >= sizeof(float))
        value = *static_cast<const float*>(body);
    else if (atom->type == urids.atomLong && atom->size >= sizeof(std::int64_t))
        value = static_cast<double>(*static_cast<const std::int64_t*>(body));
    else if (atom->type == urids.atomInt && atom->size >= sizeof(std::int32_t))
        value = *static_cast<const std::int32_t*>(body);
    else
        return false;
    return true;
}

PositionFields Lv2Plugin::readPosition(const LV2_Atom_Object* position) const
{
    const LV2_Atom* frame = nullptr;
    const LV2_Atom* speed = nullptr;
    const LV2_Atom* bar = nullptr;
    const LV2_Atom* barBeat = nullptr;
    const LV2_Atom* beat = nullptr;
    const LV2_Atom* beatUnit = nullptr;
    const LV2_Atom* beatsPerBar = nullptr;
    const LV2_Atom* beatsPerMinute = nullptr;
    lv2_atom_object_get(position, urids.timeFrame, &frame, urids.timeSpeed, &speed, urids.timeBar,
                        &bar, urids.timeBarBeat, &barBeat, urids.timeBeat, &beat,
                        urids.timeBeatUnit, &beatUnit, urids.timeBeatsPerBar, &beatsPerBar,
                        urids.timeBeatsPerMinute, &beatsPerMinute, 0);
    PositionFields fields;
    const std::pair<const LV2_Atom*, std::optional<double>*> wanted[] = {
        {frame, &fields.frame},
        {speed, &fields.speed},
        {bar, &fields.bar},
        {barBeat, &fields.barBeat},
        {beat, &fields.beat},
        {beatUnit, &fields.beatUnit},
        {beatsPerBar, &fields.beatsPerBar},
        {beatsPerMinute, &fields.beatsPerMinute}};
    for (const auto& [atom, field] : wanted)
    {
        double v = 0.0;
        if (readNumber(atom, v))
            *field = v;
    }
    return fields;
}

void Lv2Plugin::beginMidiOut()
{
    if (!midiOut)
        return;
    // The host gives the room it has in the atom's size.
    midiOutCapacity = midiOut->atom.size;
    lv2_atom_sequence_clear(midiOut);
    midiOut->atom.type = urids.atomSequence;
}

void Lv2Plugin::sendMidiOut()
{
    if (!midiOut)
        return;
    for (const BlockMidi& m : output.midi)
    {
        const std::uint32_t size = channelMessageSize(m.bytes[0]);
        if (size == 0)
            continue;
        struct
        {
            LV2_Atom_Event header;
            std::uint8_t bytes[3];
        } event{};
        event.header.time.frames = m.frame;
        event.header.body.size = size;
        event.header.body.type = urids.midiEvent;
        for (std::uint32_t b = 0; b < size; ++b)
            event.bytes[b] = m.bytes[b];
        if (!lv2_atom_sequence_append_event(midiOut, midiOutCapacity, &event.header))
            return; // full: the rest is dropped
    }
}

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    void* data = nullptr;
    const VstInt32 size = synth->getChunk(&data, false);
    if (!data || size <= 0)
        return LV2_STATE_ERR_UNKNOWN;
    return store(handle, urids.chunkKey, data, static_cast<std::size_t>(size), urids.atomChunk,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    const void* data = retrieve(handle, urids.chunkKey, &size, &type, &flags);
    if (!data)
    {
        applyWholeChunk(*synth, defaultChunk.data(), defaultChunk.size());
        return LV2_STATE_SUCCESS;
    }
    if (type != urids.atomChunk)
        return LV2_STATE_ERR_BAD_TYPE;
    return applyWholeChunk(*synth, static_cast<const std::uint8_t*>(data), size)
               ? LV2_STATE_SUCCESS
               : LV2_STATE_ERR_UNKNOWN;
}

bool Lv2Plugin::openEditor(unsigned long window)
{
    AEffEditor* editor = synth->getEditor();
    return editor && editor->open(reinterpret_cast<void*>(window));
}

void Lv2Plugin::editorSize(int& width, int& height)
{
    width = bridge::kEditorWidth;
    height = bridge::kEditorHeight;
    ERect* rect = nullptr;
    if (AEffEditor* editor = synth->getEditor(); editor && editor->getRect(&rect) && rect)
    {
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    }
}

void Lv2Plugin::closeEditor()
{
    if (AEffEditor* editor = synth->getEditor())
        editor->close();
}

// Gestures mean nothing to a control port: only the values go to the host.
bool Lv2Plugin::nextPortChange(std::uint32_t& port, float& value)
{
    const std::span<const ControlPort> ports = controlPorts();
    ParameterEdits::Edit edit{};
    while (synth->parameterEdits().next(edit))
    {
        if (edit.kind != ParameterEdits::Edit::Kind::value)
            continue;
        for (std::size_t i = 0; i < ports.size(); ++i)
            if (ports[i].slot == edit.slot)
            {
                port = static_cast<std::uint32_t>(kFirstControlPort + i);
                value = toPortValue(ports[i], synth->getParameter(edit.slot));
                return true;
            }
    }
    return false;
}

} // namespace quelvar
