// The plugin's only exported symbol: builds one engine, its shared block and its editor per call.
#include "bridge/SharedBlock.h"
#include "bridge/leftoverFiles.h"
#include "engine/Palladon.h"
#include "plugin/Fennick3Editor.h"

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
        std::unique_ptr<quelvar::SharedBlock> block = quelvar::SharedBlock::create();
        const quelvar::SharedBlock* editorBlock = block.get();
        engine->attachSharedBlock(std::move(block));
        engine->attachEditor(new (std::nothrow) quelvar::Fennick3Editor(
            engine.get(), editorBlock,
            std::span<const std::uint8_t>(quelvarUiBytes, quelvarUiLength)));
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
