// The editor inside the host's X11 window: the same out-of-process panel the other formats open.
// Its work runs on the host's run loop, from the frame (or the host's context): the panel's
// commands are applied, a size the panel chose is asked of the frame, and the slots the panel
// moved go to the host's component handler, all on the host's UI thread. A host without a run
// loop gets the panel polled by the editor's own thread, and hears of its moves from none.
// Holds a reference to its plugin, so it may outlive the host's own. UI thread only.
#pragma once

#include "vst3/RunLoopTimer.h"
#include "vst3/Vst3Interface.h"

#include <atomic>

namespace quelvar
{
class Fennick3Editor;
}

namespace quelvar::vst3
{

class Vst3Plugin;

class Vst3View final : public IPlugView
{
public:
    Vst3View(Vst3Plugin& plugin, Fennick3Editor& editor);

    tresult queryInterface(const TUID interfaceId, void** object) override;
    uint32 addRef() override;
    uint32 release() override;

    tresult isPlatformTypeSupported(FIDString type) override;
    tresult attached(void* parent, FIDString type) override;
    tresult removed() override;
    tresult onWheel(float /*distance*/) override { return kResultFalse; }
    tresult onKeyDown(char16, int16, int16) override { return kResultFalse; }
    tresult onKeyUp(char16, int16, int16) override { return kResultFalse; }
    tresult getSize(ViewRect* size) override;
    tresult onSize(ViewRect* newSize) override;
    tresult onFocus(TBool /*state*/) override { return kResultOk; }
    tresult setFrame(IPlugFrame* frame) override;
    // The panel's sizes are chosen in the panel, which asks the frame for them.
    tresult canResize() override { return kResultFalse; }
    tresult checkSizeConstraint(ViewRect* rect) override;

private:
    ~Vst3View();
    static void poll(void* view);

    std::atomic<uint32> references{1};
    Vst3Plugin& plugin;
    Fennick3Editor& editor;
    IPlugFrame* frame = nullptr; // the host's, for as long as it says
    bool isAttached = false;
    RunLoopTimer timer;
};

} // namespace quelvar::vst3
