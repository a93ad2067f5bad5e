// Undo and redo of pattern and chain edits, in both programs: the standalone's panel on its
// engine, and the UI process's panel whose edits travel through the pipes to the plugin's editor
// and come back through the shared block. Random sequences of every kind of edit, undone to the
// start, give the song's patterns and the chain back byte for byte.
#include "FakeDialogs.h"
#include "PanelTestSupport.h"

#include "bridge/SharedBlock.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "io/ioTestSupport.h"
#include "bridge/Fennick3Editor.h"
#include "standalone/PanelEditor.h"
#include "standalone/panel/ChainStrip.h"
#include "standalone/panel/DropDown.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/PatternHistory.h"
#include "standalone/panel/SpinBox.h"
#include "support/sharedBlockSupport.h"
#include "support/testFiles.h"
#include "ui/FifoBackend.h"
#include "ui/SharedBlockView.h"
#include "ui/UICommunication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>

#include <memory>
#include <random>
#include <unistd.h>

namespace quelvar::test
{

namespace
{
VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A panel on an engine, and a way to let the panel's edits land.
class Rig
{
public:
    virtual ~Rig() = default;
    virtual MainWidget& panel() = 0;
    virtual Palladon& engine() = 0;
    // The engine takes what the panel sent, renders a block (a randomise request is done there)
    // and the panel sees the result.
    virtual void settle() = 0;

protected:
    void renderBlock()
    {
        float left[64];
        float right[64];
        float* out[2] = {left, right};
        engine().processReplacing(nullptr, out, 64);
    }
};

class StandaloneRig final : public Rig
{
public:
    StandaloneRig()
    {
        editor = new PanelEditor(synth);
        synth.attachEditor(editor);
        editor->open(&window);
    }
    ~StandaloneRig() override { editor->close(); }
    MainWidget& panel() override { return *editor->panel(); }
    Palladon& engine() override { return synth; }
    void settle() override
    {
        renderBlock();
        editor->deliver();
        QApplication::processEvents();
    }

private:
    Palladon synth{&quietHost, Flavour::standalone};
    PanelEditor* editor = nullptr; // the engine deletes it
    QWidget window;
};

// The plugin's editor is opened with a stand-in UI program that ends at once; the test plays
// the UI process with the editor's own ends of the pipes and a mapping of the shared block.
class PluginRig final : public Rig
{
public:
    PluginRig()
        : block(attachSharedBlock(synth)),
          editor(new Fennick3Editor(
              &synth, block,
              {reinterpret_cast<const std::uint8_t*>(program), sizeof program - 1}))
    {
        synth.attachEditor(editor);
        editor->open(reinterpret_cast<void*>(std::uintptr_t{1}));
        editor->close(); // the test polls by hand
        link = std::make_unique<UICommunication>(dup(editor->uiCommandEnd()),
                                                 dup(editor->uiNoticeEnd()));
        view = std::make_unique<SharedBlockView>(dup(block->descriptor()));
        backend = std::make_unique<FifoBackend>(*view, *link);
        shown = std::make_unique<MainWidget>(*backend, nullptr, presets.path());
    }
    ~PluginRig() override
    {
        shown.reset();
        synth.attachEditor(nullptr);
        delete editor;
    }
    MainWidget& panel() override { return *shown; }
    Palladon& engine() override { return synth; }
    void settle() override
    {
        editor->processMessageFromUI();
        renderBlock();
        // What the plugin answered (an import's end), then the refresh it sends while its
        // editor is open.
        link->processMessageFromPlugin();
        shown->updatePatternDisplay(true);
    }

private:
    static constexpr char program[] = "#!/bin/sh\nexit 0\n";
    QTemporaryDir presets;
    Palladon synth{&quietHost, Flavour::plugin};
    SharedBlock* block;
    Fennick3Editor* editor;
    std::unique_ptr<UICommunication> link;
    std::unique_ptr<SharedBlockView> view;
    std::unique_ptr<FifoBackend> backend;
    std::unique_ptr<MainWidget> shown;
};

std::unique_ptr<Rig> makeRig(bool plugin)
{
    return plugin ? std::unique_ptr<Rig>(new PluginRig) : std::unique_ptr<Rig>(new StandaloneRig);
}

// Every pattern's 64 steps (also those past its length, which the state chunk does not keep),
// step count and name, then the chain.
std::vector<std::uint8_t> songBytes(Palladon& engine)
{
    std::vector<std::uint8_t> bytes;
    for (int k = 0; k < kPatternsPerSong; ++k)
    {
        const Pattern& p = *engine.getSong().getPattern(k);
        for (int i = 0; i < kStepsPerPattern; ++i)
        {
            const Step& s = *p.getStepAnyIndex(i);
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(s.note()), s.slide(), s.accent()});
        }
        bytes.push_back(static_cast<std::uint8_t>(p.getNBStep()));
        const std::string name = p.getName();
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }
    const ChainEntries chain = engine.getChain();
    for (int i = 0; i < chain.size(); ++i)
        bytes.push_back(static_cast<std::uint8_t>(chain.pattern(i)));
    bytes.push_back(static_cast<std::uint8_t>(chain.size()));
    return bytes;
}

QAction* entryOf(QMenu& menu, const QString& text)
{
    for (QAction* a : menu.actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

void trigger(std::unique_ptr<QMenu> menu, const char* text)
{
    QAction* a = entryOf(*menu, QString::fromLatin1(text));
    ASSERT_NE(a, nullptr) << text;
    a->trigger();
}

// One edit a user could make, chosen by the random source.
void randomEdit(Rig& rig, std::mt19937& rng)
{
    MainWidget& p = rig.panel();
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int column = pick(MainWidget::kColumns);
    auto* strip = p.findChild<ChainStrip*>(QStringLiteral("chain_strip"));
    switch (pick(23))
    {
    case 0:
        p.setStep(column, static_cast<float>(pick(2)));
        break;
    case 1:
        p.setNote(column, pick(60));
        break;
    case 2:
        p.setOctave(column, pick(5));
        break;
    case 3:
        p.setAccent(column, static_cast<float>(pick(2)));
        break;
    case 4:
        p.setSlide(column, static_cast<float>(pick(2)));
        break;
    case 5:
        p.findChild<SpinBox*>(QStringLiteral("steps"))->stepBy(pick(21) - 10);
        break;
    case 6:
        p.patternClear();
        break;
    case 7:
        p.patternCopy();
        p.patternPaste();
        break;
    case 8:
        pick(2) ? p.transposeUp() : p.transposeDown();
        break;
    case 9:
        pick(2) ? p.shiftStepLeft() : p.shiftStepRight();
        break;
    case 10:
        p.patternRandom();
        break;
    case 11:
        trigger(std::unique_ptr<QMenu>(p.buildRandomMenu()),
                pick(2) ? "random notes" : "random accents");
        break;
    case 12:
    {
        const int other = pick(32);
        trigger(std::unique_ptr<QMenu>(p.buildPatternMenu(other)), pick(2) ? "clear" : "random");
        break;
    }
    case 13:
    {
        auto* name = p.findChild<QLineEdit*>(QStringLiteral("pattern_name"));
        name->setText(QStringLiteral("line %1").arg(pick(1000)));
        p.setPatternName();
        break;
    }
    case 14:
        p.importPattern2(0, pick(2) ? -1 : pick(32));
        break;
    case 15:
    case 16:
    case 17:
        p.editLine(static_cast<LineEdit>(pick(3)));
        break;
    case 18:
        pick(2) ? strip->addCurrent() : strip->insertCurrent();
        break;
    case 19:
        strip->removeAtCursor();
        break;
    case 20:
        strip->moveCursorEntry(pick(2) ? 1 : -1);
        break;
    case 21:
        pick(4) == 0 ? strip->clearChain() : strip->addCurrent();
        break;
    default:
    {
        // Not an edit: another pattern becomes the current one, or the chain's cursor moves.
        if (pick(3) == 0 && strip->shownChain().size() > 0)
        {
            const int entry = pick(strip->shownChain().size());
            const QPoint at = strip->cellOf(entry).center();
            if (strip->rect().contains(at))
                sendClick(strip, at);
            break;
        }
        const int k = pick(4);
        trigger(std::unique_ptr<QMenu>(p.buildPatternMenu(k)),
                qPrintable(QStringLiteral("pattern %1").arg(k + 1)));
        break;
    }
    }
    rig.settle();
}

class UndoBothPrograms : public ::testing::TestWithParam<std::tuple<bool, unsigned>>
{
};
} // namespace

TEST_P(UndoBothPrograms, RandomEditsUndoneToTheStartGiveTheSongBack)
{
    const auto [plugin, seed] = GetParam();
    std::unique_ptr<Rig> rig = makeRig(plugin);
    MainWidget& panel = rig->panel();
    // A pattern file to import: pattern 5 of a scrambled engine.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("import.303"));
    {
        Palladon other(nullptr, Flavour::standalone);
        other.getCurrentPattern()->setNBStep(11);
        other.getCurrentPattern()->setName("imported");
        other.getCurrentPattern()->transposeUp();
        ASSERT_TRUE(other.exportPattern(file.toStdString()));
    }
    auto dialogs = std::make_unique<FakeDialogs>();
    dialogs->answer = file;
    panel.setFileDialogs(std::move(dialogs));
    // Steps past each length carry notes too: a shorter length hides them, undo must keep them.
    std::mt19937 rng(seed);
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < kStepsPerPattern; ++i)
        {
            Step* s = rig->engine().getSong().getPattern(k)->getStepAnyIndex(i);
            s->setNote(static_cast<int>(rng() % 61));
            s->setSlide(rng() % 2 != 0);
            s->setAccent(rng() % 2 != 0);
        }
    rig->engine().refreshAfterLoad();
    rig->settle();

    const std::vector<std::uint8_t> original = songBytes(rig->engine());
    for (int i = 0; i < 120; ++i)
        randomEdit(*rig, rng);
    const std::vector<std::uint8_t> edited = songBytes(rig->engine());
    ASSERT_NE(edited, original);

    QAction* undo = panel.action(MainWidget::Action::undo);
    QAction* redo = panel.action(MainWidget::Action::redo);
    int undone = 0;
    while (undo->isEnabled() && undone < 1000)
    {
        undo->trigger();
        rig->settle();
        ++undone;
    }
    EXPECT_EQ(songBytes(rig->engine()), original) << undone << " undos";
    EXPECT_GT(undone, 60) << "most of the edits changed something";
    while (redo->isEnabled())
    {
        redo->trigger();
        rig->settle();
    }
    EXPECT_EQ(songBytes(rig->engine()), edited);
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoBothPrograms,
                         testing::Combine(testing::Bool(), testing::Values(1u, 2u, 3u)),
                         [](const auto& info)
                         {
                             return std::string(std::get<0>(info.param) ? "plugin" : "standalone") +
                                    "_seed" + std::to_string(std::get<1>(info.param));
                         });

namespace
{
class LineEditUndo : public ::testing::TestWithParam<std::tuple<bool, LineEdit>>
{
};

const char* lineEditName(LineEdit edit)
{
    constexpr const char* kNames[] = {"generate", "mutate", "fitToKey"};
    return kNames[static_cast<int>(edit)];
}
} // namespace

// Generate, Mutate and Fit to key, each one undo step that gives the pattern back, in both
// programs; the key and scale chosen on the lines row are the ones the edit keeps to.
TEST_P(LineEditUndo, EachEditIsOneStepInTheKeyChosenOnThePanel)
{
    const auto [plugin, edit] = GetParam();
    std::unique_ptr<Rig> rig = makeRig(plugin);
    MainWidget& panel = rig->panel();
    panel.showLines(true);
    // E phrygian, chosen from the row's lists as a user does.
    for (const auto& [name, choice] : {std::pair{"key", 4}, std::pair{"scale", 5}})
    {
        auto* list = panel.findChild<DropDown*>(QString::fromLatin1(name));
        ASSERT_NE(list, nullptr) << name;
        std::unique_ptr<QMenu> menu(list->buildMenu(&panel));
        menu->actions().at(choice)->trigger();
    }
    Pattern& current = *rig->engine().getCurrentPattern();
    for (int i = 0; i < kStepsPerPattern; ++i)
        current.setStepNote(1 + i % 60, i);
    rig->engine().refreshAfterLoad();
    rig->settle();
    ASSERT_EQ(rig->engine().getLineSettings().key, 4);
    ASSERT_EQ(rig->engine().getLineSettings().scale, Scale::phrygian);

    const std::vector<std::uint8_t> before = songBytes(rig->engine());
    panel.editLine(edit);
    rig->settle();
    const std::vector<std::uint8_t> after = songBytes(rig->engine());
    ASSERT_NE(after, before);
    for (int i = 0; i < current.getNBStep(); ++i)
    {
        const int note = current.getStep(i)->note();
        if (note != 0 && (edit != LineEdit::mutate || note != 1 + i % 60))
        {
            EXPECT_TRUE(inScale(note, 4, Scale::phrygian)) << note << " at " << i;
        }
    }

    panel.action(MainWidget::Action::undo)->trigger();
    rig->settle();
    EXPECT_EQ(songBytes(rig->engine()), before) << "one undo gives the pattern back";
    EXPECT_FALSE(panel.action(MainWidget::Action::undo)->isEnabled());
    panel.action(MainWidget::Action::redo)->trigger();
    rig->settle();
    EXPECT_EQ(songBytes(rig->engine()), after);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineEditUndo,
                         testing::Combine(testing::Bool(),
                                          testing::Values(LineEdit::generate, LineEdit::mutate,
                                                          LineEdit::fitToKey)),
                         [](const auto& info)
                         {
                             return std::string(std::get<0>(info.param) ? "plugin_"
                                                                        : "standalone_") +
                                    lineEditName(std::get<1>(info.param));
                         });

namespace
{
struct OpenedFile
{
    const char* name;
    // What the report says; empty: no report.
    const char* report;
};

class FileUndo : public ::testing::TestWithParam<std::tuple<bool, OpenedFile>>
{
};

// The patterns an opened file brings: the first three transposed, the current one 9 steps long.
void writeOpenedFile(const QString& path)
{
    Palladon other(nullptr, Flavour::standalone);
    for (int k = 0; k < 3; ++k)
        other.getSong().getPattern(k)->transposeUp();
    other.getCurrentPattern()->setNBStep(9);
    const std::string local = path.toStdString();
    if (path.endsWith(".phptr"))
        other.exportPhoscyonPattern(local);
    else if (path.endsWith(".303"))
        other.exportPattern(local);
    else if (path.endsWith("range.pat"))
        writeFile(local, "; ABL3 Meta tag: 3\r\n40 0 0 0 0 1\r\n-30 0 0 0 0 1\r\n"
                         "1 0 0 0 0 1\r\n");
    else if (path.endsWith(".pat"))
        writeFile(local, std::string("\x89PNG\r\n\x1a\n") + std::string(300, '\x07'));
    else
    {
        std::vector<std::uint8_t> bank = getChunkBytes(other);
        if (path.endsWith("damaged.b303"))
            bank[iotest::recordAt(bank, 10) + 1] = 70; // a step count past 64, after ten good records
        writeFile(local, bank);
    }
}
} // namespace

// A file opened through the panel is one undo step that gives back exactly what was there, and
// Redo has nothing left after it. What the reader changed is shown; a file that is no pattern is
// refused and changes nothing, while a damaged bank keeps what came before its damage, which
// undoes as one step too.
TEST_P(FileUndo, OpeningIsOneStepAndTheReportSaysWhatHappened)
{
    const auto [plugin, file] = GetParam();
    std::unique_ptr<Rig> rig = makeRig(plugin);
    MainWidget& panel = rig->panel();
    QTemporaryDir folder;
    const QString path = folder.filePath(QString::fromLatin1(file.name));
    writeOpenedFile(path);
    auto dialogs = std::make_unique<FakeDialogs>();
    dialogs->answer = path;
    panel.setFileDialogs(std::move(dialogs));
    std::mt19937 rng(5);
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < kStepsPerPattern; ++i)
            rig->engine().getSong().getPattern(k)->getStepAnyIndex(i)->setNote(
                static_cast<int>(rng() % 61));
    rig->engine().refreshAfterLoad();
    // Settings a file may bring (an ABL file sets gate and groove, a bank every slot).
    rig->engine().setParameter(kGate, 0.9f);
    rig->engine().setParameter(kGroove, 0.7f);
    rig->engine().setParameter(kCutoff, 0.61f);
    rig->settle();
    // Something to redo.
    panel.transposeUp();
    rig->settle();
    panel.action(MainWidget::Action::undo)->trigger();
    rig->settle();
    ASSERT_TRUE(panel.action(MainWidget::Action::redo)->isEnabled());

    const auto settings = [&rig]
    {
        std::vector<float> values;
        for (int slot = 0; slot < kNumParams; ++slot)
            values.push_back(rig->engine().getParameter(slot));
        return values;
    };
    const std::vector<std::uint8_t> before = songBytes(rig->engine());
    const std::vector<float> settingsBefore = settings();
    panel.importPattern2(path.endsWith(".b303") ? 2 : 0, -1);
    rig->settle();
    auto* box = panel.findChild<QMessageBox*>(QStringLiteral("file_report"));
    const QString report = QString::fromLatin1(file.report);
    EXPECT_EQ(box ? box->text().toStdString() : std::string(), report.toStdString());
    if (report.endsWith("nothing was changed."))
    {
        EXPECT_EQ(songBytes(rig->engine()), before);
        EXPECT_EQ(settings(), settingsBefore);
        EXPECT_TRUE(panel.action(MainWidget::Action::redo)->isEnabled()) << "nothing happened";
        return;
    }
    const std::vector<std::uint8_t> opened = songBytes(rig->engine());
    const std::vector<float> settingsOpened = settings();
    ASSERT_NE(opened, before);
    EXPECT_FALSE(panel.action(MainWidget::Action::redo)->isEnabled());

    panel.action(MainWidget::Action::undo)->trigger();
    rig->settle();
    EXPECT_EQ(songBytes(rig->engine()), before) << "one undo gives back what was there";
    EXPECT_EQ(settings(), settingsBefore) << "settings included";
    panel.action(MainWidget::Action::redo)->trigger();
    rig->settle();
    EXPECT_EQ(songBytes(rig->engine()), opened);
    EXPECT_EQ(settings(), settingsOpened);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileUndo,
    testing::Combine(
        testing::Bool(),
        testing::Values(
            OpenedFile{"a.303", ""}, OpenedFile{"a.phptr", ""}, OpenedFile{"a.b303", ""},
            OpenedFile{"range.pat",
                       "\"range.pat\" was read with these changes:\n2 steps out of range were "
                       "switched off"},
            OpenedFile{"png.pat",
                       "\"png.pat\" is not a pattern or bank Quelvar can read; nothing was "
                       "changed."},
            OpenedFile{"damaged.b303", "\"damaged.b303\" is not a bank Quelvar can read whole; "
                                       "anything before the damage was loaded."})),
    [](const auto& info)
    {
        std::string name = std::get<1>(info.param).name;
        name = name.substr(0, name.find('.')) + "_" + name.substr(name.find('.') + 1);
        return std::string(std::get<0>(info.param) ? "plugin_" : "standalone_") + name;
    });

// At least 100 levels; a note dragged through several values, or the step count held down,
// undoes as one; an edit after an undo drops what could be redone.
TEST(PatternHistory, KeepsItsLevelsMergesDragsAndDropsRedoOnANewEdit)
{
    PatternHistory history;
    PatternView state;
    const auto now = [&state](int) { return state; };
    for (int i = 0; i < 250; ++i)
    {
        history.record(0, state);
        state.stepCount = i + 1;
    }
    int levels = 0;
    while (!history.undo(now).empty())
        ++levels;
    EXPECT_EQ(levels, static_cast<int>(PatternHistory::kLevels));
    EXPECT_GE(PatternHistory::kLevels, 100u);

    PatternHistory drag;
    state = {};
    for (int note = 1; note <= 5; ++note)
    {
        drag.record(0, state, PatternHistory::noteKey(3));
        state.steps[3].note = note;
    }
    drag.record(0, state, PatternHistory::noteKey(4));
    state.steps[4].note = 9;
    const std::vector<PatternHistory::Snapshot> first = drag.undo(now).patterns;
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].contents.steps[3].note, 5);
    EXPECT_EQ(first[0].contents.steps[4].note, 0);
    state = first[0].contents;
    const std::vector<PatternHistory::Snapshot> second = drag.undo(now).patterns;
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].contents.steps[3].note, 0) << "the whole drag at once";
    EXPECT_TRUE(drag.canRedo());
    drag.record(0, second[0].contents);
    EXPECT_FALSE(drag.canRedo());
}

} // namespace quelvar::test
