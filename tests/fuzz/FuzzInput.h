// A fuzz target's input, read from the front as the values it builds; past its end every read
// is zero, so any input, the empty one too, gives a whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quelvar::fuzz
{

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    void bytes(void* out, std::size_t n)
    {
        auto* o = static_cast<std::uint8_t*>(out);
        for (std::size_t i = 0; i < n; ++i)
            o[i] = byte();
    }
    // Any bit pattern of a T.
    template <typename T> T raw()
    {
        T v;
        std::uint8_t b[sizeof v];
        bytes(b, sizeof b);
        std::memcpy(&v, b, sizeof v);
        return v;
    }
    // Any bit pattern, NaN and infinities included, half the time; else a tame value.
    double number(double scale) { return byte() % 2 == 0 ? (byte() - 64) * scale : raw<double>(); }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

} // namespace quelvar::fuzz
