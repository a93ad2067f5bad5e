// The plugin's only exported symbol: builds one engine, its shared block and its editor per call.
#include "bridge/Fennick3Editor.h"
#include "bridge/leftoverFiles.h"
#include "engine/Palladon.h"

#include <cstdint>
#include <memory>
#include <new>
#include <span>

// The UI program's bytes, placed in the plugin by the build (empty in a build without Qt).
extern "C" __attribute__((visibility("hidden"))) const std::uint8_t quelvarUiBytes[];
extern "C" __attribute__((visibility("hidden"))) const std::uint32_t quelvarUiLength;

AudioEffect* createEffectInstance(audioMasterCallback hostCallback)
{
    try
    {
        std::unique_ptr<quelvar::Palladon> engine(
            new (std::nothrow) quelvar::Palladon(hostCallback, quelvar::Flavour::plugin));
        if (!engine)
            return nullptr;
        quelvar::attachOutOfProcessEditor(
            *engine, std::span<const std::uint8_t>(quelvarUiBytes, quelvarUiLength));
        return engine.release();
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
    quelvar::bridge::removeLeftoversOnce();
    AudioEffect* effect = createEffectInstance(hostCallback);
    return effect ? effect->getAeffect() : nullptr;
}
