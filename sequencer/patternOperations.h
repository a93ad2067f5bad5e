// Whole-pattern step operations: copy, rotate, randomise. Free functions over a Pattern; each is
// one edit, so the audio thread never plays half of it. Any thread; no allocation.
#pragma once

#include "sequencer/Pattern.h"
#include "sequencer/RandomSource.h"

namespace quelvar
{

// The count and the first `count` steps of `from`; the steps of `to` past them stay.
void copySteps(const Pattern& from, Pattern& to);
// The visible steps move one place; the one pushed off an end comes back at the other.
void shiftStepsLeft(Pattern& p);
void shiftStepsRight(Pattern& p);
// Every visible step: a note 15–30, about a quarter of them accented and a quarter sliding.
void randomizeSteps(Pattern& p, RandomSource& source);
// Only that field of every visible step: a note 15–30, or about a quarter set.
void randomizeStepField(Pattern& p, StepField field, RandomSource& source);

} // namespace quelvar
