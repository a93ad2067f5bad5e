#include "io/ablImport.h"

#include "io/ablNoteNames.h"
#include "io/textHelpers.h"

#include <algorithm>

namespace quelvar
{

namespace
{
constexpr int kDefaultAblSteps = 16;

// Files come with CR LF, CR CR LF or LF alone, and sometimes a byte-order mark.
std::vector<std::string> ablLines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        lines.push_back(trim(line));
        start = end + 1;
    }
    return lines;
}

int countAfterLastColon(const std::string& line)
{
    return parseInteger(std::string_view(line).substr(line.rfind(':') + 1));
}

void addGateAndGroove(PatternImport& out)
{
    out.settings.push_back({kGate, 0.5f});
    out.settings.push_back({kGroove, 0.0f});
}

// " ; Tune: t Cutoff: c Resonance: r …": the number after each colon, in a fixed order.
void readAbl2Settings(const std::string& line, PatternImport& out)
{
    static constexpr int kSlots[] = {kTuning, kCutoff, kResonance, kEnvMod,
                                     kDecay,  kAccent, kWaveform};
    const std::vector<std::string> pieces = split(line, ':');
    for (std::size_t k = 1; k <= std::size(kSlots) && k < pieces.size(); ++k)
    {
        double v = parseDecimal(trim(pieces[k]).substr(0, 8));
        v = std::clamp(v, 0.0, 1.0);
        if (kSlots[k - 1] == kCutoff)
            v /= 2.4;
        out.settings.push_back({kSlots[k - 1], static_cast<float>(v)});
    }
    addGateAndGroove(out);
}

// "; Tune: t Cutoff: c …": each keyword's value is the piece after it, in any order.
void readAbl3Settings(const std::string& line, PatternImport& out)
{
    struct Keyword
    {
        const char* word;
        int slot;
    };
    static constexpr Keyword kKeywords[] = {
        {"tune", kTuning}, {"cutof", kCutoff},  {"reso", kResonance},    {"envmod", kEnvMod},
        {"decay", kDecay}, {"accent", kAccent}, {"waveform", kWaveform}, {"volume", kVolume}};
    const std::vector<std::string> pieces = split(line, ' ');
    for (std::size_t j = 0; j + 1 < pieces.size(); ++j)
        for (const Keyword& k : kKeywords)
            if (contains(pieces[j], k.word))
            {
                double v = parseDecimal(pieces[j + 1]);
                if (k.slot == kCutoff)
                    v /= 2.4;
                out.settings.push_back({k.slot, static_cast<float>(v)});
                break;
            }
    addGateAndGroove(out);
}

int semitoneOf(std::string_view line)
{
    for (int s = 0; s < 12; ++s)
        if (starts_with(line, kAblNoteNames[s]))
            return s + 1;
    return 0;
}

// One ABL2 step line, spaces removed: name, octave, gate, slide and accent digits. A line
// without its accent digit has no accent. False for a line that is not a step.
bool readAbl2Step(const std::string& line, Pattern& pattern, int i, int& outOfRange)
{
    const int semitone = semitoneOf(line);
    if (line.size() < 5 || semitone == 0)
        return false;
    const char octave = line[2];
    const bool gate = line[3] != '0';
    int note = 0;
    if (gate)
    {
        // An octave that is no digit, or that takes the note outside 1–60, leaves a rest.
        const int n = octave >= '0' && octave <= '9' ? semitone + 12 * (octave - '0' - 2) : -1;
        note = noteOrRest(n);
        if (note == 0)
            ++outOfRange;
    }
    pattern.setStepNote(note, i);
    pattern.setStepSlide(line[4] != '0', i);
    pattern.setStepAccent(line.size() > 5 && line[5] != '0', i);
    return true;
}

// One ABL3 step line: note offset, octave down, octave up, accent, slide, gate. A line with
// fewer fields keeps its place as a rest.
void readAbl3Step(const std::string& line, Pattern& pattern, int i, int& outOfRange)
{
    const std::vector<std::string> f = split(line, ' ');
    if (f.size() < 6)
    {
        pattern.setStepNote(0, i);
        pattern.setStepSlide(false, i);
        pattern.setStepAccent(false, i);
        return;
    }
    int note = parseInteger(f[0]) + kDefaultStepNote;
    if (parseInteger(f[1]) != 0)
        note -= 12;
    if (parseInteger(f[2]) != 0)
        note += 12;
    const bool gate = parseInteger(f[5]) != 0;
    if (!gate)
        note = 0;
    else if (noteOrRest(note) != note)
    {
        note = 0;
        ++outOfRange;
    }
    pattern.setStepNote(note, i);
    pattern.setStepAccent(parseInteger(f[3]) != 0, i);
    pattern.setStepSlide(parseInteger(f[4]) != 0, i);
}

bool startPattern(PatternImport& out, int count, int minimum)
{
    if (count < minimum)
        return false;
    out.pattern.emplace(std::min(count, kStepsPerPattern));
    return true;
}
} // namespace

AblImport parseABLPattern(std::string_view text, const AblReadOptions& options)
{
    AblImport result;
    PatternImport& out = result.import;
    int count = kDefaultAblSteps;
    int stepsRead = 0;
    for (const std::string& line : ablLines(text))
    {
        if (!line.empty() && line[0] == ';')
        {
            if (contains(line, "ABL3 Meta tag:"))
            {
                PatternImport abl3 = parseABL3Pattern(text);
                abl3.settings.insert(abl3.settings.begin(), out.settings.begin(),
                                     out.settings.end());
                out = std::move(abl3);
                result.abl3 = true;
                return result;
            }
            if (contains(line, "ABL2 Meta tag:"))
                count = countAfterLastColon(line);
            if (contains(line, "tune") && options.withParams)
                readAbl2Settings(line, out);
            continue;
        }
        if (!out.pattern && !startPattern(out, count, options.lenient ? 1 : 2))
            return result;
        if (!readAbl2Step(remove_char(line, ' '), *out.pattern, stepsRead, out.outOfRangeSteps))
        {
            if (!options.lenient)
                out.pattern.reset();
            return result;
        }
        if (++stepsRead == out.pattern->getNBStep())
            break;
    }
    return result;
}

PatternImport parseABL3Pattern(std::string_view text)
{
    PatternImport out;
    int count = kDefaultAblSteps;
    int stepsRead = 0;
    for (const std::string& line : ablLines(text))
    {
        if (line.empty())
            continue;
        if (line[0] == ';')
        {
            if (contains(line, "ABL3 Meta tag:"))
                count = countAfterLastColon(line);
            if (contains(line, "tune"))
                readAbl3Settings(line, out);
            continue;
        }
        if (!out.pattern && !startPattern(out, count, 2))
            return out;
        readAbl3Step(line, *out.pattern, stepsRead, out.outOfRangeSteps);
        if (++stepsRead == out.pattern->getNBStep())
            break;
    }
    return out;
}

} // namespace quelvar
