#include "ui/SharedBlockView.h"

#include "bridge/SharedBlock.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelvar
{

using namespace sharedLayout;

SharedBlockView::SharedBlockView(int fd)
{
    if (fd < 0)
    {
        std::printf("QuelvarUI > error can't open plugin shared memory\n");
        std::fflush(stdout);
        return;
    }
    // A block shorter than its layout would fault on the first read past its end. One from a
    // plugin without the chain is read without it.
    struct stat st;
    void* p = MAP_FAILED;
    if (fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(kSize))
    {
        mapped = st.st_size >= static_cast<off_t>(kSizeWithChain) ? kSizeWithChain : kSize;
        p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    close(fd);
    if (p == MAP_FAILED)
    {
        std::printf("QuelvarUI > error can't allocate / read plugin shared memory\n");
        std::fflush(stdout);
        return;
    }
    base = static_cast<std::uint8_t*>(p);
}

SharedBlockView::~SharedBlockView()
{
    if (base)
        munmap(base, mapped);
}

std::uint32_t SharedBlockView::word(std::size_t offset) const
{
    if (!base || offset + 4 > mapped)
        return 0;
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(base + offset))
        .load(std::memory_order_relaxed);
}

std::uint8_t SharedBlockView::byte(std::size_t offset) const
{
    return base && offset < mapped
               ? std::atomic_ref<std::uint8_t>(base[offset]).load(std::memory_order_relaxed)
               : 0;
}

std::string SharedBlockView::text(std::size_t offset, std::size_t capacity) const
{
    std::string out;
    for (std::size_t at = 0; at < capacity; at += 4)
    {
        const std::uint32_t w = word(offset + at);
        for (int b = 0; b < 4; ++b)
        {
            const auto c = static_cast<char>(w >> (8 * b));
            if (c == 0 || out.size() + 1 >= capacity) // the last byte is always the terminator
                return out;
            out.push_back(c);
        }
    }
    return out;
}

std::size_t SharedBlockView::patternRecord(int pattern)
{
    return kPatternsOffset +
           static_cast<std::size_t>(std::clamp(pattern, 0, 63)) * kPatternRecordBytes;
}

std::size_t SharedBlockView::stepRecord(int pattern, int step)
{
    return patternRecord(pattern) +
           static_cast<std::size_t>(std::clamp(step, 0, 63)) * kStepRecordBytes;
}

float SharedBlockView::parameterValue(int index) const
{
    if (index < 0 || index >= kNumParams)
        return 0.0f;
    const std::uint32_t w = word(parameterRecord(index));
    float value;
    std::memcpy(&value, &w, sizeof value);
    return value;
}

std::string SharedBlockView::parameterText(int index) const
{
    if (index < 0 || index >= kNumParams)
        return {};
    return text(parameterRecord(index) + kParameterTextOffset, kParameterTextBytes);
}

int SharedBlockView::stepNote(int pattern, int step) const
{
    return static_cast<std::int32_t>(word(stepRecord(pattern, step)));
}

// Bytes 4 and 5 of a step record, slide and accent, read as one little-endian word.
bool SharedBlockView::stepSlide(int pattern, int step) const
{
    return (word(stepRecord(pattern, step) + 4) & 0xFF) != 0;
}

bool SharedBlockView::stepAccent(int pattern, int step) const
{
    return (word(stepRecord(pattern, step) + 4) >> 8 & 0xFF) != 0;
}

std::string SharedBlockView::patternName(int pattern) const
{
    return text(patternRecord(pattern) + kPatternNameOffset, kPatternNameBytes);
}

int SharedBlockView::stepCount(int pattern) const
{
    return static_cast<std::int32_t>(word(patternRecord(pattern) + kPatternStepCountOffset));
}

bool SharedBlockView::hostPlaying() const
{
    return byte(kHostPlayingOffset) != 0;
}

bool SharedBlockView::internalRunning() const
{
    return byte(kInternalRunningOffset) != 0;
}

int SharedBlockView::currentPattern() const
{
    return static_cast<std::int32_t>(word(kCurrentPatternOffset));
}

int SharedBlockView::hostTempo() const
{
    return static_cast<std::int32_t>(word(kHostTempoOffset));
}

int SharedBlockView::syncType() const
{
    return static_cast<std::int32_t>(word(kSyncTypeOffset));
}

int SharedBlockView::controllerOf(int slot) const
{
    if (slot < 0 || slot >= kNumParams)
        return -1;
    return byte(kControllersOffset + static_cast<std::size_t>(slot)) - 1;
}

int SharedBlockView::learningSlot() const
{
    return byte(kLearningSlotOffset) - 1;
}

LineSettings SharedBlockView::lineSettings() const
{
    LineSettings s;
    s.key = byte(kLineSettingsOffset);
    s.scale = static_cast<Scale>(byte(kLineSettingsOffset + 1));
    s.mutatePercent = byte(kLineSettingsOffset + 2);
    s.restPercent = byte(kLineSettingsOffset + 3);
    s.accentPercent = byte(kLineSettingsOffset + 4);
    s.slidePercent = byte(kLineSettingsOffset + 5);
    return heldInRange(s);
}

ChainEntries SharedBlockView::chain() const
{
    ChainEntries entries;
    const auto count = std::min<std::uint32_t>(word(kChainCountOffset), kMaxChainEntries);
    for (std::uint32_t i = 0; i < count; ++i)
        entries.append(byte(kChainPatternsOffset + i));
    return entries;
}

int SharedBlockView::chainEntry() const
{
    return static_cast<int>(std::min<std::uint32_t>(word(kChainEntryOffset), kMaxChainEntries)) -
           1;
}

} // namespace quelvar
