// The shared sessions played through the LV2 bundle in the lilv host, fed as an LV2 host feeds
// it: positions as time:Position objects at their frames, controls as port values.
#pragma once

#include "lv2/controlPorts.h"
#include "support/Lv2TestHost.h"
#include "support/sessions.h"

namespace quelvar
{

Played playLv2(const Session& session);
// In a host the caller keeps, made for the session's rate and block length.
Played playLv2In(Lv2TestHost& host, const Session& session);

} // namespace quelvar
