// What this program is: its version, and the source revision and date it was built from
// (written at each build). Constants.
#pragma once

namespace quelvar::buildInfo
{

extern const char* const kVersion;      // "1.0.0"
extern const char* const kRevision;     // "6f9e440", "6f9e440-dirty" or "unknown"
extern const char* const kRevisionDate; // "2025-05-01", or empty when unknown

} // namespace quelvar::buildInfo
