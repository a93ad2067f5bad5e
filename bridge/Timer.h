// A POSIX interval timer whose expiries run a callback on a notification thread. The callback
// never runs twice at once (an expiry that finds it running is skipped), and once stop() or the
// destructor returns it is not running and will not start again until the next start().
#pragma once

#include <atomic>
#include <csignal>
#include <ctime>
#include <thread>

namespace quelvar
{

class Timer
{
public:
    using Callback = void (*)(void* userData);

    // Creates the timer, unarmed, with no callback; prints the reason when the system refuses.
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Set before start(); not while the timer runs.
    void setCallback(Callback function, void* data)
    {
        callbackFunction = function;
        userData = data;
    }
    // First expiry and period are both `ms` milliseconds.
    bool start(int ms);
    // Disarms, then waits for a running callback to finish (unless called from that callback).
    void stop();
    // What each expiry runs: the callback with its user data, when both are set.
    void callback();

    bool valid() const { return created; }

private:
    static void notify(::sigval value);

    timer_t handle{};
    bool created = false;
    int slot = -1; // the notification value: a slot in a static table, see Timer.cpp
    Callback callbackFunction = nullptr;
    void* userData = nullptr;
    std::atomic<bool> armed{false};
    std::atomic<bool> running{false};
    // The thread running the callback: stop() from inside it must not wait for itself. Not a
    // thread_local: the library then keeps no dynamic TLS that could outlive its unloading.
    std::atomic<std::thread::id> callbackThread{};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

} // namespace quelvar
