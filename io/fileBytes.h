// Whole-file reading and writing for the pattern, bank and interchange files.
// Caller's thread (never the audio thread); allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelvar
{

// Far above any file the readers accept; a larger file (or a device that never ends) is
// refused instead of filling memory.
constexpr std::size_t kMaxImportBytes = 4u << 20;

// None when the file cannot be opened or read, or is larger than kMaxImportBytes.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path);
// Creates or truncates the file; false when it cannot be written completely.
bool writeFileBytes(const std::string& path, const void* data, std::size_t size);

} // namespace quelvar
