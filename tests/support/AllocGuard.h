// Counts heap allocations made on the current thread inside a NoAllocScope. The global
// operator new/delete replacement lives in AllocGuard.cpp, linked only into test programs.
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

} // namespace allocGuard
