#include "io/ablImport.h"

#include "io/ablNoteNames.h"
#include "io/textHelpers.h"

#include <algorithm>

namespace quelvar
{

namespace
{
constexpr int kDefaultAblSteps = 16;

struct AblLines
{
    std::vector<std::string> lines;
    bool lastEnded = true; // false: the text stops inside its last line, as a cut file does
};

// Files come with CR LF, CR CR LF or LF alone, and sometimes a byte-order mark.
AblLines ablLines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    AblLines out;
    out.lastEnded = text.empty() || text.back() == '\n';
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        out.lines.push_back(trim(line));
        start = end + 1;
    }
    return out;
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

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One ABL2 step line, spaces removed: name, octave, then the gate, slide and accent digits. A
// line without its accent digit has no accent. False for a line that is not a step.
bool readAbl2Step(const std::string& line, Pattern& pattern, int i, int& outOfRange)
{
    const int semitone = semitoneOf(line);
    if (line.size() < 5 || semitone == 0 || !isDigit(line[3]) || !isDigit(line[4]) ||
        (line.size() > 5 && !isDigit(line[5])))
        return false;
    const char octave = line[2];
    const bool gate = line[3] != '0';
    int note = 0;
    if (gate)
    {
        // An octave that is no digit, or that takes the note outside 1–60, leaves a rest.
        const int n = isDigit(octave) ? semitone + 12 * (octave - '0' - 2) : -1;
        note = noteOrRest(n);
        if (note == 0)
            ++outOfRange;
    }
    pattern.setStepNote(note, i);
    pattern.setStepSlide(line[4] != '0', i);
    pattern.setStepAccent(line.size() > 5 && line[5] != '0', i);
    return true;
}

// A sign and digits, nothing else.
bool isWholeNumber(std::string_view field)
{
    if (!field.empty() && (field[0] == '-' || field[0] == '+'))
        field.remove_prefix(1);
    return !field.empty() && std::all_of(field.begin(), field.end(), isDigit);
}

// One ABL3 step line: note offset, octave down, octave up, accent, slide, gate. False for a line
// without six whole numbers: no step.
bool readAbl3Step(const std::string& line, Pattern& pattern, int i, int& outOfRange)
{
    const std::vector<std::string> f = split(line, ' ');
    if (f.size() < 6 || !std::all_of(f.begin(), f.begin() + 6,
                                     [](const std::string& x) { return isWholeNumber(x); }))
        return false;
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
    return true;
}

bool startPattern(PatternImport& out, int count, int minimum)
{
    if (count < minimum)
        return false;
    out.pattern.emplace(std::min(count, kStepsPerPattern));
    return true;
}

// A file that is not a whole pattern changes nothing: its settings go too.
void refuse(PatternImport& out)
{
    out = PatternImport{};
}

// The sentences for what reading changed; `count` is the step count the file asked for.
void addNotices(PatternImport& out, int count)
{
    if (count > kStepsPerPattern)
        out.notices.push_back("the file's " + std::to_string(count) + " steps were cut to " +
                              std::to_string(kStepsPerPattern));
    if (out.outOfRangeSteps > 0)
        out.notices.push_back(stepsOutOfRangeNotice(out.outOfRangeSteps));
}
} // namespace

// A pattern is every step line its count asks for. Only the lenient reader takes the steps
// before a line that is no step, and never from a file that ends inside a line (a cut file).
AblImport parseABLPattern(std::string_view text, const AblReadOptions& options)
{
    AblImport result;
    PatternImport& out = result.import;
    int count = kDefaultAblSteps;
    int stepsRead = 0;
    bool complete = false;
    const AblLines read = ablLines(text);
    for (std::size_t k = 0; k < read.lines.size() && !complete; ++k)
    {
        const std::string& line = read.lines[k];
        if (!line.empty() && line[0] == ';')
        {
            if (contains(line, "ABL3 Meta tag:"))
            {
                PatternImport abl3 = parseABL3Pattern(text);
                if (abl3.pattern)
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
            break;
        const int length = out.pattern->getNBStep();
        if (!readAbl2Step(remove_char(line, ' '), *out.pattern, stepsRead, out.outOfRangeSteps))
        {
            const bool cutInside = k + 1 == read.lines.size() && !read.lastEnded;
            if (!options.lenient || stepsRead == 0 || cutInside)
                break;
            out.notices.push_back("a line that is no step ended the steps after " +
                                  std::to_string(stepsRead) + " of " + std::to_string(length) +
                                  "; the others keep the default note");
            complete = true;
            break;
        }
        complete = ++stepsRead == length;
    }
    if (!complete)
        refuse(out);
    else
        addNotices(out, count);
    return result;
}

PatternImport parseABL3Pattern(std::string_view text)
{
    PatternImport out;
    int count = kDefaultAblSteps;
    int stepsRead = 0;
    bool complete = false;
    for (const std::string& line : ablLines(text).lines)
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
        if ((!out.pattern && !startPattern(out, count, 2)) ||
            !readAbl3Step(line, *out.pattern, stepsRead, out.outOfRangeSteps))
            break;
        if (++stepsRead == out.pattern->getNBStep())
        {
            complete = true;
            break;
        }
    }
    if (!complete)
        refuse(out);
    else
        addNotices(out, count);
    return out;
}

} // namespace quelvar
