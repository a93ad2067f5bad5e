// The module's exports, the only symbols it shows: the factory and the entry and exit a Linux host
// calls around it. No exception leaves them.
#include "bridge/leftoverFiles.h"
#include "vst3/Vst3Factory.h"

// The UI program's bytes, placed in the module by the build (empty in a build without Qt).
extern "C" __attribute__((visibility("hidden"))) const std::uint8_t quelvarUiBytes[];
extern "C" __attribute__((visibility("hidden"))) const std::uint32_t quelvarUiLength;

extern "C"
{
    __attribute__((visibility("default"))) quelvar::vst3::IPluginFactory* GetPluginFactory()
    {
        quelvar::bridge::removeLeftoversOnce();
        auto& factory = quelvar::vst3::Vst3Factory::instance();
        factory.setUiProgram(std::span<const std::uint8_t>(quelvarUiBytes, quelvarUiLength));
        return &factory;
    }

    // Nothing to set up or tear down: every instance owns what it uses.
    __attribute__((visibility("default"))) bool ModuleEntry(void* /*sharedLibraryHandle*/)
    {
        return true;
    }

    __attribute__((visibility("default"))) bool ModuleExit()
    {
        return true;
    }
}
