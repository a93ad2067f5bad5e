// Our VST 3 declarations beside the published headers (Debian's juce-modules-source-data, read
// from where the package installs them; nothing of them is in this tree): every id, record size,
// field offset, constant, method slot and method signature we use must be the published one.
#include "vst3/Vst3Interface.h"

#include <pluginterfaces/base/funknown.h>
#include <pluginterfaces/base/ibstream.h>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/gui/iplugview.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstevents.h>
#include <pluginterfaces/vst/ivsthostapplication.h>
#include <pluginterfaces/vst/ivstmidicontrollers.h>
#include <pluginterfaces/vst/ivstparameterchanges.h>
#include <pluginterfaces/vst/ivstprocesscontext.h>
#include <pluginterfaces/vst/ivstunits.h>
#include <pluginterfaces/vst/vstspeaker.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

namespace our = quelvar::vst3;
namespace sdk = Steinberg;
namespace vst = Steinberg::Vst;

namespace
{
// What a parameter or result is to the calling convention: its class, size and signedness, and
// for pointers and references the size of what they point at.
struct Shape
{
    char kind;
    std::size_t size;
    std::size_t pointee;
    bool isSigned;
    constexpr bool operator==(const Shape&) const = default;
};

template <class T> constexpr std::size_t sizeIfComplete()
{
    if constexpr (std::is_void_v<T>)
        return 0;
    else if constexpr (requires { sizeof(T); })
        return sizeof(T);
    else
        return 0;
}

template <class T> constexpr Shape shapeOf()
{
    if constexpr (std::is_void_v<T>)
        return {'v', 0, 0, false};
    else if constexpr (std::is_pointer_v<T> || std::is_reference_v<T>)
        return {'p', sizeof(void*),
                sizeIfComplete<std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<T>>>>(),
                false};
    else if constexpr (std::is_floating_point_v<T>)
        return {'f', sizeof(T), 0, true};
    else
        return {'i', sizeof(T), 0, std::is_signed_v<T>};
}

template <class M> struct Signature;
template <class R, class C, class... A> struct Signature<R (C::*)(A...)>
{
    static constexpr std::size_t count = sizeof...(A) + 1;
    static constexpr Shape shapes[count] = {shapeOf<R>(), shapeOf<A>()...};
};

template <class A, class B> constexpr bool sameSignature(A, B)
{
    using SA = Signature<A>;
    using SB = Signature<B>;
    if (SA::count != SB::count)
        return false;
    for (std::size_t i = 0; i < SA::count; ++i)
        if (!(SA::shapes[i] == SB::shapes[i]))
            return false;
    return true;
}

// The vtable offset of a virtual method: the Itanium ABI stores it, plus one, in the first word of
// a pointer to member function.
template <class M> std::ptrdiff_t slotOf(M method)
{
    std::ptrdiff_t word = 0;
    std::memcpy(&word, &method, sizeof word);
    return (word - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

struct MethodSlots
{
    const char* name;
    std::ptrdiff_t ours;
    std::ptrdiff_t published;
};

struct Ids
{
    const char* name;
    const our::Uid& ours;
    const sdk::int8* published;
};
} // namespace

#define SAME_SIZE(Ours, Published) static_assert(sizeof(our::Ours) == sizeof(Published), #Ours)
#define SAME_FIELD(Ours, Published, field)                                                        \
    static_assert(offsetof(our::Ours, field) == offsetof(Published, field), #Ours "::" #field);    \
    static_assert(sizeof(our::Ours::field) == sizeof(Published::field), #Ours "::" #field)
#define SAME_VALUE(ours, published) static_assert(static_cast<long long>(our::ours) ==            \
                                                      static_cast<long long>(published),          \
                                                  #ours)

// Result codes, types and constants.
SAME_VALUE(kNoInterface, sdk::kNoInterface);
SAME_VALUE(kResultOk, sdk::kResultOk);
SAME_VALUE(kResultTrue, sdk::kResultTrue);
SAME_VALUE(kResultFalse, sdk::kResultFalse);
SAME_VALUE(kInvalidArgument, sdk::kInvalidArgument);
SAME_VALUE(kNotImplemented, sdk::kNotImplemented);
SAME_VALUE(kInternalError, sdk::kInternalError);
SAME_VALUE(kNotInitialized, sdk::kNotInitialized);
SAME_VALUE(kOutOfMemory, sdk::kOutOfMemory);
static_assert(std::is_same_v<our::int8, sdk::int8> && std::is_same_v<our::int32, sdk::int32> &&
              std::is_same_v<our::uint32, sdk::uint32> && std::is_same_v<our::int64, sdk::int64> &&
              std::is_same_v<our::uint64, sdk::uint64> && std::is_same_v<our::TBool, sdk::TBool> &&
              std::is_same_v<our::char16, sdk::char16> && std::is_same_v<our::tresult, sdk::tresult>);
static_assert(std::is_same_v<our::ParamID, vst::ParamID> &&
              std::is_same_v<our::ParamValue, vst::ParamValue> &&
              std::is_same_v<our::CtrlNumber, vst::CtrlNumber> &&
              std::is_same_v<our::SpeakerArrangement, vst::SpeakerArrangement> &&
              std::is_same_v<our::TSamples, vst::TSamples> &&
              std::is_same_v<our::FileDescriptor, sdk::Linux::FileDescriptor> &&
              std::is_same_v<our::TimerInterval, sdk::Linux::TimerInterval>);
SAME_SIZE(TUID, sdk::TUID);
SAME_SIZE(String128, vst::String128);
SAME_VALUE(kNoParamId, vst::kNoParamId);
SAME_VALUE(kRootUnitId, vst::kRootUnitId);
SAME_VALUE(kSpeakerL, vst::kSpeakerL);
SAME_VALUE(kSpeakerR, vst::kSpeakerR);
SAME_VALUE(kStereo, vst::SpeakerArr::kStereo);
SAME_VALUE(kAudio, vst::kAudio);
SAME_VALUE(kEvent, vst::kEvent);
SAME_VALUE(kInput, vst::kInput);
SAME_VALUE(kOutput, vst::kOutput);
SAME_VALUE(kMain, vst::kMain);
SAME_VALUE(kAux, vst::kAux);
SAME_VALUE(kSample32, vst::kSample32);
SAME_VALUE(kSample64, vst::kSample64);
SAME_VALUE(kRealtime, vst::kRealtime);
SAME_VALUE(kPrefetch, vst::kPrefetch);
SAME_VALUE(kOffline, vst::kOffline);
SAME_VALUE(kNoTail, vst::kNoTail);
SAME_VALUE(kInfiniteTail, vst::kInfiniteTail);
SAME_VALUE(kReloadComponent, vst::kReloadComponent);
SAME_VALUE(kIoChanged, vst::kIoChanged);
SAME_VALUE(kParamValuesChanged, vst::kParamValuesChanged);
SAME_VALUE(kLatencyChanged, vst::kLatencyChanged);
SAME_VALUE(kParamTitlesChanged, vst::kParamTitlesChanged);
SAME_VALUE(kMidiCCAssignmentChanged, vst::kMidiCCAssignmentChanged);
SAME_VALUE(kNoteExpressionChanged, vst::kNoteExpressionChanged);
SAME_VALUE(kIoTitlesChanged, vst::kIoTitlesChanged);
SAME_VALUE(kPrefetchableSupportChanged, vst::kPrefetchableSupportChanged);
SAME_VALUE(kRoutingInfoChanged, vst::kRoutingInfoChanged);
SAME_VALUE(kAfterTouch, vst::kAfterTouch);
SAME_VALUE(kPitchBend, vst::kPitchBend);
SAME_VALUE(kCountCtrlNumber, vst::kCountCtrlNumber);
SAME_VALUE(kCtrlProgramChange, vst::kCtrlProgramChange);
SAME_VALUE(IBStream::kIBSeekSet, sdk::IBStream::kIBSeekSet);
SAME_VALUE(IBStream::kIBSeekCur, sdk::IBStream::kIBSeekCur);
SAME_VALUE(IBStream::kIBSeekEnd, sdk::IBStream::kIBSeekEnd);
SAME_VALUE(PFactoryInfo::kNoFlags, sdk::PFactoryInfo::kNoFlags);
SAME_VALUE(PFactoryInfo::kClassesDiscardable, sdk::PFactoryInfo::kClassesDiscardable);
SAME_VALUE(PFactoryInfo::kLicenseCheck, sdk::PFactoryInfo::kLicenseCheck);
SAME_VALUE(PFactoryInfo::kComponentNonDiscardable, sdk::PFactoryInfo::kComponentNonDiscardable);
SAME_VALUE(PFactoryInfo::kUnicode, sdk::PFactoryInfo::kUnicode);
SAME_VALUE(PClassInfo::kManyInstances, sdk::PClassInfo::kManyInstances);
SAME_VALUE(BusInfo::kDefaultActive, vst::BusInfo::kDefaultActive);
SAME_VALUE(BusInfo::kIsControlVoltage, vst::BusInfo::kIsControlVoltage);
SAME_VALUE(Event::kIsLive, vst::Event::kIsLive);
SAME_VALUE(Event::kNoteOnEvent, vst::Event::kNoteOnEvent);
SAME_VALUE(Event::kNoteOffEvent, vst::Event::kNoteOffEvent);
SAME_VALUE(Event::kDataEvent, vst::Event::kDataEvent);
SAME_VALUE(Event::kPolyPressureEvent, vst::Event::kPolyPressureEvent);
SAME_VALUE(Event::kNoteExpressionValueEvent, vst::Event::kNoteExpressionValueEvent);
SAME_VALUE(Event::kNoteExpressionTextEvent, vst::Event::kNoteExpressionTextEvent);
SAME_VALUE(Event::kChordEvent, vst::Event::kChordEvent);
SAME_VALUE(Event::kScaleEvent, vst::Event::kScaleEvent);
SAME_VALUE(Event::kLegacyMIDICCOutEvent, vst::Event::kLegacyMIDICCOutEvent);
SAME_VALUE(ProcessContext::kPlaying, vst::ProcessContext::kPlaying);
SAME_VALUE(ProcessContext::kCycleActive, vst::ProcessContext::kCycleActive);
SAME_VALUE(ProcessContext::kRecording, vst::ProcessContext::kRecording);
SAME_VALUE(ProcessContext::kSystemTimeValid, vst::ProcessContext::kSystemTimeValid);
SAME_VALUE(ProcessContext::kProjectTimeMusicValid, vst::ProcessContext::kProjectTimeMusicValid);
SAME_VALUE(ProcessContext::kTempoValid, vst::ProcessContext::kTempoValid);
SAME_VALUE(ProcessContext::kBarPositionValid, vst::ProcessContext::kBarPositionValid);
SAME_VALUE(ProcessContext::kCycleValid, vst::ProcessContext::kCycleValid);
SAME_VALUE(ProcessContext::kTimeSigValid, vst::ProcessContext::kTimeSigValid);
SAME_VALUE(ProcessContext::kSmpteValid, vst::ProcessContext::kSmpteValid);
SAME_VALUE(ProcessContext::kClockValid, vst::ProcessContext::kClockValid);
SAME_VALUE(ProcessContext::kContTimeValid, vst::ProcessContext::kContTimeValid);
SAME_VALUE(ProcessContext::kChordValid, vst::ProcessContext::kChordValid);
SAME_VALUE(IProcessContextRequirements::kNeedSystemTime,
           vst::IProcessContextRequirements::kNeedSystemTime);
SAME_VALUE(IProcessContextRequirements::kNeedContinousTimeSamples,
           vst::IProcessContextRequirements::kNeedContinousTimeSamples);
SAME_VALUE(IProcessContextRequirements::kNeedProjectTimeMusic,
           vst::IProcessContextRequirements::kNeedProjectTimeMusic);
SAME_VALUE(IProcessContextRequirements::kNeedBarPositionMusic,
           vst::IProcessContextRequirements::kNeedBarPositionMusic);
SAME_VALUE(IProcessContextRequirements::kNeedCycleMusic,
           vst::IProcessContextRequirements::kNeedCycleMusic);
SAME_VALUE(IProcessContextRequirements::kNeedSamplesToNextClock,
           vst::IProcessContextRequirements::kNeedSamplesToNextClock);
SAME_VALUE(IProcessContextRequirements::kNeedTempo, vst::IProcessContextRequirements::kNeedTempo);
SAME_VALUE(IProcessContextRequirements::kNeedTimeSignature,
           vst::IProcessContextRequirements::kNeedTimeSignature);
SAME_VALUE(IProcessContextRequirements::kNeedChord, vst::IProcessContextRequirements::kNeedChord);
SAME_VALUE(IProcessContextRequirements::kNeedFrameRate,
           vst::IProcessContextRequirements::kNeedFrameRate);
SAME_VALUE(IProcessContextRequirements::kNeedTransportState,
           vst::IProcessContextRequirements::kNeedTransportState);
SAME_VALUE(ParameterInfo::kNoFlags, vst::ParameterInfo::kNoFlags);
SAME_VALUE(ParameterInfo::kCanAutomate, vst::ParameterInfo::kCanAutomate);
SAME_VALUE(ParameterInfo::kIsReadOnly, vst::ParameterInfo::kIsReadOnly);
SAME_VALUE(ParameterInfo::kIsWrapAround, vst::ParameterInfo::kIsWrapAround);
SAME_VALUE(ParameterInfo::kIsList, vst::ParameterInfo::kIsList);
SAME_VALUE(ParameterInfo::kIsHidden, vst::ParameterInfo::kIsHidden);
SAME_VALUE(ParameterInfo::kIsProgramChange, vst::ParameterInfo::kIsProgramChange);
SAME_VALUE(ParameterInfo::kIsBypass, vst::ParameterInfo::kIsBypass);

// Records: sizes and every field's place.
SAME_SIZE(PFactoryInfo, sdk::PFactoryInfo);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, vendor);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, url);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, email);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, flags);
SAME_SIZE(PClassInfo, sdk::PClassInfo);
SAME_FIELD(PClassInfo, sdk::PClassInfo, cid);
SAME_FIELD(PClassInfo, sdk::PClassInfo, cardinality);
SAME_FIELD(PClassInfo, sdk::PClassInfo, category);
SAME_FIELD(PClassInfo, sdk::PClassInfo, name);
SAME_SIZE(PClassInfo2, sdk::PClassInfo2);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, cid);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, cardinality);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, category);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, name);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, classFlags);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, subCategories);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, vendor);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, version);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, sdkVersion);
SAME_SIZE(PClassInfoW, sdk::PClassInfoW);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, cid);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, cardinality);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, category);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, name);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, classFlags);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, subCategories);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, vendor);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, version);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, sdkVersion);
SAME_SIZE(BusInfo, vst::BusInfo);
SAME_FIELD(BusInfo, vst::BusInfo, mediaType);
SAME_FIELD(BusInfo, vst::BusInfo, direction);
SAME_FIELD(BusInfo, vst::BusInfo, channelCount);
SAME_FIELD(BusInfo, vst::BusInfo, name);
SAME_FIELD(BusInfo, vst::BusInfo, busType);
SAME_FIELD(BusInfo, vst::BusInfo, flags);
SAME_SIZE(RoutingInfo, vst::RoutingInfo);
SAME_FIELD(RoutingInfo, vst::RoutingInfo, mediaType);
SAME_FIELD(RoutingInfo, vst::RoutingInfo, busIndex);
SAME_FIELD(RoutingInfo, vst::RoutingInfo, channel);
SAME_SIZE(NoteOnEvent, vst::NoteOnEvent);
SAME_FIELD(NoteOnEvent, vst::NoteOnEvent, channel);
SAME_FIELD(NoteOnEvent, vst::NoteOnEvent, pitch);
SAME_FIELD(NoteOnEvent, vst::NoteOnEvent, tuning);
SAME_FIELD(NoteOnEvent, vst::NoteOnEvent, velocity);
SAME_FIELD(NoteOnEvent, vst::NoteOnEvent, length);
SAME_FIELD(NoteOnEvent, vst::NoteOnEvent, noteId);
SAME_SIZE(NoteOffEvent, vst::NoteOffEvent);
SAME_FIELD(NoteOffEvent, vst::NoteOffEvent, channel);
SAME_FIELD(NoteOffEvent, vst::NoteOffEvent, pitch);
SAME_FIELD(NoteOffEvent, vst::NoteOffEvent, velocity);
SAME_FIELD(NoteOffEvent, vst::NoteOffEvent, noteId);
SAME_FIELD(NoteOffEvent, vst::NoteOffEvent, tuning);
SAME_SIZE(DataEvent, vst::DataEvent);
SAME_FIELD(DataEvent, vst::DataEvent, size);
SAME_FIELD(DataEvent, vst::DataEvent, type);
SAME_FIELD(DataEvent, vst::DataEvent, bytes);
SAME_SIZE(PolyPressureEvent, vst::PolyPressureEvent);
SAME_FIELD(PolyPressureEvent, vst::PolyPressureEvent, channel);
SAME_FIELD(PolyPressureEvent, vst::PolyPressureEvent, pitch);
SAME_FIELD(PolyPressureEvent, vst::PolyPressureEvent, pressure);
SAME_FIELD(PolyPressureEvent, vst::PolyPressureEvent, noteId);
SAME_SIZE(NoteExpressionValueEvent, vst::NoteExpressionValueEvent);
SAME_FIELD(NoteExpressionValueEvent, vst::NoteExpressionValueEvent, typeId);
SAME_FIELD(NoteExpressionValueEvent, vst::NoteExpressionValueEvent, noteId);
SAME_FIELD(NoteExpressionValueEvent, vst::NoteExpressionValueEvent, value);
SAME_SIZE(NoteExpressionTextEvent, vst::NoteExpressionTextEvent);
SAME_FIELD(NoteExpressionTextEvent, vst::NoteExpressionTextEvent, typeId);
SAME_FIELD(NoteExpressionTextEvent, vst::NoteExpressionTextEvent, noteId);
SAME_FIELD(NoteExpressionTextEvent, vst::NoteExpressionTextEvent, textLen);
SAME_FIELD(NoteExpressionTextEvent, vst::NoteExpressionTextEvent, text);
SAME_SIZE(ChordEvent, vst::ChordEvent);
SAME_FIELD(ChordEvent, vst::ChordEvent, root);
SAME_FIELD(ChordEvent, vst::ChordEvent, bassNote);
SAME_FIELD(ChordEvent, vst::ChordEvent, mask);
SAME_FIELD(ChordEvent, vst::ChordEvent, textLen);
SAME_FIELD(ChordEvent, vst::ChordEvent, text);
SAME_SIZE(ScaleEvent, vst::ScaleEvent);
SAME_FIELD(ScaleEvent, vst::ScaleEvent, root);
SAME_FIELD(ScaleEvent, vst::ScaleEvent, mask);
SAME_FIELD(ScaleEvent, vst::ScaleEvent, textLen);
SAME_FIELD(ScaleEvent, vst::ScaleEvent, text);
SAME_SIZE(LegacyMIDICCOutEvent, vst::LegacyMIDICCOutEvent);
SAME_FIELD(LegacyMIDICCOutEvent, vst::LegacyMIDICCOutEvent, controlNumber);
SAME_FIELD(LegacyMIDICCOutEvent, vst::LegacyMIDICCOutEvent, channel);
SAME_FIELD(LegacyMIDICCOutEvent, vst::LegacyMIDICCOutEvent, value);
SAME_FIELD(LegacyMIDICCOutEvent, vst::LegacyMIDICCOutEvent, value2);
SAME_SIZE(Event, vst::Event);
SAME_FIELD(Event, vst::Event, busIndex);
SAME_FIELD(Event, vst::Event, sampleOffset);
SAME_FIELD(Event, vst::Event, ppqPosition);
SAME_FIELD(Event, vst::Event, flags);
SAME_FIELD(Event, vst::Event, type);
SAME_FIELD(Event, vst::Event, noteOn);
SAME_FIELD(Event, vst::Event, noteOff);
SAME_FIELD(Event, vst::Event, data);
SAME_FIELD(Event, vst::Event, polyPressure);
SAME_FIELD(Event, vst::Event, noteExpressionValue);
SAME_FIELD(Event, vst::Event, noteExpressionText);
SAME_FIELD(Event, vst::Event, chord);
SAME_FIELD(Event, vst::Event, scale);
SAME_FIELD(Event, vst::Event, midiCCOut);
SAME_SIZE(FrameRate, vst::FrameRate);
SAME_FIELD(FrameRate, vst::FrameRate, framesPerSecond);
SAME_FIELD(FrameRate, vst::FrameRate, flags);
SAME_SIZE(Chord, vst::Chord);
SAME_FIELD(Chord, vst::Chord, keyNote);
SAME_FIELD(Chord, vst::Chord, rootNote);
SAME_FIELD(Chord, vst::Chord, chordMask);
SAME_SIZE(ProcessContext, vst::ProcessContext);
SAME_FIELD(ProcessContext, vst::ProcessContext, state);
SAME_FIELD(ProcessContext, vst::ProcessContext, sampleRate);
SAME_FIELD(ProcessContext, vst::ProcessContext, projectTimeSamples);
SAME_FIELD(ProcessContext, vst::ProcessContext, systemTime);
SAME_FIELD(ProcessContext, vst::ProcessContext, continousTimeSamples);
SAME_FIELD(ProcessContext, vst::ProcessContext, projectTimeMusic);
SAME_FIELD(ProcessContext, vst::ProcessContext, barPositionMusic);
SAME_FIELD(ProcessContext, vst::ProcessContext, cycleStartMusic);
SAME_FIELD(ProcessContext, vst::ProcessContext, cycleEndMusic);
SAME_FIELD(ProcessContext, vst::ProcessContext, tempo);
SAME_FIELD(ProcessContext, vst::ProcessContext, timeSigNumerator);
SAME_FIELD(ProcessContext, vst::ProcessContext, timeSigDenominator);
SAME_FIELD(ProcessContext, vst::ProcessContext, chord);
SAME_FIELD(ProcessContext, vst::ProcessContext, smpteOffsetSubframes);
SAME_FIELD(ProcessContext, vst::ProcessContext, frameRate);
SAME_FIELD(ProcessContext, vst::ProcessContext, samplesToNextClock);
SAME_SIZE(ProcessSetup, vst::ProcessSetup);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, processMode);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, symbolicSampleSize);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, maxSamplesPerBlock);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, sampleRate);
SAME_SIZE(AudioBusBuffers, vst::AudioBusBuffers);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, numChannels);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, silenceFlags);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, channelBuffers32);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, channelBuffers64);
SAME_SIZE(ProcessData, vst::ProcessData);
SAME_FIELD(ProcessData, vst::ProcessData, processMode);
SAME_FIELD(ProcessData, vst::ProcessData, symbolicSampleSize);
SAME_FIELD(ProcessData, vst::ProcessData, numSamples);
SAME_FIELD(ProcessData, vst::ProcessData, numInputs);
SAME_FIELD(ProcessData, vst::ProcessData, numOutputs);
SAME_FIELD(ProcessData, vst::ProcessData, inputs);
SAME_FIELD(ProcessData, vst::ProcessData, outputs);
SAME_FIELD(ProcessData, vst::ProcessData, inputParameterChanges);
SAME_FIELD(ProcessData, vst::ProcessData, outputParameterChanges);
SAME_FIELD(ProcessData, vst::ProcessData, inputEvents);
SAME_FIELD(ProcessData, vst::ProcessData, outputEvents);
SAME_FIELD(ProcessData, vst::ProcessData, processContext);
SAME_SIZE(ParameterInfo, vst::ParameterInfo);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, id);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, title);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, shortTitle);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, units);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, stepCount);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, defaultNormalizedValue);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, unitId);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, flags);
SAME_SIZE(ViewRect, sdk::ViewRect);
SAME_FIELD(ViewRect, sdk::ViewRect, left);
SAME_FIELD(ViewRect, sdk::ViewRect, top);
SAME_FIELD(ViewRect, sdk::ViewRect, right);
SAME_FIELD(ViewRect, sdk::ViewRect, bottom);

// Every method: the published slot (at run time: a member pointer's offset is no constant) and
// the published signature (at compile time; the failing instantiation names the method).
template <auto Ours, auto Published> MethodSlots methodSlots(const char* name)
{
    static_assert(sameSignature(Ours, Published), "a method has another signature");
    return {name, slotOf(Ours), slotOf(Published)};
}

#define METHOD(Interface, Published, method)                                                      \
    methodSlots<&our::Interface::method, &Published::method>(#Interface "::" #method)

TEST(Vst3InterfaceLayout, EveryMethodSitsInItsPublishedSlotWithItsPublishedSignature)
{
    const MethodSlots methods[] = {
        METHOD(FUnknown, sdk::FUnknown, queryInterface),
        METHOD(FUnknown, sdk::FUnknown, addRef),
        METHOD(FUnknown, sdk::FUnknown, release),
        METHOD(IPluginBase, sdk::IPluginBase, initialize),
        METHOD(IPluginBase, sdk::IPluginBase, terminate),
        METHOD(IPluginFactory, sdk::IPluginFactory, getFactoryInfo),
        METHOD(IPluginFactory, sdk::IPluginFactory, countClasses),
        METHOD(IPluginFactory, sdk::IPluginFactory, getClassInfo),
        METHOD(IPluginFactory, sdk::IPluginFactory, createInstance),
        METHOD(IPluginFactory2, sdk::IPluginFactory2, getClassInfo2),
        METHOD(IPluginFactory3, sdk::IPluginFactory3, getClassInfoUnicode),
        METHOD(IPluginFactory3, sdk::IPluginFactory3, setHostContext),
        METHOD(IBStream, sdk::IBStream, read),
        METHOD(IBStream, sdk::IBStream, write),
        METHOD(IBStream, sdk::IBStream, seek),
        METHOD(IBStream, sdk::IBStream, tell),
        METHOD(IComponent, vst::IComponent, getControllerClassId),
        METHOD(IComponent, vst::IComponent, setIoMode),
        METHOD(IComponent, vst::IComponent, getBusCount),
        METHOD(IComponent, vst::IComponent, getBusInfo),
        METHOD(IComponent, vst::IComponent, getRoutingInfo),
        METHOD(IComponent, vst::IComponent, activateBus),
        METHOD(IComponent, vst::IComponent, setActive),
        METHOD(IComponent, vst::IComponent, setState),
        METHOD(IComponent, vst::IComponent, getState),
        METHOD(IEventList, vst::IEventList, getEventCount),
        METHOD(IEventList, vst::IEventList, getEvent),
        METHOD(IEventList, vst::IEventList, addEvent),
        METHOD(IParamValueQueue, vst::IParamValueQueue, getParameterId),
        METHOD(IParamValueQueue, vst::IParamValueQueue, getPointCount),
        METHOD(IParamValueQueue, vst::IParamValueQueue, getPoint),
        METHOD(IParamValueQueue, vst::IParamValueQueue, addPoint),
        METHOD(IParameterChanges, vst::IParameterChanges, getParameterCount),
        METHOD(IParameterChanges, vst::IParameterChanges, getParameterData),
        METHOD(IParameterChanges, vst::IParameterChanges, addParameterData),
        METHOD(IAudioProcessor, vst::IAudioProcessor, setBusArrangements),
        METHOD(IAudioProcessor, vst::IAudioProcessor, getBusArrangement),
        METHOD(IAudioProcessor, vst::IAudioProcessor, canProcessSampleSize),
        METHOD(IAudioProcessor, vst::IAudioProcessor, getLatencySamples),
        METHOD(IAudioProcessor, vst::IAudioProcessor, setupProcessing),
        METHOD(IAudioProcessor, vst::IAudioProcessor, setProcessing),
        METHOD(IAudioProcessor, vst::IAudioProcessor, process),
        METHOD(IAudioProcessor, vst::IAudioProcessor, getTailSamples),
        METHOD(IProcessContextRequirements, vst::IProcessContextRequirements,
               getProcessContextRequirements),
        METHOD(IComponentHandler, vst::IComponentHandler, beginEdit),
        METHOD(IComponentHandler, vst::IComponentHandler, performEdit),
        METHOD(IComponentHandler, vst::IComponentHandler, endEdit),
        METHOD(IComponentHandler, vst::IComponentHandler, restartComponent),
        METHOD(IEditController, vst::IEditController, setComponentState),
        METHOD(IEditController, vst::IEditController, setState),
        METHOD(IEditController, vst::IEditController, getState),
        METHOD(IEditController, vst::IEditController, getParameterCount),
        METHOD(IEditController, vst::IEditController, getParameterInfo),
        METHOD(IEditController, vst::IEditController, getParamStringByValue),
        METHOD(IEditController, vst::IEditController, getParamValueByString),
        METHOD(IEditController, vst::IEditController, normalizedParamToPlain),
        METHOD(IEditController, vst::IEditController, plainParamToNormalized),
        METHOD(IEditController, vst::IEditController, getParamNormalized),
        METHOD(IEditController, vst::IEditController, setParamNormalized),
        METHOD(IEditController, vst::IEditController, setComponentHandler),
        METHOD(IEditController, vst::IEditController, createView),
        METHOD(IMidiMapping, vst::IMidiMapping, getMidiControllerAssignment),
        METHOD(IHostApplication, vst::IHostApplication, getName),
        METHOD(IHostApplication, vst::IHostApplication, createInstance),
        METHOD(IPlugView, sdk::IPlugView, isPlatformTypeSupported),
        METHOD(IPlugView, sdk::IPlugView, attached),
        METHOD(IPlugView, sdk::IPlugView, removed),
        METHOD(IPlugView, sdk::IPlugView, onWheel),
        METHOD(IPlugView, sdk::IPlugView, onKeyDown),
        METHOD(IPlugView, sdk::IPlugView, onKeyUp),
        METHOD(IPlugView, sdk::IPlugView, getSize),
        METHOD(IPlugView, sdk::IPlugView, onSize),
        METHOD(IPlugView, sdk::IPlugView, onFocus),
        METHOD(IPlugView, sdk::IPlugView, setFrame),
        METHOD(IPlugView, sdk::IPlugView, canResize),
        METHOD(IPlugView, sdk::IPlugView, checkSizeConstraint),
        METHOD(IPlugFrame, sdk::IPlugFrame, resizeView),
        METHOD(IEventHandler, sdk::Linux::IEventHandler, onFDIsSet),
        METHOD(ITimerHandler, sdk::Linux::ITimerHandler, onTimer),
        METHOD(IRunLoop, sdk::Linux::IRunLoop, registerEventHandler),
        METHOD(IRunLoop, sdk::Linux::IRunLoop, unregisterEventHandler),
        METHOD(IRunLoop, sdk::Linux::IRunLoop, registerTimer),
        METHOD(IRunLoop, sdk::Linux::IRunLoop, unregisterTimer),
    };
    for (const MethodSlots& m : methods)
        EXPECT_EQ(m.ours, m.published) << m.name;
}

TEST(Vst3InterfaceLayout, EveryInterfaceIdIsThePublishedOne)
{
    const Ids ids[] = {
        {"FUnknown", our::FUnknown::iid, sdk::FUnknown_iid},
        {"IPluginBase", our::IPluginBase::iid, sdk::IPluginBase_iid},
        {"IPluginFactory", our::IPluginFactory::iid, sdk::IPluginFactory_iid},
        {"IPluginFactory2", our::IPluginFactory2::iid, sdk::IPluginFactory2_iid},
        {"IPluginFactory3", our::IPluginFactory3::iid, sdk::IPluginFactory3_iid},
        {"IBStream", our::IBStream::iid, sdk::IBStream_iid},
        {"IComponent", our::IComponent::iid, vst::IComponent_iid},
        {"IEventList", our::IEventList::iid, vst::IEventList_iid},
        {"IParamValueQueue", our::IParamValueQueue::iid, vst::IParamValueQueue_iid},
        {"IParameterChanges", our::IParameterChanges::iid, vst::IParameterChanges_iid},
        {"IAudioProcessor", our::IAudioProcessor::iid, vst::IAudioProcessor_iid},
        {"IProcessContextRequirements", our::IProcessContextRequirements::iid,
         vst::IProcessContextRequirements_iid},
        {"IComponentHandler", our::IComponentHandler::iid, vst::IComponentHandler_iid},
        {"IEditController", our::IEditController::iid, vst::IEditController_iid},
        {"IMidiMapping", our::IMidiMapping::iid, vst::IMidiMapping_iid},
        {"IHostApplication", our::IHostApplication::iid, vst::IHostApplication_iid},
        {"IPlugView", our::IPlugView::iid, sdk::IPlugView_iid},
        {"IPlugFrame", our::IPlugFrame::iid, sdk::IPlugFrame_iid},
        {"IEventHandler", our::IEventHandler::iid, sdk::Linux::IEventHandler_iid},
        {"ITimerHandler", our::ITimerHandler::iid, sdk::Linux::ITimerHandler_iid},
        {"IRunLoop", our::IRunLoop::iid, sdk::Linux::IRunLoop_iid},
    };
    for (const Ids& id : ids)
        EXPECT_TRUE(id.ours == id.published) << id.name;
}

TEST(Vst3InterfaceLayout, NamesHostsCompareAreThePublishedOnes)
{
    EXPECT_STREQ(our::kAudioModuleClass, kVstAudioEffectClass);
    EXPECT_STREQ(our::kComponentControllerClass, kVstComponentControllerClass);
    EXPECT_STREQ(our::kSubCategoryInstrumentSynth, vst::PlugType::kInstrumentSynth);
    EXPECT_STREQ(our::kPlatformTypeX11EmbedWindowID, sdk::kPlatformTypeX11EmbedWindowID);
    EXPECT_STREQ(our::kEditorViewType, vst::ViewType::kEditor);
}
