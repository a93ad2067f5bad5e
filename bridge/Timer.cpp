#include "bridge/Timer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <thread>

namespace quelvar
{

namespace
{
// The notification thread may start after its Timer was destroyed, so the value it carries is
// the index of a slot that lives as long as the library, never the Timer's address. A thread
// counts itself in before it looks at the slot's timer; the destructor clears the slot and waits
// for the count to fall to zero, after which no thread can reach the Timer.
struct Slot
{
    std::atomic<Timer*> timer{nullptr};
    std::atomic<int> inflight{0};
};
constexpr int kSlots = 1024;
Slot slots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

void waitUntilIdle(const Slot& s)
{
    while (s.inflight.load() > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void reportCreationFailure(int error)
{
    std::printf("timer creation failed err = %d\n", error);
    if (error == ENOMEM)
        std::printf("Could not allocate memory. \n");
    else if (error == EINVAL)
        std::printf(
            "Clock ID, sigev_notify, sigev_signo, or sigev_notify_thread_id is invalid. \n");
    else if (error == EAGAIN)
        std::printf("Temporary error during kernel allocation of timer structures. \n");
    std::fflush(stdout);
}
} // namespace

Timer::Timer()
{
    for (int i = 0; i < kSlots && slot < 0; ++i)
    {
        Timer* expected = nullptr;
        if (slots[i].timer.compare_exchange_strong(expected, this))
            slot = i;
    }
    if (slot < 0)
    {
        reportCreationFailure(EAGAIN);
        return;
    }
    struct sigevent event
    {
    };
    event.sigev_notify = SIGEV_THREAD;
    event.sigev_notify_function = &Timer::notify;
    event.sigev_value.sival_int = slot;
    if (timer_create(CLOCK_REALTIME, &event, &handle) != 0)
    {
        reportCreationFailure(errno);
        slots[slot].timer.store(nullptr);
        slot = -1;
        return;
    }
    created = true;
}

Timer::~Timer()
{
    stop();
    if (created)
        timer_delete(handle);
    if (slot >= 0)
    {
        slots[slot].timer.store(nullptr);
        waitUntilIdle(slots[slot]);
    }
}

bool Timer::start(int ms)
{
    if (!created || ms <= 0)
        return false;
    struct itimerspec period
    {
    };
    period.it_value.tv_sec = ms / 1000;
    period.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    period.it_interval = period.it_value;
    armed.store(true);
    return timer_settime(handle, 0, &period, nullptr) == 0;
}

void Timer::stop()
{
    armed.store(false);
    if (created)
    {
        struct itimerspec zero
        {
        };
        timer_settime(handle, 0, &zero, nullptr);
    }
    if (slot >= 0 && callbackThread.load(std::memory_order_relaxed) != std::this_thread::get_id())
        waitUntilIdle(slots[slot]);
}

void Timer::callback()
{
    if (!callbackFunction || !userData)
        return;
    // A poll that outlasts the period (a long file import) makes the next expiries skip.
    if (running.exchange(true, std::memory_order_acquire))
        return;
    callbackThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    callbackFunction(userData);
    callbackThread.store(std::thread::id(), std::memory_order_relaxed);
    running.store(false, std::memory_order_release);
}

void Timer::notify(::sigval value)
{
    Slot& s = slots[value.sival_int];
    s.inflight.fetch_add(1);
    Timer* timer = s.timer.load();
    if (timer && timer->armed.load())
        timer->callback();
    s.inflight.fetch_sub(1);
}

} // namespace quelvar
