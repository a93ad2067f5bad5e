#include "dsp/MpscRing.h"
#include "dsp/SpscRing.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

using namespace quelvar;

namespace
{
struct Tagged
{
    int producer;
    int sequence;
};

// Pushes `count` values in order, retrying while the ring is full.
template <typename Ring> void pushAll(Ring& ring, int producer, int count)
{
    for (int i = 0; i < count;)
        if (ring.push(Tagged{producer, i}))
            ++i;
        else
            std::this_thread::yield();
}

// Pops until every producer has delivered `count` values; false at the first value out of order.
template <typename Ring> bool popAllInOrder(Ring& ring, int producers, int count)
{
    std::vector<int> next(static_cast<std::size_t>(producers), 0);
    int received = 0;
    while (received < producers * count)
    {
        Tagged t{};
        if (!ring.pop(t))
        {
            std::this_thread::yield();
            continue;
        }
        int& expected = next[static_cast<std::size_t>(t.producer)];
        if (t.sequence != expected)
            return false;
        ++expected;
        ++received;
    }
    return true;
}

template <typename Ring> class BoundedRing : public testing::Test
{
};

// A capacity that is no power of two, as the engine event queue's 254.
using Rings = testing::Types<SpscRing<int, 5>, MpscRing<int, 5>>;
TYPED_TEST_SUITE(BoundedRing, Rings);
} // namespace

TYPED_TEST(BoundedRing, HoldsItsCapacityInOrderAcrossManyLaps)
{
    TypeParam ring;
    int nextIn = 0;
    int nextOut = 0;
    for (int lap = 0; lap < 7; ++lap)
    {
        while (ring.push(nextIn))
            ++nextIn;
        EXPECT_EQ(ring.size(), 5u);
        EXPECT_FALSE(ring.push(-1));
        // Take part of what waits, so the next lap starts mid-ring.
        for (int i = 0; i < 3; ++i)
        {
            int v = -1;
            ASSERT_TRUE(ring.pop(v));
            EXPECT_EQ(v, nextOut++);
        }
    }
    int v = -1;
    while (ring.pop(v))
        EXPECT_EQ(v, nextOut++);
    EXPECT_EQ(nextOut, nextIn);
    EXPECT_EQ(ring.size(), 0u);
}

TEST(SpscRing, ClearDropsWhatWaitsAndLeavesRoomForMore)
{
    SpscRing<int, 3> ring;
    ASSERT_TRUE(ring.push(1));
    ASSERT_TRUE(ring.push(2));
    ring.clear();
    int v = 0;
    EXPECT_FALSE(ring.pop(v));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ring.push(10 + i));
    ASSERT_TRUE(ring.pop(v));
    EXPECT_EQ(v, 10);
}

TEST(SpscRing, OneProducerOneConsumerLoseNothing)
{
    SpscRing<Tagged, 63> ring;
    std::thread producer([&ring] { pushAll(ring, 0, 200000); });
    EXPECT_TRUE(popAllInOrder(ring, 1, 200000));
    producer.join();
}

TEST(MpscRing, ConcurrentProducersLoseNothingAndKeepTheirOwnOrder)
{
    MpscRing<Tagged, 7> ring;
    constexpr int kProducers = 3;
    constexpr int kEach = 50000;
    std::array<std::thread, kProducers> producers;
    for (int p = 0; p < kProducers; ++p)
        producers[static_cast<std::size_t>(p)] =
            std::thread([&ring, p] { pushAll(ring, p, kEach); });
    EXPECT_TRUE(popAllInOrder(ring, kProducers, kEach));
    for (std::thread& t : producers)
        t.join();
    Tagged t{};
    EXPECT_FALSE(ring.pop(t));
}
