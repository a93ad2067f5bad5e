#include "io/phoscyonPattern.h"

#include "ioTestSupport.h"

#include <gtest/gtest.h>

using namespace quelvar;
using namespace quelvar::iotest;

namespace
{
PatternImport parse(const std::string& xml)
{
    return parsePhoscyonPattern(xml.data(), xml.size());
}

std::string patternXml(const std::string& attributes, const std::string& steps)
{
    return "<Pattern application=\"Phoscyon\" " + attributes + ">\n" + steps + "</Pattern>\n";
}

std::string stepXml(int note, int up, int down, int gate, int accent = 0, int slide = 0)
{
    return "  <Step note=\"" + std::to_string(note) + "\" octaveUp=\"" + std::to_string(up) +
           "\" octaveDown=\"" + std::to_string(down) + "\" gate=\"" + std::to_string(gate) +
           "\" accent=\"" + std::to_string(accent) + "\" slide=\"" + std::to_string(slide) +
           "\"/>\n";
}

} // namespace

TEST(Phoscyon, StepsWriteNineAttributesInOrder)
{
    Pattern p(2);
    p.setStepNote(0, 0);
    p.setStepNote(37, 1);
    p.setStepAccent(true, 1);
    const std::string text = phoscyonPatternText(p, 133, false);
    EXPECT_NE(text.find("<Step note=\"-25\" octaveUp=\"0\" octaveDown=\"0\" gate=\"0\" "
                        "accent=\"0\" slide=\"0\" gateLevel=\"0\" accentLevel=\"0\" "
                        "slideLevel=\"0\"/>"),
              std::string::npos);
    EXPECT_NE(text.find("<Step note=\"12\" octaveUp=\"0\" octaveDown=\"0\" gate=\"1\" "
                        "accent=\"1\""),
              std::string::npos);
    EXPECT_NE(text.find("tempo=\"133\""), std::string::npos);
}

TEST(Phoscyon, OctaveFlagsMoveTheNoteAndOutOfRangeNotesBecomeRests)
{
    const PatternImport r = parse(patternXml(
        "length=\"7\"", stepXml(12, 0, 1, 1, 1, 0) + stepXml(12, 1, 0, 1) + stepXml(0, 5, 0, 1) +
                            stepXml(36, 0, 0, 1) + stepXml(-26, 0, 0, 1) + stepXml(-13, 0, 1, 1) +
                            stepXml(2147483647, 2147483647, 0, 1, 0, 1)));
    ASSERT_TRUE(r.pattern);
    const int expected[] = {25, 49, 37, 0, 0, 0, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(r.pattern->getStep(i)->note(), expected[i]) << "step " << i;
    EXPECT_TRUE(r.pattern->getStep(0)->accent());
    EXPECT_TRUE(r.pattern->getStep(6)->slide());
    EXPECT_EQ(r.outOfRangeSteps, 3); // -13 an octave down is exactly a rest
}

TEST(Phoscyon, GateZeroIsARestWhateverTheNote)
{
    const PatternImport r =
        parse(patternXml("length=\"2\"", stepXml(5, 0, 0, 0) + stepXml(99, 0, 0, 0)));
    ASSERT_TRUE(r.pattern);
    EXPECT_EQ(r.pattern->getStep(0)->note(), 0);
    EXPECT_EQ(r.pattern->getStep(1)->note(), 0);
    EXPECT_EQ(r.outOfRangeSteps, 0);
}

TEST(Phoscyon, UnusableFilesGiveNoPattern)
{
    const std::string oneStep = stepXml(0, 0, 0, 1);
    const std::string bad[] = {
        patternXml("length=\"0\"", oneStep),
        patternXml("length=\"65\"", oneStep),
        patternXml("length=\"-1\"", oneStep),
        patternXml("", oneStep),
        "<Song length=\"4\"/>",
        "<Pattern length=\"4\">",
        "",
        "not xml at all",
    };
    for (const std::string& xml : bad)
        EXPECT_FALSE(parse(xml).pattern) << xml;
}

TEST(Phoscyon, NamesAreCutTo24CharactersAndEmptyKeepsTheDefault)
{
    const std::string steps = stepXml(0, 0, 0, 1);
    EXPECT_EQ(parse(patternXml("name=\"abcdefghijklmnopqrstuvwxyz\" length=\"1\"", steps))
                  .pattern->getName(),
              "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(parse(patternXml("name=\"\" length=\"1\"", steps)).pattern->getName(), "Default");
    EXPECT_EQ(parse(patternXml("length=\"1\"", steps)).pattern->getName(), "Default");
}

TEST(Phoscyon, FirstChildOfAnyNameThenStepSiblingsUpToTheLength)
{
    const std::string xml = patternXml(
        "length=\"4\"", "  <Other note=\"1\" gate=\"1\"/>\n  <Ignored note=\"9\" gate=\"1\"/>\n" +
                            stepXml(2, 0, 0, 1) + stepXml(3, 0, 0, 1));
    const PatternImport r = parse(xml);
    ASSERT_TRUE(r.pattern);
    const int expected[] = {26, 27, 28, kDefaultStepNote};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.pattern->getStep(i)->note(), expected[i]) << "step " << i;
}
