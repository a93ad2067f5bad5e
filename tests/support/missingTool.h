// A test that needs a tool or package the machine lacks. On the CI path (CI=true) that means an
// install step is missing, so the test fails; on a developer's partial machine it is skipped.
#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>

namespace quelvar
{
inline bool onCiPath()
{
    const char* ci = std::getenv("CI");
    return ci && std::string_view(ci) == "true";
}
} // namespace quelvar

// Ends the calling test (or its SetUp): a failure on the CI path, a skip elsewhere.
#define QUELVAR_MISSING(what)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (quelvar::onCiPath())                                                                   \
            FAIL() << what;                                                                        \
        GTEST_SKIP() << what;                                                                      \
    } while (false)
