// The plugin's VST 3 parameters: every slot under its slot number, with the range, unit and
// choices of the engine's control table and the engine's display texts; a program parameter that
// selects patterns 1–64; hidden parameters for the MIDI a host turns into parameter changes and
// no slot takes (pitch bend, controllers the engine is learning or has not mapped). A parameter's
// normalised value is the slot's own value. Constant data and functions on the host's UI thread.
#pragma once

#include "engine/Palladon.h"
#include "vst3/Vst3Interface.h"

#include <array>
#include <cstdint>

namespace quelvar::vst3
{

constexpr ParamID kProgramParamId = 1000;
constexpr ParamID kPitchBendParamId = 1001;
constexpr ParamID kFirstControllerParamId = 1100; // plus the controller number
constexpr int kProgramPatterns = 64;
constexpr int kNumControllers = 128;
constexpr int kParameterCount = kNumParams + 2 + kNumControllers;

// What a parameter id stands for.
struct ParameterTarget
{
    enum class Kind
    {
        slot,
        program,
        pitchBend,
        controller,
    };
    Kind kind;
    int number; // the slot or the controller number
};

// Parameters are listed slots first, then the program, pitch bend and the controllers 0–127
// (those MIDI lets a synth map; the others are listed but hidden and never mapped).
ParamID parameterIdAt(int index);
// The list index of an id; -1 for an unknown one.
int parameterIndexOf(ParamID id);
bool targetOf(ParamID id, ParameterTarget& target);

// defaultValue: the parameter's value in a fresh engine.
bool describeParameter(ParamID id, ParamValue defaultValue, ParameterInfo& info);

// The MIDI a value of the program, pitch-bend or a controller parameter stands for, on channel
// 1: a program change, a pitch bend, a controller change. False for a slot.
bool midiOfValue(const ParameterTarget& target, ParamValue normalized,
                 std::array<std::uint8_t, 3>& bytes);

// The slot value a normalised value gives: the top of the pattern-trigger range asks for the last
// pattern it holds, not for none.
float slotValueOf(int slot, ParamValue normalized);

// In the control table's units: percent, semitones, steps, BPM, pattern and choice numbers.
ParamValue plainValueOf(ParamID id, ParamValue normalized);
ParamValue normalizedValueOf(ParamID id, ParamValue plain);

// The text of a value, and a value for a text: a choice's name, or a number in the units the
// text shows (the nearest value that shows it). False for an unknown id or an unreadable text.
bool textOfValue(Palladon& engine, ParamID id, ParamValue normalized, String128 text);
bool valueOfText(Palladon& engine, ParamID id, const TChar* text, ParamValue& normalized);

// The parameter a MIDI controller moves (IMidiMapping): a controller the engine maps moves its
// slot; one it does not map, and every one while it learns, goes to the engine as a controller.
bool parameterOfController(const Palladon& engine, int controller, ParamID& id);

// UTF-16 to and from the ASCII the engine speaks; characters outside it read as '?'.
void copyToString128(const char* text, TChar* out);
void copyToAscii(const TChar* text, char* out, int capacity);

} // namespace quelvar::vst3
