// Base of a plugin editor: the effect it edits and the host's window while open.
// Called on the host's UI thread.
#pragma once

#include "vst2/VstInterface.h"

class AudioEffect;

class AEffEditor
{
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual bool getRect(ERect** rect)
    {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* window)
    {
        systemWindow = window;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}

    AudioEffect* getEffect() { return effect; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
