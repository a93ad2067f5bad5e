#include "support/chunkSamples.h"

#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"

namespace quelvar
{

std::vector<std::uint8_t> editedChunk()
{
    Palladon engine(nullptr, Flavour::plugin);
    Pattern* p = engine.getSong().getPattern(5);
    p->setNBStep(23);
    p->setStepNote(40, 22);
    p->setName("edited");
    engine.getSong().getPattern(0)->setStepNote(30, 0);
    engine.setParameter(kResonance, 0.3f);
    engine.setParameter(kDelayOn, 1.0f);
    return getChunkBytes(engine);
}

std::vector<MalformedChunk> malformedChunks()
{
    std::vector<std::uint8_t> cutShort = editedChunk();
    cutShort.resize(cutShort.size() - 40);
    std::vector<std::uint8_t> thirtyParameters = editedChunk();
    thirtyParameters[2] = 30;
    return {{"cutShort", cutShort}, {"thirtyParameters", thirtyParameters}, {"versionOnly", {2}}};
}

} // namespace quelvar
