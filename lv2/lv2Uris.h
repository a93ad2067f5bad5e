// The URIs that name the plugin, its UI, its state and its presets. Shared by the adapter, the
// generated bundle description and the tests.
#pragma once

namespace quelvar
{

inline constexpr const char* kLv2PluginUri = "https://brontavell.example/quelvar/lv2";
inline constexpr const char* kLv2UiUri = "https://brontavell.example/quelvar/lv2#ui";
// The whole state: the bytes of the VST state chunk, as an atom:Chunk.
inline constexpr const char* kLv2ChunkKey = "https://brontavell.example/quelvar/lv2#chunk";
inline constexpr const char* kLv2PresetPrefix = "https://brontavell.example/quelvar/lv2/presets#";

} // namespace quelvar
