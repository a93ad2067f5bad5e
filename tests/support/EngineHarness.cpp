#include "support/EngineHarness.h"

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
thread_local EngineHarness* constructing = nullptr;
}

EngineHarness::EngineHarness(Flavour flavour, double sampleRate, int maxBlock)
{
    // Recording never allocates inside a test's no-allocation scope.
    stepFrames.reserve(RecordingEditor::kRoom);
    midiOut.reserve(RecordingEditor::kRoom);
    automated.reserve(RecordingEditor::kRoom);
    pendingMidi.reserve(kMidiRoom);
    eventList.resize(sizeof(VstEvents) + kMidiRoom * sizeof(VstEvent*));
    time.sampleRate = sampleRate;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    constructing = this;
    synth = std::make_unique<Palladon>(&EngineHarness::hostCallback, flavour);
    constructing = nullptr;
    synth->getAeffect()->resvd1 = reinterpret_cast<VstIntPtr>(this);
    recorder = new RecordingEditor;
    synth->attachEditor(recorder);
    synth->setSampleRate(static_cast<float>(sampleRate));
    synth->setBlockSize(maxBlock);
    synth->resume();
}

EngineHarness::~EngineHarness() = default;

VstIntPtr EngineHarness::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                      VstIntPtr /*value*/, void* ptr, float opt)
{
    EngineHarness* h = effect && effect->resvd1 ? reinterpret_cast<EngineHarness*>(effect->resvd1)
                                                : constructing;
    if (!h)
        return 0;
    switch (opcode)
    {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetTime:
        return h->answerTimeInfo ? reinterpret_cast<VstIntPtr>(&h->time) : 0;
    case audioMasterAutomate:
        h->automated.emplace_back(index, opt);
        return 0;
    case audioMasterProcessEvents:
    {
        ++h->processEventsCalls;
        const auto* events = static_cast<const VstEvents*>(ptr);
        for (int i = 0; events && i < events->numEvents; ++i)
        {
            const auto* m = reinterpret_cast<const VstMidiEvent*>(eventAt(*events, i));
            h->midiOut.push_back({h->frame + m->deltaFrames,
                                  static_cast<unsigned char>(m->midiData[0]),
                                  static_cast<unsigned char>(m->midiData[1]),
                                  static_cast<unsigned char>(m->midiData[2])});
        }
        return 1;
    }
    default:
        return 0;
    }
}

void EngineHarness::queueMidi(int offset, int status, int data1, int data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = offset;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    pendingMidi.push_back(e);
}

void EngineHarness::play(double ppq)
{
    time.ppqPos = ppq;
    time.flags |= kVstTransportPlaying;
    changePending = true;
}

void EngineHarness::stop()
{
    time.flags &= ~kVstTransportPlaying;
    changePending = true;
}

void EngineHarness::locate(double ppq)
{
    time.ppqPos = ppq;
    changePending = true;
}

std::vector<float> EngineHarness::render(int frames, int blockSize)
{
    std::vector<float> left(frames, 0.0f);
    lastRight.assign(frames, 0.0f);
    renderInto(left.data(), lastRight.data(), frames, blockSize);
    return left;
}

void EngineHarness::renderInto(float* left, float* right, int frames, int blockSize)
{
    for (int done = 0; done < frames;)
    {
        const int n = std::min(blockSize, frames - done);
        time.flags = changePending ? (time.flags | kVstTransportChanged)
                                   : (time.flags & ~kVstTransportChanged);
        changePending = false;
        if (!pendingMidi.empty())
        {
            const std::size_t bytes = sizeof(VstEvents) + pendingMidi.size() * sizeof(VstEvent*);
            if (eventList.size() < bytes)
                eventList.resize(bytes);
            auto* events = reinterpret_cast<VstEvents*>(eventList.data());
            events->numEvents = static_cast<VstInt32>(pendingMidi.size());
            for (std::size_t i = 0; i < pendingMidi.size(); ++i)
                events->events[i] = reinterpret_cast<VstEvent*>(&pendingMidi[i]);
            synth->processEvents(events);
            pendingMidi.clear();
        }
        const std::size_t stepsBefore = recorder->steps.size();
        float* outputs[2] = {left + done, right + done};
        synth->processReplacing(nullptr, outputs, n);
        if (n == 1)
            for (std::size_t s = stepsBefore; s < recorder->steps.size(); ++s)
                stepFrames.push_back(frame);
        frame += n;
        if (time.flags & kVstTransportPlaying)
            time.ppqPos += n / time.sampleRate * time.tempo / 60.0;
        time.samplePos += n;
        done += n;
    }
}

double dominantFrequency(const std::vector<float>& signal, double sampleRate, double minHz,
                         double maxHz)
{
    const int minLag = static_cast<int>(sampleRate / maxHz);
    const int maxLag = static_cast<int>(sampleRate / minHz) + 1;
    const int n = static_cast<int>(signal.size()) - maxLag - 1;
    std::vector<double> r(maxLag + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag)
    {
        double sum = 0.0, e1 = 0.0, e2 = 0.0;
        for (int i = 0; i < n; ++i)
        {
            sum += signal[i] * signal[i + lag];
            e1 += signal[i] * signal[i];
            e2 += signal[i + lag] * signal[i + lag];
        }
        r[lag] = sum / std::sqrt(e1 * e2 + 1e-30);
    }
    // The first lag whose correlation is near the best avoids picking a multiple of the period.
    double best = -2.0;
    for (int lag = minLag; lag <= maxLag; ++lag)
        best = std::max(best, r[lag]);
    int chosen = minLag;
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (r[lag] >= 0.95 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1])
        {
            chosen = lag;
            break;
        }
    const double a = r[chosen - 1], b = r[chosen], c = r[chosen + 1];
    const double denom = a - 2.0 * b + c;
    const double shift = denom != 0.0 ? 0.5 * (a - c) / denom : 0.0;
    return sampleRate / (chosen + shift);
}

bool allFinite(const std::vector<float>& signal)
{
    return std::all_of(signal.begin(), signal.end(), [](float v) { return std::isfinite(v); });
}

float peakOf(const std::vector<float>& signal, std::size_t from, std::size_t to)
{
    float peak = 0.0f;
    for (std::size_t i = from; i < std::min(to, signal.size()); ++i)
        peak = std::max(peak, std::fabs(signal[i]));
    return peak;
}

} // namespace quelvar
