// Reading a parameter's display text back as a value, and the unit each slot's text is read in:
// what the plugin formats offer their hosts beside Palladon::formatParameterValue. Any thread but
// the audio thread: it formats and parses text.
#pragma once

namespace quelvar
{

class Palladon;

// The unit of a slot's display text: "dB", "%", "ms", "BPM", or "" for choices and plain numbers.
const char* parameterUnit(int slot);

// The number a text starts with; minus infinity for the decibel display's "-oo". Whatever follows
// the number (a unit) is not read.
bool numberInText(const char* text, double& number);
// The text without the blanks around it, cut to `capacity` bytes with the terminator.
void trimmedText(const char* text, char* out, int capacity);

// A slot whose text grows with its value: the value showing the number nearest to the text's.
// False when the text holds no number.
bool continuousValueOfText(Palladon& engine, int slot, const char* text, float& value);
// A slot of steps 0 to `steps`, step k holding the slot value slotValueOfStep(slot, k): the step
// whose text is the given one (any case, blanks around it aside), else the step showing the
// nearest number. False when neither is found.
bool stepOfText(Palladon& engine, int slot, const char* text, int steps,
                float (*slotValueOfStep)(int slot, int step), int& step);

} // namespace quelvar
