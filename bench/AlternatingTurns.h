// Two plugin instances timed in turns of a few blocks each, the order swapped every time, so the
// machine's state falls on both alike; their ratio is what one adds over the other. Turns are
// timed on the monotonic clock, read without a system call, and span at least 4096 frames, so
// reading the clock weighs on neither side.
#pragma once

#include "tools/vsthost/VstHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace quelvar
{

class AlternatingTurns
{
public:
    explicit AlternatingTurns(int block) : block(block), blocksPerTurn(std::max(1, 4096 / block))
    {
    }

    // Both in turn for the benchmark's iterations; adds each one's time in nanoseconds.
    void run(benchmark::State& state, VstHost& a, VstHost& b, double& aTime, double& bTime)
    {
        bool bFirst = false;
        for (auto _ : state)
        {
            if (bFirst)
            {
                bTime += turn(b);
                aTime += turn(a);
            }
            else
            {
                aTime += turn(a);
                bTime += turn(b);
            }
            bFirst = !bFirst;
        }
        state.SetItemsProcessed(state.iterations() * blocksPerTurn * block * 2);
    }

    // Samples each instance rendered.
    double samples(const benchmark::State& state) const
    {
        return static_cast<double>(state.iterations()) * blocksPerTurn * block;
    }

private:
    double turn(VstHost& host)
    {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < blocksPerTurn; ++i)
            host.processBlock(left.data(), right.data(), block);
        host.received.clear();
        return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0)
            .count();
    }

    const int block;
    const int blocksPerTurn;
    std::vector<float> left = std::vector<float>(static_cast<std::size_t>(block));
    std::vector<float> right = std::vector<float>(static_cast<std::size_t>(block));
};

} // namespace quelvar
