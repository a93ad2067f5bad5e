#include "bridge/bridgeProtocol.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quelvar;
using namespace quelvar::bridge;

namespace
{
struct LengthCase
{
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::size_t expected; // 0: unknown or cut short
};

void PrintTo(const LengthCase& c, std::ostream* os)
{
    *os << c.what;
}

class CommandLength : public ::testing::TestWithParam<LengthCase>
{
};
class NoticeLength : public ::testing::TestWithParam<LengthCase>
{
};
} // namespace

TEST_P(CommandLength, IsBoundedByTheBytesPresent)
{
    EXPECT_EQ(commandLength(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bridge, CommandLength,
    ::testing::Values(LengthCase{"parameter", {1, 3, 0, 0, 0, 0, 0, 0, 0x3F, 99}, 9},
                      LengthCase{"parameter cut", {1, 3, 0, 0, 0, 0, 0, 0}, 0},
                      LengthCase{"note", {4, 0x90, 40, 100}, 4},
                      LengthCase{"old note opcodes", {2, 0x90, 40, 100}, 4},
                      LengthCase{"step edit", {12, 0, 5, 30, 0, 0, 0}, 7},
                      LengthCase{"name", {14, 3, 'a', 'b', 'c', 18}, 5},
                      LengthCase{"name past the read", {14, 200, 'a', 'b'}, 0},
                      LengthCase{"export", {32, 0, 2, 0, 0, 0, '/', 'x'}, 8},
                      LengthCase{"export length past the read", {32, 0, 100, 0, 0, 0, '/', 'x'}, 0},
                      LengthCase{"export negative length", {32, 0, 0xFF, 0xFF, 0xFF, 0xFF, '/'}, 0},
                      LengthCase{"import", {33, 0, 7, 1, 0, 0, 0, '/'}, 8},
                      LengthCase{"import header cut", {33, 0, 7, 1, 0}, 0},
                      LengthCase{"play", {17}, 1}, LengthCase{"unknown", {5, 0, 0, 0}, 0},
                      LengthCase{"learn", {19, 3, 17}, 2}, LengthCase{"forget cut", {20}, 0},
                      LengthCase{"scale", {21, 150}, 2},
                      LengthCase{"line settings", {24, 9, 7, 25, 20, 25, 20, 1}, 7},
                      LengthCase{"line settings cut", {24, 9, 7, 25, 20, 25}, 0},
                      LengthCase{"line edit", {25, 1}, 2},
                      LengthCase{"line file", {26, 2, 0, 0, 0, '/', 'c', 17}, 7},
                      LengthCase{"line file past the read", {26, 9, 0, 0, 0, '/', 'c'}, 0},
                      LengthCase{"chain", {40, 2, 0, 7, 9, 1}, 5},
                      LengthCase{"chain past the read", {40, 1, 1, 7, 9}, 0},
                      LengthCase{"chain count cut", {40, 1}, 0},
                      LengthCase{"select pattern", {41, 40}, 2}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_P(NoticeLength, IsBoundedByTheBytesPresent)
{
    EXPECT_EQ(noticeLength(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bridge, NoticeLength,
    ::testing::Values(LengthCase{"refresh", {2, 2}, 1}, LengthCase{"step", {3, 9}, 2},
                      LengthCase{"midi cut", {4, 0x90, 40}, 0},
                      LengthCase{"window", {6, 2, 0, 0, 0, '4', '2', 0}, 8},
                      LengthCase{"old window opcode", {5, 1, 0, 0, 0, '4', 0}, 7},
                      LengthCase{"window without its zero", {6, 2, 0, 0, 0, '4', '2'}, 0},
                      LengthCase{"quit", {7, 0}, 2}, LengthCase{"distortion", {16, 3}, 2},
                      LengthCase{"imported", {8, 1, 2, 0, 0, 0, 'o', 'k'}, 8},
                      LengthCase{"imported cut", {8, 0, 3, 0, 0, 0, 'n', 'o'}, 0},
                      LengthCase{"line file", {9, 1, 2, 0, 0, 0, '/', 'a', 2}, 8},
                      LengthCase{"line file cut", {9, 1, 2, 0, 0, 0, '/'}, 0},
                      LengthCase{"unknown", {10, 0}, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(BridgeProtocol, OpcodeSetsAreTheTables)
{
    std::vector<int> commands, notices;
    for (int op = 0; op < 256; ++op)
    {
        if (isCommandOpcode(static_cast<std::uint8_t>(op)))
            commands.push_back(op);
        if (isNoticeOpcode(static_cast<std::uint8_t>(op)))
            notices.push_back(op);
    }
    EXPECT_EQ(commands, (std::vector<int>{1, 2, 3, 4, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                          21, 22, 23, 24, 25, 26, 32, 33, 40, 41}));
    EXPECT_EQ(notices, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 16}));
}

TEST(BridgeProtocol, EncodersLayFieldsLittleEndianAtTheirOffsets)
{
    std::uint8_t m[64];
    ASSERT_EQ(encodeParameter(m, 1, 3, 0.5f), 9u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 9),
              (std::vector<std::uint8_t>{1, 3, 0, 0, 0, 0, 0, 0, 0x3F}));

    ASSERT_EQ(encodeStepEdit(m, 0, 5, 300), 7u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 7),
              (std::vector<std::uint8_t>{12, 0, 5, 0x2C, 1, 0, 0}));

    ASSERT_EQ(encodeImport(m, sizeof m, 1, 9, "/a"), 9u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 9),
              (std::vector<std::uint8_t>{33, 1, 9, 2, 0, 0, 0, '/', 'a'}));

    ASSERT_EQ(encodeWindow(m, "4242"), 10u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 10),
              (std::vector<std::uint8_t>{6, 4, 0, 0, 0, '4', '2', '4', '2', 0}));

    // An import's notices, a line each; what would not fit is left out by whole lines.
    const std::vector<std::string> lines{"one", "two"};
    ASSERT_EQ(encodeImported(m, sizeof m, true, lines), 13u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 13),
              (std::vector<std::uint8_t>{8, 1, 7, 0, 0, 0, 'o', 'n', 'e', '\n', 't', 'w', 'o'}));
    ASSERT_EQ(encodeImported(m, 12, false, lines), 9u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 9),
              (std::vector<std::uint8_t>{8, 0, 3, 0, 0, 0, 'o', 'n', 'e'}));

    const LineSettings line{9, Scale::blues, 40, 0, 100, 33};
    ASSERT_EQ(encodeLineSettings(m, line), 7u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 7),
              (std::vector<std::uint8_t>{24, 9, 8, 40, 0, 100, 33}));
    EXPECT_EQ(decodeLineSettings(m), line);
    // What a bad peer sends is held in range.
    const std::uint8_t wild[7] = {24, 12, 200, 5, 101, 255, 100};
    EXPECT_EQ(decodeLineSettings(wild),
              heldInRange({12, static_cast<Scale>(200), 5, 101, 255, 100}));
    EXPECT_EQ(decodeLineSettings(wild).key, 11);

    ASSERT_EQ(encodeLineFileRequest(m, sizeof m, "/c"), 7u);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 7),
              (std::vector<std::uint8_t>{26, 2, 0, 0, 0, '/', 'c'}));
    ASSERT_EQ(encodeLineFileWritten(m, sizeof m, "/c/a.mid"), 14u);
    EXPECT_EQ(m[1], 1);
    ASSERT_EQ(encodeLineFileWritten(m, sizeof m, ""), 6u);
    EXPECT_EQ(m[1], 0) << "no path: nothing was written";

    EXPECT_EQ(encodeExport(m, 8, 0, "/too/long"), 0u);
    EXPECT_EQ(encodePatternName(m, sizeof m, std::string(300, 'x')), 0u);
}

TEST(BridgeProtocol, ChainsRoundTripAndOutOfRangeEntriesAreRefused)
{
    quelvar::ChainEntries longest;
    for (int i = 0; i < quelvar::kMaxChainEntries; ++i)
        longest.append(63 - i % 64);
    std::uint8_t m[kChainMessageBytes];
    const std::size_t length = encodeChain(m, longest);
    ASSERT_EQ(length, kChainMessageBytes);
    EXPECT_EQ(std::vector<std::uint8_t>(m, m + 4), (std::vector<std::uint8_t>{40, 0, 1, 63}));
    EXPECT_EQ(commandLength({m, length}), length);
    quelvar::ChainEntries read;
    ASSERT_TRUE(decodeChain({m, length}, read));
    EXPECT_EQ(read, longest);

    const std::uint8_t pastTheSong[] = {40, 2, 0, 5, 64};
    EXPECT_FALSE(decodeChain(pastTheSong, read));
    const std::uint8_t tooLong[] = {40, 1, 1, 5};
    EXPECT_FALSE(decodeChain(tooLong, read));
}

TEST(BridgeProtocol, PatternContentsRoundTripAndOutOfRangeFieldsAreRefused)
{
    PatternContents sent;
    sent.index = 63;
    sent.stepCount = 64;
    for (std::size_t i = 0; i < sent.steps.size(); ++i)
        sent.steps[i] = {static_cast<std::uint8_t>(i % 61), static_cast<std::uint8_t>(i % 2),
                         static_cast<std::uint8_t>(i % 3 == 0)};
    sent.name = "acid line";
    std::vector<std::uint8_t> m(kPatternContentsFixedBytes + kMaxPatternContentsName);
    const std::size_t length = encodePatternContents(m.data(), m.size(), sent);
    ASSERT_EQ(length, kPatternContentsFixedBytes + 9);
    m.resize(length);
    EXPECT_EQ(m[0], command::patternContents);
    EXPECT_EQ(commandLength(m), length);
    EXPECT_EQ(commandLength(std::span(m).first(length - 1)), 0u) << "cut short";
    PatternContents read;
    ASSERT_TRUE(decodePatternContents(m, read));
    EXPECT_EQ(read.index, 63);
    EXPECT_EQ(read.stepCount, 64);
    EXPECT_EQ(read.steps, sent.steps);
    EXPECT_EQ(read.name, "acid line");

    struct Fault
    {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    for (const Fault& f : {Fault{"index 64", 1, 64}, Fault{"65 steps", 2, 65},
                           Fault{"note 61", 3 + 3 * 10, 61}})
    {
        std::vector<std::uint8_t> bad = m;
        bad[f.offset] = f.value;
        EXPECT_FALSE(decodePatternContents(bad, read)) << f.what;
    }
    const std::string longName(kMaxPatternContentsName + 1, 'x');
    sent.name = longName;
    std::vector<std::uint8_t> big(kPatternContentsFixedBytes + 300);
    EXPECT_EQ(encodePatternContents(big.data(), big.size(), sent), 0u);
}

TEST(BridgeProtocol, TextFieldEndsAtTheFirstZeroWithinItsLength)
{
    const std::uint8_t padded[] = {'a', 'b', 0, 0, 'z'};
    EXPECT_EQ(textField(padded, 5), "ab");
    EXPECT_EQ(textField(padded, 1), "a");
}
