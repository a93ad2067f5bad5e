// The shared sessions played through the VST 3 bundle in the VST 3 test host, fed as a VST 3
// host feeds it: the transport as each block's process context (a loop back inside a block as
// the cycle that wraps there, any other change inside a block as a block boundary), notes as
// note events, controls as parameter changes at the block's first frame.
#pragma once

#include "support/Vst3TestHost.h"
#include "support/sessions.h"

namespace quelvar
{

Played playVst3(const Session& session);
// In a host the caller keeps; started here.
Played playVst3In(Vst3TestHost& host, const Session& session);

} // namespace quelvar
