#include "tools/vsthost/VstHost.h"
#include "vst2/VstInterface.h"

#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>

using namespace quelvar;

namespace
{
template <typename T>
T readAt(const void* record, std::size_t offset)
{
    T value;
    std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
    return value;
}
} // namespace

// Reads the plugin's record as raw bytes at the offsets every x86-64 host uses.
TEST(VstLayout, PluginRecordFieldsSitWhereHostsReadThem)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded()) << host.error();
    const void* raw = host.plugin();
    EXPECT_EQ(readAt<std::int32_t>(raw, 0), 0x56737450); // "VstP"
    EXPECT_NE(readAt<void*>(raw, 8), nullptr);          // dispatcher
    EXPECT_EQ(readAt<std::int32_t>(raw, 40), 1);        // programs
    EXPECT_EQ(readAt<std::int32_t>(raw, 44), 30);       // parameters: 29 and the chain's
    EXPECT_EQ(readAt<std::int32_t>(raw, 48), 0);        // inputs
    EXPECT_EQ(readAt<std::int32_t>(raw, 52), 2);        // outputs
    EXPECT_EQ(readAt<std::int32_t>(raw, 56) & 0x130, 0x130); // synth, replacing, chunks
    EXPECT_EQ(readAt<float>(raw, 92), 1.0f);
    EXPECT_EQ(readAt<std::int32_t>(raw, 112), 0x666e6b33); // "fnk3"
    EXPECT_EQ(readAt<std::int32_t>(raw, 116), 1);
    EXPECT_NE(readAt<void*>(raw, 120), nullptr); // processReplacing
}

TEST(VstLayout, RecordSizesAndOffsets)
{
    EXPECT_EQ(sizeof(AEffect), 192u);
    EXPECT_EQ(offsetof(AEffect, processDoubleReplacing), 128u);
    EXPECT_EQ(sizeof(VstEvent), 32u);
    EXPECT_EQ(sizeof(VstMidiEvent), 32u);
    EXPECT_EQ(offsetof(VstMidiEvent, deltaFrames), 8u);
    EXPECT_EQ(offsetof(VstMidiEvent, midiData), 24u);
    EXPECT_EQ(offsetof(VstMidiEvent, noteOffVelocity), 29u);
    EXPECT_EQ(offsetof(VstEvents, events), 16u);
    EXPECT_EQ(sizeof(VstTimeInfo), 88u);
    EXPECT_EQ(offsetof(VstTimeInfo, sampleRate), 8u);
    EXPECT_EQ(offsetof(VstTimeInfo, ppqPos), 24u);
    EXPECT_EQ(offsetof(VstTimeInfo, tempo), 32u);
    EXPECT_EQ(offsetof(VstTimeInfo, flags), 84u);
    EXPECT_EQ(sizeof(VstPinProperties), 128u);
    EXPECT_EQ(sizeof(ERect), 8u);
}

TEST(VstLayout, OpcodeAndFlagNumbers)
{
    EXPECT_EQ(effGetChunk, 23);
    EXPECT_EQ(effProcessEvents, 25);
    EXPECT_EQ(effGetOutputProperties, 34);
    EXPECT_EQ(effCanDo, 51);
    EXPECT_EQ(effGetVstVersion, 58);
    EXPECT_EQ(audioMasterGetTime, 7);
    EXPECT_EQ(audioMasterProcessEvents, 8);
    EXPECT_EQ(audioMasterUpdateDisplay, 42);
    EXPECT_EQ(kVstPpqPosValid | kVstTempoValid, 0x600);
    EXPECT_EQ(kVstTransportChanged | kVstTransportPlaying | kVstTransportCycleActive |
                  kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid |
                  kVstTimeSigValid,
              0x3E07);
}
