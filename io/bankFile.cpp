#include "io/bankFile.h"

#include "engine/Palladon.h"
#include "io/fileBytes.h"
#include "io/stateChunk.h"

namespace quelvar
{

bool exportBank(Palladon& engine, const std::string& path)
{
    if (path.empty() || !engine.getCurrentPattern())
        return false;
    const std::vector<std::uint8_t> chunk = getChunkBytes(engine);
    return writeFileBytes(path, chunk.data(), chunk.size());
}

bool importBank(Palladon& engine, const std::string& path, int /*index*/)
{
    const auto bytes = readFileBytes(path);
    if (!bytes)
        return false;
    return setChunk(engine, bytes->data(), bytes->size()) == 1;
}

} // namespace quelvar
