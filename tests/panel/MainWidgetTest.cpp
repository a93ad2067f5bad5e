// The panel's logic against a recording back-end: what each control sends, the step editor's
// note arithmetic, the page and transport rules, the menus and the file operations.
#include "FakeBackend.h"
#include "PanelTestSupport.h"

#include "standalone/panel/Button.h"
#include "standalone/panel/ChainStrip.h"
#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/DragHandle.h"
#include "standalone/panel/DropDown.h"
#include "standalone/panel/Keyboard.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/LedChaser.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/Notebox.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/Toggle.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolTip>

#include <memory>

namespace quelvar::test
{

namespace
{

class Panel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A preset folder that exists and holds only the empty USER folder: nothing to load,
        // and nothing installed over it.
        presetRoot = folder.path() + QStringLiteral("/Patterns");
        QDir().mkpath(presetRoot + QStringLiteral("/USER"));
        backend.params[26] = 0.5f; // internal sync
    }

    MainWidget& make()
    {
        panel = std::make_unique<MainWidget>(backend, nullptr, presetRoot);
        auto d = std::make_unique<FakeDialogs>();
        dialogs = d.get();
        panel->setFileDialogs(std::move(d));
        panel->show();
        backend.calls.clear();
        return *panel;
    }

    template <typename T> T* child(const char* name)
    {
        T* w = panel->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QTemporaryDir folder;
    QString presetRoot;
    FakeBackend backend;
    FakeDialogs* dialogs = nullptr;
    std::unique_ptr<MainWidget> panel;
};

QAction* entry(QMenu& menu, const QString& text)
{
    for (QAction* a : menu.actions())
    {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

// What a widget's tooltip shows when the mouse rests on it.
QString shownTip(QWidget* w)
{
    QHelpEvent e(QEvent::ToolTip, w->rect().center(), w->mapToGlobal(w->rect().center()));
    QApplication::sendEvent(w, &e);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

QStringList entries(QMenu& menu)
{
    QStringList texts;
    for (QAction* a : menu.actions())
    {
        if (!a->isSeparator())
            texts << a->text();
    }
    return texts;
}

} // namespace

TEST_F(Panel, CutOffKnobChangesParameterThreeOnlyInsideOneGesture)
{
    make();
    auto* knob = child<Knob>("cut_off");
    const float before = knob->value();
    drag(knob, knob->rect().center(), knob->rect().center() - QPoint(0, 40));

    const auto sent = backend.callsOf(Call::parameter);
    ASSERT_FALSE(sent.empty());
    for (const Call& c : sent)
        EXPECT_EQ(c.a, 3);
    EXPECT_GT(sent.back().value, before + 0.15f);
    EXPECT_FLOAT_EQ(knob->value(), sent.back().value);
    // begin, the moves, end: the host sees one gesture.
    EXPECT_EQ(backend.calls.front().kind, Call::beginEdit);
    EXPECT_EQ(backend.calls.back().kind, Call::endEdit);
    EXPECT_EQ(backend.calls.back().a, 3);
}

TEST_F(Panel, LateEchoesDoNotMoveTheKnobInTheHand)
{
    MainWidget& p = make();
    auto* knob = child<Knob>("cut_off");
    const QPoint c = knob->rect().center();
    sendMouse(knob, QEvent::MouseButtonPress, c);
    sendMouse(knob, QEvent::MouseMove, c - QPoint(0, 36));
    const float held = knob->value();
    p.setParameter(3, 0.05f); // the engine's notice of an earlier move
    p.processGui();
    EXPECT_FLOAT_EQ(knob->value(), held);
    sendMouse(knob, QEvent::MouseButtonRelease, c - QPoint(0, 36));
    p.setParameter(3, 0.7f);
    EXPECT_FLOAT_EQ(knob->value(), 0.7f) << "after the gesture notices land again";
}

TEST_F(Panel, NoticesSetControlsQuietlyAndPaintOnTheTimer)
{
    MainWidget& p = make();
    p.setParameter(4, 0.25f);
    p.setParameter(10, 31.0f / 63.0f);
    p.setParameter(27, 0.5f); // 170 BPM
    EXPECT_FLOAT_EQ(p.control(4)->value(), 0.25f);
    EXPECT_EQ(child<SpinBox>("steps")->number(), 32);
    EXPECT_EQ(child<SpinBox>("tempo")->number(), 170);
    EXPECT_TRUE(backend.calls.empty()) << "a notice must not echo back to the engine";
    EXPECT_EQ(p.control(14), nullptr) << "the pattern selector does not carry the trigger";
}

TEST_F(Panel, SpinBoxesSendTheirUnitsNormalised)
{
    make();
    auto* steps = child<SpinBox>("steps");
    auto* tempo = child<SpinBox>("tempo");
    steps->stepBy(-4); // 12 steps
    tempo->stepBy(10); // 130 BPM
    const auto sent = backend.callsOf(Call::parameter);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].a, 10);
    EXPECT_FLOAT_EQ(sent[0].value, 11.0f / 63.0f);
    EXPECT_EQ(sent[1].a, 27);
    EXPECT_FLOAT_EQ(sent[1].value, 90.0f / 260.0f);
    // The hidden columns follow the step count at once.
    EXPECT_FALSE(child<Button>("step_on_12")->isEnabled());
    EXPECT_TRUE(child<Button>("step_on_11")->isEnabled());
}

TEST_F(Panel, SpinBoxRepeatsAfterADelayAndThenFaster)
{
    make();
    auto* tempo = child<SpinBox>("tempo");
    const QPoint up(tempo->width() - 4, 3);
    sendMouse(tempo, QEvent::MouseButtonPress, up);
    EXPECT_EQ(tempo->number(), 121) << "the first step comes with the press";
    EXPECT_EQ(tempo->repeatIntervalMs(), SpinBox::kFirstDelayMs);
    tempo->processSpin();
    EXPECT_EQ(tempo->number(), 122);
    EXPECT_EQ(tempo->repeatIntervalMs(), SpinBox::kRepeatMs);
    tempo->speedItUp();
    EXPECT_EQ(tempo->repeatIntervalMs(), SpinBox::kFastRepeatMs);
    sendMouse(tempo, QEvent::MouseButtonRelease, up);
    EXPECT_EQ(tempo->repeatIntervalMs(), 0);
    EXPECT_EQ(backend.callsOf(Call::beginEdit).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::endEdit).size(), 1u);

    // And in real time: held for about a second, the box runs the slow repeats.
    QElapsedTimer held;
    held.start();
    sendMouse(tempo, QEvent::MouseButtonPress, up);
    waitMs(1000);
    sendMouse(tempo, QEvent::MouseButtonRelease, up);
    const qint64 heldMs = held.elapsed();
    const int stepped = tempo->number() - 122;
    EXPECT_GE(stepped, 2) << "a busy machine may lose ticks, never add them";
    EXPECT_LE(stepped, 1 + (heldMs - SpinBox::kFirstDelayMs) / SpinBox::kRepeatMs + 1)
        << "held " << heldMs << " ms";
}

TEST_F(Panel, PageChangeIsRefusedWhileTheInternalSequencerPlays)
{
    backend.transportState.syncType = 1;
    backend.transportState.internalRunning = true;
    MainWidget& p = make();
    auto* second = child<Toggle>("page_1");

    second->click();
    EXPECT_EQ(p.page(), 0);
    EXPECT_FALSE(second->isOn());
    EXPECT_TRUE(child<Toggle>("page_0")->isOn());

    child<Toggle>("edit_steps")->click();
    EXPECT_TRUE(p.stepsEditable());
    second->click();
    EXPECT_EQ(p.page(), 1);
    EXPECT_TRUE(second->isOn());
    EXPECT_FALSE(child<Toggle>("page_0")->isOn());

    // Stopped, any page is allowed without the edit switch.
    child<Toggle>("edit_steps")->click();
    backend.transportState.internalRunning = false;
    child<Toggle>("page_3")->click();
    EXPECT_EQ(p.page(), 3);
}

TEST_F(Panel, StepEditorWritesStepNotesOnTheShownPage)
{
    backend.patterns[0].steps[18].note = 0; // a rest on page 2, column 2
    backend.patterns[0].stepCount = 32;
    MainWidget& p = make();
    p.switchBar(1, 1.0f);
    ASSERT_EQ(p.page(), 1);

    auto* on = child<Button>("step_on_2");
    auto* note = child<Notebox>("note_2");
    EXPECT_FALSE(on->isOn());
    note->changeNote(30); // a rest keeps its note box: nothing written
    EXPECT_TRUE(backend.callsOf(Call::step).empty());
    sendClick(on);
    sendClick(on);
    note->changeNote(31); // off again: still nothing
    sendClick(on);
    p.setSlide(2, 1.0f);
    p.setAccent(2, 0.0f);

    const auto steps = backend.callsOf(Call::step);
    ASSERT_EQ(steps.size(), 5u);
    const int noteField = static_cast<int>(StepField::note);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(steps[static_cast<std::size_t>(i)].a, noteField);
        EXPECT_EQ(steps[static_cast<std::size_t>(i)].b, 18) << "column 2 of the second page";
    }
    EXPECT_EQ(steps[0].value, 31.0f) << "on: the note box's note + 1";
    EXPECT_EQ(steps[1].value, 0.0f) << "off: a rest";
    EXPECT_EQ(steps[2].value, 32.0f);
    EXPECT_EQ(steps[3].a, static_cast<int>(StepField::slide));
    EXPECT_EQ(steps[3].value, 1.0f);
    EXPECT_EQ(steps[4].a, static_cast<int>(StepField::accent));
    EXPECT_EQ(steps[4].value, 0.0f);
    EXPECT_EQ(child<Octavebox>("octave_2")->octave(), 2);
}

TEST_F(Panel, OctaveMovesTheNoteByTwelveWithinItsRange)
{
    backend.patterns[0].steps[5].note = 58; // note box 57, the top octave
    MainWidget& p = make();
    auto* note = child<Notebox>("note_5");
    auto* octave = child<Octavebox>("octave_5");
    ASSERT_EQ(note->note(), 57);
    ASSERT_EQ(octave->octave(), 4);

    p.setOctave(5, 5);
    EXPECT_EQ(note->note(), 57) << "69 would leave 0-59";
    EXPECT_EQ(octave->octave(), 4);
    EXPECT_TRUE(backend.callsOf(Call::step).empty());

    // The box's lower half asks for one octave less.
    sendClick(octave, QPoint(octave->width() / 2, octave->height() - 3));
    EXPECT_EQ(note->note(), 45);
    EXPECT_EQ(octave->octave(), 3);
    const auto steps = backend.callsOf(Call::step);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].b, 5);
    EXPECT_EQ(steps[0].value, 46.0f);

    backend.patterns[0].steps[6].note = 3; // note box 2: nothing below it
    p.updatePatternDisplay(false);
    p.setOctave(6, -1);
    EXPECT_EQ(child<Notebox>("note_6")->note(), 2);
}

TEST_F(Panel, DistortionMenuSetsTheTypeAndShowsItChecked)
{
    MainWidget& p = make();
    std::unique_ptr<QMenu> menu(p.buildDistortionMenu());
    EXPECT_EQ(entries(*menu), QStringList({"overdrive", "clipper", "valve", "cruncher",
                                           "DISTORTION: no MIDI CC", "Learn MIDI CC",
                                           "Forget MIDI CC"}));
    EXPECT_TRUE(entry(*menu, "overdrive")->isChecked());
    entry(*menu, "valve")->trigger();

    const auto sent = backend.callsOf(Call::parameter);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].a, 23);
    EXPECT_FLOAT_EQ(sent[0].value, 0.5f);
    menu.reset(p.buildDistortionMenu());
    for (const char* name : {"overdrive", "clipper", "cruncher"})
        EXPECT_FALSE(entry(*menu, name)->isChecked()) << name;
    EXPECT_TRUE(entry(*menu, "valve")->isChecked());

    // The engine's type notice relabels the second knob.
    auto* label = child<QLabel>("dist_param2_caption");
    for (const auto& [type, text] :
         {std::pair{1, "SCREAM"}, std::pair{3, "THRSLD"}, std::pair{0, "Dry/Wet"}})
    {
        emit backend.distortionTypeChanged(type);
        EXPECT_EQ(label->text(), QString::fromLatin1(text));
    }
}

TEST_F(Panel, SyncSwitchColoursItsCaptionsAndTheTransportFollows)
{
    MainWidget& p = make();
    const QString active = QStringLiteral("color:rgb(255,170,0);");
    const QString idle = QStringLiteral("color:rgb(220,220,220);");
    auto caption = [&](int k)
    { return child<QLabel>(qPrintable(QStringLiteral("sync_caption_%1").arg(k))); };
    EXPECT_EQ(caption(0)->text(), QStringLiteral(" midi sync"));
    EXPECT_EQ(caption(1)->styleSheet(), active);

    child<Switch>("sync_mode")->choose(2);
    const auto sent = backend.callsOf(Call::parameter);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].a, 26);
    EXPECT_FLOAT_EQ(sent[0].value, 1.0f);
    EXPECT_EQ(caption(2)->styleSheet(), active);
    EXPECT_EQ(caption(0)->styleSheet(), idle);
    EXPECT_EQ(caption(1)->styleSheet(), idle);
    EXPECT_FALSE(child<KickButton>("play")->isEnabled());

    // The same from the engine's notice, painted at the next tick.
    p.setParameter(26, 0.0f);
    p.processGui();
    EXPECT_EQ(caption(0)->styleSheet(), active);
    EXPECT_EQ(caption(2)->styleSheet(), idle);
    EXPECT_TRUE(child<SpinBox>("tempo")->isReadOnly()) << "host sync shows the host's tempo";
}

// A newcomer who presses play or a key and hears nothing reads why in the display, and what the
// keys do in the keyboard's tooltip; a touched control still shows in the readout for a while.
TEST_F(Panel, TheDisplaySaysWhyNothingPlaysAndWhatToDo)
{
    MainWidget& p = make();
    auto* display = child<DigitDisplay>("readout");
    auto* keys = child<Keyboard>("keyboard");
    p.setParameter(26, 0.0f);
    p.processGui();
    EXPECT_EQ(display->hint(),
              (QStringList{"MIDI SYNC: WAITING FOR MIDI CLOCK", "SWITCH TO INTERNAL TO PLAY"}));
    EXPECT_TRUE(keys->toolTip().contains("midi in mode")) << keys->toolTip().toStdString();
    backend.transportState.hostPlaying = true;
    p.processGui();
    EXPECT_TRUE(display->hint().isEmpty()) << "the clock runs: nothing to explain";

    child<Switch>("sync_mode")->choose(1);
    p.processGui();
    EXPECT_TRUE(display->hint().isEmpty()) << "the switch just moved shows in the readout";
    for (int tick = 0; tick < 80; ++tick)
        p.processGui();
    ASSERT_FALSE(display->hint().isEmpty());
    EXPECT_EQ(display->hint().front(), "INTERNAL: PRESS PLAY");
    const QRect c = keys->keyRect(Keyboard::kLowestNote);
    sendClick(keys, c.center());
    p.processGui();
    EXPECT_EQ(display->hint(),
              (QStringList{"THE KEYS PLAY IN MIDI IN MODE", "CLICK \"MIDI IN\" TO PLAY THEM"}));
    backend.transportState.internalRunning = true;
    for (int tick = 0; tick < 80; ++tick)
        p.processGui();
    EXPECT_TRUE(display->hint().isEmpty());

    child<Switch>("sync_mode")->choose(2);
    p.processGui();
    EXPECT_TRUE(display->hint().isEmpty());
    EXPECT_TRUE(keys->toolTip().startsWith("Click a key to play the voice"));
    sendClick(keys, c.center());
    p.processGui();
    EXPECT_TRUE(display->hint().isEmpty()) << "in midi in the keys sound";
}

TEST_F(Panel, PlayAndStopActOnlyInInternalSync)
{
    MainWidget& p = make();
    sendClick(child<KickButton>("play"));
    EXPECT_EQ(backend.callsOf(Call::play).size(), 1u);
    EXPECT_TRUE(child<KickButton>("play")->lampLit());
    p.internalStop();
    EXPECT_EQ(backend.callsOf(Call::stop).size(), 1u);
    EXPECT_FALSE(child<KickButton>("play")->lampLit());

    p.setParameter(26, 0.0f);
    p.processGui();
    p.internalPlay();
    p.internalStop();
    EXPECT_EQ(backend.callsOf(Call::play).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::stop).size(), 1u);

    // Host sync: the host's start and stop light the play lamp.
    p.midiMessage(0xFA, 0, 0);
    EXPECT_TRUE(child<KickButton>("play")->lampLit());
    p.midiMessage(0xFC, 0, 0);
    EXPECT_FALSE(child<KickButton>("play")->lampLit());
}

TEST_F(Panel, PlayedStepsLightTheChaserAndTurnThePage)
{
    backend.transportState.syncType = 1;
    backend.transportState.internalRunning = true;
    MainWidget& p = make();
    p.processGui();
    auto* lamps = child<LedChaser>("step_lamps");
    emit backend.stepPlayed(3);
    EXPECT_EQ(lamps->position(), 3);
    emit backend.stepPlayed(21);
    EXPECT_EQ(p.page(), 1);
    EXPECT_EQ(lamps->position(), 5);

    p.setStepEditable(0, 1.0f);
    emit backend.stepPlayed(40);
    EXPECT_EQ(p.page(), 1) << "editable steps: the page stays where the user put it";
    EXPECT_EQ(lamps->position(), -1);
}

TEST_F(Panel, ActivityLampBlinksWhileRecordingAndRunning)
{
    backend.transportState.syncType = 1;
    backend.transportState.internalRunning = true;
    MainWidget& p = make();
    auto* lamp = p.findChild<Lamp*>(QStringLiteral("activity_lamp"));
    ASSERT_NE(lamp, nullptr);
    for (int i = 0; i < 10; ++i)
        p.processGui();
    EXPECT_FALSE(lamp->isLit()) << "step record is off";

    p.setParameter(28, 1.0f);
    std::vector<bool> states;
    for (int i = 0; i < 21; ++i)
    {
        p.processGui();
        states.push_back(lamp->isLit());
    }
    // It toggles on every seventh tick: 280 ms at 40 ms a tick.
    int toggles = 0;
    for (std::size_t i = 1; i < states.size(); ++i)
        toggles += states[i] != states[i - 1];
    EXPECT_GE(toggles, 2);
    EXPECT_LE(toggles, 3);

    backend.transportState.internalRunning = false;
    p.processGui();
    EXPECT_FALSE(lamp->isLit());
}

TEST_F(Panel, PatternSelectorTriggersAndFollowsTheEngineWhenAllowed)
{
    MainWidget& p = make();
    auto* selector = child<PatternSelector>("pattern_selector");
    sendClick(selector, selector->bankKey(1).center());
    sendClick(selector, selector->patternKey(2).center()); // B3: pattern 10
    auto sent = backend.callsOf(Call::parameter);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].a, 14);
    EXPECT_FLOAT_EQ(sent[0].value, 10.0f / 32.0f);
    EXPECT_EQ(selector->selected(), 10);

    // A notice while the internal sequencer plays leaves the selector alone...
    backend.transportState.syncType = 1;
    backend.transportState.internalRunning = true;
    p.setParameter(14, 4.0f / 32.0f);
    p.processGui();
    EXPECT_EQ(selector->selected(), 10);
    // ...and lands once it stops; in MIDI-in sync it lands always.
    backend.transportState.internalRunning = false;
    p.processGui();
    EXPECT_EQ(selector->selected(), 4);
    p.setParameter(14, 1.0f); // pattern 33: no such key, and the engine ignores it too
    p.processGui();
    EXPECT_EQ(selector->selected(), 4);
    p.setParameter(14, 40.0f / 32.0f); // pattern 41, chosen by a program change: no key lit
    p.processGui();
    EXPECT_EQ(selector->selected(), 40);
    p.setParameter(26, 1.0f);
    backend.transportState.internalRunning = true;
    p.setParameter(14, 7.0f / 32.0f);
    p.processGui();
    EXPECT_EQ(selector->selected(), 7);
}

TEST_F(Panel, PatternMenuActsOnItsPattern)
{
    MainWidget& p = make();
    std::unique_ptr<QMenu> menu(p.buildPatternMenu(12));
    EXPECT_EQ(entries(*menu),
              QStringList({"pattern 13", "clear", "copy", "paste", "random", "import"}));
    for (const char* name : {"pattern 13", "clear", "copy", "paste", "random"})
        entry(*menu, name)->trigger();
    const auto slotEdits = backend.callsOf(Call::slot);
    ASSERT_EQ(slotEdits.size(), 4u);
    const int expected[] = {0, 1, 2, 3};
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(slotEdits[i].a, expected[i]);
        EXPECT_EQ(slotEdits[i].b, 12);
    }
    EXPECT_FLOAT_EQ(backend.callsOf(Call::parameter).at(0).value, 12.0f / 32.0f);

    dialogs->answer = QStringLiteral("/some/where/line.pat");
    entry(*menu, "import")->trigger();
    ASSERT_EQ(dialogs->asked.size(), 1u);
    EXPECT_EQ(dialogs->asked[0].title, QStringLiteral("Open 303 patterns"));
    const auto imports = backend.callsOf(Call::importFile);
    ASSERT_EQ(imports.size(), 1u);
    EXPECT_EQ(imports[0].a, static_cast<int>(ImportFormat::abl));
    EXPECT_EQ(imports[0].b, 12);
}

TEST_F(Panel, RandomMenuSendsItsModesInOrder)
{
    MainWidget& p = make();
    std::unique_ptr<QMenu> menu(p.buildRandomMenu());
    const QStringList names = entries(*menu);
    EXPECT_EQ(names, QStringList({"random", "random notes", "random slides", "random accents",
                                  "random params", "random ALL"}));
    for (QAction* a : menu->actions())
        a->trigger();
    const auto sent = backend.callsOf(Call::randomise);
    ASSERT_EQ(sent.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sent[static_cast<std::size_t>(i)].a, i);
}

struct ImportCase
{
    const char* file;
    int kind;   // the menu entry: 0 pattern, 1 pattern + params, 2 bank
    int format; // -1: nothing imported
};

std::string importCaseName(const ::testing::TestParamInfo<ImportCase>& info)
{
    const QString file = QString::fromLatin1(info.param.file);
    const QString suffix =
        file.isEmpty() ? QStringLiteral("cancelled") : file.section(QLatin1Char('.'), -1);
    const char* const kinds[] = {"pattern", "withParameters", "bank"};
    return (suffix + QLatin1Char('_') + QString::fromLatin1(kinds[info.param.kind])).toStdString();
}

class PanelImport : public Panel, public ::testing::WithParamInterface<ImportCase>
{
};

TEST_P(PanelImport, GoesBySuffix)
{
    MainWidget& p = make();
    const ImportCase c = GetParam();
    dialogs->answer = QString::fromLatin1(c.file);
    p.importPattern2(c.kind);
    const auto imports = backend.callsOf(Call::importFile);
    if (c.format < 0)
    {
        EXPECT_TRUE(imports.empty());
        return;
    }
    ASSERT_EQ(imports.size(), 1u);
    EXPECT_EQ(imports[0].a, c.format);
    EXPECT_EQ(imports[0].b, -1);
    EXPECT_EQ(imports[0].text, QString::fromLatin1(c.file));
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, PanelImport,
    ::testing::Values(ImportCase{"/p/a.303", 0, static_cast<int>(ImportFormat::pattern)},
                      ImportCase{"/p/a.303", 1,
                                 static_cast<int>(ImportFormat::patternWithParameters)},
                      ImportCase{"/p/a.pat", 0, static_cast<int>(ImportFormat::abl)},
                      ImportCase{"/p/a.pat", 1, static_cast<int>(ImportFormat::ablWithParameters)},
                      ImportCase{"/p/a.phptr", 1, static_cast<int>(ImportFormat::phoscyon)},
                      ImportCase{"/p/a.txt", 0, -1}, ImportCase{"/p/a.txt", 1, -1},
                      ImportCase{"", 0, -1},
                      ImportCase{"/p/all.b303", 2, static_cast<int>(ImportFormat::bank)}),
    importCaseName);

TEST_F(Panel, FileDialogsUseTheirTitlesFiltersAndLastDirectory)
{
    MainWidget& p = make();
    dialogs->answer = QStringLiteral("/tmp/songs/bassline.txt");
    p.importPattern();
    ASSERT_EQ(dialogs->asked.size(), 1u);
    EXPECT_EQ(dialogs->asked[0].title, QStringLiteral("Open 303 Patterns"));
    EXPECT_EQ(dialogs->asked[0].filter,
              QStringLiteral("303 pattern (*.303 *.pat *.phptr);;Quelvar pattern (*.303);;ABL "
                             "Pattern (*.pat);;Phoscyon Pattern (*.phptr)"));
    EXPECT_EQ(dialogs->asked[0].directory, presetRoot + QStringLiteral("/USER"));
    EXPECT_TRUE(backend.callsOf(Call::importFile).empty()) << "a .txt file is ignored";
    EXPECT_EQ(p.lastDirectory(), QStringLiteral("/tmp/songs"));

    const struct
    {
        int kind;
        const char* title;
        const char* filter;
        ExportFormat format;
    } exports[] = {
        {0, "Save Pattern", "Quelvar pattern (*.303)", ExportFormat::pattern},
        {1, "Save ABL2 Pattern", "ABL2 pattern(*.pat)", ExportFormat::abl2},
        {2, "Save ABL3 Pattern", "ABL3 pattern(*.pat)", ExportFormat::abl3},
        {3, "Save Phoscyon pattern", "Phoscyon pattern(*.phptr)", ExportFormat::phoscyon},
        {4, "Save Bank", "Quelvar pattern bank(*.b303)", ExportFormat::bank},
    };
    dialogs->answer = QStringLiteral("/tmp/out/line");
    for (const auto& e : exports)
    {
        dialogs->asked.clear();
        backend.calls.clear();
        p.exportPattern2(e.kind);
        ASSERT_EQ(dialogs->asked.size(), 1u);
        EXPECT_EQ(dialogs->asked[0].title, QString::fromLatin1(e.title));
        EXPECT_EQ(dialogs->asked[0].filter, QString::fromLatin1(e.filter));
        EXPECT_EQ(dialogs->asked[0].directory,
                  e.kind == 0 ? QStringLiteral("/tmp/songs") : QStringLiteral("/tmp/out"));
        const auto sent = backend.callsOf(Call::exportFile);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].a, static_cast<int>(e.format));
    }
    // A name typed without a suffix gets the filter's.
    EXPECT_EQ(backend.callsOf(Call::exportFile)[0].text, QStringLiteral("/tmp/out/line.b303"));

    // The export button's dialog: the ABL3 filter writes ABL3, the native one a pattern.
    dialogs->asked.clear();
    backend.calls.clear();
    dialogs->answer = QStringLiteral("/tmp/out/line.pat");
    dialogs->chosenFilter = QStringLiteral("ABL3 pattern(*.pat)");
    p.exportPattern();
    EXPECT_EQ(dialogs->asked.at(0).title, QStringLiteral("Save File"));
    EXPECT_EQ(dialogs->asked.at(0).filter,
              QStringLiteral("Quelvar pattern (*.303);;ABL3 pattern(*.pat)"));
    dialogs->answer = QStringLiteral("/tmp/out/line.303");
    dialogs->chosenFilter = QStringLiteral("Quelvar pattern (*.303)");
    p.exportPattern();
    const auto sent = backend.callsOf(Call::exportFile);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].a, static_cast<int>(ExportFormat::abl3));
    EXPECT_EQ(sent[1].a, static_cast<int>(ExportFormat::pattern));

    // A cancelled dialog does nothing.
    backend.calls.clear();
    dialogs->answer.clear();
    p.exportPattern2(0);
    p.importPattern2(2);
    EXPECT_TRUE(backend.calls.empty());
}

TEST_F(Panel, ExportMenuOffersMidiOnlyWhereTheBackEndDoes)
{
    MainWidget& p = make();
    std::unique_ptr<QMenu> menu(p.buildExportMenu());
    EXPECT_EQ(entries(*menu),
              QStringList({"export pattern", "export ABL2 pattern", "export ABL3 pattern",
                           "export Phoscyon pattern", "export Bank"}));
    backend.midiExport = true;
    menu.reset(p.buildExportMenu());
    EXPECT_EQ(entries(*menu).mid(5),
              QStringList({"export MIDI pattern", "export MIDI chain"}));
    EXPECT_FALSE(entry(*menu, QStringLiteral("export MIDI chain"))->isEnabled())
        << "an empty chain has nothing to export";
    backend.chainState.append(3);
    menu.reset(p.buildExportMenu());
    dialogs->answer = folder.path() + QStringLiteral("/chain.mid");
    entry(*menu, QStringLiteral("export MIDI chain"))->trigger();
    ASSERT_EQ(backend.callsOf(Call::exportFile).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::exportFile)[0].a, static_cast<int>(ExportFormat::midiChain));
    std::unique_ptr<QMenu> imports(p.buildImportMenu());
    EXPECT_EQ(entries(*imports),
              QStringList({"import pattern", "import pattern + params", "import bank"}));
}

TEST_F(Panel, EmptyPresetFolderMakesForwardAndBackwardDoNothing)
{
    MainWidget& p = make();
    EXPECT_TRUE(p.presetLibrary().presets().isEmpty());
    sendClick(child<KickButton>("forward"));
    sendClick(child<KickButton>("backward"));
    p.nextPattern();
    p.previousPattern();
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_FALSE(QDir(presetRoot + QStringLiteral("/Factory")).exists())
        << "a folder that holds anything gets no factory patterns";
}

TEST_F(Panel, KeyboardPlaysTheLiveVoiceAndShowsMidiInNotes)
{
    MainWidget& p = make();
    auto* keys = child<Keyboard>("keyboard");
    const QRect e = keys->keyRect(Keyboard::kLowestNote + 4); // E, a white key
    const QPoint low(e.center().x(), e.bottom());
    sendMouse(keys, QEvent::MouseButtonPress, low);
    sendMouse(keys, QEvent::MouseButtonRelease, low);
    const auto notes = backend.callsOf(Call::note);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].a, 40);
    EXPECT_EQ(notes[0].value, 1.0f);
    EXPECT_GT(notes[0].b, 110) << "struck at the bottom of the key: nearly full velocity";
    EXPECT_EQ(notes[1].a, 40);
    EXPECT_EQ(notes[1].value, 0.0f);

    const QRect cs = keys->keyRect(Keyboard::kLowestNote + 1);
    sendMouse(keys, QEvent::MouseButtonPress, QPoint(cs.center().x(), cs.top() + cs.height() / 4));
    EXPECT_EQ(backend.callsOf(Call::note).back().a, 37) << "a black key over the white ones";
    EXPECT_LT(backend.callsOf(Call::note).back().b, 50);

    p.midiMessage(0x90, 50, 100);
    EXPECT_FALSE(keys->isLit(50)) << "notes light the keys only in MIDI-in sync";
    p.setParameter(26, 1.0f);
    p.processGui();
    p.midiMessage(0x90, 50, 100);
    EXPECT_TRUE(keys->isLit(50));
    p.midiMessage(0x80, 50, 0);
    EXPECT_FALSE(keys->isLit(50));
}

// A right click on a control: its controller, "Learn MIDI CC" and "Forget MIDI CC"; while the
// engine waits for a controller the display says what to do, then shows what was learnt.
TEST_F(Panel, ControlMenuLearnsAndForgetsTheControllerOfItsSlot)
{
    backend.controllers[3] = 74;
    MainWidget& p = make();
    std::unique_ptr<QMenu> menu(p.buildControlMenu(3));
    EXPECT_EQ(entries(*menu), QStringList({"CUT OFF: CC 74", "Learn MIDI CC", "Forget MIDI CC"}));
    EXPECT_FALSE(menu->actions().front()->isEnabled());
    entry(*menu, "Learn MIDI CC")->trigger();
    ASSERT_EQ(backend.callsOf(Call::learn).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::learn)[0].a, 3);

    auto* display = child<DigitDisplay>("readout");
    p.processGui();
    EXPECT_EQ(display->hint(), QStringList({"MOVE A MIDI CONTROLLER", "TO MOVE CUT OFF WITH IT"}));
    backend.learning = -1; // the engine took controller 21
    backend.controllers[3] = 21;
    p.processGui();
    EXPECT_TRUE(display->hint().isEmpty());
    EXPECT_EQ(display->readoutCaption(), "CUT OFF");
    EXPECT_EQ(display->readoutValue(), "CC 21");

    menu.reset(p.buildControlMenu(3));
    entry(*menu, "Forget MIDI CC")->trigger();
    EXPECT_EQ(backend.callsOf(Call::forget).size(), 1u);
    menu.reset(p.buildControlMenu(3));
    EXPECT_EQ(menu->actions().front()->text(), "CUT OFF: no MIDI CC");
    EXPECT_FALSE(entry(*menu, "Forget MIDI CC")->isEnabled());
    // Every control that carries a parameter opens that menu on a right click.
    for (const char* name : {"cut_off", "waveform", "steps", "tempo", "sync_mode", "pattern_sync"})
        EXPECT_EQ(child<QWidget>(name)->contextMenuPolicy(), Qt::CustomContextMenu) << name;
}

// Space plays and stops, Ctrl+T taps the tempo, in internal sync only; undo puts back the
// pattern as the back-end had it before the edit.
TEST_F(Panel, KeyboardActionsPlayTapAndUndo)
{
    MainWidget& p = make();
    QAction* playStop = p.action(MainWidget::Action::playStop);
    EXPECT_EQ(playStop->shortcut(), QKeySequence(Qt::Key_Space));
    playStop->trigger();
    EXPECT_EQ(backend.callsOf(Call::play).size(), 1u);
    backend.transportState.internalRunning = true;
    playStop->trigger();
    EXPECT_EQ(backend.callsOf(Call::stop).size(), 1u);

    QAction* tap = p.action(MainWidget::Action::tapTempo);
    EXPECT_EQ(tap->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    tap->trigger();
    QElapsedTimer between;
    between.start();
    waitMs(500);
    const qint64 apartMs = between.elapsed(); // a loaded machine may wait longer
    tap->trigger();
    const auto sent = backend.callsOf(Call::parameter);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].a, 27);
    const float bpm = sent[0].value * 260.0f + 40.0f;
    EXPECT_NEAR(bpm, 60000.0f / static_cast<float>(apartMs), 8.0f)
        << "two taps " << apartMs << " ms apart";
    EXPECT_EQ(child<SpinBox>("tempo")->number(), static_cast<int>(std::lround(bpm)));

    p.setParameter(26, 0.0f); // host sync: the host keeps time
    p.processGui();
    playStop->trigger();
    tap->trigger();
    EXPECT_EQ(backend.callsOf(Call::play).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::parameter).size(), 1u);
    EXPECT_FALSE(child<KickButton>("tap")->isEnabled());

    QAction* undo = p.action(MainWidget::Action::undo);
    EXPECT_FALSE(undo->isEnabled());
    const PatternView before = backend.patterns[0];
    p.setAccent(2, 1.0f);
    backend.patterns[0].steps[2].accent = true; // what the engine did
    ASSERT_TRUE(undo->isEnabled());
    undo->trigger();
    ASSERT_EQ(backend.callsOf(Call::restore).size(), 1u);
    EXPECT_EQ(backend.patterns[0], before);
    EXPECT_EQ(child<Button>("accent_2")->value(), 0.0f) << "the display shows it at once";
    EXPECT_TRUE(p.action(MainWidget::Action::redo)->isEnabled());
}

// The panel's own menu (a right click on its background) carries the keyboard's actions, and
// the sizes where the program offers them.
TEST_F(Panel, PanelMenuOffersTheActionsAndTheSizes)
{
    MainWidget& p = make();
    std::unique_ptr<QMenu> menu(p.buildPanelMenu());
    EXPECT_EQ(entries(*menu), QStringList({"Undo", "Redo", "Play/Stop", "Tap Tempo"}));
    p.offerSizes(150);
    menu.reset(p.buildPanelMenu());
    QAction* size = entry(*menu, "Size");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(entries(*size->menu()), QStringList({"100 %", "125 %", "150 %", "200 %"}));
    EXPECT_TRUE(entry(*size->menu(), "150 %")->isChecked());
    int requested = 0;
    QObject::connect(&p, &MainWidget::sizeRequested, [&requested](int s) { requested = s; });
    entry(*size->menu(), "200 %")->trigger();
    EXPECT_EQ(requested, 200);
}

TEST_F(Panel, PatternNameAndEditsGoToTheCurrentPattern)
{
    backend.patterns[0].name = QStringLiteral("first");
    MainWidget& p = make();
    auto* field = child<QLineEdit>("pattern_name");
    EXPECT_EQ(field->text(), QStringLiteral("first"));
    field->setText(QStringLiteral("wobble"));
    p.setPatternName();
    const auto names = backend.callsOf(Call::name);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].text, QStringLiteral("wobble"));

    for (const char* name :
         {"clear", "copy", "paste", "transpose_up", "transpose_down", "shift_left", "shift_right"})
        sendClick(child<KickButton>(name));
    const auto edits = backend.callsOf(Call::currentPattern);
    ASSERT_EQ(edits.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(edits[static_cast<std::size_t>(i)].a, i);
    sendClick(child<KickButton>("random"));
    EXPECT_EQ(backend.callsOf(Call::randomise).size(), 1u);

    std::unique_ptr<QMenu> sync(child<DropDown>("pattern_sync")->buildMenu(nullptr));
    entry(*sync, "1 BAR")->trigger();
    EXPECT_EQ(backend.callsOf(Call::parameter).back().a, 11);
    EXPECT_FLOAT_EQ(backend.callsOf(Call::parameter).back().value, 0.75f);
}

// Every control says what it is and what it holds, and a setting the MIDI controller that moves
// it ("CUT OFF 50 % — CC 74"); the tooltip follows the value and the controller map, also while
// it shows.
// The lines row takes the voice knobs' place and gives it back with the values they missed; its
// settings go to the back-end and show in the readout; the engine's come back to it. A press on
// the drag handle asks for the file in the cache folder; a file not written is said.
TEST_F(Panel, LinesRowStandsInForTheVoiceKnobsAndTheHandleAsksForTheFile)
{
    MainWidget& p = make();
    auto* cutoff = child<Knob>("cut_off");
    auto* row = child<QWidget>("lines_row");
    EXPECT_FALSE(p.linesShown());
    child<Toggle>("lines")->click();
    EXPECT_TRUE(p.linesShown());
    EXPECT_TRUE(row->isVisible());
    EXPECT_FALSE(cutoff->isVisible());
    p.setParameter(3, 0.9f);
    p.showLines(false);
    EXPECT_TRUE(cutoff->isVisible());
    EXPECT_FLOAT_EQ(cutoff->value(), 0.9f) << "the notice it missed while hidden";
    EXPECT_FALSE(child<Toggle>("lines")->isOn());

    p.showLines(true);
    std::unique_ptr<QMenu> scales(child<DropDown>("scale")->buildMenu(&p));
    entry(*scales, QStringLiteral("dorian"))->trigger();
    EXPECT_EQ(backend.lines.scale, Scale::dorian);
    EXPECT_EQ(backend.lines.key, 0);
    p.processGui();
    auto* display = child<DigitDisplay>("readout");
    EXPECT_EQ(display->readoutCaption(), "SCALE");
    EXPECT_EQ(display->readoutValue(), "DORIAN");

    backend.lines.key = 10;
    backend.lines.mutatePercent = 100;
    emit backend.refreshed();
    EXPECT_EQ(child<DropDown>("key")->text(), "A#");
    EXPECT_FLOAT_EQ(child<Knob>("mutate_share")->value(), 1.0f);

    backend.calls.clear();
    for (const char* button : {"generate", "mutate", "fit_to_key"})
        sendClick(child<KickButton>(button));
    std::vector<int> edits;
    for (const Call& c : backend.callsOf(Call::lineEdit))
        edits.push_back(c.a);
    EXPECT_EQ(edits, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(p.action(MainWidget::Action::undo)->isEnabled());

    sendMouse(child<QWidget>("drag_midi"), QEvent::MouseButtonPress, QPoint(5, 5));
    sendMouse(child<QWidget>("drag_midi"), QEvent::MouseButtonRelease, QPoint(5, 5));
    const std::vector<Call> asked = backend.callsOf(Call::lineFile);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, draggedFilesFolder());
    EXPECT_TRUE(draggedFilesFolder().endsWith("/Brontavell/Quelvar/MIDI"));
    p.processGui();
    EXPECT_EQ(display->readoutCaption(), "DRAG MIDI");
    EXPECT_EQ(display->readoutValue(), "NOT WRITTEN");
}

TEST_F(Panel, TooltipsSayWhatEachControlIsItsValueAndItsController)
{
    for (int i = 0; i < 29; ++i)
        backend.controllers[static_cast<std::size_t>(i)] = 20 + i;
    backend.controllers[3] = 74;
    backend.params[3] = 0.5f;
    MainWidget& p = make();
    auto* knob = child<Knob>("cut_off");
    EXPECT_EQ(shownTip(knob),
              QStringLiteral("CUT OFF 50 % \u2014 CC 74\nThe filter's cutoff frequency"));
    backend.params[3] = 0.25f;
    p.setParameter(3, 0.25f);
    p.processGui();
    EXPECT_EQ(QToolTip::text().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("CUT OFF 25 % \u2014 CC 74"));
    backend.controllers[3] = -1;
    p.processGui();
    EXPECT_EQ(QToolTip::text().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("CUT OFF 25 % \u2014 no MIDI CC"));
    QToolTip::hideText();

    for (int i = 0; i < 29; ++i)
    {
        if (Control* c = p.control(i); c && i != 3)
        {
            const QString first = shownTip(c).section(QLatin1Char('\n'), 0, 0);
            EXPECT_TRUE(first.endsWith(QStringLiteral("\u2014 CC %1").arg(20 + i)))
                << i << ": " << first.toStdString();
            EXPECT_GT(first.size(), 12) << i;
        }
    }
    auto* note = child<Notebox>("note_2");
    note->changeNote(13);
    EXPECT_TRUE(shownTip(note).startsWith("STEP 3 NOTE C#, OCTAVE 1")) << QToolTip::text().toStdString();
    p.switchBar(1, 1.0f);
    EXPECT_TRUE(shownTip(child<Button>("accent_0")).startsWith("STEP 17 ACCENT OFF"));
    // Every knob, button, box and key says something.
    for (QWidget* w : p.findChildren<QWidget*>())
    {
        if ((qobject_cast<Control*>(w) || w == child<QWidget>("pattern_selector") ||
             w == child<QWidget>("keyboard")) &&
            w->isEnabled())
        {
            EXPECT_FALSE(shownTip(w).isEmpty()) << w->objectName().toStdString();
        }
    }
    QToolTip::hideText();
}

// The chain switch is the chain slot's control; the "chain" toggle puts the strip in place of the
// step editor, whose buttons edit the chain around the chosen entry with the current pattern, each
// edit one undo step; a click on an entry chooses its pattern; the entry playing is lit and the
// display counts it.
TEST_F(Panel, TheChainStripEditsTheChainAndChoosesItsPatterns)
{
    backend.transportState.currentPattern = 5;
    MainWidget& p = make();
    sendClick(child<Button>("chain_play"));
    ASSERT_EQ(backend.callsOf(Call::parameter).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::parameter)[0].a, kChainPlay);
    EXPECT_EQ(backend.callsOf(Call::parameter)[0].value, 1.0f);

    auto* strip = child<ChainStrip>("chain_strip");
    EXPECT_FALSE(strip->isVisible());
    child<Toggle>("chain_view")->click();
    EXPECT_TRUE(p.chainViewShown());
    EXPECT_TRUE(strip->isVisible());

    const auto chainOf = [](std::initializer_list<int> patterns)
    {
        ChainEntries c;
        for (int k : patterns)
            c.append(k);
        return c;
    };
    sendClick(child<KickButton>("chain_add"));
    sendClick(child<KickButton>("chain_add"));
    backend.transportState.currentPattern = 9;
    p.processGui();
    sendClick(child<KickButton>("chain_insert")); // before the second entry, the cursor's
    EXPECT_EQ(backend.chainState, chainOf({5, 9, 5}));
    sendClick(child<KickButton>("chain_right"));
    EXPECT_EQ(backend.chainState, chainOf({5, 5, 9}));
    sendClick(child<KickButton>("chain_delete"));
    EXPECT_EQ(backend.chainState, chainOf({5, 5}));
    EXPECT_EQ(backend.callsOf(Call::chain).size(), 5u);

    sendClick(strip, strip->cellOf(0).center());
    ASSERT_EQ(backend.callsOf(Call::select).size(), 1u);
    EXPECT_EQ(backend.callsOf(Call::select)[0].a, 5);

    p.undo();
    EXPECT_EQ(backend.chainState, chainOf({5, 5, 9}));
    p.undo();
    EXPECT_EQ(backend.chainState, chainOf({5, 9, 5}));
    p.redo();
    EXPECT_EQ(backend.chainState, chainOf({5, 5, 9}));
    sendClick(child<KickButton>("chain_clear"));
    EXPECT_TRUE(backend.chainState.empty());
    p.undo();
    EXPECT_EQ(backend.chainState, chainOf({5, 5, 9}));

    backend.transportState.chainEntry = 2;
    backend.transportState.internalRunning = true;
    p.processGui();
    EXPECT_TRUE(child<DigitDisplay>("readout")->status().startsWith(QStringLiteral("CHAIN 3/3")))
        << child<DigitDisplay>("readout")->status().toStdString();
    child<Toggle>("chain_view")->click();
    EXPECT_FALSE(strip->isVisible());
}

} // namespace quelvar::test
