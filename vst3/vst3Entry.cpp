// The module's exports, the only symbols it shows: the factory and the entry and exit a Linux host
// calls around it. No exception leaves them.
#include "vst3/Vst3Factory.h"

extern "C"
{
__attribute__((visibility("default"))) quelvar::vst3::IPluginFactory* GetPluginFactory()
{
    return &quelvar::vst3::Vst3Factory::instance();
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
