// A timer on the host's run loop (Linux): the host calls back on its UI thread, where a plugin
// does its UI-side work and calls the host's component handler. UI thread only.
#pragma once

#include "vst3/Vst3Interface.h"

namespace quelvar::vst3
{

class RunLoopTimer final : public ITimerHandler
{
public:
    using Callback = void (*)(void* user);
    RunLoopTimer(Callback callback, void* user) : callback(callback), user(user) {}
    ~RunLoopTimer() { stop(); }
    RunLoopTimer(const RunLoopTimer&) = delete;
    RunLoopTimer& operator=(const RunLoopTimer&) = delete;

    // Holds a reference to the run loop while running; false when the loop refuses the timer.
    bool start(IRunLoop* loop, TimerInterval milliseconds)
    {
        stop();
        if (!loop || loop->registerTimer(this, milliseconds) != kResultOk)
            return false;
        loop->addRef();
        runLoop = loop;
        return true;
    }

    void stop()
    {
        if (!runLoop)
            return;
        runLoop->unregisterTimer(this);
        runLoop->release();
        runLoop = nullptr;
    }

    bool running() const { return runLoop != nullptr; }

    // Owned by its holder, which stops it before it goes: references count nothing.
    tresult queryInterface(const TUID interfaceId, void** object) override
    {
        if (!object)
            return kInvalidArgument;
        if (FUnknown::iid == interfaceId || ITimerHandler::iid == interfaceId)
        {
            *object = static_cast<ITimerHandler*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    void onTimer() override { callback(user); }

private:
    Callback callback;
    void* user;
    IRunLoop* runLoop = nullptr;
};

} // namespace quelvar::vst3
