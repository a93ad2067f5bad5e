// Moving state into and out of the loaded plugin through its chunk opcodes, as a DAW does.
// Pattern files have no opcode: they are read by an in-process engine that mirrors the plugin's
// state, whose chunk then goes back to the plugin. Offline use; allocates.
#pragma once

#include "patternFormats.h"
#include "tools/vsthost/VstHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quelvar
{

class Palladon;

// The plugin's state chunk (opcode 23), copied; empty when it gives none.
std::vector<std::uint8_t> readPluginChunk(VstHost& host);
// Opcode 24; true when the plugin applied the chunk.
bool writePluginChunk(VstHost& host, std::vector<std::uint8_t>& chunk);

// An engine in this process holding the plugin's state, with the plugin's current pattern
// current. Null with a message when the plugin's chunk cannot be read.
std::unique_ptr<Palladon> mirrorPluginState(VstHost& host, std::string& error);

// A .b303 file handed to the plugin as a host restores a project.
bool loadBank(VstHost& host, const std::string& path, std::string& error,
              std::vector<std::string>& notices);
// A .303, .pat or .phptr file installed as the plugin's current pattern.
bool loadPattern(VstHost& host, const std::string& path, bool withParams, std::string& error,
                 std::vector<std::string>& notices);
// The plugin's current pattern as a standard MIDI file at the given tempo.
bool exportPluginPattern(VstHost& host, const std::string& path, const PatternWriteOptions& options,
                         std::string& error);

// Chain play on in the plugin, with its chain set to `entries` first unless they are empty. The
// length of one pass of the chain in beats, or 0 with a message when there is no chain to play.
double playPluginChain(VstHost& host, const std::vector<int>& entries, std::string& error);
// One pass of the plugin's chain as a standard MIDI file at the given tempo.
bool exportPluginChain(VstHost& host, const std::string& path, double tempoBpm,
                       std::string& error);

} // namespace quelvar
