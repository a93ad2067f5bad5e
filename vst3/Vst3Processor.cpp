#include "vst3/Vst3Processor.h"

#include <algorithm>
#include <cmath>

namespace quelvar::vst3
{

namespace
{
int frameIn(int32 offset, int frames)
{
    return std::clamp<int32>(offset, 0, std::max(frames - 1, 0));
}

std::uint8_t midiByte(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 127L));
}
} // namespace

void Vst3Processor::setup(double sampleRate)
{
    rate = sampleRate;
    restart();
}

void Vst3Processor::restart()
{
    timeline.init(rate);
    waitingCount = 0;
}

void Vst3Processor::addMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    const BlockMidi m{frame, {status, data1, data2}};
    if (input.frames > 0)
        input.midi.add(m);
    else if (waitingCount < RenderInput::kMaxMidiEvents)
        waiting[static_cast<std::size_t>(waitingCount++)] = {0, m.bytes};
}

// Notes keep their channel; the engine hears every channel. A note-on is a key going down,
// whatever its velocity, so it never reads as MIDI's note-off of velocity 0.
void Vst3Processor::readEvents(IEventList& events, int frames)
{
    const int32 count = events.getEventCount();
    for (int32 i = 0; i < count; ++i)
    {
        Event e{};
        if (events.getEvent(i, e) != kResultOk)
            continue;
        const int frame = frameIn(e.sampleOffset, frames);
        if (e.type == Event::kNoteOnEvent && e.noteOn.pitch >= 0 && e.noteOn.pitch < 128)
            addMidi(frame, static_cast<std::uint8_t>(0x90 | (e.noteOn.channel & 0x0F)),
                    static_cast<std::uint8_t>(e.noteOn.pitch),
                    std::max<std::uint8_t>(midiByte(e.noteOn.velocity * 127.0), 1));
        else if (e.type == Event::kNoteOffEvent && e.noteOff.pitch >= 0 && e.noteOff.pitch < 128)
            addMidi(frame, static_cast<std::uint8_t>(0x80 | (e.noteOff.channel & 0x0F)),
                    static_cast<std::uint8_t>(e.noteOff.pitch),
                    midiByte(e.noteOff.velocity * 127.0));
    }
}

// Slots take their changes at their offsets; the program, pitch-bend and controller parameters
// are MIDI the host turned into parameters, and go back to the engine as that MIDI.
void Vst3Processor::readParameters(IParameterChanges& changes, int frames)
{
    const int32 count = changes.getParameterCount();
    for (int32 i = 0; i < count; ++i)
    {
        IParamValueQueue* queue = changes.getParameterData(i);
        ParameterTarget target{};
        if (!queue || !targetOf(queue->getParameterId(), target))
            continue;
        const int index = parameterIndexOf(queue->getParameterId());
        // A host hands every performEdit back as a change; a slot is not set again to the value
        // it holds, which would retrigger a pattern already chosen.
        float held =
            target.kind == ParameterTarget::Kind::slot ? synth.getParameter(target.number) : 0.0f;
        const int32 points = queue->getPointCount();
        for (int32 p = 0; p < points; ++p)
        {
            int32 offset = 0;
            ParamValue value = 0.0;
            if (queue->getPoint(p, offset, value) != kResultOk || std::isnan(value))
                continue;
            value = std::clamp(value, 0.0, 1.0);
            shown[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
            const int frame = frameIn(offset, frames);
            std::array<std::uint8_t, 3> midi{};
            if (target.kind == ParameterTarget::Kind::slot)
            {
                const float slotValue = slotValueOf(target.number, value);
                if (slotValue != held)
                    input.parameters.add({frame, target.number, slotValue});
                held = slotValue;
            }
            else if (midiOfValue(target, value, midi))
                addMidi(frame, midi[0], midi[1], midi[2]);
        }
    }
}

tresult Vst3Processor::process(ProcessData& data)
{
    if (data.symbolicSampleSize != kSample32)
        return kResultFalse;
    const int frames = std::max<int32>(data.numSamples, 0);
    float* left = nullptr;
    float* right = nullptr;
    if (frames > 0)
    {
        AudioBusBuffers* out = data.numOutputs > 0 ? data.outputs : nullptr;
        if (!out || out->numChannels < 2 || !out->channelBuffers32 || !out->channelBuffers32[0] ||
            !out->channelBuffers32[1])
            return kResultFalse;
        left = out->channelBuffers32[0];
        right = out->channelBuffers32[1];
        out->silenceFlags = 0;
    }

    input.clear();
    input.frames = frames;
    timeline.read(data.processContext, frames, input);
    if (frames > 0)
    {
        for (int i = 0; i < waitingCount; ++i)
            input.midi.add(waiting[static_cast<std::size_t>(i)]);
        waitingCount = 0;
    }
    if (data.inputParameterChanges)
        readParameters(*data.inputParameterChanges, frames);
    if (data.inputEvents)
        readEvents(*data.inputEvents, frames);

    output.left = left;
    output.right = right;
    synth.render(input, output);

    if (data.outputEvents)
        writeEvents(*data.outputEvents);
    writeReports(data.outputParameterChanges);
    if (output.controllersChanged)
        controllersChanged.store(true, std::memory_order_release);
    return kResultOk;
}

void Vst3Processor::writeEvents(IEventList& events)
{
    for (const BlockMidi& m : output.midi)
    {
        const std::uint8_t kind = m.bytes[0] & 0xF0;
        if (kind != 0x90 && kind != 0x80)
            continue;
        Event e{};
        e.busIndex = 0;
        e.sampleOffset = m.frame;
        e.flags = Event::kIsLive;
        const auto channel = static_cast<int16>(m.bytes[0] & 0x0F);
        const float velocity = m.bytes[2] / 127.0f;
        if (kind == 0x90 && m.bytes[2] > 0)
        {
            e.type = Event::kNoteOnEvent;
            e.noteOn = {channel, m.bytes[1], 0.0f, velocity, 0, -1};
        }
        else
        {
            e.type = Event::kNoteOffEvent;
            e.noteOff = {channel, m.bytes[1], velocity, -1, 0.0f};
        }
        events.addEvent(e);
    }
}

// The controller shows every value the engine set itself; the host hears of a controller's
// moves, as automation it may record, and not of a pattern chosen by a note or a program.
void Vst3Processor::writeReports(IParameterChanges* changes)
{
    for (const ParameterReport& r : output.reports)
    {
        shown[static_cast<std::size_t>(r.slot)].store(r.value, std::memory_order_relaxed);
        if (!r.fromController || !changes)
            continue;
        int32 index = 0;
        IParamValueQueue* queue = changes->addParameterData(static_cast<ParamID>(r.slot), index);
        int32 point = 0;
        if (queue)
            queue->addPoint(0, r.value, point);
    }
}

} // namespace quelvar::vst3
