// Wire format of the editor bridge: notices (plugin to UI process) and commands (UI process to
// plugin). A message is an opcode byte and fixed little-endian fields at unaligned offsets.
// Encoders write into caller buffers and allocate nothing, so the audio thread may use them.
#pragma once

#include "sequencer/Chain.h"
#include "sequencer/Song.h"
#include "sequencer/lineOperations.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace quelvar::bridge
{

constexpr int kEditorWidth = 621;
constexpr int kEditorHeight = 437;
// The sizes the panel is shown at, in percent; everything in it is painted, so it stays sharp.
constexpr std::array<int, 4> kEditorScales = {100, 125, 150, 200};

constexpr bool isEditorScale(int percent)
{
    for (const int s : kEditorScales)
        if (s == percent)
            return true;
    return false;
}

// A length of the panel at a scale, in whole pixels (halves round up), as both the plugin and
// the UI process size the window.
constexpr int scaledLength(int length, int percent)
{
    return (length * percent + 50) / 100;
}

// Whole-message writes up to this size are atomic on a pipe, so messages from different threads
// never interleave and a full pipe refuses a message instead of taking half of it.
constexpr std::size_t kAtomicWriteBytes = 4096;

namespace notice
{
constexpr std::uint8_t parameter = 1;       // int32 index, float value
constexpr std::uint8_t refresh = 2;         // reread the shared block
constexpr std::uint8_t step = 3;            // byte step
constexpr std::uint8_t midi = 4;            // byte status, byte data 1, byte data 2
constexpr std::uint8_t windowOld = 5;       // read like window
constexpr std::uint8_t window = 6;          // int32 L, L bytes of decimal window id, a zero byte
constexpr std::uint8_t quit = 7;            // a zero byte
// byte 1 read or 0 refused, int32 L, L bytes of text: what the reader changed, a line each
constexpr std::uint8_t imported = 8;
// byte 1 written or 0 not, int32 L, L bytes of path: the file command 24 asked for
constexpr std::uint8_t lineFile = 9;
constexpr std::uint8_t distortionType = 16; // byte type 0-3
} // namespace notice

namespace command
{
constexpr std::uint8_t parameter = 1;    // int32 index, float value
constexpr std::uint8_t noteOldest = 2;   // read like note
constexpr std::uint8_t noteOld = 3;      // read like note
constexpr std::uint8_t note = 4;         // byte status, byte note, byte velocity
constexpr std::uint8_t randomise = 10;   // byte mode, two reserved bytes
constexpr std::uint8_t pattern = 11;     // byte edit of the current pattern
constexpr std::uint8_t stepEdit = 12;    // byte field, byte step, int32 value
constexpr std::uint8_t patternSlot = 13; // byte edit, byte pattern index, a reserved byte
constexpr std::uint8_t patternName = 14; // byte L, L bytes of name
// byte pattern index, byte step count, 64 steps of three bytes (note, slide, accent), byte L,
// L bytes of name: the whole pattern, as an undo puts it back
constexpr std::uint8_t patternContents = 15;
constexpr std::uint8_t playOld = 16;
constexpr std::uint8_t play = 17;
constexpr std::uint8_t stop = 18;
constexpr std::uint8_t learnController = 19;  // byte slot; 255 stops learning
constexpr std::uint8_t forgetController = 20; // byte slot
constexpr std::uint8_t editorScale = 21;      // byte percent: the panel's new size
// byte slot: a gesture on a control starts (a knob grabbed) and ends (let go)
constexpr std::uint8_t beginEdit = 22;
constexpr std::uint8_t endEdit = 23;
// byte key, byte scale, bytes of the mutate share and the shares of rests, accents and slides
constexpr std::uint8_t lineSettings = 24;
constexpr std::uint8_t lineEdit = 25; // byte edit (LineEdit) of the current pattern
// int32 L, L bytes of a folder: write the playing line there as a MIDI file; notice 9 answers
constexpr std::uint8_t lineFile = 26;
// two bytes n (little-endian, at most 256), n bytes of song patterns 0-63: the whole chain
constexpr std::uint8_t chain = 40;
constexpr std::uint8_t selectPattern = 41; // byte song pattern 0-63, chosen as a trigger
constexpr std::uint8_t exportFile = 32; // byte format, int32 L, L bytes of path
constexpr std::uint8_t importFile = 33; // byte format, byte pattern index, int32 L, L bytes of path
} // namespace command

inline void putInt32(std::uint8_t* at, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

inline std::int32_t getInt32(const std::uint8_t* at)
{
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

inline void putFloat(std::uint8_t* at, float value)
{
    std::uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    putInt32(at, static_cast<std::int32_t>(u));
}

inline float getFloat(const std::uint8_t* at)
{
    const auto u = static_cast<std::uint32_t>(getInt32(at));
    float value;
    std::memcpy(&value, &u, sizeof value);
    return value;
}

// Text fields are the bytes up to the first zero byte within their length.
inline std::string_view textField(const std::uint8_t* at, std::size_t length)
{
    const auto* chars = reinterpret_cast<const char*>(at);
    const void* zero = std::memchr(chars, 0, length);
    return {chars,
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - chars) : length};
}

// The fields of command 15 (patternContents).
struct PatternContents
{
    int index = 0;
    int stepCount = 0;
    std::array<std::array<std::uint8_t, 3>, kStepsPerPattern> steps{}; // note, slide, accent
    std::string_view name;                                // points into the message
};
constexpr std::size_t kPatternContentsFixedBytes = 3 + kStepsPerPattern * 3 + 1;
constexpr std::size_t kMaxPatternContentsName = kMaxPatternNameBytes;

// Length of the message starting at bytes[0], or 0 when it reaches past the end of bytes (cut
// short) or the opcode is not one of the set. Variable lengths are read from the message and
// bounded by the bytes present, never trusted beyond them.
std::size_t noticeLength(std::span<const std::uint8_t> bytes);
std::size_t commandLength(std::span<const std::uint8_t> bytes);
bool isNoticeOpcode(std::uint8_t opcode);
bool isCommandOpcode(std::uint8_t opcode);

// Encoders: each returns the message length; `out` must hold it. Texts longer than the message
// allows are refused with 0.
std::size_t encodeParameter(std::uint8_t* out, std::uint8_t opcode, int index, float value);
std::size_t encodeThreeBytes(std::uint8_t* out, std::uint8_t opcode, int a, int b, int c);
std::size_t encodeTwoBytes(std::uint8_t* out, std::uint8_t opcode, int a);
std::size_t encodeStepEdit(std::uint8_t* out, int field, int step, int value);
// Window text (notice 6); out holds at least 6 + text length bytes.
std::size_t encodeWindow(std::uint8_t* out, std::string_view text);
// The end of an import (notice 8). Lines that would not fit `capacity` are left out whole.
std::size_t encodeImported(std::uint8_t* out, std::size_t capacity, bool read,
                           std::span<const std::string> lines);
// Pattern name (command 14): at most 255 bytes of text.
std::size_t encodePatternName(std::uint8_t* out, std::size_t capacity, std::string_view name);
std::size_t encodeExport(std::uint8_t* out, std::size_t capacity, int format,
                         std::string_view path);
std::size_t encodeImport(std::uint8_t* out, std::size_t capacity, int format, int patternIndex,
                         std::string_view path);
// Command 22 (7 bytes) and its fields, held in range.
std::size_t encodeLineSettings(std::uint8_t* out, const LineSettings& settings);
LineSettings decodeLineSettings(const std::uint8_t* message);
// Command 24 with its folder, and notice 9 with the path written (empty: none).
std::size_t encodeLineFileRequest(std::uint8_t* out, std::size_t capacity, std::string_view folder);
std::size_t encodeLineFileWritten(std::uint8_t* out, std::size_t capacity, std::string_view path);
// Names past kMaxPatternContentsName bytes are refused with 0.
std::size_t encodePatternContents(std::uint8_t* out, std::size_t capacity,
                                  const PatternContents& contents);
// A whole message of command 15 (as commandLength measured it). False when a field is out of
// range: an index past the song, a step count past 64, a note past 60 or a name too long.
bool decodePatternContents(std::span<const std::uint8_t> message, PatternContents& out);
// Command 40; `out` holds kChainMessageBytes for the longest chain.
constexpr std::size_t kChainMessageBytes = 3 + kMaxChainEntries;
std::size_t encodeChain(std::uint8_t* out, const ChainEntries& chain);
// A whole message of command 40. False when the count passes 256 or an entry the song.
bool decodeChain(std::span<const std::uint8_t> message, ChainEntries& out);

} // namespace quelvar::bridge
