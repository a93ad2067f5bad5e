// Base of a VST 2 plugin: owns the plugin record and maps the core dispatcher opcodes
// onto virtual methods. The static trampolines let no exception reach the host.
#pragma once

#include "vst2/AEffEditor.h"
#include "vst2/VstInterface.h"

class AudioEffect
{
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }

    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                        VstInt32 /*frames*/)
    {
    }

    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    // Applies the change, then tells the host so it can record automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { name[0] = 0; }

    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { text[0] = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { text[0] = 0; }

    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/)
    {
        return 0;
    }

    void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }

    // Takes ownership: the base class deletes the editor.
    virtual void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() { return editor; }

    AEffect* getAeffect() { return &cEffect; }
    audioMasterCallback getAudioMaster() const { return audioMaster; }
    VstInt32 getMasterVersion();

    static AudioEffect* fromAeffect(AEffect* effect);
    static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
    static float getParameterClass(AEffect* e, VstInt32 index);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 frames);
    static void processReplacingClass(AEffect* e, float** inputs, float** outputs,
                                      VstInt32 frames);
    static void processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 frames);

protected:
    void setFlag(VstInt32 flag, bool state)
    {
        cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
    }
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 curProgram = 0;
    AEffect cEffect{};
};
