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
    reported.reserve(RecordingEditor::kRoom);
    time.sampleRate = sampleRate;
    time.tempo = 120.0;
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
                                      VstIntPtr /*value*/, void* /*ptr*/, float opt)
{
    EngineHarness* h = effect && effect->resvd1 ? reinterpret_cast<EngineHarness*>(effect->resvd1)
                                                : constructing;
    if (h && opcode == audioMasterAutomate)
        h->automated.emplace_back(index, opt);
    return 0;
}

void EngineHarness::queueMidi(int offset, int status, int data1, int data2)
{
    BlockMidi m;
    m.frame = offset;
    m.bytes = {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
               static_cast<std::uint8_t>(data2)};
    input.midi.add(m);
}

void EngineHarness::play(double ppq)
{
    time.ppqPosition = ppq;
    time.playing = true;
    changePending = true;
}

void EngineHarness::stop()
{
    time.playing = false;
    changePending = true;
}

void EngineHarness::locate(double ppq)
{
    time.ppqPosition = ppq;
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
        input.frames = n;
        input.time = time;
        input.time.transportChanged = changePending;
        changePending = false;
        output.left = left + done;
        output.right = right + done;
        const std::size_t stepsBefore = recorder->steps.size();
        synth->render(input, output);
        input.clear();
        for (const BlockMidi& m : output.midi)
            midiOut.push_back({frame + m.frame, m.bytes[0], m.bytes[1], m.bytes[2]});
        for (const ParameterReport& r : output.reports)
        {
            if (r.fromController)
                automated.emplace_back(r.slot, r.value);
            reported.emplace_back(r.slot, r.value);
        }
        if (n == 1)
            for (std::size_t s = stepsBefore; s < recorder->steps.size(); ++s)
                stepFrames.push_back(frame);
        frame += n;
        if (time.playing)
            time.ppqPosition += n / time.sampleRate * time.tempo / 60.0;
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
