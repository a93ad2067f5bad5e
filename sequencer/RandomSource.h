// The randomisers' generator: reseeded on every use, no lock and no allocation, so the audio
// thread can randomise the current pattern. random(n) keeps the single-precision formula whose
// rounding can answer n itself for the largest draws; below(n) is exact.
#pragma once

#include <cstdint>
#include <random>

namespace quelvar
{

class RandomSource
{
public:
    // Seeds one apart (two calls in one second) must not start alike: the seed is mixed first.
    explicit RandomSource(std::uint32_t seed) : engine(mix(seed)) {}

    // Uniform integer below n (n itself in rare rounding cases).
    int random(int n)
    {
        const auto r = static_cast<float>(engine());
        return static_cast<int>(static_cast<float>(n) * (r * 4.656612873077393e-10f));
    }

    // Uniform integer 0 … n − 1 for n ≥ 1, never n: the engine's draws are 1 … 2^31 − 2.
    int below(int n)
    {
        const std::uint64_t r = engine() - 1u;
        return static_cast<int>((r * static_cast<std::uint64_t>(n)) >> 31);
    }

private:
    static std::uint32_t mix(std::uint32_t seed)
    {
        std::uint64_t z = seed + 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        const auto mixed = static_cast<std::uint32_t>(z % 2147483646u) + 1u;
        return mixed;
    }

    std::minstd_rand engine;
};

} // namespace quelvar
