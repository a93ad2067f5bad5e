// The convert mode: pattern files from one format to another through an in-process engine.
// Offline use.
#pragma once

#include "renderOptions.h"

namespace quelvar
{

// Reports each file on standard output, each failure on standard error; the exit status is 1
// when any file failed, else 0.
int runConvert(const ConvertOptions& options);

} // namespace quelvar
