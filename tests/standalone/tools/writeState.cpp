// Test helper: writes the state file of a standalone engine whose sync mode is the one given
// (0 host sync, 1 internal, 2 MIDI in).
// Usage: quelvar-write-state <path> <sync mode>
#include "engine/Palladon.h"

#include <cstdio>
#include <cstdlib>

namespace
{
VstIntPtr noHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 1;
    const int mode = std::atoi(argv[2]);
    quelvar::Palladon engine(&noHost, quelvar::Flavour::standalone);
    engine.setParameter(quelvar::kSyncType, mode == 0 ? 0.0f : (mode == 1 ? 0.5f : 1.0f));
    void* data = nullptr;
    const VstInt32 size = engine.getChunk(&data, false);
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f)
        return 1;
    const bool ok = std::fwrite(data, 1, static_cast<std::size_t>(size), f) ==
                    static_cast<std::size_t>(size);
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
