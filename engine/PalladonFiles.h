// The engine's state through chunks and files: what Palladon's chunk and file methods do, also
// for bytes already in memory (tools, fuzz targets). The formats themselves live in io/; here
// they meet the engine. Caller's thread, never the audio thread; all allocate.
#pragma once

#include "io/chunkSections.h"
#include "io/parameterSlots.h"
#include "io/stateChunk.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quelvar
{

class Palladon;

// The 29 slot values as getParameter answers them.
ParameterSnapshot parameterSnapshot(Palladon& engine);

// The chunk as the engine's state stands: version 2, 29 parameters, 64 records, then the MIDI
// controller section, the line section and the chain section.
std::vector<std::uint8_t> getChunkBytes(Palladon& engine);
// 1 when the chunk was applied, 0 when rejected. A rejected chunk keeps what was applied
// before the fault: parameters once the header is sound, and every record before the bad one.
// A chunk without a controller section (an older one) leaves the controllers as they are; one
// without a line section puts the key, the scale and the line shares to their defaults; one
// without a chain section empties the chain and switches chain play off.
// Every importer below given `notices` adds what the reader changed or left out, one plain
// sentence each.
int setChunk(Palladon& engine, const void* data, std::size_t size,
             std::vector<std::string>* notices = nullptr);
// setChunk without its trace lines.
int applyChunk(Palladon& engine, const ParsedChunk& chunk, const ChunkSections& sections = {},
               std::vector<std::string>* notices = nullptr);
// Parses and applies only a chunk that is well formed throughout, so a fault changes nothing.
// True when it was applied.
bool applyWholeChunk(Palladon& engine, const std::uint8_t* data, std::size_t size,
                     std::vector<std::string>* notices = nullptr);

// Pattern files in memory, installed in slot `index` (−1: the current one); true when a pattern
// was installed. A file that is not a pattern changes nothing. The native file, with
// `withParams`, also applies its parameters except the pattern trigger and, while the engine
// ignores it on import, the sync type.
bool importPatternData(Palladon& engine, const std::uint8_t* data, std::size_t size, int index,
                       bool withParams, std::vector<std::string>* notices = nullptr);
// ABL files are named after `path`.
bool importABLPatternText(Palladon& engine, std::string_view text, const std::string& path,
                          int index, bool withParams, std::vector<std::string>* notices = nullptr);
bool importABL3PatternText(Palladon& engine, std::string_view text, const std::string& path,
                           int index, std::vector<std::string>* notices = nullptr);
bool importPhoscyonPatternData(Palladon& engine, const char* data, std::size_t size, int index,
                               std::vector<std::string>* notices = nullptr);

// Song pattern `index`, or the current one for −1, as a standard MIDI file at a tempo of the
// caller's choosing (for an engine no host reports a tempo to). False when nothing was written
// (empty path, no such pattern, file not writable).
bool exportMidiPattern(Palladon& engine, const std::string& path, int index, double tempoBpm);
// One pass of the chain as a standard MIDI file named kChainTrackName, at a tempo of the caller's
// choosing; empty for an empty chain. False when nothing was written (no chain, empty path, file
// not writable).
constexpr const char* kChainTrackName = "chain";
std::vector<std::uint8_t> midiChainOf(Palladon& engine, double tempoBpm);
bool exportMidiChain(Palladon& engine, const std::string& path, double tempoBpm);

// What the sequencer plays now as a standard MIDI file, at the tempo in force (the host's in host
// sync, the internal one otherwise), and the name a copy of it goes by: the current pattern as
// exportMidiPattern writes it, "Quelvar 17 Pattern name"; while chain play is on (and the chain
// holds an entry), a pass of the chain as exportMidiChain writes it, kChainFileName. Everything
// that hands the playing line to another program takes it from here.
constexpr const char* kChainFileName = "Quelvar chain";
struct PlayingLine
{
    std::string name;
    std::vector<std::uint8_t> midi;
};
PlayingLine playingLine(Palladon& engine);
// The playing line written into `folder` of the user's cache (io/lineFiles.h): the file's path, or
// empty when none could be written.
std::string writePlayingLine(Palladon& engine, const std::string& folder);

} // namespace quelvar
