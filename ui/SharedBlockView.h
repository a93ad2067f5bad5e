// The engine's shared state block as the UI process sees it: mapped read-write from the
// descriptor the plugin handed down, never created. Every read is one word load, so a record being rewritten may read half old and half
// new; the next refresh puts it right. Qt main thread.
#pragma once

#include "sequencer/Chain.h"
#include "sequencer/lineOperations.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quelvar
{

class SharedBlockView
{
public:
    // Prints the failure and stays unmapped when the block is missing or too short; every read
    // then answers zero. The descriptor is closed either way.
    explicit SharedBlockView(int fd);
    ~SharedBlockView();
    SharedBlockView(const SharedBlockView&) = delete;
    SharedBlockView& operator=(const SharedBlockView&) = delete;

    float parameterValue(int index) const;
    std::string parameterText(int index) const;
    int stepNote(int pattern, int step) const;
    bool stepSlide(int pattern, int step) const;
    bool stepAccent(int pattern, int step) const;
    std::string patternName(int pattern) const;
    int stepCount(int pattern) const;
    bool hostPlaying() const;
    bool internalRunning() const;
    int currentPattern() const;
    int hostTempo() const;
    int syncType() const;
    // The MIDI controller of a slot and the slot waiting to learn one; -1 for none.
    int controllerOf(int slot) const;
    int learningSlot() const;
    // Held in range: an unmapped block reads as the settings' lowest values.
    LineSettings lineSettings() const;
    // The chain and the entry chain play plays (-1: none); empty and -1 from a block without them.
    ChainEntries chain() const;
    int chainEntry() const;

private:
    std::uint32_t word(std::size_t offset) const;
    std::uint8_t byte(std::size_t offset) const;
    std::string text(std::size_t offset, std::size_t capacity) const;
    static std::size_t patternRecord(int pattern);
    static std::size_t stepRecord(int pattern, int step);

    std::uint8_t* base = nullptr;
    std::size_t mapped = 0; // bytes mapped: the layout, and the chain when the block holds it
};

} // namespace quelvar
