// Counts heap allocations made on the current thread inside a NoAllocScope, or makes them fail
// inside a FailAllocScope. The global operator new/delete replacement lives in AllocGuard.cpp,
// linked only into test programs.
#pragma once

namespace allocGuard
{

// Allocations counted inside any NoAllocScope since the program started.
int count();

class NoAllocScope
{
public:
    NoAllocScope();
    ~NoAllocScope();
    NoAllocScope(const NoAllocScope&) = delete;
    NoAllocScope& operator=(const NoAllocScope&) = delete;
};

// Every allocation on the current thread fails inside it, as when memory runs out.
class FailAllocScope
{
public:
    FailAllocScope();
    ~FailAllocScope();
    FailAllocScope(const FailAllocScope&) = delete;
    FailAllocScope& operator=(const FailAllocScope&) = delete;
};

} // namespace allocGuard
