// The shared-memory snapshot of parameters, patterns and transport that the plugin's UI process
// reads. Any thread may write; every store is an atomic word or byte, so writers never tear each
// other's values and the reader (another process) sees each field whole or the one before.
#pragma once

#include "engine/StateMirror.h"
#include "sequencer/Chain.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quelvar
{

namespace sharedLayout
{
// The layout every reader knows; the chain follows it, so a reader of this size alone still works.
constexpr std::size_t kSize = 75280;
constexpr std::size_t kParameterRecordBytes = 32;
constexpr std::size_t kParameterRecords = 32;
constexpr std::size_t kParameterTextOffset = 16; // offset of the display text in a record
constexpr std::size_t kParameterTextBytes = 16;
// The record after the stored parameters': a byte per slot holding its MIDI controller + 1, then
// the learning slot + 1 (0: none), so the block's zero fill reads as "no controllers".
constexpr std::size_t kControllersOffset = kStoredParams * kParameterRecordBytes;
constexpr std::size_t kLearningSlotOffset = kControllersOffset + kNumParams;
// Then, past the first word of the two unused parameter records, the line settings: key, scale,
// the mutate share and the shares of rests, accents and slides, a byte each.
constexpr std::size_t kLineSettingsOffset = 30 * kParameterRecordBytes + 4;
constexpr std::size_t kPatternsOffset = 1024;
constexpr std::size_t kPatternRecordBytes = 1160;
constexpr std::size_t kStepRecordBytes = 16;
constexpr std::size_t kPatternNameOffset = 1024; // offset of the name in a pattern record
constexpr std::size_t kPatternNameBytes = 128;
constexpr std::size_t kPatternStepCountOffset = 1152;
constexpr std::size_t kHostPlayingOffset = 75264;
constexpr std::size_t kInternalRunningOffset = 75265;
constexpr std::size_t kCurrentPatternOffset = 75268;
constexpr std::size_t kHostTempoOffset = 75272;
constexpr std::size_t kSyncTypeOffset = 75276;
// The chain, after the layout above: the chain switch's parameter record, the entry count, the
// playing entry + 1 (0: no chain plays), then a byte per entry holding its song pattern.
constexpr std::size_t kChainSwitchOffset = kSize;
constexpr std::size_t kChainCountOffset = kChainSwitchOffset + kParameterRecordBytes;
constexpr std::size_t kChainEntryOffset = kChainCountOffset + 4;
constexpr std::size_t kChainPatternsOffset = kChainEntryOffset + 4;
constexpr std::size_t kSizeWithChain = kChainPatternsOffset + kMaxChainEntries;
// Where a slot's parameter record lies: the chain switch's is in the chain's part.
constexpr std::size_t parameterRecord(int slot)
{
    return slot == kChainPlay ? kChainSwitchOffset
                              : static_cast<std::size_t>(slot) * kParameterRecordBytes;
}
} // namespace sharedLayout

class SharedBlock : public StateMirror
{
public:
    // An anonymous memory file, sized, mapped and cleared: it has no name, so nothing of it
    // outlives the processes that hold it, whatever way they end. Null when any step fails; the
    // message says so on standard output.
    static std::unique_ptr<SharedBlock> create();
    // Unmaps and closes; a UI process that has it mapped keeps its mapping.
    ~SharedBlock() override;
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    void writeParameterValue(int index, float value) override;
    // The display text is cut to 15 characters and terminated.
    void writeParameterText(int index, const char* text) override;
    void writePattern(int index, const Pattern& pattern) override;
    void writeHostPlaying(bool playing) override;
    void writeInternalRunning(bool running) override;
    void writeCurrentPattern(int index) override;
    void writeHostTempo(int bpm) override;
    void writeSyncType(int syncType) override;
    void writeControllers(const ControllerAssignments& map, int learningSlot) override;
    void writeLineSettings(const LineSettings& settings) override;
    void writeChain(const ChainEntries& chain) override;
    void writeChainEntry(int entry) override;

    const std::uint8_t* bytes() const { return base; }
    // Close-on-exec; the editor hands a copy of it to the UI process it starts.
    int descriptor() const { return fd; }

private:
    SharedBlock(std::uint8_t* base, int fd) : base(base), fd(fd) {}
    void storeWord(std::size_t offset, std::uint32_t word);
    void storeByte(std::size_t offset, std::uint8_t byte);
    void storeText(std::size_t offset, std::size_t capacity, const char* text, std::size_t length);

    std::uint8_t* base;
    int fd;
};

} // namespace quelvar
