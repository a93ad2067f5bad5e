#include "bridge/SharedBlock.h"

#include "support/EngineHarness.h"
#include "support/sharedBlockSupport.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <sys/mman.h>
#include <sys/resource.h>
#include <vector>
#include <unistd.h>

using namespace quelvar;
using namespace quelvar::sharedLayout;

namespace
{
// Reads the block the way the UI process does: from a copy of its descriptor, in a mapping of
// its own.
class ReaderMapping
{
public:
    explicit ReaderMapping(const StateMirror* block)
    {
        const auto* shared = dynamic_cast<const SharedBlock*>(block);
        const int fd = shared ? dup(shared->descriptor()) : -1;
        if (fd < 0)
            return;
        void* p = mmap(nullptr, kSizeWithChain, PROT_READ, MAP_SHARED, fd, 0);
        close(fd);
        if (p != MAP_FAILED)
            base = static_cast<const std::uint8_t*>(p);
    }
    ~ReaderMapping()
    {
        if (base)
            munmap(const_cast<std::uint8_t*>(base), kSizeWithChain);
    }
    bool ok() const { return base != nullptr; }

    template <typename T>
    T at(std::size_t offset) const
    {
        T value;
        std::memcpy(&value, base + offset, sizeof value);
        return value;
    }
    std::string text(std::size_t offset) const
    {
        return reinterpret_cast<const char*>(base + offset);
    }

private:
    const std::uint8_t* base = nullptr;
};

std::vector<std::string> sharedMemoryNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm"))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::size_t patternRecord(int index)
{
    return kPatternsOffset + static_cast<std::size_t>(index) * kPatternRecordBytes;
}
} // namespace

TEST(SharedBlock, EachEngineHasItsOwnAndNoneHasAName)
{
    const std::vector<std::string> before = sharedMemoryNames();
    Palladon first(nullptr);
    Palladon second(nullptr);
    attachSharedBlock(first);
    attachSharedBlock(second);
    ReaderMapping firstView(first.getSharedBlock());
    ReaderMapping secondView(second.getSharedBlock());
    ASSERT_TRUE(firstView.ok());
    ASSERT_TRUE(secondView.ok());
    first.setParameter(kCutoff, 0.25f);
    second.setParameter(kCutoff, 0.75f);
    EXPECT_EQ(firstView.at<float>(kCutoff * kParameterRecordBytes), 0.25f);
    EXPECT_EQ(secondView.at<float>(kCutoff * kParameterRecordBytes), 0.75f);
    EXPECT_EQ(sharedMemoryNames(), before);
}

TEST(SharedBlock, StandaloneEnginesHaveNone)
{
    Palladon engine(nullptr, Flavour::standalone);
    EXPECT_EQ(engine.getSharedBlock(), nullptr);
    engine.setParameter(kCutoff, 0.5f);
    engine.updatePatternData();
    EXPECT_EQ(engine.getParameter(kCutoff), 0.5f);
}

TEST(SharedBlock, ParameterRecordsHoldTheGivenValueAndItsText)
{
    Palladon engine(nullptr);
    attachSharedBlock(engine);
    ReaderMapping block(engine.getSharedBlock());
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(block.at<float>(0 * kParameterRecordBytes), 1.0f);
    // A change stores its value at once (any thread may make it); its text comes later, off the
    // audio thread.
    engine.setParameter(kWaveform, 0.7f);
    EXPECT_EQ(block.at<float>(kWaveform * kParameterRecordBytes), 0.7f);
    engine.publishParameterText(kWaveform);
    EXPECT_EQ(block.text(kWaveform * kParameterRecordBytes + kParameterTextOffset), "square");
    engine.updateParameterData();
    EXPECT_EQ(block.at<float>(kWaveform * kParameterRecordBytes), 1.0f);
    engine.setParameter(kDistSelect, 0.3f);
    engine.setParameter(kTempo, 0.5f);
    engine.updateParameterData();
    EXPECT_EQ(block.text(kDistSelect * kParameterRecordBytes + kParameterTextOffset), "ClipInferno");
    EXPECT_EQ(block.text(kTempo * kParameterRecordBytes + kParameterTextOffset), "");
    for (std::size_t record = 30; record < 32; ++record)
        EXPECT_EQ(block.at<std::uint32_t>(record * kParameterRecordBytes), 0u);
}

// The record after the parameters: each slot's controller + 1, then the learning slot + 1, so
// that the block's zero fill reads as no controllers at all.
TEST(SharedBlock, ControllerRecordFollowsTheMapAndALearn)
{
    EngineHarness h;
    attachSharedBlock(h.engine());
    ReaderMapping block(h.engine().getSharedBlock());
    ASSERT_TRUE(block.ok());
    const auto controllerOf = [&block](int slot)
    { return block.at<std::uint8_t>(kControllersOffset + static_cast<std::size_t>(slot)) - 1; };
    EXPECT_EQ(controllerOf(kCutoff), 74);
    EXPECT_EQ(controllerOf(kTriggerPattern), -1);
    EXPECT_EQ(block.at<std::uint8_t>(kLearningSlotOffset), 0);

    h.engine().learnController(kTriggerPattern);
    EXPECT_EQ(block.at<std::uint8_t>(kLearningSlotOffset), kTriggerPattern + 1);
    h.queueMidi(0, 0xB0, 74, 64);
    h.render(64);
    EXPECT_EQ(controllerOf(kTriggerPattern), 74);
    EXPECT_EQ(controllerOf(kCutoff), -1);
    EXPECT_EQ(block.at<std::uint8_t>(kLearningSlotOffset), 0);
    h.engine().forgetController(kTriggerPattern);
    EXPECT_EQ(controllerOf(kTriggerPattern), -1);
}

// Six bytes after the first word of the unused parameter records: key, scale and the shares.
TEST(SharedBlock, LineSettingsFollowTheEngine)
{
    Palladon engine(nullptr);
    attachSharedBlock(engine);
    ReaderMapping block(engine.getSharedBlock());
    ASSERT_TRUE(block.ok());
    const auto fields = [&block]
    {
        std::vector<int> v;
        for (std::size_t i = 0; i < 6; ++i)
            v.push_back(block.at<std::uint8_t>(kLineSettingsOffset + i));
        return v;
    };
    EXPECT_EQ(fields(), (std::vector<int>{0, 2, 25, 20, 25, 20})) << "the defaults, at once";
    engine.setLineSettings({11, Scale::phrygianDominant, 100, 0, 99, 1});
    EXPECT_EQ(fields(), (std::vector<int>{11, 12, 100, 0, 99, 1}));
    EXPECT_EQ(block.at<std::uint32_t>(30 * kParameterRecordBytes), 0u);
    EXPECT_EQ(block.at<std::uint32_t>(31 * kParameterRecordBytes), 0u);
}

TEST(SharedBlock, PatternRecordsHoldAllSixtyFourStepsNameAndCount)
{
    Palladon engine(nullptr);
    attachSharedBlock(engine);
    ReaderMapping block(engine.getSharedBlock());
    ASSERT_TRUE(block.ok());
    Pattern& p = *engine.getSong().getPattern(9);
    p.setNBStep(12);
    p.getStepAnyIndex(40)->setNote(33);
    p.getStepAnyIndex(40)->setSlide(true);
    p.getStepAnyIndex(41)->setAccent(true);
    p.setName(std::string(200, 'n'));
    engine.updatePatternData();
    const std::size_t record = patternRecord(9);
    EXPECT_EQ(block.at<std::int32_t>(record + 40 * kStepRecordBytes), 33);
    EXPECT_EQ(block.at<std::uint8_t>(record + 40 * kStepRecordBytes + 4), 1);
    EXPECT_EQ(block.at<std::uint8_t>(record + 41 * kStepRecordBytes + 5), 1);
    EXPECT_EQ(block.at<std::int32_t>(record + 63 * kStepRecordBytes), 25);
    EXPECT_EQ(block.text(record + kPatternNameOffset), std::string(127, 'n'));
    EXPECT_EQ(block.at<std::int32_t>(record + kPatternStepCountOffset), 12);
    EXPECT_EQ(block.text(patternRecord(63) + kPatternNameOffset), "pattern 64");
    EXPECT_EQ(block.at<std::int32_t>(patternRecord(0)), 13); // the default pattern's first note
}

TEST(SharedBlock, TransportFieldsFollowTheEngine)
{
    EngineHarness h;
    attachSharedBlock(h.engine());
    ReaderMapping block(h.engine().getSharedBlock());
    ASSERT_TRUE(block.ok());
    h.setTempo(133.7);
    h.play();
    h.render(256);
    EXPECT_EQ(block.at<std::uint8_t>(kHostPlayingOffset), 1);
    EXPECT_EQ(block.at<std::int32_t>(kHostTempoOffset), 133);
    h.engine().setParameter(kSyncType, 0.5f);
    EXPECT_EQ(block.at<std::int32_t>(kSyncTypeOffset), 1);
    h.engine().internalPlay();
    EXPECT_EQ(block.at<std::uint8_t>(kInternalRunningOffset), 1);
    h.engine().internalStop();
    EXPECT_EQ(block.at<std::uint8_t>(kInternalRunningOffset), 0);
    h.engine().setParameter(kTriggerPattern, 0.125f);
    h.render(1, 1);
    EXPECT_EQ(block.at<std::int32_t>(kCurrentPatternOffset), 4);
}

// After the layout of older readers: the chain switch's record, the chain and the entry playing
// (+ 1, so the zero fill reads as none). The records before it stay as they were.
TEST(SharedBlock, TheChainFollowsTheLayoutOlderReadersKnow)
{
    EngineHarness h;
    attachSharedBlock(h.engine());
    ReaderMapping block(h.engine().getSharedBlock());
    ASSERT_TRUE(block.ok());
    ChainEntries chain;
    for (int k : {6, 6, 40})
        chain.append(k);
    h.engine().setChain(chain);
    h.engine().setParameter(kChainPlay, 1.0f);
    h.engine().publishParameterText(kChainPlay);
    EXPECT_EQ(block.at<std::uint32_t>(kChainCountOffset), 3u);
    EXPECT_EQ(block.at<std::uint8_t>(kChainPatternsOffset + 2), 40);
    EXPECT_EQ(block.at<float>(kChainSwitchOffset), 1.0f);
    EXPECT_EQ(block.text(kChainSwitchOffset + kParameterTextOffset), "ON");
    EXPECT_EQ(block.at<std::uint32_t>(kChainEntryOffset), 0u);
    h.play(0.0);
    h.render(256);
    EXPECT_EQ(block.at<std::uint32_t>(kChainEntryOffset), 1u);
    EXPECT_EQ(block.at<std::int32_t>(kCurrentPatternOffset), 6);
    EXPECT_EQ(block.at<std::uint8_t>(kControllersOffset + kChainPlay), 108) << "CC 107 + 1";
}

TEST(SharedBlock, NoDescriptorLeftGivesNoBlock)
{
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int lowestFree = dup(0);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit none = limit;
    none.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const bool made = SharedBlock::create() != nullptr;
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_FALSE(made);
}
