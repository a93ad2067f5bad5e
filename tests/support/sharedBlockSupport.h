// Gives an in-process engine the shared block the plugin's entry gives it. Test thread only.
#pragma once

#include "bridge/SharedBlock.h"
#include "engine/Palladon.h"

#include <memory>

namespace quelvar
{

// The block, still owned by the engine; null when it could not be made.
inline SharedBlock* attachSharedBlock(Palladon& engine)
{
    std::unique_ptr<SharedBlock> block = SharedBlock::create();
    SharedBlock* attached = block.get();
    engine.attachSharedBlock(std::move(block));
    return attached;
}

} // namespace quelvar
