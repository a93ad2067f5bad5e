#include "io/stateChunk.h"

#include "io/chunkSections.h"
#include "io/littleEndianFloat.h"
#include "ioTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
ParsedChunk parse(const std::vector<std::uint8_t>& chunk)
{
    return parseChunk(chunk.data(), chunk.size());
}
} // namespace

TEST(StateChunk, DefaultStateIs11512BytesOfVersion2)
{
    ParameterSnapshot params{};
    for (int i = 0; i < kStoredParams; ++i)
        params[i] = static_cast<float>(i) / 32.0f;
    const std::vector<std::uint8_t> chunk = encodeChunk(Song(), params);
    ASSERT_EQ(chunk.size(), 11512u);
    EXPECT_EQ(chunk[0], 2);
    EXPECT_EQ(chunk[1], 0);
    EXPECT_EQ(chunk[2], 29);
    for (int i = 0; i < kStoredParams; ++i)
        EXPECT_EQ(getFloatLE(&chunk[3 + 4 * i]), params[i]) << "slot " << i;
    EXPECT_EQ(chunk[119], 64);
    for (int r = 0; r < 64; ++r)
    {
        EXPECT_EQ(chunk[recordAt(chunk, r)], r);
        EXPECT_EQ(chunk[recordAt(chunk, r) + 1], 16);
    }
}

TEST(StateChunk, RecordsOccupyStepsPlusAFixedNameArea)
{
    Song song;
    Pattern& twenty = *song.getPattern(0);
    fillPattern(twenty, 20, 3);
    twenty.setName("ninebytes");
    song.getPattern(1)->setNBStep(0);

    const std::vector<std::uint8_t> chunk = encodeChunk(song, {});
    const std::size_t first = recordAt(chunk, 0);
    const std::size_t second = recordAt(chunk, 1);
    EXPECT_EQ(second - first, 190u);
    EXPECT_EQ(chunk[first + 1], 20);
    EXPECT_EQ(chunk[first + 2], twenty.getStep(0)->note());
    EXPECT_EQ(chunk[first + 62], 9);
    EXPECT_EQ(std::string(chunk.begin() + first + 63, chunk.begin() + first + 72), "ninebytes");
    for (std::size_t i = first + 72; i < second; ++i)
        EXPECT_EQ(chunk[i], 0) << "offset " << i - first;

    EXPECT_EQ(chunk[second], 1);
    EXPECT_EQ(chunk[second + 1], 0);
    EXPECT_EQ(recordAt(chunk, 2) - second, 130u);
}

TEST(StateChunk, MalformedRecordsAreRejected)
{
    const std::vector<std::uint8_t> good = encodeChunk(Song(), {});
    const std::size_t second = recordAt(good, 1);
    struct Fault
    {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    const Fault faults[] = {
        {"record count 65", 119, 65},
        {"negative record count", 119, 0xFF},
        {"step count 65", second + 1, 65},
        {"negative step count", second + 1, 0xC0},
        {"name length 128", second + 2 + 48, 128},
        {"negative index", second, 0xFF},
    };
    for (const Fault& f : faults)
    {
        std::vector<std::uint8_t> chunk = good;
        chunk[f.offset] = f.value;
        EXPECT_FALSE(parse(chunk).accepted) << f.what;
    }

    std::vector<std::uint8_t> longestName = good;
    longestName[second + 2 + 48] = 127;
    std::fill_n(longestName.begin() + static_cast<std::ptrdiff_t>(second + 2 + 49), 127, 'x');
    const ParsedChunk parsed = parse(longestName);
    EXPECT_TRUE(parsed.accepted);
    EXPECT_EQ(parsed.records[1].name, std::string(127, 'x'));
}

TEST(StateChunk, EveryTruncationIsRejectedWithinItsSize)
{
    std::vector<std::uint8_t> chunk = encodeChunk(Song(), {});
    chunk.resize(recordAt(chunk, 2));
    chunk[119] = 2;
    for (std::size_t size = 0; size < chunk.size(); ++size)
    {
        // Exact-size heap copy so that AddressSanitizer catches a read past the end.
        const std::vector<std::uint8_t> prefix(chunk.begin(), chunk.begin() + size);
        EXPECT_FALSE(parse(prefix).accepted) << "size " << size;
    }
    EXPECT_TRUE(parse(chunk).accepted);
}

TEST(StateChunk, NotesOutsideTheRangeBecomeRests)
{
    std::vector<std::uint8_t> chunk = encodeChunk(Song(), {});
    const std::size_t first = recordAt(chunk, 0);
    chunk[first + 2] = 61;
    chunk[first + 5] = 0xFF;
    chunk[first + 8] = 60;

    const ParsedChunk parsed = parse(chunk);
    ASSERT_TRUE(parsed.accepted);
    EXPECT_EQ(parsed.records[0].steps[0].note, 0);
    EXPECT_EQ(parsed.records[0].steps[1].note, 0);
    EXPECT_EQ(parsed.records[0].steps[2].note, 60);
}

// The controller section goes after the last record, where the reader of every earlier chunk
// (parseChunk, unchanged) stops: it reads a chunk with the section as it read one without.
TEST(StateChunk, ChunksWithAControllerSectionStayReadableByTheEarlierReader)
{
    Song song;
    fillPattern(*song.getPattern(3), 20, 7);
    ParameterSnapshot params{};
    params[kCutoff] = 0.4f;
    const std::vector<std::uint8_t> without = encodeChunk(song, params);
    std::vector<std::uint8_t> with = without;
    ControllerAssignments map;
    map.fill(kNoController);
    map[kDecay] = 12;
    appendControllerSection(with, map);
    ASSERT_EQ(with.size(), without.size() + kControllerSectionBytes);

    const ParsedChunk earlier = parse(without);
    const ParsedChunk later = parse(with);
    ASSERT_TRUE(later.accepted);
    EXPECT_EQ(later.params, earlier.params);
    ASSERT_EQ(later.records.size(), earlier.records.size());
    for (std::size_t r = 0; r < later.records.size(); ++r)
    {
        EXPECT_EQ(later.records[r].nbStep, earlier.records[r].nbStep);
        EXPECT_EQ(later.records[r].name, earlier.records[r].name);
    }
    EXPECT_EQ(chunkRecordsEnd(later), without.size());
    const ControllerSection section = chunkSectionsOf(with.data(), with.size(), later).controllers;
    ASSERT_TRUE(section.wellFormed && section.value);
    EXPECT_EQ(*section.value, map);
    const ControllerSection none =
        chunkSectionsOf(without.data(), without.size(), earlier).controllers;
    EXPECT_TRUE(none.wellFormed);
    EXPECT_FALSE(none.value) << "an earlier chunk has no section";
}

TEST(StateChunk, MalformedControllerSectionsAreRefusedWithinTheirSize)
{
    ControllerAssignments map;
    map.fill(kNoController);
    map[kCutoff] = 74;
    std::vector<std::uint8_t> good;
    appendControllerSection(good, map);
    for (std::size_t size = 4; size < good.size(); ++size)
    {
        const std::vector<std::uint8_t> prefix(good.begin(), good.begin() + size);
        EXPECT_FALSE(parseControllerSection(prefix.data(), prefix.size()).wellFormed) << size;
    }
    struct Fault
    {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    for (const Fault& f : {Fault{"version 2", 4, 2}, Fault{"controller 128", 6 + kCutoff, 128}})
    {
        std::vector<std::uint8_t> bad = good;
        bad[f.offset] = f.value;
        EXPECT_FALSE(parseControllerSection(bad.data(), bad.size()).wellFormed) << f.what;
    }
    // A later writer with more slots: those this reader knows are read, the rest skipped.
    std::vector<std::uint8_t> more = good;
    more[5] = kNumParams + 2;
    more.insert(more.end(), {9, 10});
    const ControllerSection read = parseControllerSection(more.data(), more.size());
    ASSERT_TRUE(read.wellFormed && read.value);
    EXPECT_EQ(*read.value, map);
    // Bytes that are no section at all, as after a chunk of another writer, are left alone.
    const std::uint8_t other[] = {'X', 'Y', 1, 2, 3, 4, 5};
    const ControllerSection foreign = parseControllerSection(other, sizeof other);
    EXPECT_TRUE(foreign.wellFormed);
    EXPECT_FALSE(foreign.value);
}

namespace
{
ChainState sampleChainState()
{
    ChainState s;
    for (int p : {4, 4, 63, 0})
        s.entries.append(p);
    s.play = true;
    return s;
}

struct ChainFault
{
    const char* what;
    std::size_t offset;
    std::uint8_t value;
};

class MalformedChainSection : public testing::TestWithParam<ChainFault>
{
};
LineSettings sampleLines()
{
    return {9, Scale::phrygian, 60, 0, 100, 35};
}
} // namespace

// After the records: the controller section, then the line section; a section the reader does not
// know after them is left alone, and a chunk that stops before a section has none of it.
TEST(StateChunk, TheLineSectionFollowsTheControllersAndLaterSectionsAreLeftAlone)
{
    Song song;
    const std::vector<std::uint8_t> records = encodeChunk(song, {});
    ControllerAssignments map;
    map.fill(kNoController);
    map[kDecay] = 12;
    std::vector<std::uint8_t> chunk = records;
    appendControllerSection(chunk, map);
    const std::size_t linesAt = chunk.size();
    appendLineSection(chunk, sampleLines());
    ASSERT_EQ(chunk.size(), linesAt + kLineSectionBytes);
    chunk.insert(chunk.end(), {'Q', 'X', 'Y', 'Z', 1, 2, 5, 6});

    const ParsedChunk parsed = parse(chunk);
    ASSERT_TRUE(parsed.accepted);
    const ChunkSections both = chunkSectionsOf(chunk.data(), chunk.size(), parsed);
    ASSERT_TRUE(both.wellFormed());
    EXPECT_EQ(both.controllers.value, map);
    EXPECT_EQ(both.lines.value, sampleLines());

    const std::vector<std::uint8_t> controllersOnly(chunk.begin(), chunk.begin() + linesAt);
    const ChunkSections earlier =
        chunkSectionsOf(controllersOnly.data(), controllersOnly.size(), parse(controllersOnly));
    EXPECT_TRUE(earlier.wellFormed());
    EXPECT_EQ(earlier.controllers.value, map);
    EXPECT_FALSE(earlier.lines.value) << "a chunk from before the line section";

    std::vector<std::uint8_t> linesOnly = records;
    appendLineSection(linesOnly, sampleLines());
    const ChunkSections alone =
        chunkSectionsOf(linesOnly.data(), linesOnly.size(), parse(linesOnly));
    EXPECT_TRUE(alone.wellFormed());
    EXPECT_FALSE(alone.controllers.value);
    EXPECT_EQ(alone.lines.value, sampleLines());
}

// Cut anywhere inside a section the chunk is refused, reading nothing past its size; only the
// cuts where a section begins are the whole chunk of an earlier writer.
TEST(StateChunk, EveryCutInsideTheSectionsIsRefusedWithinItsSize)
{
    std::vector<std::uint8_t> chunk = encodeChunk(Song(), {});
    const std::size_t recordsEnd = chunk.size();
    appendControllerSection(chunk, ControllerAssignments{});
    const std::size_t linesAt = chunk.size();
    appendLineSection(chunk, sampleLines());
    for (std::size_t size = recordsEnd; size <= chunk.size(); ++size)
    {
        const std::vector<std::uint8_t> prefix(chunk.begin(), chunk.begin() + size);
        const ParsedChunk parsed = parse(prefix);
        ASSERT_TRUE(parsed.accepted);
        const bool boundary = size == recordsEnd || size == linesAt || size == chunk.size();
        EXPECT_EQ(chunkSectionsOf(prefix.data(), prefix.size(), parsed).wellFormed(), boundary)
            << "cut at " << size;
    }
}

TEST(StateChunk, MalformedLineSectionsAreRefusedAndLaterWritersAreRead)
{
    std::vector<std::uint8_t> good;
    appendLineSection(good, sampleLines());
    EXPECT_EQ(good, (std::vector<std::uint8_t>{'Q', 'K', 'E', 'Y', 1, 6, 9, 5, 60, 0, 100, 35}));
    struct Fault
    {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    for (const Fault& f : {Fault{"version 2", 4, 2}, Fault{"key 12", 6, 12},
                           Fault{"mutate 9 %", 8, 9}, Fault{"mutate 101 %", 8, 101},
                           Fault{"rests 101 %", 9, 101}, Fault{"slides 255 %", 11, 255},
                           Fault{"more fields than bytes", 5, 7}})
    {
        std::vector<std::uint8_t> bad = good;
        bad[f.offset] = f.value;
        EXPECT_FALSE(parseLineSection(bad.data(), bad.size()).wellFormed) << f.what;
    }

    // A later writer: two more fields, skipped, and a scale this reader does not know.
    std::vector<std::uint8_t> later = good;
    later[5] = 8;
    later[7] = 40;
    later.insert(later.end(), {77, 78});
    const LineSection read = parseLineSection(later.data(), later.size());
    ASSERT_TRUE(read.wellFormed && read.value);
    EXPECT_EQ(read.bytes, later.size());
    LineSettings expected = sampleLines();
    expected.scale = LineSettings{}.scale;
    EXPECT_EQ(*read.value, expected);

    // An earlier one with only the key and the scale: the shares keep their defaults.
    const std::uint8_t keyOnly[] = {'Q', 'K', 'E', 'Y', 1, 2, 4, 1};
    const LineSection few = parseLineSection(keyOnly, sizeof keyOnly);
    ASSERT_TRUE(few.wellFormed && few.value);
    LineSettings major;
    major.key = 4;
    major.scale = Scale::major;
    EXPECT_EQ(*few.value, major);

    const std::uint8_t other[] = {'X', 'Y', 1, 2, 3, 4, 5};
    EXPECT_TRUE(parseLineSection(other, sizeof other).wellFormed);
    EXPECT_FALSE(parseLineSection(other, sizeof other).value);
}

TEST(StateChunk, TheChainSectionKeepsTheSwitchTheCountAndTheEntries)
{
    std::vector<std::uint8_t> bytes;
    appendChainSection(bytes, sampleChainState());
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'Q', 'C', 'H', 'N', 1, 1, 4, 0, 4, 4, 63, 0}));
    const ChainSection read = parseChainSection(bytes.data(), bytes.size());
    ASSERT_TRUE(read.wellFormed && read.value);
    EXPECT_EQ(read.bytes, bytes.size());
    EXPECT_EQ(read.value->entries, sampleChainState().entries);
    EXPECT_TRUE(read.value->play);

    ChainState longest;
    for (int i = 0; i < kMaxChainEntries; ++i)
        longest.entries.append(i % kPatternsPerSong);
    std::vector<std::uint8_t> full;
    appendChainSection(full, longest);
    ASSERT_EQ(full.size(), kChainSectionHeaderBytes + kMaxChainEntries);
    EXPECT_EQ(parseChainSection(full.data(), full.size()).value->entries, longest.entries);
}

TEST_P(MalformedChainSection, IsRefused)
{
    std::vector<std::uint8_t> bad;
    appendChainSection(bad, sampleChainState());
    bad[GetParam().offset] = GetParam().value;
    const ChainSection read = parseChainSection(bad.data(), bad.size());
    EXPECT_FALSE(read.wellFormed);
    EXPECT_FALSE(read.value);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MalformedChainSection,
    testing::Values(ChainFault{"version 2", 4, 2}, ChainFault{"switch 2", 5, 2},
                    ChainFault{"more entries than bytes", 6, 5},
                    ChainFault{"257 entries", 7, 1}, ChainFault{"pattern 64", 10, 64}),
    [](const testing::TestParamInfo<ChainFault>& info)
    {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// The sections are found by their tags in either order, a chunk that stops where a section
// begins is an earlier writer's, a cut anywhere inside one is refused within its size, and a
// section this reader does not know is left alone with what follows it.
TEST(StateChunk, SectionsAreReadInEitherOrderAndEveryCutInsideThemIsRefused)
{
    const std::vector<std::uint8_t> records = encodeChunk(Song(), {});
    ControllerAssignments map;
    map.fill(kNoController);
    map[kChainPlay] = 90;
    for (const bool chainFirst : {false, true})
    {
        std::vector<std::uint8_t> chunk = records;
        std::vector<std::size_t> boundaries{chunk.size()};
        for (int section = 0; section < 3; ++section)
        {
            if (section == 1)
                appendLineSection(chunk, sampleLines());
            else if ((section == 0) != chainFirst)
                appendControllerSection(chunk, map);
            else
                appendChainSection(chunk, sampleChainState());
            boundaries.push_back(chunk.size());
        }
        for (std::size_t size = records.size(); size <= chunk.size(); ++size)
        {
            const std::vector<std::uint8_t> cut(chunk.begin(), chunk.begin() + size);
            const ParsedChunk parsed = parse(cut);
            ASSERT_TRUE(parsed.accepted);
            const bool boundary =
                std::find(boundaries.begin(), boundaries.end(), size) != boundaries.end();
            EXPECT_EQ(chunkSectionsOf(cut.data(), cut.size(), parsed).wellFormed(), boundary)
                << "cut at " << size << (chainFirst ? ", chain first" : "");
        }
        chunk.insert(chunk.end(), {'Q', 'X', 'Y', 'Z', 9, 9});
        appendChainSection(chunk, {});
        const ChunkSections sections = chunkSectionsOf(chunk.data(), chunk.size(), parse(chunk));
        ASSERT_TRUE(sections.wellFormed());
        EXPECT_EQ(sections.controllers.value, map);
        EXPECT_EQ(sections.lines.value, sampleLines());
        ASSERT_TRUE(sections.chain.value);
        EXPECT_EQ(sections.chain.value->entries, sampleChainState().entries);
    }
}
