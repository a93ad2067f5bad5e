#include "support/EngineHarness.h"
#include "tools/vsthost/VstHost.h"

#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace quelvar;

TEST(PluginBoundary, RecordDescribesAStereoSynth)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded()) << host.error();
    const AEffect* e = host.plugin();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numParams, 30); // the 29 of every version, then the chain switch
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->uniqueID, ('f' << 24) | ('n' << 16) | ('k' << 8) | '3');
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_TRUE(e->flags & effFlagsIsSynth);
    EXPECT_TRUE(e->flags & effFlagsCanReplacing);
    EXPECT_TRUE(e->flags & effFlagsProgramChunks);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1);
}

TEST(PluginBoundary, NamesOfEffectVendorAndProduct)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    VstIntPtr r = 0;
    EXPECT_EQ(host.dispatchText(effGetEffectName, 0, &r), "Quelvar");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(host.dispatchText(effGetVendorString, 0, &r), "Brontavell");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(host.dispatchText(effGetProductString, 0, &r), "Quelvar VST");
    EXPECT_EQ(r, 1);
}

TEST(PluginBoundary, CapabilitiesAreTheFourEventOnes)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    for (const char* yes :
         {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents", "sendVstMidiEvent"})
        EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>(yes)), 1) << yes;
    for (const char* no : {"midiProgramNames", "receiveVstTimeInfo", "", "sendVstEvent"})
        EXPECT_EQ(host.dispatch(effCanDo, 0, 0, const_cast<char*>(no)), -1) << no;
}

TEST(PluginBoundary, OutputPinsAreAnsweredOnTheOutputOpcode)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    for (int i = 0; i < 2; ++i)
    {
        VstPinProperties pin{};
        EXPECT_EQ(host.dispatch(effGetOutputProperties, i, 0, &pin), 1);
        EXPECT_STREQ(pin.label, i == 0 ? "fnk3 out 1" : "fnk3 out 2");
        EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        EXPECT_EQ(pin.shortLabel[0], 0);
    }
    VstPinProperties untouched{};
    std::strcpy(untouched.label, "keep");
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 2, 0, &untouched), 0);
    EXPECT_STREQ(untouched.label, "keep");
    EXPECT_EQ(host.dispatch(effGetInputProperties, 0, 0, &untouched), 0);
    EXPECT_STREQ(untouched.label, "keep");
}

TEST(PluginBoundary, ParametersThroughTheDispatcher)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    EXPECT_EQ(host.parameterName(4), "Resonance");
    EXPECT_EQ(host.parameterName(28), "invalid");
    EXPECT_EQ(host.parameterLabel(0), "dB");
    EXPECT_EQ(host.parameterDisplay(1), "saw");
    host.setParameter(1, 0.8f);
    EXPECT_EQ(host.getParameter(1), 1.0f);
    EXPECT_EQ(host.parameterDisplay(1), "square");
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(host.dispatch(effCanBeAutomated, i), 1);
    EXPECT_EQ(host.dispatch(effString2Parameter, 0, 0, const_cast<char*>("0.5")), 0);
}

TEST(PluginBoundary, OneProgramWithoutNames)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    host.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    char text[64];
    std::strcpy(text, "mine");
    host.dispatch(effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "mine");
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 0, 0, text), 0);
    EXPECT_STREQ(text, "mine");
    EXPECT_EQ(host.dispatch(effCopyProgram, 0), 0);
}

TEST(PluginBoundary, UnknownOpcodesAndNullPointersAnswerZero)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    for (VstInt32 opcode : {-1, 9, 16, 22, 100, 9999})
        EXPECT_EQ(host.dispatch(opcode, 0, 0, nullptr), 0) << opcode;
    for (VstInt32 opcode : {effGetParamName, effGetParamDisplay, effGetEffectName, effCanDo,
                            effGetOutputProperties, effGetChunk, effSetChunk, effProcessEvents})
        EXPECT_EQ(host.dispatch(opcode, 0, 0, nullptr), 0) << opcode;
}

TEST(PluginBoundary, RendersSilentBlocksOfAnySize)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(44100.0, 4096);
    for (int frames : {1, 7, 64, 512, 4096})
    {
        std::vector<float> left(frames, 0.7f), right(frames, -0.7f);
        host.processBlock(left.data(), right.data(), frames);
        for (int i = 0; i < frames; ++i)
        {
            ASSERT_EQ(left[i], 0.0f);
            ASSERT_EQ(right[i], 0.0f);
        }
    }
    double left = 1.0, right = 1.0;
    double* outputs[2] = {&left, &right};
    host.plugin()->processDoubleReplacing(host.plugin(), nullptr, outputs, 1);
    EXPECT_EQ(left, 1.0);
}

// A host without a time record leaves the sequencer stopped; a block that sends no note makes
// no call to the host.
TEST(PluginBoundary, AHostWithoutTimeInfoGetsSilenceAndNoEmptyEventLists)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(44100.0, 512);
    host.answerTimeInfo = false;
    host.play();
    std::vector<float> left, right;
    host.render(8192, 512, left, right);
    EXPECT_EQ(peakOf(left), 0.0f);
    EXPECT_EQ(host.processEventsCalls, 0);
}

TEST(PluginBoundary, HostWithoutVersionGetsNoPlugin)
{
    void* library = dlopen(QUELVAR_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    auto silentHost = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return 0;
    };
    EXPECT_EQ(entry(silentHost), nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    EXPECT_EQ(dlsym(library, "createEffectInstance"), nullptr);
    EXPECT_EQ(dlsym(library, "main"), nullptr);
    dlclose(library);
}

// The leak checker of the sanitizer build tells whether close really released the engine.
TEST(PluginBoundary, CloseAnswersOne)
{
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    EXPECT_EQ(host.close(), 1);
    EXPECT_EQ(host.close(), 0);
}
