#include "engine/noteTables.h"

#include <gtest/gtest.h>

using namespace quelvar;

TEST(cNoteFreq, TellingRows)
{
    EXPECT_EQ(cNoteFreq[0], 0.0L);
    EXPECT_EQ(cNoteFreq[1], 130.813L);
    EXPECT_EQ(cNoteFreq[10], 220.0L);
    EXPECT_EQ(cNoteFreq[22], 440.0L);
    EXPECT_EQ(cNoteFreq[34], 880.0L);
    EXPECT_EQ(cNoteFreq[60], 3951.066L);
}
