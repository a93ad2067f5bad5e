#include "bridge/SharedBlock.h"

#include "sequencer/Pattern.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace quelvar
{

using namespace sharedLayout;

std::unique_ptr<SharedBlock> SharedBlock::create()
{
    void* mapped = MAP_FAILED;
    const int fd = memfd_create("quelvar-state", MFD_CLOEXEC);
    if (fd >= 0 && ftruncate(fd, static_cast<off_t>(kSizeWithChain)) == 0)
        mapped = mmap(nullptr, kSizeWithChain, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED)
    {
        if (fd >= 0)
            close(fd);
        std::printf("QuelvarVST > failed to map plugin shared memory \n");
        std::fflush(stdout);
        return nullptr;
    }
    auto* base = static_cast<std::uint8_t*>(mapped);
    std::memset(base, 0, kSizeWithChain);
    return std::unique_ptr<SharedBlock>(new SharedBlock(base, fd));
}

SharedBlock::~SharedBlock()
{
    munmap(base, kSizeWithChain);
    close(fd);
}

void SharedBlock::storeWord(std::size_t offset, std::uint32_t word)
{
    std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(base + offset))
        .store(word, std::memory_order_relaxed);
}

void SharedBlock::storeByte(std::size_t offset, std::uint8_t byte)
{
    std::atomic_ref<std::uint8_t>(base[offset]).store(byte, std::memory_order_relaxed);
}

// Little-endian words of the text, zero-padded to the capacity (a multiple of 4).
void SharedBlock::storeText(std::size_t offset, std::size_t capacity, const char* text,
                            std::size_t length)
{
    for (std::size_t word = 0; word < capacity; word += 4)
    {
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < 4; ++b)
        {
            const std::size_t at = word + b;
            const auto c = at < length ? static_cast<unsigned char>(text[at]) : 0u;
            value |= static_cast<std::uint32_t>(c) << (8 * b);
        }
        storeWord(offset + word, value);
    }
}

void SharedBlock::writeParameterValue(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    storeWord(parameterRecord(index), word);
}

void SharedBlock::writeParameterText(int index, const char* text)
{
    if (index < 0 || index >= kNumParams)
        return;
    const std::size_t length = strnlen(text, kParameterTextBytes - 1);
    storeText(parameterRecord(index) + kParameterTextOffset, kParameterTextBytes, text, length);
}

void SharedBlock::writePattern(int index, const Pattern& pattern)
{
    if (index < 0 || index >= 64)
        return;
    const std::size_t record =
        kPatternsOffset + static_cast<std::size_t>(index) * kPatternRecordBytes;
    for (int i = 0; i < kStepsPerPattern; ++i)
    {
        const Step& step = *pattern.getStepAnyIndex(i);
        const std::size_t at = record + static_cast<std::size_t>(i) * kStepRecordBytes;
        storeWord(at, static_cast<std::uint32_t>(step.note()));
        storeWord(at + 4, static_cast<std::uint32_t>(step.slide()) |
                              static_cast<std::uint32_t>(step.accent()) << 8);
    }
    char name[kPatternNameBytes];
    const std::size_t length = pattern.copyName(name, sizeof name);
    storeText(record + kPatternNameOffset, kPatternNameBytes, name, length);
    storeWord(record + kPatternStepCountOffset, static_cast<std::uint32_t>(pattern.getNBStep()));
}

void SharedBlock::writeHostPlaying(bool playing)
{
    storeByte(kHostPlayingOffset, playing ? 1 : 0);
}

void SharedBlock::writeInternalRunning(bool running)
{
    storeByte(kInternalRunningOffset, running ? 1 : 0);
}

void SharedBlock::writeCurrentPattern(int index)
{
    storeWord(kCurrentPatternOffset, static_cast<std::uint32_t>(index));
}

void SharedBlock::writeHostTempo(int bpm)
{
    storeWord(kHostTempoOffset, static_cast<std::uint32_t>(bpm));
}

void SharedBlock::writeSyncType(int syncType)
{
    storeWord(kSyncTypeOffset, static_cast<std::uint32_t>(syncType));
}

void SharedBlock::writeControllers(const ControllerAssignments& map, int learningSlot)
{
    static_assert(kLearningSlotOffset < kLineSettingsOffset);
    for (std::size_t slot = 0; slot < map.size(); ++slot)
        storeByte(kControllersOffset + slot, static_cast<std::uint8_t>(map[slot] + 1));
    storeByte(kLearningSlotOffset, static_cast<std::uint8_t>(learningSlot + 1));
}

void SharedBlock::writeLineSettings(const LineSettings& s)
{
    static_assert(kLineSettingsOffset + 6 <= 31 * kParameterRecordBytes);
    const std::uint8_t fields[6] = {s.key,         static_cast<std::uint8_t>(s.scale),
                                    s.mutatePercent, s.restPercent,
                                    s.accentPercent, s.slidePercent};
    for (std::size_t i = 0; i < sizeof fields; ++i)
        storeByte(kLineSettingsOffset + i, fields[i]);
}

void SharedBlock::writeChain(const ChainEntries& chain)
{
    for (int i = 0; i < chain.size(); ++i)
        storeByte(kChainPatternsOffset + static_cast<std::size_t>(i),
                  static_cast<std::uint8_t>(chain.pattern(i)));
    storeWord(kChainCountOffset, static_cast<std::uint32_t>(chain.size()));
}

void SharedBlock::writeChainEntry(int entry)
{
    storeWord(kChainEntryOffset, static_cast<std::uint32_t>(entry + 1));
}

} // namespace quelvar
