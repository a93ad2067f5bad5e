// The factory patterns: acid lines of our own, each with a sound of its own, as a pattern and a
// snapshot of the 29 parameter slots. The panel installs them as .303 files, the LV2 bundle
// ships them as presets. Built on the caller's thread; allocates.
#pragma once

#include "io/parameterSlots.h"
#include "sequencer/Pattern.h"

#include <string>
#include <vector>

namespace quelvar
{

struct FactoryPattern
{
    std::string name; // "Sour Rain"
    Pattern pattern;  // named like the entry
    ParameterSnapshot parameters;
};

std::vector<FactoryPattern> factoryPatterns();

} // namespace quelvar
