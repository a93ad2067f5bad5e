#include "effects/Delay.h"
#include "effects/DistortionSection.h"
#include "effects/OutputVolume.h"
#include "support/AllocGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>
#include <xmmintrin.h>

using namespace quelvar;

namespace
{
// A bright, loud test tone: a saw with some level movement.
std::vector<float> saw(int n, int offset = 0)
{
    std::vector<float> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        const int k = i + offset;
        s[static_cast<std::size_t>(i)] = 0.8f * (static_cast<float>(k % 101) / 50.0f - 1.0f) *
                                         (0.6f + 0.4f * std::sin(0.001f * static_cast<float>(k)));
    }
    return s;
}

struct Block
{
    std::vector<float> left;
    std::vector<float> right;

    // The voice leaves the same mono signal in both channels.
    explicit Block(const std::vector<float>& in) : left(in), right(in) {}
    int size() const { return static_cast<int>(left.size()); }
};

void prepare(DistortionSection& s)
{
    s.setSampleRate(44100.0f);
    s.resume();
    s.setDistoParam1(0.7f);
}

std::vector<float> runSection(DistortionSection& s, const std::vector<float>& in)
{
    Block b(in);
    s.process(b.left.data(), b.right.data(), b.size());
    EXPECT_EQ(b.left, b.right);
    return b.left;
}

// The section's distortion of `in` when no crossfade is involved, from a twin with the same
// history.
std::vector<float> distorted(DistortionSection& twin, const std::vector<float>& in)
{
    Block b(in);
    twin.processDisto(b.left.data(), b.right.data(), b.size());
    return b.left;
}
} // namespace

TEST(DistortionSection, OffPassesTheBlockUnchanged)
{
    DistortionSection s;
    prepare(s);
    const std::vector<float> in = saw(300);
    EXPECT_EQ(runSection(s, in), in);
}

class DistortionSwitch : public ::testing::TestWithParam<int>
{
};

// Switching on fades from dry to distorted over the first 64 samples (the whole block when
// it is shorter); switching off keeps the block distorted and fades its last 64 to dry.
TEST_P(DistortionSwitch, OnAndOffCrossfadeAtTheBlockEdges)
{
    const int n = GetParam();
    const int L = std::min(n, 64);
    DistortionSection a, twin;
    prepare(a);
    prepare(twin);
    a.setOn(1.0f);
    twin.setOn(1.0f);

    const std::vector<float> first = saw(n);
    const std::vector<float> wet = distorted(twin, first);
    const std::vector<float> faded = runSection(a, first);
    for (int i = 0; i < n; ++i)
    {
        const std::size_t k = static_cast<std::size_t>(i);
        const double w = i < L ? 1.0 - static_cast<double>(i) / L : 0.0;
        EXPECT_NEAR(faded[k], (1.0 - w) * wet[k] + w * first[k], 1e-6) << i;
    }
    EXPECT_EQ(faded[0], first[0]);
    EXPECT_FALSE(a.isOnOffChangePending());

    EXPECT_EQ(a.setOn(0.3f), 0.0f);
    const std::vector<float> second = saw(n, n);
    const std::vector<float> wet2 = distorted(twin, second);
    const std::vector<float> out = runSection(a, second);
    for (int i = 0; i < n; ++i)
    {
        const std::size_t k = static_cast<std::size_t>(i);
        const int j = i - (n - L);
        const double w = j >= 0 ? 1.0 - static_cast<double>(j) / L : 1.0;
        EXPECT_NEAR(out[k], w * wet2[k] + (1.0 - w) * second[k], 1e-6) << i;
    }

    const std::vector<float> third = saw(n, 2 * n);
    EXPECT_EQ(runSection(a, third), third);
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, DistortionSwitch, ::testing::Values(1, 20, 64, 200, 512));

TEST(DistortionSection, SelectorPicksTypesAndReportsWhenTheEditorMustKnow)
{
    DistortionSection s;
    const std::pair<float, int> cases[] = {{0.0f, 0},  {0.2f, 0}, {0.25f, 1}, {0.5f, 2},
                                           {0.75f, 3}, {1.0f, 3}, {1.7f, 3},  {-0.4f, 0}};
    for (const auto& [value, expected] : cases)
    {
        s.setDisto(value);
        EXPECT_EQ(s.getType(), expected) << value;
    }

    DistortionSection t;
    prepare(t);
    EXPECT_FALSE(t.setDisto(0.1f)); // unchanged, nothing pending
    EXPECT_TRUE(t.setDisto(0.5f));  // changed
    EXPECT_EQ(t.getPreviousType(), 0);
    EXPECT_TRUE(t.setDisto(0.6f)); // unchanged, but the change is still pending
    EXPECT_EQ(t.getPreviousType(), 2);
    EXPECT_TRUE(t.isTypeChangePending());

    // While off the change waits; the first block with the section on takes it.
    std::vector<float> in = saw(128);
    runSection(t, in);
    EXPECT_TRUE(t.isTypeChangePending());
    t.setOn(1.0f);
    runSection(t, in);
    EXPECT_FALSE(t.isTypeChangePending());
    EXPECT_FALSE(t.setDisto(0.6f));
}

TEST(DistortionSection, TypeChangeGlidesFromTheOldTypeOverTheWholeBlock)
{
    const int n = 500;
    DistortionSection a, twin;
    for (DistortionSection* s : {&a, &twin})
    {
        prepare(*s);
        s->setOn(1.0f);
        runSection(*s, saw(n, 3 * n)); // fades in: same history for both
    }
    const std::vector<float> warm = saw(n, 2 * n);
    EXPECT_EQ(runSection(a, warm), distorted(twin, warm));

    a.setDisto(0.25f); // overdrive -> clipper
    const std::vector<float> in = saw(n, n);
    twin.setDisto(0.25f);
    const std::vector<float> now = distorted(twin, in);
    twin.setDisto(0.0f);
    const std::vector<float> old = distorted(twin, in);

    const std::vector<float> out = runSection(a, in);
    for (int i = 0; i < n; ++i)
    {
        const std::size_t k = static_cast<std::size_t>(i);
        const double w = 1.0 - static_cast<double>(i) / n;
        EXPECT_NEAR(out[k], (1.0 - w) * now[k] + w * old[k], 1e-6) << i;
    }
    EXPECT_EQ(out[0], old[0]);
}

// Blocks longer than the dry copy run in pieces; the result equals feeding the pieces as
// separate blocks.
TEST(DistortionSection, BlocksLongerThanTheDryCopyRunInPieces)
{
    const int n = 2 * DistortionSection::kMaxPiece + 1234;
    const std::vector<float> in = saw(n);
    DistortionSection whole, pieces;
    for (DistortionSection* s : {&whole, &pieces})
    {
        prepare(*s);
        s->setDisto(0.75f);
        s->setOn(1.0f);
    }
    const std::vector<float> out = runSection(whole, in);

    std::vector<float> expected = in;
    std::vector<float> right(static_cast<std::size_t>(n));
    for (int done = 0; done < n; done += DistortionSection::kMaxPiece)
    {
        const int len = std::min(DistortionSection::kMaxPiece, n - done);
        pieces.process(&expected[static_cast<std::size_t>(done)],
                       &right[static_cast<std::size_t>(done)], len);
    }
    EXPECT_EQ(out, expected);
    EXPECT_FALSE(whole.isTypeChangePending());
    EXPECT_FALSE(whole.isOnOffChangePending());
}

TEST(DistortionSection, RendersWithoutAllocating)
{
    DistortionSection s;
    prepare(s);
    std::vector<float> left(DistortionSection::kMaxPiece + 100), right(left.size());
    const std::vector<float> in = saw(static_cast<int>(left.size()));

    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope guard;
        int round = 0;
        for (int frames : {1, 7, 64, 512, DistortionSection::kMaxPiece + 100})
        {
            for (float sel : {0.0f, 0.25f, 0.5f, 0.75f})
            {
                left.assign(in.begin(), in.end());
                s.setDisto(sel);
                s.setOn((round++ % 3) ? 1.0f : 0.0f);
                s.setDistoParam2(0.3f);
                s.process(left.data(), right.data(), frames);
            }
        }
    }
    EXPECT_EQ(allocGuard::count(), before);
}

TEST(OutputVolume, ZeroSilencesOnceSettledAndRateChangesRestartTheSmoother)
{
    OutputVolume v;
    v.setSampleRate(44100.0f);
    std::vector<float> l(1000, 0.5f), r(1000, -0.5f);
    v.processGlobalVolume(l.data(), r.data(), 1000);
    EXPECT_NEAR(l.back(), 0.5f, 1e-6f);
    EXPECT_NEAR(r.back(), -0.5f, 1e-6f);
    EXPECT_LT(l.front(), 0.05f); // rises from silence

    v.setVolume(0.0f);
    l.assign(1000, 0.5f);
    r.assign(1000, -0.5f);
    v.processGlobalVolume(l.data(), r.data(), 1000);
    EXPECT_GT(l.front(), 0.1f);
    EXPECT_LT(std::fabs(l.back()), 1e-20f);
    EXPECT_LT(std::fabs(r.back()), 1e-20f);

    v.setVolume(0.5f);
    l.assign(1000, 1.0f);
    r.assign(1000, 1.0f);
    v.processGlobalVolume(l.data(), r.data(), 1000);
    EXPECT_NEAR(r.back(), 0.5f, 1e-6f);
    v.setSampleRate(96000.0f);
    l.assign(4, 1.0f);
    r.assign(4, 1.0f);
    v.processGlobalVolume(l.data(), r.data(), 4);
    EXPECT_LT(l[0], 0.01f);
    EXPECT_GT(r[0], l[0]); // the smoother steps twice per frame
}

TEST(EffectUnits, LeaveTheCallersFloatingPointModeAsTheyFoundIt)
{
    DistortionSection s;
    prepare(s);
    s.setOn(1.0f);
    Delay d;
    d.setActive(true);
    OutputVolume v;
    std::vector<float> l = saw(256), r = l;

    const unsigned before = _mm_getcsr();
    s.process(l.data(), r.data(), 256);
    d.process(l.data(), r.data(), 256);
    v.processGlobalVolume(l.data(), r.data(), 256);
    EXPECT_EQ(_mm_getcsr(), before);
}
