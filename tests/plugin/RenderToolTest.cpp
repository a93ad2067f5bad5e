#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "io/MidiFile.h"
#include "io/patternImport.h"
#include "io/stateChunk.h"
#include "support/EngineHarness.h"
#include "support/runCommand.h"
#include "support/testFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quelvar;

namespace
{
CommandRun runTool(const std::string& args)
{
    return runCommand(std::string(QUELVAR_RENDER_TOOL) + " " + args + " 2>&1");
}

CommandRun render(const std::string& args)
{
    return runTool(std::string("--plugin ") + QUELVAR_PLUGIN_PATH + " " + args);
}

// A folder of the running test's own, so tests that run side by side never share a file.
std::filesystem::path testFolder()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string tag = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : tag)
        if (c == '/')
            c = '_';
    return std::filesystem::path(testing::TempDir()) /
           ("quelvar-tool-" + std::to_string(getpid()) + "-" + tag);
}

std::string temp(const std::string& name)
{
    std::filesystem::create_directories(testFolder());
    return (testFolder() / name).string();
}

class ToolTest : public testing::Test
{
protected:
    void TearDown() override { std::filesystem::remove_all(testFolder()); }
};

std::vector<float> readFloatWav(const std::string& path, int& rate)
{
    const std::string bytes = readFile(path);
    std::vector<float> samples;
    if (bytes.size() < 58 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return samples;
    std::memcpy(&rate, bytes.data() + 24, 4);
    samples.resize((bytes.size() - 58) / 4);
    std::memcpy(samples.data(), bytes.data() + 58, samples.size() * 4);
    return samples;
}

// Peak of the interleaved samples between two times.
float peakBetween(const std::vector<float>& interleaved, int rate, double from, double to)
{
    return peakOf(interleaved, static_cast<std::size_t>(from * rate) * 2,
                  static_cast<std::size_t>(to * rate) * 2);
}

float peakOfRender(const std::string& args)
{
    const std::string wav = temp("peak.wav");
    std::remove(wav.c_str());
    const CommandRun run = render("--out " + wav + " --seconds 1 --allow-silence " + args);
    EXPECT_EQ(run.status, 0) << run.output;
    int rate = 0;
    return peakOf(readFloatWav(wav, rate));
}

struct Steps
{
    std::vector<int> notes;
    std::vector<bool> slides;
    std::vector<bool> accents;
};

const Steps kRests{std::vector<int>(16, 0), std::vector<bool>(16), std::vector<bool>(16)};
// 13 steps, rests without flags so that every format keeps them alike.
const Steps kDistinct{{1, 13, 25, 37, 0, 60, 7, 12, 24, 0, 31, 44, 2},
                      {0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0},
                      {1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0}};

// An in-process engine whose current pattern holds the steps; `volume` goes into its slot 0.
std::unique_ptr<Palladon> engineWith(const Steps& s, float volume = 1.0f)
{
    auto engine = std::make_unique<Palladon>(nullptr, Flavour::plugin);
    Pattern& p = *engine->getCurrentPattern();
    p.setNBStep(static_cast<int>(s.notes.size()));
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        p.setStepNote(s.notes[i], i);
        p.setStepSlide(s.slides[i], i);
        p.setStepAccent(s.accents[i], i);
    }
    engine->setParameter(kVolume, volume);
    return engine;
}

void expectSteps(Palladon& engine, const Steps& s, const std::string& context)
{
    const Pattern& p = *engine.getCurrentPattern();
    ASSERT_EQ(p.getNBStep(), static_cast<int>(s.notes.size())) << context;
    for (int i = 0; i < p.getNBStep(); ++i)
    {
        EXPECT_EQ(p.getStep(i)->note(), s.notes[i]) << context << " step " << i;
        EXPECT_EQ(p.getStep(i)->slide(), s.slides[i]) << context << " step " << i;
        EXPECT_EQ(p.getStep(i)->accent(), s.accents[i]) << context << " step " << i;
    }
}

std::string firstLine(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    return line;
}

// Key, tick and kind of every note message, as Debian's mido reads the file.
struct MidoNote
{
    bool on;
    long tick;
    int key;
};

std::vector<MidoNote> notesWithMido(const std::string& path, long* tempo = nullptr)
{
    const std::string script = temp("notes.py");
    writeFile(script, "import sys\nimport mido\n"
                      "f = mido.MidiFile(sys.argv[1])\n"
                      "assert f.type == 0 and len(f.tracks) == 1\n"
                      "t = 0\n"
                      "for m in f.tracks[0]:\n"
                      "    t += m.time\n"
                      "    if m.type == 'set_tempo':\n"
                      "        print('tempo', t, m.tempo)\n"
                      "    elif m.type in ('note_on', 'note_off'):\n"
                      "        on = m.type == 'note_on' and m.velocity > 0\n"
                      "        print('on' if on else 'off', t, m.note)\n");
    const CommandRun run = runCommand("/usr/bin/python3 " + script + " " + path + " 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<MidoNote> notes;
    std::istringstream lines(run.output);
    std::string kind;
    long tick = 0;
    long value = 0;
    while (lines >> kind >> tick >> value)
    {
        if (kind == "tempo" && tempo)
            *tempo = value;
        else if (kind != "tempo")
            notes.push_back({kind == "on", tick, static_cast<int>(value)});
    }
    return notes;
}

std::vector<int> keysOn(const std::vector<MidoNote>& notes)
{
    std::vector<int> keys;
    for (const MidoNote& n : notes)
        if (n.on)
            keys.push_back(n.key);
    return keys;
}

// A format-0 file at 480 ticks per quarter: 120 BPM, 60 BPM from beat 1 on, and one note from
// beat 2 (1.5 s) to beat 2.5 (2.0 s).
std::string lateNoteMidiFile()
{
    // clang-format off
    const std::vector<std::uint8_t> bytes{
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
        'M', 'T', 'r', 'k', 0, 0, 0, 28,
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
        0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
        0x83, 0x60, 0x90, 45, 110,
        0x81, 0x70, 45, 0,
        0x00, 0xFF, 0x2F, 0x00};
    // clang-format on
    const std::string path = temp("late-note.mid");
    writeFile(path, bytes);
    return path;
}

class RenderTool : public ToolTest
{
};

class RenderToolMidi : public ToolTest
{
};
} // namespace

TEST_F(RenderTool, WritesTheRequestedLengthOfAudibleAudio)
{
    const std::string out = temp("length.wav");
    const CommandRun run =
        render("--out " + out + " --seconds 1.5 --tempo 130 --rate 48000 --block 300");
    ASSERT_EQ(run.status, 0) << run.output;
    int rate = 0;
    const std::vector<float> interleaved = readFloatWav(out, rate);
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(interleaved.size(), 2u * 72000u);
    EXPECT_TRUE(allFinite(interleaved));
    EXPECT_GT(peakOf(interleaved), 0.1f);
}

TEST_F(RenderTool, HelpNamesEveryOption)
{
    for (const char* args : {"--help", "convert --help"})
    {
        const CommandRun run = runTool(args);
        EXPECT_EQ(run.status, 0);
        for (const char* option :
             {"--out",         "--seconds",      "--bars",    "--tempo",    "--rate",
              "--block",       "--plugin",       "--param",   "--bank",     "--pattern",
              "--with-params", "--export-midi",  "--midi ",   "--midi-out", "--help",
              "convert",       "--to",           "--out-dir", "--abl2",     "--list-params",
              "--quiet",       "--allow-silence"})
            EXPECT_NE(run.output.find(option), std::string::npos) << option;
        for (const char* place : {"/lib/vst/QuelvarVST.so", "/.vst/QuelvarVST.so"})
            EXPECT_NE(run.output.find(place), std::string::npos) << place;
    }
}

// The plugin's chunk trace and the readers' notes stay out of the output; what was asked for,
// the parameter list, is all there is.
TEST_F(RenderTool, PrintsOnlyWhatTheUserAskedFor)
{
    Palladon engine(nullptr, Flavour::plugin);
    const std::vector<std::uint8_t> chunk = getChunkBytes(engine);
    const std::string bank = temp("set.b303");
    writeFile(bank, std::string(chunk.begin(), chunk.end()));
    const std::string pattern = temp("far.pat");
    writeFile(pattern, "; ABL3 Meta tag: 2\r\n40 0 0 0 0 1\r\n0 0 0 0 0 1\r\n");
    const std::string base = std::string(QUELVAR_RENDER_TOOL) + " --plugin " + QUELVAR_PLUGIN_PATH;
    const CommandRun quiet = runCommand(base + " --bank " + bank + " --pattern " + pattern +
                                        " --with-params --seconds 0.1 --out " + temp("q.wav"));
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.output, "");

    const CommandRun listed = runCommand(base + " --list-params --bank " + bank);
    EXPECT_EQ(listed.status, 0);
    std::istringstream lines(listed.output);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);)
        all.push_back(line);
    ASSERT_EQ(all.size(), 30u) << listed.output;
    EXPECT_EQ(all[3], " 3  CutOff");
    EXPECT_EQ(all[27], "27  invalid (tempo)");
    EXPECT_EQ(all[29], "29  Chain");
}

// The standalone saves its state in internal sync, which no host can start: the tool plays the
// pattern in host sync at the state's tempo and says so; asked for internal sync, it refuses.
TEST_F(RenderTool, ABankSavedInInternalSyncPlaysAtItsTempo)
{
    Palladon standalone(nullptr, Flavour::standalone);
    standalone.setParameter(kSyncType, 0.5f);
    standalone.setParameter(kTempo, (140.0f - 40.0f) / 260.0f);
    const std::string bank = temp("it.b303");
    ASSERT_TRUE(standalone.exportBank(bank));
    const std::string wav = temp("it.wav");

    const CommandRun run = render("--bank " + bank + " --out " + wav + " --seconds 1");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("the state is in internal sync; played in host sync at 140 BPM"),
              std::string::npos)
        << run.output;
    int rate = 0;
    EXPECT_GT(peakOf(readFloatWav(wav, rate)), 0.05f);

    EXPECT_EQ(render("--bank " + bank + " --out " + wav + " --seconds 1 --quiet").output, "");
    const CommandRun asked = render("--bank " + bank + " --out " + wav + " --param 26=0.5");
    EXPECT_EQ(asked.status, 2);
    EXPECT_NE(asked.output.find("internal sync cannot be started by a host"), std::string::npos);
}

// Silence where the pattern (or the MIDI file) holds notes is a failure of its own, unless asked
// for; a pattern of rests, or MIDI in sync with no MIDI, is silent as expected.
TEST_F(RenderTool, ASilentRenderWhereNotesWereExpectedFails)
{
    const std::string rests = temp("rests.303");
    ASSERT_TRUE(engineWith(kRests)->exportPattern(rests));
    const struct
    {
        std::string args;
        int status;
    } cases[] = {{"--param Volume=0", 3},
                 {"--param Volume=0 --allow-silence", 0},
                 {"--pattern " + rests, 0},
                 {"--param 26=1", 0}};
    for (const auto& c : cases)
    {
        const CommandRun run = render("--out " + temp("s.wav") + " --seconds 0.5 " + c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.output;
        EXPECT_EQ(run.output.find("silent where notes were expected") != std::string::npos,
                  c.status == 3)
            << c.args << "\n"
            << run.output;
    }
}

// What a reader changed goes to standard error, a line each after the file's name; --quiet
// keeps it back.
TEST_F(RenderTool, ReadersSayWhatTheyChanged)
{
    const std::string far = temp("far.pat");
    writeFile(far, "; ABL3 Meta tag: 3\r\n40 0 0 0 0 1\r\n-30 0 0 0 0 1\r\n1 0 0 0 0 1\r\n");
    const std::string notice = far + ": 2 steps out of range were switched off\n";
    const CommandRun converted = runTool("convert " + far + " " + temp("far.303"));
    EXPECT_EQ(converted.status, 0);
    EXPECT_NE(converted.output.find(notice), std::string::npos) << converted.output;
    const CommandRun played = render("--pattern " + far + " --out " + temp("far.wav"));
    EXPECT_EQ(played.status, 0);
    EXPECT_NE(played.output.find(notice), std::string::npos) << played.output;

    const CommandRun quiet = runTool("convert --quiet " + far + " " + temp("far2.303"));
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.output.find("out of range"), std::string::npos) << quiet.output;
}

struct Refusal
{
    const char* args; // "@" stands for a file of garbage whose suffix follows it
    int status;
    const char* messagePart;
};

class RenderToolRefuses : public ToolTest, public testing::WithParamInterface<Refusal>
{
};

TEST_P(RenderToolRefuses, WithItsStatusAndAMessage)
{
    std::string args = GetParam().args;
    if (const auto at = args.find('@'); at != std::string::npos)
    {
        const auto end = args.find(' ', at);
        const std::string garbage = temp("garbage") + args.substr(at + 1, end - at - 1);
        writeFile(garbage, "garbage\r\nnot a file of any kind\r\n");
        args.replace(at, end - at, garbage);
    }
    const bool plain = args.rfind("convert", 0) == 0 || args.find("--plugin") != std::string::npos;
    const CommandRun run = plain ? runTool(args) : render(args);
    EXPECT_EQ(run.status, GetParam().status) << run.output;
    EXPECT_NE(run.output.find(GetParam().messagePart), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RenderToolRefuses,
    testing::Values(Refusal{"--seconds 2", 2, "nothing to do"},
                    Refusal{"--out x.wav --tempo abc", 2, "--tempo"},
                    Refusal{"--out x.wav --rate 44100.5", 2, "--rate"},
                    Refusal{"--out x.wav --bogus 1", 2, "unknown option"},
                    Refusal{"--out x.wav --out y.wav", 2, "twice"},
                    Refusal{"--out x.wav --seconds 1 --bars 2", 2, "not both"},
                    Refusal{"--out x.wav --with-params", 2, "--pattern"},
                    Refusal{"--out x.wav --param Nope=0.5", 2, "unknown parameter name"},
                    Refusal{"--out x.wav --param 30=0.5", 2, "no parameter slot 30"},
                    Refusal{"--out x.wav --chain", 2, "holds no chain"},
                    Refusal{"--out x.wav --chain 1,65", 2, "not \"65\""},
                    Refusal{"--out x.wav --passes 2", 2, "--passes needs --chain"},
                    Refusal{"--out x.wav --param 3=1.5", 2, "0 to 1"},
                    Refusal{"--out x.wav --param CutOff", 2, "NAME=VALUE"},
                    Refusal{"--out x.wav --param invalid=1", 2, "give the index"},
                    Refusal{"--out x.wav --plugin /nonexistent.so", 1, "cannot load"},
                    Refusal{"--out x.wav --bank /nonexistent.b303", 1, "/nonexistent.b303"},
                    Refusal{"--out x.wav --bank @.b303", 1, "not a valid bank"},
                    Refusal{"--out x.wav --pattern /nonexistent.303", 1, "/nonexistent.303"},
                    Refusal{"--out x.wav --pattern @.303", 1, "garbage.303: not a valid"},
                    Refusal{"--out x.wav --pattern @.pat", 1, "garbage.pat: not a valid"},
                    Refusal{"--out x.wav --pattern @.phptr", 1, "garbage.phptr: not a valid"},
                    Refusal{"--out x.wav --pattern @.txt", 1, "not a pattern file"},
                    Refusal{"--out x.wav --midi @.mid", 1, "garbage.mid: not a standard MIDI"},
                    Refusal{"convert one.303", 2, "IN OUT"},
                    Refusal{"convert --out-dir d one.303", 2, "--to"},
                    Refusal{"convert --to wav one.303", 2, "--to"},
                    Refusal{"convert --abl2 one.303 two.phptr", 2, ".pat"},
                    Refusal{"convert --bogus one.303 two.pat", 2, "unknown option"}));

TEST_F(RenderTool, ParametersGoByNameOrIndexAfterThePatternsParameters)
{
    EXPECT_EQ(peakOfRender("--param ' volume =0'"), 0.0f);
    EXPECT_EQ(peakOfRender("--param 0=0"), 0.0f);

    // A pattern file that carries volume 0 silences the render only with its parameters, and
    // a --param still overrides it.
    const std::string file = temp("quiet.303");
    ASSERT_TRUE(engineWith(kDistinct, 0.0f)->exportPattern(file));
    EXPECT_GT(peakOfRender("--pattern " + file), 0.05f);
    EXPECT_EQ(peakOfRender("--pattern " + file + " --with-params"), 0.0f);
    EXPECT_GT(peakOfRender("--pattern " + file + " --with-params --param Volume=1"), 0.05f);
}

struct LoadCase
{
    const char* name;
    const char* option;
    const char* suffix;
};

class RenderToolLoads : public ToolTest, public testing::WithParamInterface<LoadCase>
{
};

// Every file written with a pattern of rests replaces the default pattern, which is audible.
TEST_P(RenderToolLoads, AFileThatReplacesThePlayingPattern)
{
    const LoadCase& c = GetParam();
    const std::string file = temp(std::string("rests-") + c.name + c.suffix);
    auto engine = engineWith(kRests);
    const std::string name = c.name;
    const bool written = name == "bank"    ? engine->exportBank(file)
                         : name == "abl2"  ? engine->exportABL2Pattern(file)
                         : name == "abl3"  ? engine->exportABL3Pattern(file)
                         : name == "phptr" ? engine->exportPhoscyonPattern(file)
                                           : engine->exportPattern(file);
    ASSERT_TRUE(written);
    EXPECT_LT(peakOfRender(std::string(c.option) + " " + file), 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RenderToolLoads,
    testing::Values(LoadCase{"bank", "--bank", ".b303"}, LoadCase{"native", "--pattern", ".303"},
                    LoadCase{"abl2", "--pattern", ".pat"}, LoadCase{"abl3", "--pattern", ".pat"},
                    LoadCase{"phptr", "--pattern", ".phptr"}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST_F(RenderTool, ExportsTheLoadedPatternAsMidiAtTheTempo)
{
    const std::string pattern = temp("distinct.303");
    ASSERT_TRUE(engineWith(kDistinct)->exportPattern(pattern));
    const std::string mid = temp("exported.mid");
    std::remove(mid.c_str());
    const CommandRun run =
        render("--pattern " + pattern + " --export-midi " + mid + " --tempo 140");
    ASSERT_EQ(run.status, 0) << run.output;

    long tempo = 0;
    const std::vector<MidoNote> notes = notesWithMido(mid, &tempo);
    EXPECT_EQ(tempo, 428571);
    std::vector<int> expected;
    for (int n : kDistinct.notes)
        if (n != 0)
            expected.push_back(n + kMidiNoteOffset);
    EXPECT_EQ(keysOn(notes), expected);
}

// --chain with its patterns: one MIDI file of the chain, each entry's pattern in turn.
TEST_F(RenderTool, ExportsAChainAsOneMidiFile)
{
    const std::string bank = temp("distinct.b303");
    std::unique_ptr<Palladon> engine = engineWith(kDistinct);
    engine->getSong().getPattern(3)->setNBStep(2);
    engine->getSong().getPattern(3)->setStepNote(50, 0);
    engine->getSong().getPattern(3)->setStepNote(0, 1);
    ASSERT_TRUE(engine->exportBank(bank));
    const std::string mid = temp("chain.mid");
    std::remove(mid.c_str());
    const CommandRun run = render("--bank " + bank + " --chain 4,1,4 --export-midi " + mid);
    ASSERT_EQ(run.status, 0) << run.output;

    std::vector<int> expected{50 + kMidiNoteOffset};
    for (int n : kDistinct.notes)
        if (n != 0)
            expected.push_back(n + kMidiNoteOffset);
    expected.push_back(50 + kMidiNoteOffset);
    const std::vector<MidoNote> notes = notesWithMido(mid);
    EXPECT_EQ(keysOn(notes), expected);
    const auto last = std::find_if(notes.rbegin(), notes.rend(), [](const MidoNote& n) { return n.on; });
    ASSERT_NE(last, notes.rend());
    EXPECT_EQ(last->tick, 15360L * (2 + 13) / 4) << "the third entry starts after the other two";
}

struct ConvertCase
{
    const char* name;
    const char* suffix;
    const char* options;
    const char* firstLinePart;
};

class RenderToolConverts : public ToolTest, public testing::WithParamInterface<ConvertCase>
{
};

TEST_P(RenderToolConverts, APatternThereAndBackWithoutLoss)
{
    const ConvertCase& c = GetParam();
    const std::string source = temp(std::string("source-") + c.name + ".303");
    ASSERT_TRUE(engineWith(kDistinct)->exportPattern(source));
    const std::string there = temp(std::string("there-") + c.name + c.suffix);
    const std::string back = temp(std::string("back-") + c.name + ".303");
    std::remove(there.c_str());
    std::remove(back.c_str());

    CommandRun run = runTool("convert " + std::string(c.options) + " " + source + " " + there);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("converted " + source + " -> " + there), std::string::npos);
    EXPECT_NE(firstLine(there).find(c.firstLinePart), std::string::npos) << firstLine(there);
    run = runTool("convert " + there + " " + back);
    ASSERT_EQ(run.status, 0) << run.output;

    Palladon engine(nullptr, Flavour::plugin);
    ASSERT_TRUE(engine.importPattern(back, kCurrentPatternIndex, false));
    expectSteps(engine, kDistinct, c.name);
}

INSTANTIATE_TEST_SUITE_P(Formats, RenderToolConverts,
                         testing::Values(ConvertCase{"native", ".303", "", "fnk3patt"},
                                         ConvertCase{"abl3", ".pat", "", "ABL3 Meta tag"},
                                         ConvertCase{"abl2", ".pat", "--abl2", "ABL2 Meta tag"},
                                         ConvertCase{"phptr", ".phptr", "", "<Pattern"}),
                         [](const testing::TestParamInfo<ConvertCase>& info)
                         { return std::string(info.param.name); });

TEST_F(RenderTool, ConvertsABatchAndReportsEachFile)
{
    namespace fs = std::filesystem;
    const fs::path dir = temp("out");
    const std::string native = temp("batch-a.303");
    const std::string abl = temp("batch-b.pat");
    ASSERT_TRUE(engineWith(kDistinct)->exportPattern(native));
    ASSERT_TRUE(engineWith(kDistinct)->exportABL3Pattern(abl));
    const std::string missing = temp("batch-missing.pat");

    const CommandRun run = runTool("convert --to b303 --out-dir " + dir.string() + " " + native +
                                   " " + missing + " " + abl);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("converted " + native), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("converted " + abl), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(missing + ": cannot open"), std::string::npos) << run.output;
    Palladon bank(nullptr, Flavour::plugin);
    ASSERT_TRUE(bank.importBank((dir / "batch-b.b303").string(), 0));
    expectSteps(bank, kDistinct, "bank");

    // Beside the input in its own format would overwrite it; the file must survive.
    const CommandRun same = runTool("convert --to 303 " + native);
    EXPECT_EQ(same.status, 1);
    EXPECT_NE(same.output.find("would overwrite"), std::string::npos) << same.output;
    Palladon engine(nullptr, Flavour::plugin);
    ASSERT_TRUE(engine.importPattern(native, kCurrentPatternIndex, false));
    expectSteps(engine, kDistinct, "input kept");
}

TEST_F(RenderToolMidi, AFileInMidiInSyncPlaysTheVoiceFromItsTime)
{
    const std::string wav = temp("live.wav");
    const CommandRun run = render("--param 26=1 --midi " + lateNoteMidiFile() + " --out " + wav);
    ASSERT_EQ(run.status, 0) << run.output;
    int rate = 0;
    const std::vector<float> samples = readFloatWav(wav, rate);
    // The note ends at 2 s; one second more follows.
    EXPECT_EQ(samples.size(), 2u * 3u * 44100u);
    // Live notes start at their block's first sample, up to one 512-frame block early.
    EXPECT_EQ(peakBetween(samples, rate, 0.0, 1.48), 0.0f);
    EXPECT_GT(peakBetween(samples, rate, 1.5, 1.7), 0.05f);
}

TEST_F(RenderToolMidi, TheSequencedNotesComeBackAsPairsOnTheStepGrid)
{
    // One pass of the 16 default steps at 120 BPM: two seconds. A step that slides into the
    // note it already plays sends nothing new.
    const std::string mid = temp("sent.mid");
    CommandRun run = render("--seconds 2 --block 333 --midi-out " + mid);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<MidoNote> notes = notesWithMido(mid);
    EXPECT_EQ(keysOn(notes),
              (std::vector<int>{48, 50, 49, 47, 51, 50, 49, 51, 48, 43, 51, 47, 51, 53, 47}));
    std::vector<bool> sounding(128);
    for (const MidoNote& n : notes)
    {
        EXPECT_NE(sounding[n.key], n.on) << "key " << n.key << " at tick " << n.tick;
        sounding[n.key] = n.on;
        const long stepTicks = kMidiFileDivision / 4;
        if (n.on)
        {
            EXPECT_LE((n.tick + 1) % stepTicks, 2) << "note-on off the step grid at " << n.tick;
        }
    }
    EXPECT_EQ(std::count(sounding.begin(), sounding.end(), true), 0);

    // A note in host sync selects the pattern it names: pattern 1 plays its default note 25.
    const std::string selector = temp("select.mid");
    // clang-format off
    const std::vector<std::uint8_t> bytes{
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
        'M', 'T', 'r', 'k', 0, 0, 0, 8,
        0x00, 0x90, 1, 100,
        0x00, 0xFF, 0x2F, 0x00};
    // clang-format on
    writeFile(selector, bytes);
    run = render("--seconds 0.5 --midi " + selector + " --midi-out " + mid);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<int> keys = keysOn(notesWithMido(mid));
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), kDefaultStepNote + kMidiNoteOffset);
}
