// The two all-pass chains of a polyphase half-band stage, run as a 4-lane SSE pipeline.
// Audio thread only after set_coefs; no allocation.
//
// Chain 0 takes coefficients 0, 2, 4, …, chain 1 takes 1, 3, 5, …. Each section computes
// y = x_prev + a * (x - y_prev). A vector holds section s of both chains in lanes 0–1 and
// section s + 1 in lanes 2–3; section s works on the sample one step behind section s - 1, so
// every lane does useful work each step. Masked steps at both ends of a block fill and drain
// the pipeline, so the result equals plain per-sample processing bit for bit, with no added
// latency.
#pragma once

#include <cstdint>
#include <xmmintrin.h>
#include <emmintrin.h>

namespace hiir
{

template <int NC> class AllPassPipeline
{
    static_assert(NC >= 1, "at least one coefficient");

public:
    static constexpr int kSectionsPerChain = (NC + 1) / 2;
    static constexpr int kVectors = (kSectionsPerChain + 1) / 2;
    static constexpr int kDepth = 2 * kVectors; // sections per chain including pass-throughs

    AllPassPipeline()
    {
        const double none[NC] = {};
        set_coefs(none);
    }

    void set_coefs(const double coefs[NC])
    {
        for (int v = 0; v < kVectors; ++v)
        {
            alignas(16) float c[4];
            alignas(16) std::uint32_t pass[4];
            alignas(16) std::int32_t slot[4];
            for (int lane = 0; lane < 4; ++lane)
            {
                const int section = 2 * v + lane / 2;
                const int index = 2 * section + lane % 2;
                c[lane] = index < NC ? static_cast<float>(coefs[index]) : 0.0f;
                pass[lane] = index < NC ? 0u : 0xFFFFFFFFu;
                slot[lane] = section;
            }
            coef[v] = _mm_load_ps(c);
            passMask[v] = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(pass)));
            sectionIndex[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(slot));
        }
        clear_buffers();
    }

    void clear_buffers()
    {
        for (int v = 0; v < kVectors; ++v)
        {
            x[v] = _mm_setzero_ps();
            y[v] = _mm_setzero_ps();
        }
    }

    // Every memory holds +0 (all bits clear): on silent input the pipeline then stays as it is
    // and gives +0.
    bool silent() const
    {
        __m128i any = _mm_setzero_si128();
        for (int v = 0; v < kVectors; ++v)
            any = _mm_or_si128(any, _mm_or_si128(_mm_castps_si128(x[v]), _mm_castps_si128(y[v])));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(any, _mm_setzero_si128())) == 0xFFFF;
    }

    // Runs n samples. feed(i) returns the inputs of sample i in lanes 0 (chain 0) and 1
    // (chain 1); emit(i, v) receives the chain outputs of sample i in lanes 2 and 3.
    template <class Feed, class Emit> void process(int n, Feed feed, Emit emit)
    {
        const int total = n + kDepth - 1;
        for (int t = 0; t < total; ++t)
        {
            const __m128 in = t < n ? feed(t) : _mm_setzero_ps();
            if (t >= kDepth - 1 && t < n)
                step<false>(in, t, n);
            else
                step<true>(in, t, n);
            if (t >= kDepth - 1)
                emit(t - (kDepth - 1), y[kVectors - 1]);
        }
    }

    // The same sections worked sample by sample, every section on the same sample: for loops
    // that run several filters side by side, so their recurrences overlap. Between process()
    // calls the pipeline's state is exactly this plain state; a Plain takes it over for a run
    // of samples and hands it back when it goes out of scope.
    class Plain
    {
    public:
        explicit Plain(AllPassPipeline& p) : owner(p)
        {
            for (int s = 0; s < kDepth; ++s)
            {
                coef[s] = half(p.coef[s / 2], s);
                pass[s] = half(p.passMask[s / 2], s);
                x[s] = half(p.x[s / 2], s);
                y[s] = half(p.y[s / 2], s);
            }
        }
        ~Plain()
        {
            for (int v = 0; v < kVectors; ++v)
            {
                owner.x[v] = _mm_movelh_ps(x[2 * v], x[2 * v + 1]);
                owner.y[v] = _mm_movelh_ps(y[2 * v], y[2 * v + 1]);
            }
        }
        Plain(const Plain&) = delete;
        Plain& operator=(const Plain&) = delete;

        // Lanes 0 and 1: the inputs of chains 0 and 1, then their outputs.
        __m128 step(__m128 in)
        {
            __m128 src = in;
            for (int s = 0; s < kDepth; ++s)
            {
                __m128 out = _mm_add_ps(x[s], _mm_mul_ps(coef[s], _mm_sub_ps(src, y[s])));
                if constexpr (NC % 4 != 0)
                    out = select(pass[s], src, out);
                x[s] = src;
                y[s] = out;
                src = out;
            }
            return src;
        }

    private:
        // Section s of a vector, in lanes 0 and 1.
        static __m128 half(__m128 v, int s) { return s % 2 == 0 ? v : _mm_movehl_ps(v, v); }

        AllPassPipeline& owner;
        __m128 coef[kDepth];
        __m128 pass[kDepth];
        __m128 x[kDepth];
        __m128 y[kDepth];
    };

private:
    static __m128 select(__m128 mask, __m128 ifSet, __m128 ifClear)
    {
        return _mm_or_ps(_mm_and_ps(mask, ifSet), _mm_andnot_ps(mask, ifClear));
    }

    // Section s works on sample t - s; in masked steps lanes outside the block keep state.
    template <bool Masked> void step(__m128 in, int t, int n)
    {
        // Highest vector first: it reads the previous step's output of the one below.
        for (int v = kVectors - 1; v >= 0; --v)
        {
            const __m128 src = v == 0 ? _mm_movelh_ps(in, y[0])
                                      : _mm_shuffle_ps(y[v - 1], y[v], _MM_SHUFFLE(1, 0, 3, 2));
            __m128 out = _mm_add_ps(x[v], _mm_mul_ps(coef[v], _mm_sub_ps(src, y[v])));
            if constexpr (NC % 4 != 0)
                out = select(passMask[v], src, out);
            if constexpr (Masked)
            {
                const __m128i started = _mm_cmplt_epi32(sectionIndex[v], _mm_set1_epi32(t + 1));
                const __m128i notDone = _mm_cmpgt_epi32(sectionIndex[v], _mm_set1_epi32(t - n));
                const __m128 valid = _mm_castsi128_ps(_mm_and_si128(started, notDone));
                y[v] = select(valid, out, y[v]);
                x[v] = select(valid, src, x[v]);
            }
            else
            {
                y[v] = out;
                x[v] = src;
            }
        }
    }

    __m128 coef[kVectors];
    __m128 passMask[kVectors];
    __m128i sectionIndex[kVectors];
    __m128 x[kVectors]; // previous input of each section
    __m128 y[kVectors]; // previous output of each section
};

} // namespace hiir
