// The bundle as a host finds and walks it: three exports and no Qt, a factory offering one synth
// instrument, one component that is also its controller, the buses an instrument has, and the
// processing set-ups it takes.
#include "support/Vst3TestHost.h"
#include "support/runCommand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <sstream>

using namespace quelvar;
using namespace quelvar::vst3;

namespace
{
std::set<std::string> words(const std::string& text, int column)
{
    std::set<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
    {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i <= column && fields >> field; ++i)
            if (i == column)
                found.insert(field);
    }
    return found;
}
} // namespace

TEST(Vst3Module, ExportsTheFactoryAndTheModuleEntryAndExitOnlyAndNeedsNoQt)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    const CommandRun exported = runCommand("nm -D --defined-only '" + host.modulePath() + "'");
    ASSERT_EQ(exported.status, 0);
    EXPECT_EQ(words(exported.output, 2),
              (std::set<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
    const CommandRun needed = runCommand("readelf -d '" + host.modulePath() + "'");
    ASSERT_EQ(needed.status, 0);
    EXPECT_NE(needed.output.find("NEEDED"), std::string::npos);
    EXPECT_EQ(needed.output.find("Qt"), std::string::npos) << needed.output;
}

TEST(Vst3Module, OffersOneSynthInstrumentOfItsVendor)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    PFactoryInfo factory{};
    ASSERT_EQ(host.factory->getFactoryInfo(&factory), kResultOk);
    EXPECT_STREQ(factory.vendor, "Brontavell");
    EXPECT_TRUE(factory.flags & PFactoryInfo::kUnicode);
    EXPECT_EQ(host.factory->countClasses(), 1);

    EXPECT_STREQ(host.classInfo.name, "Quelvar");
    EXPECT_STREQ(host.classInfo.subCategories, "Instrument|Synth");
    EXPECT_STREQ(host.classInfo.vendor, "Brontavell");
    EXPECT_EQ(host.classInfo.cardinality, PClassInfo::kManyInstances);

    IPluginFactory3* unicode = nullptr;
    ASSERT_EQ(host.factory->queryInterface(IPluginFactory3::iid.bytes,
                                           reinterpret_cast<void**>(&unicode)),
              kResultOk);
    PClassInfoW wide{};
    ASSERT_EQ(unicode->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(asciiOf(wide.name), "Quelvar");
    EXPECT_EQ(asciiOf(wide.version), host.classInfo.version);
    EXPECT_EQ(std::memcmp(wide.cid, host.classInfo.cid, sizeof wide.cid), 0);
    EXPECT_NE(unicode->getClassInfoUnicode(1, &wide), kResultOk);
    unicode->release();

    TUID other{};
    void* object = &other;
    EXPECT_NE(host.factory->createInstance(other, IComponent::iid.bytes, &object), kResultOk);
    EXPECT_EQ(object, nullptr);
}

TEST(Vst3Module, OneComponentIsProcessorAndControllerAndAsksForTheHostsTransport)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    TUID controllerId{};
    EXPECT_NE(host.component->getControllerClassId(controllerId), kResultOk);
    ASSERT_NE(host.processor, nullptr);
    EXPECT_NE(host.midiMapping, nullptr);
    IProcessContextRequirements* needs = nullptr;
    ASSERT_EQ(host.component->queryInterface(IProcessContextRequirements::iid.bytes,
                                             reinterpret_cast<void**>(&needs)),
              kResultOk);
    using R = IProcessContextRequirements;
    const uint32 wanted = R::kNeedProjectTimeMusic | R::kNeedBarPositionMusic | R::kNeedTempo |
                          R::kNeedTransportState;
    EXPECT_EQ(needs->getProcessContextRequirements() & wanted, wanted);
    needs->release();
    void* none = nullptr;
    EXPECT_EQ(host.component->queryInterface(IPlugFrame::iid.bytes, &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(host.processor->getTailSamples(), kInfiniteTail);
}

TEST(Vst3Module, HasAStereoOutputAndMidiInAndOut)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    IComponent& c = *host.component;
    EXPECT_EQ(c.getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(c.getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(c.getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(c.getBusCount(kEvent, kOutput), 1);
    BusInfo bus{};
    ASSERT_EQ(c.getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, kMain);
    EXPECT_TRUE(bus.flags & BusInfo::kDefaultActive);
    ASSERT_EQ(c.getBusInfo(kEvent, kInput, 0, bus), kResultOk);
    EXPECT_EQ(bus.direction, kInput);
    EXPECT_NE(c.getBusInfo(kEvent, kInput, 1, bus), kResultOk);
    EXPECT_NE(c.getBusInfo(kAudio, kInput, 0, bus), kResultOk);

    SpeakerArrangement stereo = kStereo;
    SpeakerArrangement mono = kSpeakerL;
    EXPECT_EQ(host.processor->setBusArrangements(nullptr, 0, &stereo, 1), kResultTrue);
    EXPECT_NE(host.processor->setBusArrangements(nullptr, 0, &mono, 1), kResultTrue);
    EXPECT_NE(host.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    SpeakerArrangement given = 0;
    ASSERT_EQ(host.processor->getBusArrangement(kOutput, 0, given), kResultOk);
    EXPECT_EQ(given, kStereo);
}

TEST(Vst3Module, TakesThirtyTwoBitProcessingAtAnyRateAndBlockLength)
{
    Vst3TestHost host(QUELVAR_VST3_BUNDLE);
    ASSERT_TRUE(host.loaded()) << host.error();
    IAudioProcessor& p = *host.processor;
    EXPECT_EQ(p.canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_NE(p.canProcessSampleSize(kSample64), kResultTrue);
    for (const double rate : {8000.0, 22050.0, 44100.0, 96000.0, 192000.0})
        for (const int32 block : {1, 333, 512, 20000})
        {
            ProcessSetup setup{kRealtime, kSample32, block, rate};
            EXPECT_EQ(p.setupProcessing(setup), kResultOk) << rate << " " << block;
        }
    const double refused[] = {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()};
    for (const double rate : refused)
    {
        ProcessSetup setup{kRealtime, kSample32, 512, rate};
        EXPECT_NE(p.setupProcessing(setup), kResultOk) << rate;
    }
    ProcessSetup doubles{kRealtime, kSample64, 512, 44100.0};
    EXPECT_NE(p.setupProcessing(doubles), kResultOk);
}
