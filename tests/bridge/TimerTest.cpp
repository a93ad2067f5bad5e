#include "bridge/Timer.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace quelvar;
using namespace std::chrono_literals;

namespace
{
struct Probe
{
    std::atomic<int> calls{0};
    std::atomic<int> inside{0};
    std::atomic<int> mostAtOnce{0};
    std::chrono::milliseconds work{0};
};

void probeCallback(void* data)
{
    auto& p = *static_cast<Probe*>(data);
    const int now = p.inside.fetch_add(1) + 1;
    int most = p.mostAtOnce.load();
    while (now > most && !p.mostAtOnce.compare_exchange_weak(most, now))
    {
    }
    std::this_thread::sleep_for(p.work);
    p.calls.fetch_add(1);
    p.inside.fetch_sub(1);
}
} // namespace

TEST(Timer, RunsEveryPeriodUntilStopped)
{
    Probe probe;
    Timer timer;
    ASSERT_TRUE(timer.valid());
    timer.setCallback(&probeCallback, &probe);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(timer.start(10));
    std::this_thread::sleep_for(300ms);
    timer.stop();
    const auto ran = std::chrono::steady_clock::now() - start;
    const int counted = probe.calls.load();
    // A loaded machine may run it late, never more often than its period.
    EXPECT_GE(counted, 3);
    EXPECT_LE(counted, ran / 10ms + 1);
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(probe.calls.load(), counted) << "ran after stop()";
}

TEST(Timer, SlowCallbackNeverOverlapsItself)
{
    Probe probe;
    probe.work = 35ms;
    Timer timer;
    timer.setCallback(&probeCallback, &probe);
    ASSERT_TRUE(timer.start(5));
    std::this_thread::sleep_for(300ms);
    timer.stop();
    EXPECT_GE(probe.calls.load(), 3);
    EXPECT_EQ(probe.mostAtOnce.load(), 1);
}

TEST(Timer, StopAndDestructionWaitForARunningCallback)
{
    for (int round = 0; round < 2; ++round)
    {
        Probe probe;
        probe.work = 80ms;
        {
            Timer timer;
            timer.setCallback(&probeCallback, &probe);
            ASSERT_TRUE(timer.start(5));
            while (probe.inside.load() == 0)
                std::this_thread::sleep_for(1ms);
            if (round == 0)
                timer.stop();
        }
        EXPECT_EQ(probe.inside.load(), 0);
        EXPECT_GE(probe.calls.load(), 1);
    }
}
