#include "vst3/Vst3View.h"

#include "bridge/Fennick3Editor.h"
#include "vst3/Vst3Plugin.h"

#include <cstring>

namespace quelvar::vst3
{

namespace
{
// As often as the editor's own poll thread would run.
constexpr TimerInterval kPollMs = 10;
} // namespace

Vst3View::Vst3View(Vst3Plugin& plugin, Fennick3Editor& editor)
    : plugin(plugin), editor(editor), timer(&Vst3View::poll, this)
{
    plugin.addRef();
}

Vst3View::~Vst3View()
{
    removed();
    plugin.release();
}

tresult Vst3View::queryInterface(const TUID interfaceId, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (FUnknown::iid == interfaceId || IPlugView::iid == interfaceId)
    {
        *object = static_cast<IPlugView*>(this);
        addRef();
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

uint32 Vst3View::addRef()
{
    return references.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32 Vst3View::release()
{
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

tresult Vst3View::isPlatformTypeSupported(FIDString type)
{
    return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue
                                                                         : kResultFalse;
}

tresult Vst3View::attached(void* parent, FIDString type)
{
    if (!parent || isPlatformTypeSupported(type) != kResultTrue)
        return kResultFalse;
    if (isAttached)
        removed();
    // The frame's run loop, as the interface has it; some hosts offer theirs on the context.
    IRunLoop* loop = nullptr;
    void* found = nullptr;
    if (frame && frame->queryInterface(IRunLoop::iid.bytes, &found) == kResultOk && found)
        loop = static_cast<IRunLoop*>(found);
    else if ((loop = plugin.hostRunLoop()))
        loop->addRef();
    editor.pollOnHostLoop(loop != nullptr);
    editor.open(parent);
    if (loop)
    {
        timer.start(loop, kPollMs);
        loop->release();
    }
    isAttached = true;
    return kResultOk;
}

tresult Vst3View::removed()
{
    if (!isAttached)
        return kResultFalse;
    timer.stop();
    editor.close();
    isAttached = false;
    return kResultOk;
}

tresult Vst3View::getSize(ViewRect* size)
{
    if (!size)
        return kInvalidArgument;
    ERect* rect = nullptr;
    if (!editor.getRect(&rect) || !rect)
        return kResultFalse;
    *size = {0, 0, rect->right - rect->left, rect->bottom - rect->top};
    return kResultOk;
}

// The host sets the size asked for, or keeps its own: the panel keeps its scale either way.
tresult Vst3View::onSize(ViewRect* newSize)
{
    return newSize ? kResultOk : kInvalidArgument;
}

tresult Vst3View::checkSizeConstraint(ViewRect* rect)
{
    if (!rect)
        return kInvalidArgument;
    ViewRect size{};
    if (getSize(&size) != kResultOk)
        return kResultFalse;
    rect->right = rect->left + size.right;
    rect->bottom = rect->top + size.bottom;
    return kResultOk;
}

tresult Vst3View::setFrame(IPlugFrame* newFrame)
{
    frame = newFrame;
    return kResultOk;
}

// The host's UI thread, every 10 ms while attached.
void Vst3View::poll(void* view)
{
    auto& self = *static_cast<Vst3View*>(view);
    self.editor.processMessageFromUI();
    int width = 0;
    int height = 0;
    if (self.editor.takeNewSize(width, height) && self.frame)
    {
        ViewRect size{0, 0, width, height};
        self.frame->resizeView(&self, &size);
    }
    self.plugin.serviceHost();
}

} // namespace quelvar::vst3
