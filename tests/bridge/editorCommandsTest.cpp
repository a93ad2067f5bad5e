#include "bridge/editorCommands.h"

#include "engine/PalladonFiles.h"
#include "support/EngineHarness.h"
#include "support/testFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quelvar;

// Sub-codes come from another process: one outside the set must not land on a neighbour.
TEST(EditorCommands, CodesOutsideTheSetChangeNothing)
{
    TempDir dir;
    Palladon source(nullptr, Flavour::standalone);
    source.getCurrentPattern()->setStepNote(40, 0);
    ASSERT_TRUE(source.exportPattern(dir.file("a.303")));

    EngineHarness h(Flavour::standalone);
    Palladon& engine = h.engine();
    const std::vector<std::uint8_t> before = getChunkBytes(engine);
    EXPECT_TRUE(editorCommands::editStep(engine, static_cast<StepField>(3), 0, 40));
    editorCommands::editCurrentPattern(engine, static_cast<PatternEdit>(7));
    editorCommands::editPattern(engine, static_cast<SlotEdit>(4), 2);
    editorCommands::randomise(engine, static_cast<Randomise>(6));
    editorCommands::exportFile(engine, static_cast<ExportFormat>(1), dir.file("b.303"));
    editorCommands::importFile(engine, static_cast<ImportFormat>(6), -1, dir.file("a.303"));
    h.render(64); // a randomise request would be taken here
    EXPECT_EQ(getChunkBytes(engine), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.303")));
}
