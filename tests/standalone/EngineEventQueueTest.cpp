#include "standalone/EngineEventQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quelvar
{

namespace
{
std::uint32_t noteOn(int note)
{
    return 0x90u | static_cast<std::uint32_t>(note & 0x7F) << 8 | 100u << 16;
}

int byteOf(const VstEvent* e, int i)
{
    return static_cast<unsigned char>(reinterpret_cast<const VstMidiEvent*>(e)->midiData[i]);
}
} // namespace

TEST(EngineEventQueue, HoldsAtMost254AndDeliversThemInOrderAtFrameZero)
{
    EngineEventQueue queue;
    int accepted = 0;
    for (int i = 0; i < 300; ++i)
        accepted += queue.push(noteOn(i)) ? 1 : 0;
    EXPECT_EQ(accepted, 254);
    EXPECT_TRUE(queue.overflowed());

    VstEvents* list = queue.drain();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->numEvents, 254);
    for (int i = 0; i < list->numEvents; ++i)
    {
        const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
        EXPECT_EQ(e->type, kVstMidiType);
        EXPECT_EQ(e->byteSize, 32);
        EXPECT_EQ(e->flags, kVstMidiEventIsRealtime);
        EXPECT_EQ(e->deltaFrames, 0);
        EXPECT_EQ(byteOf(list->events[i], 0), 0x90);
        EXPECT_EQ(byteOf(list->events[i], 1), i & 0x7F);
        EXPECT_EQ(byteOf(list->events[i], 2), 100);
    }
    EXPECT_EQ(queue.drain(), nullptr);
    // Room again after the drain, across the ring's wrap.
    EXPECT_TRUE(queue.push(0x0005C0));
    list = queue.drain();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->numEvents, 1);
    EXPECT_EQ(byteOf(list->events[0], 0), 0xC0);
    EXPECT_EQ(byteOf(list->events[0], 2), 0);
}

// The MIDI input threads and the panic action push at the same time; the audio thread drains.
TEST(EngineEventQueue, ConcurrentProducersLoseNothingAndKeepTheirOrder)
{
    EngineEventQueue queue;
    constexpr int kPerProducer = 20000;
    std::atomic<int> done{0};
    const auto produce = [&](std::uint32_t status)
    {
        for (int i = 0; i < kPerProducer;)
        {
            // Data 1 and 2 carry a 14-bit sequence number.
            if (queue.push(status | static_cast<std::uint32_t>(i & 0x7F) << 8 |
                           static_cast<std::uint32_t>((i >> 7) & 0x7F) << 16))
                ++i;
            else
                std::this_thread::yield();
        }
        done.fetch_add(1);
    };
    std::thread a(produce, 0x90u);
    std::thread b(produce, 0xB0u);

    int next[2] = {0, 0};
    bool ordered = true;
    while (done.load() < 2 || queue.pending() > 0)
    {
        VstEvents* list = queue.drain();
        for (int i = 0; list && i < list->numEvents; ++i)
        {
            const int which = byteOf(list->events[i], 0) == 0x90 ? 0 : 1;
            const int sequence = byteOf(list->events[i], 1) | byteOf(list->events[i], 2) << 7;
            ordered = ordered && sequence == (next[which] & 0x3FFF);
            ++next[which];
        }
    }
    a.join();
    b.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(next[0], kPerProducer);
    EXPECT_EQ(next[1], kPerProducer);
}

} // namespace quelvar
