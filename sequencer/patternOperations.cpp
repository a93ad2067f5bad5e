#include "sequencer/patternOperations.h"

namespace quelvar
{

namespace
{
struct StepFields
{
    int note;
    bool slide;
    bool accent;
};

StepFields fieldsOf(const Step& s)
{
    return {s.note(), s.slide(), s.accent()};
}

void setFields(Step& s, const StepFields& f)
{
    s.setNote(f.note);
    s.setSlide(f.slide);
    s.setAccent(f.accent);
}
} // namespace

void copySteps(const Pattern& from, Pattern& to)
{
    const Pattern::Edit edit(to);
    const int count = from.getNBStep();
    to.setNBStep(count);
    for (int i = 0; i < count; ++i)
        *to.getStepAnyIndex(i) = *from.getStepAnyIndex(i);
}

void shiftStepsLeft(Pattern& p)
{
    const int n = p.getNBStep();
    if (n <= 0)
        return;
    const Pattern::Edit edit(p);
    const StepFields first = fieldsOf(*p.getStepAnyIndex(0));
    for (int i = 0; i < n - 1; ++i)
        setFields(*p.getStepAnyIndex(i), fieldsOf(*p.getStepAnyIndex(i + 1)));
    setFields(*p.getStepAnyIndex(n - 1), first);
}

void shiftStepsRight(Pattern& p)
{
    const int n = p.getNBStep();
    if (n <= 0)
        return;
    const Pattern::Edit edit(p);
    const StepFields last = fieldsOf(*p.getStepAnyIndex(n - 1));
    for (int i = n - 1; i > 0; --i)
        setFields(*p.getStepAnyIndex(i), fieldsOf(*p.getStepAnyIndex(i - 1)));
    setFields(*p.getStepAnyIndex(0), last);
}

void randomizeSteps(Pattern& p, RandomSource& source)
{
    const Pattern::Edit edit(p);
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        Step& s = *p.getStepAnyIndex(i);
        s.setNote(source.random(15) + 15);
        s.setAccent(source.random(100) > 75);
        s.setSlide(source.random(100) >= 76);
    }
}

void randomizeStepField(Pattern& p, StepField field, RandomSource& source)
{
    const Pattern::Edit edit(p);
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        Step& s = *p.getStepAnyIndex(i);
        if (field == StepField::note)
            s.setNote(source.random(15) + 15);
        else if (field == StepField::slide)
            s.setSlide(source.random(100) > 75);
        else if (field == StepField::accent)
            s.setAccent(source.random(100) > 75);
    }
}

} // namespace quelvar
