// The render mode: loads the plugin, restores files and parameters, plays the host transport
// with any MIDI file, and writes audio and the MIDI the plugin sent. Offline use.
#pragma once

#include "renderOptions.h"

namespace quelvar
{

// The exit status: 0 done, 1 a file or the plugin failed, 2 an argument the plugin refuses.
int runRender(const RenderOptions& options);

} // namespace quelvar
