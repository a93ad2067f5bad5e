// The engine's chunk and file operations, forwarded to the readers and writers of this folder.
#include "engine/Palladon.h"
#include "io/ablExport.h"
#include "io/ablImport.h"
#include "io/bankFile.h"
#include "io/midiExport.h"
#include "io/patternFile.h"
#include "io/phoscyonPattern.h"
#include "io/stateChunk.h"

namespace quelvar
{

// The block stays valid until the next call; the host copies it before then.
VstInt32 Palladon::getChunk(void** data, bool /*isPreset*/)
{
    chunkBlock = getChunkBytes(*this);
    *data = chunkBlock.data();
    return static_cast<VstInt32>(chunkBlock.size());
}

VstInt32 Palladon::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/)
{
    return quelvar::setChunk(*this, data, byteSize > 0 ? static_cast<std::size_t>(byteSize) : 0);
}

bool Palladon::exportPattern(const std::string& path)
{
    return quelvar::exportPattern(*this, path);
}

bool Palladon::importPattern(const std::string& path, int index, bool withParams)
{
    return quelvar::importPattern(*this, path, index, withParams);
}

bool Palladon::exportBank(const std::string& path)
{
    return quelvar::exportBank(*this, path);
}

bool Palladon::importBank(const std::string& path, int index)
{
    return quelvar::importBank(*this, path, index);
}

bool Palladon::exportABL2Pattern(const std::string& path)
{
    return quelvar::exportABL2Pattern(*this, path);
}

bool Palladon::exportABL3Pattern(const std::string& path)
{
    return quelvar::exportABL3Pattern(*this, path);
}

bool Palladon::importABLPattern(const std::string& path, int index, bool withParams)
{
    return quelvar::importABLPattern(*this, path, index, withParams);
}

bool Palladon::importABL3Pattern(const std::string& path, int index, bool withParams)
{
    return quelvar::importABL3Pattern(*this, path, index, withParams);
}

bool Palladon::exportPhoscyonPattern(const std::string& path)
{
    return quelvar::exportPhoscyonPattern(*this, path);
}

bool Palladon::importPhoscyonPattern(const std::string& path, int index)
{
    return quelvar::importPhoscyonPattern(*this, path, index);
}

bool Palladon::exportMidiPattern(const std::string& path, int index)
{
    return quelvar::exportMidiPattern(*this, path, index);
}

} // namespace quelvar
