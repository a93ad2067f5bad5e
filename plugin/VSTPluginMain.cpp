// The plugin's only exported symbol: builds one engine per call.
#include "engine/Palladon.h"

#include <new>

AudioEffect* createEffectInstance(audioMasterCallback hostCallback)
{
    try
    {
        return new (std::nothrow) quelvar::Palladon(hostCallback, quelvar::Flavour::plugin);
    }
    catch (...)
    {
        return nullptr;
    }
}

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(
    audioMasterCallback hostCallback)
{
    if (!hostCallback || hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    AudioEffect* effect = createEffectInstance(hostCallback);
    return effect ? effect->getAeffect() : nullptr;
}
