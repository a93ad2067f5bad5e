// Sets flush-to-zero and denormals-are-zero for SSE float/double maths for one scope and
// restores the caller's (the host's) flags on exit. Audio thread; costs two MXCSR writes.
// x87 long double maths is not affected.
#pragma once

#include <xmmintrin.h>

namespace quelvar
{

class ScopedFlushDenormals
{
public:
    ScopedFlushDenormals() : saved(_mm_getcsr())
    {
        _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero);
    }
    ~ScopedFlushDenormals() { _mm_setcsr(saved); }
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved;
};

} // namespace quelvar
