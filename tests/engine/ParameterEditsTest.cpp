// What a plugin format's UI thread takes from the engine's parameter edits: every move, each
// inside one gesture the host is told of once, whatever the recording threads did in between.
#include "engine/Palladon.h"
#include "engine/ParameterEdits.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace quelvar;

namespace
{
std::string taken(ParameterEdits& edits)
{
    std::string out;
    ParameterEdits::Edit e{};
    while (edits.next(e))
    {
        out += e.kind == ParameterEdits::Edit::Kind::begin   ? "b"
               : e.kind == ParameterEdits::Edit::Kind::value ? "v"
                                                             : "e";
        out += std::to_string(e.slot) + " ";
    }
    return out;
}
} // namespace

TEST(ParameterEdits, AMoveOutsideAGestureIsBracketedOnItsOwn)
{
    ParameterEdits edits;
    EXPECT_EQ(taken(edits), "");
    edits.moved(3);
    edits.moved(3);
    EXPECT_EQ(taken(edits), "b3 v3 e3 ");
    EXPECT_FALSE(edits.inGesture(3));
}

TEST(ParameterEdits, AGestureSpansTakesAndEndsOnce)
{
    ParameterEdits edits;
    edits.begin(5);
    EXPECT_EQ(taken(edits), "b5 ");
    EXPECT_TRUE(edits.inGesture(5));
    edits.moved(5);
    EXPECT_EQ(taken(edits), "v5 ");
    edits.moved(5);
    edits.end(5);
    edits.begin(5); // let go and grabbed again between two takes: one gesture goes on
    edits.moved(5);
    EXPECT_EQ(taken(edits), "v5 ");
    edits.end(5);
    EXPECT_EQ(taken(edits), "e5 ");
    edits.end(5); // one end too many closes nothing
    EXPECT_EQ(taken(edits), "");
}

TEST(ParameterEdits, AWholeGestureBetweenTwoTakesKeepsItsOrder)
{
    ParameterEdits edits;
    edits.begin(7);
    edits.moved(7);
    edits.end(7);
    edits.begin(9); // grabbed and let go without a change
    edits.end(9);
    EXPECT_EQ(taken(edits), "b7 v7 e7 b9 e9 ");
}

// The slot after the last one taken comes first, so a slot moved all the time hides no other.
TEST(ParameterEdits, SlotsComeInTurn)
{
    ParameterEdits edits;
    edits.moved(2);
    edits.moved(20);
    ParameterEdits::Edit e{};
    ASSERT_TRUE(edits.next(e));
    ASSERT_TRUE(edits.next(e));
    EXPECT_EQ(e.slot, 2);
    ASSERT_TRUE(edits.next(e));
    edits.moved(2);
    EXPECT_EQ(taken(edits), "b20 v20 e20 b2 v2 e2 ");
    edits.moved(-1);
    edits.begin(kNumParams);
    EXPECT_EQ(taken(edits), "");
}

TEST(ParameterEdits, RecordsFromOtherThreadsAllArrive)
{
    ParameterEdits edits;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&edits, t]
            {
                for (int i = 0; i < 1000; ++i)
                {
                    edits.begin(t);
                    edits.moved(t);
                    edits.end(t);
                }
            });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(taken(edits), "b0 v0 e0 b1 v1 e1 b2 v2 e2 b3 v3 e3 ");
}

// The engine keeps the panel's changes there, with no VST 2 host to hear of them.
TEST(ParameterEdits, TheEngineKeepsChangesMadeForTheHost)
{
    Palladon engine(nullptr, Flavour::plugin);
    engine.setParameterAutomated(kCutoff, 0.4f);
    engine.setParameter(kDecay, 0.2f); // the host's own change: not handed back
    EXPECT_EQ(taken(engine.parameterEdits()), "b3 v3 e3 ");
    EXPECT_FLOAT_EQ(engine.getParameter(kCutoff), 0.4f);
}
