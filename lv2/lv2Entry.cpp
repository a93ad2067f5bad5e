// The DSP object's only exported symbol: the descriptor whose entries forward to Lv2Plugin.
// No exception leaves an entry.
#include "bridge/leftoverFiles.h"
#include "lv2/Lv2Plugin.h"
#include "lv2/editorInterface.h"
#include "lv2/lv2Uris.h"

#include <lv2/core/lv2.h>

#include <cstring>

// The UI program's bytes, placed in the plugin by the build (empty in a build without Qt).
extern "C" __attribute__((visibility("hidden"))) const std::uint8_t quelvarUiBytes[];
extern "C" __attribute__((visibility("hidden"))) const std::uint32_t quelvarUiLength;

namespace
{
using quelvar::Lv2Plugin;

Lv2Plugin* self(LV2_Handle instance)
{
    return static_cast<Lv2Plugin*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double sampleRate,
                       const char* /*bundlePath*/, const LV2_Feature* const* features)
{
    quelvar::bridge::removeLeftoversOnce();
    return Lv2Plugin::create(sampleRate, features,
                             std::span<const std::uint8_t>(quelvarUiBytes, quelvarUiLength));
}

void connectPort(LV2_Handle instance, uint32_t port, void* data)
{
    self(instance)->connectPort(port, data);
}

void activate(LV2_Handle instance)
{
    try
    {
        self(instance)->activate();
    }
    catch (...)
    {
    }
}

void run(LV2_Handle instance, uint32_t frames)
{
    self(instance)->run(frames);
}

void deactivate(LV2_Handle instance)
{
    self(instance)->deactivate();
}

void cleanup(LV2_Handle instance)
{
    delete self(instance);
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t /*flags*/, const LV2_Feature* const* /*features*/)
{
    try
    {
        return self(instance)->save(store, handle);
    }
    catch (...)
    {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t /*flags*/,
                         const LV2_Feature* const* /*features*/)
{
    try
    {
        return self(instance)->restore(retrieve, handle);
    }
    catch (...)
    {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

uint32_t getOptions(LV2_Handle /*instance*/, LV2_Options_Option* /*options*/)
{
    return LV2_OPTIONS_ERR_UNKNOWN;
}

uint32_t setOptions(LV2_Handle instance, const LV2_Options_Option* options)
{
    try
    {
        return self(instance)->setOptions(options);
    }
    catch (...)
    {
        return LV2_OPTIONS_ERR_UNKNOWN;
    }
}

void editorSize(LV2_Handle instance, int* width, int* height)
{
    self(instance)->editorSize(*width, *height);
}

int openEditor(LV2_Handle instance, unsigned long window)
{
    try
    {
        return self(instance)->openEditor(window) ? 1 : 0;
    }
    catch (...)
    {
        return 0;
    }
}

void closeEditor(LV2_Handle instance)
{
    self(instance)->closeEditor();
}

int nextPortChange(LV2_Handle instance, std::uint32_t* port, float* value)
{
    return self(instance)->nextPortChange(*port, *value) ? 1 : 0;
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state = {save, restore};
    static const LV2_Options_Interface options = {getOptions, setOptions};
    static const quelvar::Lv2EditorInterface editor = {editorSize, openEditor, closeEditor,
                                                       nextPortChange};
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    if (std::strcmp(uri, LV2_OPTIONS__interface) == 0)
        return &options;
    if (std::strcmp(uri, quelvar::kLv2EditorInterfaceUri) == 0)
        return &editor;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    quelvar::kLv2PluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
    extensionData};
} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
