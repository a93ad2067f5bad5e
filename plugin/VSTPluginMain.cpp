#include "vst2/VstInterface.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback)
{
    return nullptr;
}
