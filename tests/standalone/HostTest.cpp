#include "standalone/Host.h"

#include "Fakes.h"
#include "engine/Palladon.h"
#include "engine/PalladonFiles.h"
#include "io/stateChunk.h"
#include "standalone/AudioOutput.h"
#include "standalone/ConfigDialog.h"
#include "standalone/FileMenu.h"
#include "standalone/KeyboardCapture.h"
#include "standalone/MidiPorts.h"
#include "standalone/PanelEditor.h"
#include "standalone/TransportRecord.h"
#include "standalone/buildInfo.h"
#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/factoryPatterns.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/ScaledPanel.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "support/EngineHarness.h"

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QAbstractButton>
#include <QSettings>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>

#include <gtest/gtest.h>

namespace quelvar
{

using test::FakeAudio;
using test::FakeMidi;

namespace
{
struct HostRun
{
    test::QtTestPaths paths;
    std::shared_ptr<FakeAudio> audio = std::make_shared<FakeAudio>();
    std::shared_ptr<FakeMidi> midi = std::make_shared<FakeMidi>();
    std::unique_ptr<Host> host;
    QList<QUrl> opened; // what went to the desktop
    bool desktopOpens = true;

    HostRun() = default;
    ~HostRun() { stop(); }

    Host& start()
    {
        Host::Services s;
        s.audio = std::make_unique<test::FakeAudioBackend>(audio);
        s.midi = std::make_unique<test::FakeMidiSystem>(midi);
        s.midiApi = MidiApi::alsa;
        s.statePath = paths.statePath();
        s.openUrl = [this](const QUrl& url)
        {
            opened << url;
            return desktopOpens;
        };
        host = std::make_unique<Host>(std::move(s));
        return *host;
    }
    void stop() { host.reset(); }

    std::vector<std::array<int, 3>> drained()
    {
        return test::midiBytesOf(host->feed().events().drain());
    }
};

// As the dialog stores them: the MIDI inputs to open at the next start.
void storeMidiInputs(const QStringList& names)
{
    QSettings settings;
    settings.beginWriteArray(QStringLiteral("midiInDevice"), static_cast<int>(names.size()));
    for (int i = 0; i < names.size(); ++i)
    {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("name"), names[i]);
    }
    settings.endArray();
}

QStringList texts(const QList<QAction*>& actions)
{
    QStringList out;
    for (const QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return out;
}
} // namespace

TEST(Host, WithNoStoredSettingsOpensTheDefaultOutputAndAppliesTheOptionDefaults)
{
    HostRun run;
    Host& host = run.start();
    ASSERT_EQ(run.audio->opens.size(), 1u);
    EXPECT_EQ(run.audio->opens[0].device, -1);
    EXPECT_EQ(run.audio->opens[0].rate, 44100.0);
    EXPECT_EQ(run.audio->opens[0].frames, 512u);
    EXPECT_TRUE(run.audio->streamRunning);
    EXPECT_EQ(transportRecord().getSampleRate(), 44100.0);
    EXPECT_EQ(transportRecord().getTempo(), 120.0);
    EXPECT_TRUE(host.midi().isInputOpen("keys:out"));
    EXPECT_FALSE(host.midi().isInputOpen("clock:out"));

    ASSERT_NE(host.engine(), nullptr);
    EXPECT_EQ(host.engine()->getAccentThreshold(), 82);
    EXPECT_EQ(host.engine()->getParameter(kSlideTime), 0.0f);
    EXPECT_TRUE(host.engine()->ignoresSyncModeOnImport());
    EXPECT_EQ(host.engine()->getSampleRate(), 44100.0f);
    EXPECT_EQ(host.feed().getEngine(), host.engine()->getAeffect());
}

TEST(Host, StoredMidiInputsOpenByNameAndNeverOnTheVirtualOutput)
{
    HostRun run;
    storeMidiInputs({QStringLiteral("clock:out")});
    // The virtual output is listed first once it exists, which shifts every other port.
    Host& host = run.start();
    EXPECT_NE(run.midi->inputOn("clock:out"), nullptr);
    EXPECT_EQ(run.midi->inputOn("keys:out"), nullptr);
    EXPECT_EQ(run.midi->inputOn("Quelvar Midi Out:Quelvar Virtual MIDI Out"), nullptr);
    EXPECT_EQ(host.midi().openInputNames(), (std::vector<std::string>{"clock:out"}));
    run.stop();

    // With nothing stored, the first input there is: a real one.
    QSettings().clear();
    run.midi->inputs = {"Quelvar Midi Out:Quelvar Virtual MIDI Out", "keys:out"};
    run.midi->virtualListedFirst = false;
    run.start();
    EXPECT_NE(run.midi->inputOn("keys:out"), nullptr);
    EXPECT_EQ(run.midi->inputOn("Quelvar Midi Out:Quelvar Virtual MIDI Out"), nullptr);
}

TEST(Host, MidiPortsThatAppearLaterAreListedAndAChosenOneIsReconnected)
{
    HostRun run;
    storeMidiInputs({QStringLiteral("late:out")});
    run.midi->outputs.clear();
    Host& host = run.start();
    EXPECT_EQ(run.midi->inputOn("late:out"), nullptr);
    host.action("&MIDI Configuration")->trigger();
    ConfigDialog& dialog = *host.configDialog();
    EXPECT_NE(dialog.findChild<QLabel*>(QStringLiteral("no_midi_out")), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("no_midi_in")), nullptr);
    const auto boxTexts = [&dialog](const std::vector<QCheckBox*>& boxes)
    {
        QStringList out;
        for (const QCheckBox* b : boxes)
            out << b->text() + (b->isChecked() ? QStringLiteral(" [x]") : QString());
        return out;
    };
    EXPECT_EQ(boxTexts(dialog.midiInBoxes()),
              (QStringList{"keys:out", "clock:out", "late:out (not connected) [x]"}));

    // The MIDI system announces the new ports; the chosen one opens, the dialog shows both.
    run.midi->plug(run.midi->inputs, "late:out");
    run.midi->plug(run.midi->outputs, "synth:in");
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500 && !run.midi->inputOn("late:out"))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_NE(run.midi->inputOn("late:out"), nullptr);
    EXPECT_EQ(boxTexts(dialog.midiInBoxes()),
              (QStringList{"keys:out", "clock:out", "late:out [x]"}));
    EXPECT_EQ(boxTexts(dialog.midiOutBoxes()), (QStringList{"synth:in"}));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("no_midi_out")), nullptr);

    // Without a notice, opening the dialog looks again.
    run.midi->inputs.push_back("quiet:out");
    host.action("&MIDI Configuration")->trigger();
    EXPECT_TRUE(boxTexts(dialog.midiInBoxes()).contains("quiet:out"));
    EXPECT_EQ(QSettings().value(QStringLiteral("midiInDevice/1/name")).toString(), "late:out");
}

TEST(Host, NoAudioOutputAtStartIsSaidInTheWindow)
{
    HostRun run;
    run.audio->failDefaultOpen = true;
    Host& host = run.start();
    EXPECT_FALSE(host.audio().isRunning());
    QApplication::processEvents();
    auto* box = host.findChild<QMessageBox*>(QStringLiteral("audio_warning"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith("No sound: no audio output could be opened (fake error"));
}

// The default output refuses the rate, as ALSA's does beside a JACK server at 48000 Hz: choosing
// JACK plays at the server's rate, and the next start plays there again without a word. A
// stored device that has gone falls back to the default output and says so.
TEST(Host, AChosenDeviceIsUsedAgainAtTheNextStartAndAMissingOneIsReported)
{
    HostRun run;
    run.audio->devices[2].defaultSampleRate = 48000.0;
    run.audio->refusedRates = {44100.0};
    {
        Host& host = run.start();
        EXPECT_FALSE(host.audio().isRunning());
        host.action("&Audio Configuration")->trigger();
        ConfigDialog& dialog = *host.configDialog();
        dialog.deviceTypeBox()->setCurrentIndex(dialog.deviceTypeBox()->findText("Jack"));
        EXPECT_TRUE(host.audio().isRunning());
        EXPECT_EQ(host.audio().currentDeviceName(), "system");
        run.stop();
    }
    const auto warning = [&run]
    {
        QApplication::processEvents();
        return run.host->findChild<QMessageBox*>(QStringLiteral("audio_warning"));
    };
    run.audio->opens.clear();
    run.start();
    ASSERT_EQ(run.audio->opens.size(), 1u);
    EXPECT_EQ(run.audio->opens[0].device, 2);
    EXPECT_EQ(run.audio->opens[0].rate, 48000.0);
    EXPECT_EQ(run.host->engine()->getSampleRate(), 48000.0f);
    EXPECT_TRUE(run.host->audio().isRunning());
    EXPECT_EQ(warning(), nullptr);
    run.stop();

    run.audio->devices.erase(run.audio->devices.begin() + 2);
    run.audio->refusedRates.clear();
    run.start();
    EXPECT_TRUE(run.host->audio().isRunning());
    ASSERT_NE(warning(), nullptr);
    EXPECT_EQ(warning()->text(), "The audio device \"system\" (Jack) is not there: playing on "
                                 "\"default\" at 44100 Hz instead. Choose a device in "
                                 "Configuration.");
}

// In midi sync the tempo box shows the host's tempo; a pattern opened there brings its own
// internal tempo, which the box shows as soon as the sequencer runs on it.
TEST(Host, AnOpenedPatternsTempoIsShownOnceInternalSyncIsChosen)
{
    HostRun run;
    Host& host = run.start();
    host.show();
    auto* panel = host.panelEditor()->panel();
    ASSERT_NE(panel, nullptr);
    // The factory pattern "07", at 130 BPM.
    const QString seven = QFileInfo(run.paths.statePath()).absolutePath() + "/07.303";
    QDir().mkpath(QFileInfo(seven).absolutePath());
    QFile file(seven);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(factoryPatternFiles().at(6).bytes);
    file.close();
    ASSERT_TRUE(host.openFile(seven));
    const auto settle = []
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    settle();
    auto* tempo = panel->findChild<SpinBox*>(QStringLiteral("tempo"));
    EXPECT_EQ(tempo->number(), 120) << "the host's tempo, in midi sync";

    panel->findChild<Switch*>(QStringLiteral("sync_mode"))->choose(1);
    settle();
    EXPECT_EQ(host.engine()->getTransport().tempo(), 130.0);
    EXPECT_EQ(tempo->number(), 130);
    EXPECT_TRUE(panel->findChild<DigitDisplay*>()->status().contains("130 BPM"));
}

// File > Open (also a file handed over by the desktop) is one undo step of the panel that gives
// back exactly the patterns there were, a whole bank included; Redo is empty after it. A file
// that is no pattern is refused in a message, changes nothing and is not a recent file.
TEST(Host, OpeningAFileIsOneUndoStepAndARefusedOneChangesNothing)
{
    HostRun run;
    Host& host = run.start();
    MainWidget* panel = host.panelEditor()->panel();
    ASSERT_NE(panel, nullptr);
    host.findChild<FileMenu*>()->setQuestion([](const QString&) { return true; });
    const QString folder = QFileInfo(run.paths.statePath()).absolutePath();
    QDir().mkpath(folder);
    Palladon other(nullptr, Flavour::standalone);
    for (int k = 0; k < 4; ++k)
        other.getSong().getPattern(k)->transposeUp();
    other.getCurrentPattern()->setNBStep(5);
    ASSERT_TRUE(other.exportPattern((folder + "/five.303").toStdString()));
    ASSERT_TRUE(other.exportBank((folder + "/all.b303").toStdString()));
    QFile junk(folder + "/picture.pat");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(4000, '\x11'));
    junk.close();

    QAction* undo = panel->action(MainWidget::Action::undo);
    QAction* redo = panel->action(MainWidget::Action::redo);
    panel->transposeUp();
    undo->trigger();
    ASSERT_TRUE(redo->isEnabled());
    Palladon& engine = *host.engine();
    // The patterns only: undo keeps no parameters.
    const auto patterns = [&engine] { return encodeChunk(engine.getSong(), {}); };
    const std::vector<std::uint8_t> state = getChunkBytes(engine);
    const std::vector<std::uint8_t> before = patterns();

    EXPECT_FALSE(host.openFile(folder + "/picture.pat"));
    EXPECT_EQ(getChunkBytes(engine), state);
    EXPECT_TRUE(redo->isEnabled()) << "a refused file is no step";
    EXPECT_FALSE(QSettings().value("recentFiles").toStringList().join(' ').contains("picture"));
    auto* box = host.findChild<QMessageBox*>(QStringLiteral("file_report"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              "\"picture.pat\" is not a pattern or bank Quelvar can read; nothing was changed.");

    for (const char* name : {"/five.303", "/all.b303"})
    {
        ASSERT_TRUE(host.openFile(folder + name)) << name;
        EXPECT_NE(patterns(), before) << name;
        EXPECT_FALSE(redo->isEnabled()) << name;
        undo->trigger();
        EXPECT_EQ(patterns(), before) << name << ": one undo gives every pattern back";
    }
}

// Whether a PDF viewer shows the manual is the desktop's affair: the window says where it is and
// offers its folder.
TEST(Host, TheManualIsWrittenAndTheWindowSaysWhereItIs)
{
    HostRun run;
    Host& host = run.start();
    host.action("Manual")->trigger();
    const QString pdf = Host::manualUrl().toLocalFile();
    EXPECT_TRUE(QFileInfo::exists(pdf));
    ASSERT_EQ(run.opened.size(), 1);
    EXPECT_EQ(run.opened[0], Host::manualUrl());
    auto* box = host.findChild<QMessageBox*>(QStringLiteral("manual_info"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QFileInfo(pdf).absolutePath())) << box->text().toStdString();
    EXPECT_TRUE(box->text().contains("If no PDF viewer opened it"));
    QAbstractButton* folder = nullptr;
    for (QAbstractButton* b : box->buttons())
        if (b->text() == "Open Folder")
            folder = b;
    ASSERT_NE(folder, nullptr);
    folder->click();
    ASSERT_EQ(run.opened.size(), 2);
    EXPECT_EQ(run.opened[1], QUrl::fromLocalFile(QFileInfo(pdf).absolutePath()));
    EXPECT_TRUE(box->isVisible()) << "the box stays for another look";
    box->close();

    run.desktopOpens = false;
    host.action("Manual")->trigger();
    QApplication::processEvents();
    box = host.findChild<QMessageBox*>(QStringLiteral("manual_info"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith("No program could open the manual"));
}

TEST(Host, WindowIsFixedAt621By465BelowTheMenuBarWithoutAMaximiseButton)
{
    HostRun run;
    Host& host = run.start();
    host.show();
    QApplication::processEvents();
    EXPECT_FALSE(host.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(host.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_EQ(host.centralWidget()->size(), QSize(621, 465));
    EXPECT_EQ(host.size(), QSize(621, 465 + host.menuBar()->height()));
    EXPECT_EQ(host.minimumSize(), host.maximumSize());
    EXPECT_EQ(host.editorParent()->geometry(), QRect(0, 28, 621, 437));
    EXPECT_EQ(host.toolBar()->geometry(), QRect(0, 0, 621, 28));
    ASSERT_FALSE(host.editorParent()->children().isEmpty()); // the panel is open inside
}

// The View menu and the panel's own menu size the panel; the window follows, and the next start
// keeps the size. Without a stored size the screen's scale decides (the test screen's is 1).
TEST(Host, PanelSizesFromTheViewMenuAreFollowedByTheWindowAndKept)
{
    HostRun run;
    {
        Host& host = run.start();
        host.show();
        EXPECT_TRUE(host.action("100 %")->isChecked());
        host.action("200 %")->trigger();
        QApplication::processEvents();
        EXPECT_EQ(host.editorParent()->geometry(), QRect(0, 28, 1242, 874));
        EXPECT_EQ(host.centralWidget()->size(), QSize(1242, 874 + 28));
        EXPECT_EQ(host.toolBar()->width(), 1242);
        EXPECT_EQ(host.size(), QSize(1242, 902 + host.menuBar()->height()));
        emit host.panelEditor()->panel()->sizeRequested(125);
        QApplication::processEvents();
        EXPECT_TRUE(host.action("125 %")->isChecked());
        EXPECT_EQ(host.editorParent()->size(), QSize(776, 546));
        run.stop();
    }
    Host& again = run.start();
    EXPECT_EQ(again.panelEditor()->scale(), 125);
    EXPECT_EQ(again.editorParent()->size(), QSize(776, 546));
}

// The menus a desktop program has: Quit in File, Configuration in Edit, About in Help; every
// action and shortcut of the window stays reachable, and each toolbar icon says what it does.
TEST(Host, MenusToolbarAndShortcutsAreLaidOutAsDesigned)
{
    HostRun run;
    Host& host = run.start();
    const QList<QAction*> menus = host.menuBar()->actions();
    ASSERT_EQ(menus.size(), 7);
    EXPECT_EQ(texts(menus), (QStringList{"&File", "&Edit", "&Transport", "&View", "&Audio",
                                         "&MIDI", "&Help"}));
    EXPECT_EQ(texts(menus[0]->menu()->actions()),
              (QStringList{"&Open...", "Open &Recent", "|", "&Save Pattern...", "&Export",
                           QStringLiteral("Export audio\u2026"), "|", "&Quit"}));
    EXPECT_EQ(
        texts(menus[0]->menu()->actions()[4]->menu()->actions()),
        (QStringList{"Pattern (.303)...", "ABL2 Pattern (.pat)...", "ABL3 Pattern (.pat)...",
                     "Phoscyon Pattern (.phptr)...", "Bank (.b303)...", "MIDI File (.mid)...",
                     "Chain as MIDI File (.mid)..."}));
    EXPECT_EQ(texts(menus[1]->menu()->actions()),
              (QStringList{"Undo", "Redo", "|", "&Configuration"}));
    EXPECT_EQ(texts(menus[2]->menu()->actions()), (QStringList{"Play/Stop", "Tap Tempo"}));
    EXPECT_EQ(texts(menus[3]->menu()->actions()),
              (QStringList{"100 %", "125 %", "150 %", "200 %"}));
    // No ASIO on Linux: no ASIO entry.
    EXPECT_EQ(texts(menus[4]->menu()->actions()), (QStringList{"&Audio Configuration"}));
    EXPECT_EQ(texts(menus[5]->menu()->actions()),
              (QStringList{"&MIDI Configuration", "&Panic", "Capture Keyboard"}));
    EXPECT_EQ(texts(menus[6]->menu()->actions()),
              (QStringList{"Manual", "Website", "|", "&About Quelvar"}));
    EXPECT_EQ(texts(host.toolBar()->actions()),
              (QStringList{"|", "&Audio Configuration", "&MIDI Configuration", "&Configuration",
                           "&Panic", "|", "Capture Keyboard", "Website"}));
    EXPECT_FALSE(host.toolBar()->isMovable());
    EXPECT_FALSE(host.toolBar()->isFloatable());
    for (QAction* a : host.toolBar()->actions())
    {
        if (a->isSeparator())
            continue;
        const QString tip = host.toolBar()->widgetForAction(a)->toolTip();
        const QString name = a->text().remove(QLatin1Char('&'));
        EXPECT_TRUE(tip.startsWith(name)) << tip.toStdString();
        EXPECT_GT(tip.size(), name.size() + 12) << "says what it does: " << tip.toStdString();
        EXPECT_TRUE(a->shortcut().isEmpty() || tip.contains(a->shortcut().toString()))
            << tip.toStdString();
    }

    // Each shortcut, as its menu shows it.
    const std::pair<const char*, const char*> shortcuts[] = {
        {"&Audio Configuration", "Ctrl+A"}, {"&MIDI Configuration", "Ctrl+M"},
        {"&Panic", "F12"},                  {"Capture Keyboard", "F10"},
        {"&Quit", "Ctrl+Q"},                {"&Open...", "Ctrl+O"},
        {"&Save Pattern...", "Ctrl+S"},     {"Export audio\u2026", "Ctrl+E"},
        {"Undo", "Ctrl+Z"},                 {"Redo", "Ctrl+Shift+Z"},
        {"Play/Stop", "Space"},             {"Tap Tempo", "Ctrl+T"},
        {"100 %", "Ctrl+1"},                {"200 %", "Ctrl+4"}};
    for (const auto& [text, keys] : shortcuts)
    {
        QAction* a = nullptr;
        for (QAction* menu : menus)
            for (QAction* entry : menu->menu()->actions())
                if (entry->text() == QString::fromUtf8(text))
                    a = entry;
        ASSERT_NE(a, nullptr) << text;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(keys))) << text;
        EXPECT_TRUE(a->isShortcutVisibleInContextMenu() || a->menu() == nullptr) << text;
    }
    EXPECT_TRUE(host.action("Capture Keyboard")->isCheckable());
    EXPECT_FALSE(host.action("Capture Keyboard")->isChecked());
    EXPECT_EQ(host.action("&Show ASIO Panel"), nullptr);
    EXPECT_FALSE(host.windowIcon().isNull());
    EXPECT_TRUE(Host::manualUrl().toString().endsWith("/Brontavell/Quelvar/Quelvar Manual.pdf"));
    EXPECT_TRUE(Host::manualUrl().isLocalFile());

    host.action("&About Quelvar")->trigger();
    auto* about = host.findChild<QMessageBox*>(QStringLiteral("about"));
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(about->text().startsWith(QStringLiteral("Quelvar %1\nBuild %2")
                                             .arg(QString::fromLatin1(buildInfo::kVersion),
                                                  QString::fromLatin1(buildInfo::kRevision))))
        << about->text().toStdString();
    EXPECT_FALSE(QString::fromLatin1(buildInfo::kVersion).isEmpty());
    EXPECT_FALSE(QString::fromLatin1(buildInfo::kRevision).isEmpty());
}

TEST(Host, ConfigurationActionsOpenOneDialogOnTheirPage)
{
    HostRun run;
    Host& host = run.start();
    host.action("&MIDI Configuration")->trigger();
    ConfigDialog* dialog = host.configDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->currentPage(), 1);
    host.action("&Configuration")->trigger();
    EXPECT_EQ(host.configDialog(), dialog);
    EXPECT_EQ(dialog->currentPage(), 0);
    host.action("&MIDI Configuration")->trigger();
    host.action("&Audio Configuration")->trigger();
    EXPECT_EQ(dialog->currentPage(), 0);
    host.showConfig(); // not from an action: nothing
    EXPECT_EQ(host.configDialog(), dialog);
}

TEST(Host, CallbackAnswersVersionTimeAndSendsEngineNotesOnChannelOne)
{
    HostRun run;
    Host& host = run.start();
    ASSERT_TRUE(host.midi().openOutput("monitor:in"));
    EXPECT_EQ(Host::hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    const VstIntPtr time = Host::hostCallback(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f);
    EXPECT_NE(time, 0);
    EXPECT_EQ(Host::hostCallback(nullptr, audioMasterGetTime, 0, 0x3E07, nullptr, 0.0f), time);
    EXPECT_EQ(Host::hostCallback(nullptr, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f), 0);

    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    note.midiData[0] = static_cast<char>(0x94);
    note.midiData[1] = 48;
    note.midiData[2] = 127;
    VstEventArray<1> list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&note);
    EXPECT_EQ(Host::hostCallback(nullptr, audioMasterProcessEvents, 0, 0, list.get(), 0.0f), 1);
    FakeMidi::Client* output = run.midi->outputOn("monitor:in");
    FakeMidi::Client* virtualOutput = run.midi->virtualOutput();

    // The MIDI thread sends; stopping ends it, with nothing left unsent.
    run.stop();
    const std::vector<std::array<std::uint8_t, 3>> expected{{0x90, 48, 127}};
    EXPECT_EQ(output->sent, expected);
    EXPECT_EQ(virtualOutput->sent, expected);
    EXPECT_EQ(Host::hostCallback(nullptr, audioMasterProcessEvents, 0, 0, list.get(), 0.0f), 0);
}

TEST(Host, PanicQueuesControlChange126AndSilencesALiveNote)
{
    HostRun run;
    Host& host = run.start();
    host.engine()->setParameter(kSyncType, 1.0f);
    std::array<std::vector<float>, 2> out;
    run.audio->pull(out, 512);
    host.feed().events().push(0x704090);
    run.audio->pull(out, 512);
    ASSERT_GT(std::abs(out[0][511]), 0.0f);

    host.action("&Panic")->trigger();
    EXPECT_EQ(host.feed().events().pending(), 1);
    run.audio->pull(out, 512); // the release ramp
    run.audio->pull(out, 512);
    EXPECT_EQ(std::count(out[0].begin(), out[0].end(), 0.0f), 512);
}

TEST(Host, CaptureKeyboardPlaysKeysByPlaceAndReleasesThemWhenSwitchedOff)
{
    HostRun run;
    Host& host = run.start();
    QWidget* target = host.editorParent();
    // X keycodes of the places: the US Z (48), M (59) and I (72) keys, and F1.
    const auto key = [&](QEvent::Type type, quint32 place, bool repeat = false)
    {
        QKeyEvent e(type, Qt::Key_unknown, Qt::NoModifier, place, 0, 0, QString(), repeat);
        QApplication::sendEvent(target, &e);
    };
    key(QEvent::KeyPress, 52);
    EXPECT_TRUE(run.drained().empty()); // capture starts off

    host.action("Capture Keyboard")->trigger();
    key(QEvent::KeyPress, 52);
    key(QEvent::KeyPress, 52, true);
    key(QEvent::KeyPress, 58);
    key(QEvent::KeyPress, 67);
    key(QEvent::KeyRelease, 52);
    key(QEvent::KeyPress, 31);
    EXPECT_EQ(run.drained(),
              (std::vector<std::array<int, 3>>{
                  {0x90, 48, 112}, {0x90, 59, 112}, {0x80, 48, 0}, {0x90, 72, 112}}));

    host.action("Capture Keyboard")->trigger();
    EXPECT_EQ(run.drained(), (std::vector<std::array<int, 3>>{{0x80, 72, 0}, {0x80, 59, 0}}));
}

// Typing a pattern name with the keyboard captured: one click on the name takes the keys and
// shows it (the field lights up, more than a text cursor); every letter goes to the field and its
// own shortcuts work. Enter or a click elsewhere on the panel keeps the name, Escape leaves it as
// it was; each gives the keys back, and they play again.
TEST(Host, KeysTypedIntoTheNameFieldStayThereUntilItGivesThemBack)
{
    HostRun run;
    Host& host = run.start();
    host.show();
    QApplication::setActiveWindow(&host);
    host.action("Capture Keyboard")->trigger();
    auto* view = host.editorParent()->findChild<ScaledPanel*>();
    ASSERT_NE(view, nullptr);
    MainWidget* panel = host.panelEditor()->panel();
    auto* name = panel->findChild<QLineEdit*>(QStringLiteral("pattern_name"));
    ASSERT_NE(name, nullptr);
    const auto clickOn = [view](QWidget* w)
    {
        const QPoint at = view->mapFromScene(QPointF(w->geometry().center()));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    const auto zPlays = [&run, &host]
    {
        QTest::keyPress(host.editorParent(), Qt::Key_Z);
        QTest::keyRelease(host.editorParent(), Qt::Key_Z);
        return run.drained() == std::vector<std::array<int, 3>>{{0x90, 48, 112}, {0x80, 48, 0}};
    };
    const QImage idle = name->grab().toImage();

    clickOn(name);
    ASSERT_TRUE(name->hasFocus());
    const QImage lit = name->grab().toImage();
    int changed = 0;
    for (int y = 0; y < idle.height(); ++y)
        for (int x = 0; x < idle.width(); ++x)
            changed += idle.pixel(x, y) != lit.pixel(x, y);
    EXPECT_GT(changed, idle.width()) << "more than a text cursor shows the focus";
    name->clear();
    QTest::keyClicks(name, QStringLiteral("My Line"));
    EXPECT_EQ(name->text(), QStringLiteral("My Line"));
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(name->selectedText(), QStringLiteral("My Line"));
    EXPECT_TRUE(host.configDialog() == nullptr || !host.configDialog()->isVisible());
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_FALSE(name->hasFocus());
    EXPECT_EQ(host.engine()->getCurrentPattern()->getName(), "My Line");
    EXPECT_TRUE(run.drained().empty());
    EXPECT_TRUE(zPlays()) << "Enter gives the keys back";

    clickOn(name);
    QTest::keyClicks(name, QStringLiteral("zz"));
    EXPECT_TRUE(run.drained().empty());
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_FALSE(name->hasFocus());
    EXPECT_EQ(name->text(), QStringLiteral("My Line"));
    EXPECT_EQ(host.engine()->getCurrentPattern()->getName(), "My Line");
    EXPECT_TRUE(zPlays()) << "Escape gives the keys back";

    clickOn(name);
    ASSERT_TRUE(name->hasFocus());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Wobble"));
    clickOn(panel->findChild<QWidget*>(QStringLiteral("cut_off")));
    EXPECT_FALSE(name->hasFocus());
    EXPECT_EQ(host.engine()->getCurrentPattern()->getName(), "Wobble");
    EXPECT_TRUE(zPlays()) << "a click on the panel gives the keys back";
}

// The title names the current pattern and the file it was last read from or written to, with a
// mark while it holds edits that file lacks: undoing back to the saved pattern clears the mark.
// Edits from anywhere (the panel, undo, the engine itself) show within a moment.
TEST(Host, WindowTitleNamesThePatternAndItsFileAndMarksUnsavedEdits)
{
    HostRun run;
    Host& host = run.start();
    host.show();
    host.fileMenu()->setQuestion([](const QString&) { return true; });
    const auto title = [&host]
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return host.windowHandle()->title().toStdString();
    };
    Palladon& engine = *host.engine();
    const std::string first = "A1 " + engine.getCurrentPattern()->getName();
    EXPECT_EQ(title(), first + " \u2014 Quelvar");

    MainWidget* panel = host.panelEditor()->panel();
    const bool accent = engine.getCurrentPattern()->getStep(0)->accent();
    panel->setAccent(0, accent ? 0.0f : 1.0f);
    EXPECT_EQ(title(), first + "* \u2014 Quelvar");
    panel->action(MainWidget::Action::undo)->trigger();
    EXPECT_EQ(title(), first + " \u2014 Quelvar") << "back as it was: nothing unsaved";

    const QString folder = QFileInfo(run.paths.statePath()).absolutePath();
    QDir().mkpath(folder);
    const QString saved = folder + "/bass.303";
    engine.exportPattern(saved.toStdString());
    engine.getCurrentPattern()->setStepNote(30, 1);
    ASSERT_TRUE(host.openFile(saved));
    EXPECT_EQ(title(), "bass.303 (" + first + ") \u2014 Quelvar");
    engine.getCurrentPattern()->setStepNote(31, 1);
    EXPECT_EQ(title(), "bass.303 (" + first + ")* \u2014 Quelvar");

    engine.getSong().getPattern(2)->setName("Other");
    engine.setParameter(kTriggerPattern, 2.0f / 32.0f);
    EXPECT_EQ(title(), "A3 Other* \u2014 Quelvar") << "another pattern, renamed, from no file";

    const QString bank = folder + "/set.b303";
    engine.exportBank(bank.toStdString());
    ASSERT_TRUE(host.openFile(bank));
    EXPECT_EQ(title(), "set.b303 (A3 Other) \u2014 Quelvar");
    engine.getSong().getPattern(9)->setStepNote(12, 0);
    EXPECT_EQ(title(), "set.b303 (A3 Other)* \u2014 Quelvar") << "the bank holds every pattern";
}

TEST(Host, SettingsWrittenByTheDialogAreAppliedAtTheNextStart)
{
    HostRun run;
    {
        Host& host = run.start();
        host.action("&Configuration")->trigger();
        ConfigDialog& dialog = *host.configDialog();
        dialog.thresholdBox()->setValue(101); // accents from 101: above 100
        dialog.slideSlider()->setValue(37);
        EXPECT_FLOAT_EQ(host.engine()->getParameter(kSlideTime), 0.37f);
        dialog.ignoreModeBox()->setChecked(false);
        dialog.midiInBoxes()[0]->setChecked(false);
        dialog.midiInBoxes()[1]->setChecked(true);
        dialog.midiOutBoxes()[1]->setChecked(true);
        dialog.outDeviceBox()->setCurrentIndex(dialog.outDeviceBox()->findText("hw:0"));
        dialog.sampleRateBox()->setCurrentIndex(dialog.sampleRateBox()->findData(48000));
        dialog.bufferSizeBox()->setCurrentIndex(dialog.bufferSizeBox()->findData(256));
        dialog.midiApiBox()->setCurrentIndex(1);
        run.stop();
    }
    const QSettings stored;
    EXPECT_EQ(stored.value("audioOutputDevice/name").toString(), "hw:0");
    EXPECT_EQ(stored.value("audioOutputDevice/type").toInt(), 8);
    EXPECT_EQ(stored.value("audioOutputDevice/samplerate").toInt(), 48000);
    EXPECT_EQ(stored.value("audioOutputDevice/bufferSize").toInt(), 256);
    EXPECT_EQ(stored.value("options/velocityThreshold").toInt(), 100);
    EXPECT_EQ(stored.value("options/slideTime").toInt(), 37);
    EXPECT_EQ(stored.value("options/ignoreMode").toBool(), false);
    EXPECT_EQ(stored.value("options/midiApi").toString(), "JACK");

    run.audio->opens.clear();
    Host& host = run.start();
    ASSERT_EQ(run.audio->opens.size(), 1u);
    EXPECT_EQ(run.audio->opens[0].device, 1);
    EXPECT_EQ(run.audio->opens[0].rate, 48000.0);
    EXPECT_EQ(run.audio->opens[0].frames, 256u);
    EXPECT_EQ(transportRecord().getSampleRate(), 48000.0);
    EXPECT_EQ(host.engine()->getSampleRate(), 48000.0f);
    EXPECT_EQ(host.engine()->getAccentThreshold(), 100);
    EXPECT_FLOAT_EQ(host.engine()->getParameter(kSlideTime), 0.37f);
    EXPECT_FALSE(host.engine()->ignoresSyncModeOnImport());
    EXPECT_FALSE(host.midi().isInputOpen("keys:out"));
    EXPECT_TRUE(host.midi().isInputOpen("clock:out"));
    EXPECT_TRUE(host.midi().isOutputOpen("monitor:in"));
    EXPECT_FALSE(host.midi().isOutputOpen("synth:in"));
}

TEST(Host, KeepsTheSynthesizerStateBetweenRunsAndSetsADamagedFileAside)
{
    HostRun run;
    {
        Host& host = run.start();
        host.engine()->setParameter(kCutoff, 0.625f);
        host.engine()->setParameter(kSyncType, 1.0f);
        host.engine()->getSong().getPattern(7)->setStepNote(33, 2);
        run.stop();
    }
    ASSERT_TRUE(QFile::exists(run.paths.statePath()));
    {
        Host& host = run.start();
        EXPECT_EQ(host.engine()->getParameter(kCutoff), 0.625f);
        EXPECT_EQ(host.engine()->getTransport().syncType(), 2);
        EXPECT_EQ(host.engine()->getSong().getPattern(7)->getStep(2)->note(), 33);
        run.stop();
    }

    QFile damaged(run.paths.statePath());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("\x02\x00\x1e garbage", 12)); // 30 parameters: rejected
    damaged.close();
    Host& host = run.start();
    EXPECT_EQ(host.engine()->getParameter(kCutoff), host.engine()->getTraits().defaultCutoff);
    EXPECT_TRUE(QFile::exists(run.paths.statePath() + ".corrupt"));
    EXPECT_FALSE(QFile::exists(run.paths.statePath()));
    run.stop(); // a good state is written again at exit
    EXPECT_TRUE(QFile::exists(run.paths.statePath()));
}

} // namespace quelvar

namespace quelvar
{

TEST(Host, MidiClockAndStartRunTheSequencerInHostSync)
{
    HostRun run;
    run.start();
    FakeMidi::Client* in = run.midi->inputOn("keys:out");
    ASSERT_NE(in, nullptr);
    std::array<std::vector<float>, 2> out;
    float peak = 0.0f;
    // A start followed at once by the first tick, as sequencers send them: the tick must not
    // hide the start from the engine, which has not rendered a block in between.
    in->deliver({0xFA});
    // 512-frame blocks with a clock tick (24 per quarter at 120 BPM) about every 20.8 ms.
    for (int block = 0; block < 80; ++block)
    {
        if (block % 2 == 0)
            in->deliver({0xF8});
        run.audio->pull(out, 512);
        peak = std::max(peak, peakOf(out[0]));
    }
    EXPECT_GT(peak, 0.01f);
    ASSERT_FALSE(run.midi->virtualOutput()->sent.empty());
    EXPECT_EQ(run.midi->virtualOutput()->sent.front()[0], 0x90);
    EXPECT_EQ(run.midi->virtualOutput()->sent.front()[1], 48);
}

} // namespace quelvar

namespace quelvar
{

TEST(Host, ALostAudioStreamIsReleasedAndReportedWithoutTouchingTheSettings)
{
    HostRun run;
    Host& host = run.start();
    {
        QSettings settings;
        settings.setValue(QStringLiteral("audioOutputDevice/name"), QStringLiteral("hw:0"));
    }
    ASSERT_TRUE(host.audio().isRunning());
    run.audio->streamLost = true;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(host.audio().isRunning());
    EXPECT_FALSE(host.audio().isOpened());
    EXPECT_EQ(run.audio->abandons, 1);
    EXPECT_EQ(QSettings().value(QStringLiteral("audioOutputDevice/name")).toString(),
              QStringLiteral("hw:0"));
    // The engine goes on: the panel and the dialog still work, and a new choice reopens.
    host.engine()->setParameter(kCutoff, 0.4f);
    EXPECT_EQ(host.engine()->getParameter(kCutoff), 0.4f);
    run.audio->streamLost = false;
    EXPECT_TRUE(host.audio().openDefault());
    EXPECT_TRUE(host.audio().start());
}

} // namespace quelvar
