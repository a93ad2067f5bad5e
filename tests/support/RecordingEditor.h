// An editor that records every notice the engine sends it, for tests.
#pragma once

#include "engine/PalladonEditor.h"

#include <array>
#include <utility>
#include <vector>

namespace quelvar
{

class RecordingEditor : public PalladonEditor
{
public:
    // Room enough that recording never allocates inside a test's no-allocation scope.
    RecordingEditor()
    {
        parameters.reserve(kRoom);
        steps.reserve(kRoom);
        midi.reserve(kRoom);
        distortionTypes.reserve(kRoom);
    }

    void setParameter(int index, float value) override { parameters.emplace_back(index, value); }
    void updateDisplay() override { ++displayUpdates; }
    void processStep(int step) override { steps.push_back(step); }
    void sendMidiMessage(int status, int data1, int data2) override
    {
        midi.push_back({status, data1, data2});
    }
    void setDistortionType(int type) override { distortionTypes.push_back(type); }

    static constexpr std::size_t kRoom = 1 << 16;
    std::vector<std::pair<int, float>> parameters;
    int displayUpdates = 0;
    std::vector<int> steps;
    std::vector<std::array<int, 3>> midi;
    std::vector<int> distortionTypes;
};

} // namespace quelvar
