#include "vst2/AudioEffect.h"

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                         VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCharacters('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingClass;
    cEffect.processDoubleReplacing = processDoubleReplacingClass;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt)
{
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion()
{
    const VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt)
{
    switch (opcode)
    {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value < numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr)
            setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        return editor && ptr && editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        return editor && editor->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return ptr && value > 0 ? setChunk(ptr, static_cast<VstInt32>(value), index != 0) : 0;
    default:
        return 0;
    }
}

AudioEffect* AudioEffect::fromAeffect(AEffect* effect)
{
    if (!effect || effect->magic != kEffectMagic)
        return nullptr;
    return static_cast<AudioEffect*>(effect->object);
}

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt)
{
    AudioEffect* effect = fromAeffect(e);
    if (!effect)
        return 0;
    try
    {
        if (opcode == effClose)
        {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    }
    catch (...)
    {
        return 0;
    }
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index)
{
    AudioEffect* effect = fromAeffect(e);
    try
    {
        return effect ? effect->getParameter(index) : 0.0f;
    }
    catch (...)
    {
        return 0.0f;
    }
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value)
{
    AudioEffect* effect = fromAeffect(e);
    try
    {
        if (effect)
            effect->setParameter(index, value);
    }
    catch (...)
    {
    }
}

// The deprecated accumulating entry renders exactly like the replacing one.
void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 frames)
{
    processReplacingClass(e, inputs, outputs, frames);
}

void AudioEffect::processReplacingClass(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 frames)
{
    AudioEffect* effect = fromAeffect(e);
    if (!effect || !outputs || frames <= 0)
        return;
    try
    {
        effect->processReplacing(inputs, outputs, frames);
    }
    catch (...)
    {
    }
}

void AudioEffect::processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 frames)
{
    AudioEffect* effect = fromAeffect(e);
    if (!effect || !outputs || frames <= 0)
        return;
    try
    {
        effect->processDoubleReplacing(inputs, outputs, frames);
    }
    catch (...)
    {
    }
}
