// What the UI object asks of the DSP object, through instance-access and data-access: open the
// same out-of-process editor the VST plugin shows inside the host's window, close it, and hand
// over the control ports the panel moved, so the host's controls and automation follow. Plain C
// layout, as it crosses between the two shared objects. Every entry runs on the host's UI thread.
#pragma once

#include <lv2/core/lv2.h>

#include <cstdint>

namespace quelvar
{

inline constexpr const char* kLv2EditorInterfaceUri =
    "https://brontavell.example/quelvar/lv2#editor";

struct Lv2EditorInterface
{
    // The editor's size in pixels, at the size last chosen in the panel's menu.
    void (*size)(LV2_Handle instance, int* width, int* height);
    // Shows the editor inside the X11 window; 1 when it was opened.
    int (*open)(LV2_Handle instance, unsigned long window);
    void (*close)(LV2_Handle instance);
    // One control port the panel moved since the last call, with its new value; 0 when none.
    int (*nextPortChange)(LV2_Handle instance, std::uint32_t* port, float* value);
};

} // namespace quelvar
