#include "FakeBackend.h"

namespace quelvar::test
{

FakeBackend::FakeBackend()
{
    for (PatternView& p : patterns)
    {
        for (StepView& s : p.steps)
            s.note = 25;
    }
    params[10] = 15.0f / 63.0f;
    params[11] = 1.0f;
    params[27] = 80.0f / 260.0f;
    controllers.fill(-1);
}

QString FakeBackend::parameterText(int index) const
{
    return QString::number(static_cast<int>(params[static_cast<std::size_t>(index)] * 100));
}

PatternView FakeBackend::pattern(int index) const
{
    return index >= 0 && index < 64 ? patterns[static_cast<std::size_t>(index)] : PatternView{};
}

void FakeBackend::setParameter(int index, float value)
{
    params[static_cast<std::size_t>(index)] = value;
    calls.push_back({Call::parameter, index, 0, value});
}

void FakeBackend::editStep(StepField field, int step, int value)
{
    calls.push_back({Call::step, static_cast<int>(field), step, static_cast<float>(value)});
}

void FakeBackend::editCurrentPattern(PatternEdit edit)
{
    calls.push_back({Call::currentPattern, static_cast<int>(edit)});
}

void FakeBackend::editPattern(SlotEdit edit, int patternIndex)
{
    calls.push_back({Call::slot, static_cast<int>(edit), patternIndex});
}

void FakeBackend::randomise(Randomise what)
{
    calls.push_back({Call::randomise, static_cast<int>(what)});
}

void FakeBackend::setPatternName(const QString& name)
{
    calls.push_back({Call::name, 0, 0, 0.0f, name});
}

void FakeBackend::restorePattern(int patternIndex, const PatternView& pattern)
{
    patterns[static_cast<std::size_t>(patternIndex)] = pattern;
    calls.push_back({Call::restore, patternIndex});
}

void FakeBackend::setChain(const ChainEntries& chain)
{
    chainState = chain;
    calls.push_back({Call::chain, chain.size()});
}

void FakeBackend::learnController(int slot)
{
    learning = slot;
    calls.push_back({Call::learn, slot});
}

void FakeBackend::forgetController(int slot)
{
    controllers[static_cast<std::size_t>(slot)] = -1;
    calls.push_back({Call::forget, slot});
}

void FakeBackend::liveNote(bool on, int note, int velocity)
{
    calls.push_back({Call::note, note, velocity, on ? 1.0f : 0.0f});
}

void FakeBackend::exportFile(ExportFormat format, const QString& path)
{
    calls.push_back({Call::exportFile, static_cast<int>(format), 0, 0.0f, path});
}

void FakeBackend::setLineSettings(const LineSettings& settings)
{
    lines = settings;
    calls.push_back({Call::lineSettings, settings.key, static_cast<int>(settings.scale)});
}

void FakeBackend::writeLineFile(const QString& folder)
{
    calls.push_back({Call::lineFile, 0, 0, 0.0f, folder});
    emit lineFileWritten(lineFileAnswer);
}

void FakeBackend::importFile(ImportFormat format, int patternIndex, const QString& path)
{
    calls.push_back({Call::importFile, static_cast<int>(format), patternIndex, 0.0f, path});
}

std::vector<Call> FakeBackend::callsOf(Call::Kind kind) const
{
    std::vector<Call> out;
    for (const Call& c : calls)
    {
        if (c.kind == kind)
            out.push_back(c);
    }
    return out;
}

} // namespace quelvar::test
