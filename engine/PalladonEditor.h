// What the engine tells its editor. Each deliverable attaches its own editor after building the
// engine, so the engine never names a concrete editor class. processStep and sendMidiMessage are
// called on the audio thread and must not block or allocate.
#pragma once

#include "vst2/AEffEditor.h"

namespace quelvar
{

class PalladonEditor : public AEffEditor
{
public:
    using AEffEditor::AEffEditor;

    virtual void setParameter(int index, float value) = 0;
    virtual void updateDisplay() = 0;
    virtual void processStep(int step) = 0;
    virtual void sendMidiMessage(int status, int data1, int data2) = 0;
    // The distortion type changed; told whether the editor is open or not.
    virtual void setDistortionType(int type) = 0;
};

} // namespace quelvar
