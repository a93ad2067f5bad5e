#include "standalone/Host.h"

#include "bridge/bridgeProtocol.h"
#include "engine/Palladon.h"
#include "standalone/AudioOutput.h"
#include "standalone/ConfigDialog.h"
#include "standalone/FileMenu.h"
#include "standalone/JackMidiSystem.h"
#include "standalone/KeyboardCapture.h"
#include "standalone/MidiPorts.h"
#include "standalone/PanelEditor.h"
#include "standalone/PortAudioBackend.h"
#include "standalone/RtMidiSystem.h"
#include "standalone/StateFile.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/ScaledPanel.h"
#include "standalone/TransportRecord.h"
#include "standalone/buildInfo.h"
#include "standalone/manualPdf.h"
#include "standalone/settingsKeys.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QActionGroup>
#include <QKeySequence>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <new>

// Resources live in a static library: registered by name before the first use.
static void initStandaloneResources()
{
    Q_INIT_RESOURCE(standalone);
}

namespace quelvar
{

std::atomic<Host*> Host::current{nullptr};

namespace
{
constexpr int kAudioWatchMs = 1000;
// Edits come from the panel, undo, MIDI (step recording, program changes) and files alike: a
// look five times a second sees them all.
constexpr int kTitleWatchMs = 200;
constexpr int kMidiRefreshDelayMs = 150;
constexpr std::uint32_t kPanicMessage = 0xB0 | 0x7E << 8; // Control Change 126, value 0

std::vector<std::string> readPortNames(QSettings& settings, const char* array)
{
    std::vector<std::string> names;
    const int n = settings.beginReadArray(QString::fromLatin1(array));
    for (int i = 0; i < n; ++i)
    {
        settings.setArrayIndex(i);
        names.push_back(
            settings.value(QString::fromLatin1(settings::kPortName)).toString().toStdString());
    }
    settings.endArray();
    return names;
}
} // namespace

Host::Services Host::defaultServices()
{
    Services s;
    auto jack = std::make_shared<JackClient>();
    s.audio = std::make_unique<PortAudioBackend>(jack);
    const QSettings settings;
    const MidiApi preferred =
        midiApiFromName(settings
                            .value(QString::fromLatin1(settings::kMidiApi),
                                   QString::fromLatin1(settings::kDefaultMidiApi))
                            .toString()
                            .toStdString());
    const auto usable = [&jack](MidiApi a)
    { return a == MidiApi::jack ? jack->open() : RtMidiSystem::available(); };
    const MidiApi other = preferred == MidiApi::jack ? MidiApi::alsa : MidiApi::jack;
    s.midiApi = usable(preferred) ? preferred : (usable(other) ? other : MidiApi::none);
    // Without either, a JACK system without a server: no ports, and nothing printed.
    if (s.midiApi == MidiApi::alsa)
        s.midi = std::make_unique<RtMidiSystem>();
    else
        s.midi = std::make_unique<JackMidiSystem>(jack);
    s.statePath = StateFile::defaultPath();
    s.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return s;
}

Host::Host(QWidget* parent, Qt::WindowFlags flags) : Host(defaultServices(), parent, flags) {}

Host::Host(Services given, QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), services(std::move(given))
{
    initStandaloneResources();
    midiSender = std::make_unique<MidiSender>();
    current.store(this, std::memory_order_release);

    const QSettings settings;
    const std::string deviceName =
        settings.value(QString::fromLatin1(settings::kDeviceName), QString())
            .toString()
            .toStdString();
    const int deviceType = settings.value(QString::fromLatin1(settings::kDeviceType), 0).toInt();
    const int channel = settings.value(QString::fromLatin1(settings::kDeviceChannel), 0).toInt();
    const int rate =
        settings.value(QString::fromLatin1(settings::kSampleRate), kDefaultSampleRate).toInt();
    const int frames =
        settings.value(QString::fromLatin1(settings::kBufferSize), kDefaultBufferSize).toInt();

    audioOutput = std::make_unique<AudioOutput>(engineFeed, std::move(services.audio));
    audioOutput->configure(rate, frames);
    if (audioOutput->initialize() && audioOutput->open(deviceName, deviceType, channel))
        audioOutput->start();
    if (audioOutput->isRunning() && !deviceName.empty() && audioOutput->onDefaultOutput())
        QMetaObject::invokeMethod(
            this,
            [this, missing = QString::fromStdString(deviceName),
             type = QString::fromStdString(AudioOutput::hostApiName(deviceType))]
            {
                warnAudio(QStringLiteral("The audio device \"%1\"%2 is not there: playing on "
                                         "\"%3\" at %4 Hz instead. Choose a device in "
                                         "Configuration.")
                              .arg(missing,
                                   type.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(type),
                                   QString::fromStdString(audioOutput->currentDeviceName()))
                              .arg(audioOutput->getSampleRate()));
            },
            Qt::QueuedConnection);
    if (!audioOutput->isRunning())
        QMetaObject::invokeMethod(
            this,
            [this, why = QString::fromStdString(audioOutput->failure())]
            {
                warnAudio(QStringLiteral("No sound: no audio output could be opened%1. Choose a "
                                         "device in Configuration.")
                              .arg(why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
            },
            Qt::QueuedConnection);

    midiPorts = std::make_unique<MidiPorts>(*services.midi, engineFeed.events(), transportRecord());
    midiSender->attach(midiPorts.get(), services.midi->scheduler());
    engineFeed.setScheduler(services.midi->scheduler());
    {
        QSettings ports;
        midiPorts->chooseInputs(readPortNames(ports, settings::kMidiIn));
        midiPorts->chooseOutputs(readPortNames(ports, settings::kMidiOut));
    }
    // Notices come in bursts (a device brings several ports) and on the MIDI system's thread.
    midiRefresh = new QTimer(this);
    midiRefresh->setSingleShot(true);
    midiRefresh->setInterval(kMidiRefreshDelayMs);
    connect(midiRefresh, &QTimer::timeout, this, &Host::refreshMidiPorts);
    portWatch = services.midi->watchPorts(
        [this] { QMetaObject::invokeMethod(midiRefresh, qOverload<>(&QTimer::start)); });

    setWindowIcon(QIcon(QStringLiteral(":/images/logo.png")));
    setWindowTitle(QStringLiteral("Quelvar"));
    keys = new KeyboardCapture(this, engineFeed.events());
    createActions();
    createMenus();
    createToolBar();

    transportRecord().reset(audioOutput->getSampleRate());

    buildEngine();
    applyOptions();
    if (synth)
    {
        files = new FileMenu(*synth, this);
        files->setPlayingRate(audioOutput->getSampleRate());
        connect(editor, &PanelEditor::fileExchanged, files, &FileMenu::remember);
    }
    createFileAndPanelMenus();

    tools->setParent(central);
    tools->move(0, 0);
    tools->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    fitToPanel();
    tools->show();

    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowMaximizeButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    audioWatch = new QTimer(this);
    connect(audioWatch, &QTimer::timeout, this, &Host::watchAudio);
    audioWatch->start(kAudioWatchMs);
    if (files)
    {
        titleWatch = new QTimer(this);
        connect(titleWatch, &QTimer::timeout, this, &Host::showDocument);
        titleWatch->start(kTitleWatchMs);
        showDocument();
    }
}

void Host::showDocument()
{
    // "[*]" is where the mark goes; one in a pattern's name is written twice to stay text.
    QString document = files->documentTitle();
    document.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    const QString title = document + QStringLiteral("[*] \u2014 Quelvar");
    if (windowTitle() != title)
        setWindowTitle(title);
    setWindowModified(files->documentModified());
}

void Host::watchAudio()
{
    if (!audioOutput->streamLost())
        return;
    const QString device = QString::fromStdString(audioOutput->currentDeviceName());
    audioOutput->releaseLostStream();
    qWarning("Quelvar: the audio output stopped: the device or the sound server went away");
    warnAudio(QStringLiteral("The audio output \"%1\" stopped: the device or the sound server "
                             "went away. Choose a device in Configuration to play again.")
                  .arg(device));
}

void Host::warnAudio(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quelvar"), text,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("audio_warning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void Host::buildEngine()
{
    editorArea = new QWidget;
    synth = new (std::nothrow) Palladon(&Host::hostCallback, Flavour::standalone);
    int width = PanelEditor::kWidth;
    int height = PanelEditor::kHeight;
    if (synth)
    {
        editor = new PanelEditor(*synth);
        synth->attachEditor(editor);
        const QSettings settings;
        editor->setScale(settings
                             .value(QString::fromLatin1(settings::kPanelScale),
                                    ScaledPanel::defaultScale(screen()))
                             .toInt());
        effect = synth->getAeffect();
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr,
                           static_cast<float>(audioOutput->getSampleRate()));
        if (!services.statePath.isEmpty())
            StateFile(services.statePath).restore(*synth);
        effect->dispatcher(effect, effEditOpen, 0, 0, editorArea, 0.0f);
        ERect* rect = nullptr;
        effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f);
        if (rect)
        {
            width = rect->right - rect->left;
            height = rect->bottom - rect->top;
        }
        // From here on the sound-card callback renders the engine.
        engineFeed.setEngine(effect);
    }

    editorArea->setFixedSize(width, height);
    central = new QWidget;
    central->setFixedSize(width, height + kToolbarHeight);
    setCentralWidget(central);
    editorArea->setParent(central);
    editorArea->move(0, kToolbarHeight);
    editorArea->show();
}

void Host::createFileAndPanelMenus()
{
    QAction* before = menuBar()->actions().value(0);
    QMenu* file = files ? files->menu() : new QMenu(QStringLiteral("&File"), this);
    file->addSeparator();
    file->addAction(quitAction);
    menuBar()->insertMenu(before, file);
    QMenu* edit = new QMenu(QStringLiteral("&Edit"), this);
    MainWidget* panel = editor ? editor->panel() : nullptr;
    if (panel)
    {
        edit->addAction(panel->action(MainWidget::Action::undo));
        edit->addAction(panel->action(MainWidget::Action::redo));
        edit->addSeparator();
    }
    edit->addAction(configAction);
    menuBar()->insertMenu(before, edit);
    if (!panel)
        return;
    // Opening a file is one step of the panel's undo.
    if (files)
    {
        connect(files, &FileMenu::replacing, panel,
                [panel](bool song) { panel->beginFileUndo(song); });
        connect(files, &FileMenu::replaced, panel, &MainWidget::endFileUndo);
    }
    QMenu* transport = new QMenu(QStringLiteral("&Transport"), this);
    transport->addAction(panel->action(MainWidget::Action::playStop));
    transport->addAction(panel->action(MainWidget::Action::tapTempo));
    viewMenu = new QMenu(QStringLiteral("&View"), this);
    auto* sizes = new QActionGroup(viewMenu);
    int key = Qt::Key_1;
    for (const int percent : bridge::kEditorScales)
    {
        QAction* a = viewMenu->addAction(QStringLiteral("%1 %").arg(percent));
        a->setCheckable(true);
        a->setChecked(percent == editor->scale());
        a->setShortcut(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(key++)));
        sizes->addAction(a);
        connect(a, &QAction::triggered, this, [this, percent] { setPanelScale(percent); });
    }
    for (QMenu* m : {transport, viewMenu})
        menuBar()->insertMenu(before, m);
    panel->offerSizes(editor->scale());
    connect(panel, &MainWidget::sizeRequested, this, &Host::setPanelScale);
    connect(editor, &PanelEditor::resized, this, &Host::fitToPanel);
}

// From the View menu or the panel's own menu; the next start keeps it.
void Host::setPanelScale(int percent)
{
    if (!editor)
        return;
    editor->setScale(percent);
    const int now = editor->scale();
    QSettings().setValue(QString::fromLatin1(settings::kPanelScale), now);
    if (MainWidget* panel = editor->panel())
        panel->offerSizes(now);
    for (QAction* a : viewMenu->actions())
        a->setChecked(a->text() == QStringLiteral("%1 %").arg(now));
}

void Host::fitToPanel()
{
    ERect* rect = nullptr;
    if (!effect || effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) == 0 || !rect)
        return;
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    editorArea->setFixedSize(width, height);
    central->setFixedSize(width, height + kToolbarHeight);
    tools->setFixedSize(width, kToolbarHeight);
    adjustSize();
}

void Host::applyOptions()
{
    if (!synth)
        return;
    const QSettings settings;
    synth->setAccentThreshold(settings
                                  .value(QString::fromLatin1(settings::kVelocityThreshold),
                                         settings::kDefaultVelocityThreshold)
                                  .toInt());
    synth->setParameter(
        kSlideTime,
        static_cast<float>(
            settings.value(QString::fromLatin1(settings::kSlideTime), settings::kDefaultSlideTime)
                .toInt()) /
            100.0f);
    synth->setIgnoreSyncModeOnImport(
        settings.value(QString::fromLatin1(settings::kIgnoreMode), settings::kDefaultIgnoreMode)
            .toBool());
    midiSender->setOctaveShift(
        settings.value(QString::fromLatin1(settings::kMidiOutOctave), 0).toInt());
}

Host::~Host()
{
    portWatch.reset();
    audioOutput->stop();
    audioOutput->close();
    engineFeed.setScheduler(nullptr);
    saveState();
    current.store(nullptr, std::memory_order_release);
    midiSender.reset();
    midiPorts.reset();
    audioOutput.reset();
    // The editor's panel lives among this window's widgets: close it while they exist.
    engineFeed.setEngine(nullptr);
    if (effect)
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    delete synth;
}

void Host::saveState()
{
    if (synth && !services.statePath.isEmpty())
        StateFile(services.statePath).save(*synth);
}

QAction* Host::action(const QString& text) const
{
    for (QAction* a : findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

void Host::createActions()
{
    // The tooltip says what the action does, after its name and its shortcut (the toolbar shows
    // icons only).
    const auto make = [this](const char* text, const char* shortcut, const char* icon,
                             const char* does)
    {
        auto* a = new QAction(QString::fromLatin1(text), this);
        if (shortcut)
            a->setShortcut(QKeySequence(tr(shortcut)));
        if (icon)
            a->setIcon(QIcon(QString::fromLatin1(icon)));
        QString name = a->text().remove(QLatin1Char('&'));
        if (shortcut)
            name += QStringLiteral(" (%1)").arg(a->shortcut().toString(QKeySequence::NativeText));
        a->setToolTip(name + QStringLiteral(": ") + QString::fromUtf8(does));
        return a;
    };
    configAction = make("&Configuration", nullptr, ":/images4/toolbar/config.png",
                        "the audio output, the MIDI ports and the options");
    connect(configAction, &QAction::triggered, this, &Host::showConfig);
    audioConfigAction = make("&Audio Configuration", "Ctrl+A", ":/images4/toolbar/audio.png",
                             "the audio output, its sample rate and buffer size");
    connect(audioConfigAction, &QAction::triggered, this, &Host::showConfig);
    // Only where the audio library offers ASIO, which the Linux one never does.
    const std::vector<int>& apis = audioOutput->getHostApiTypes();
    if (std::find(apis.begin(), apis.end(), kAsioHostApi) != apis.end())
    {
        asioPanelAction = make("&Show ASIO Panel", nullptr, nullptr, "not available");
        asioPanelAction->setEnabled(false);
    }
    midiConfigAction = make("&MIDI Configuration", "Ctrl+M", ":/images4/toolbar/midi.png",
                            "the MIDI ports to play from and to send the notes to");
    connect(midiConfigAction, &QAction::triggered, this, &Host::showConfig);
    panicAction = make("&Panic", "F12", ":/images4/toolbar/panic.png",
                       "silences every sounding note");
    connect(panicAction, &QAction::triggered, this, &Host::midiPanic);
    keyboardAction = make("Capture Keyboard", "F10", ":/images4/toolbar/keyboard.png",
                          "two rows of the computer keyboard play the voice like MIDI notes, "
                          "heard in midi in mode (Z to , and Q to I, black keys on the rows "
                          "above)");
    keyboardAction->setCheckable(true);
    connect(keyboardAction, &QAction::toggled, this, &Host::captureKeyboard);
    manualAction = make("Manual", nullptr, nullptr, "this program's manual as a PDF");
    connect(manualAction, &QAction::triggered, this, &Host::showManual);
    websiteAction = make("Website", nullptr, ":/images4/toolbar/about.png",
                         "the Quelvar pages in your web browser");
    connect(websiteAction, &QAction::triggered, this, &Host::openUrl);
    aboutAction = make("&About Quelvar", nullptr, nullptr, "the version and the build");
    connect(aboutAction, &QAction::triggered, this, &Host::showAbout);
    quitAction = make("&Quit", "Ctrl+Q", nullptr, "saves the synthesizer's state and quits");
    connect(quitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
}

// File and Edit come first, once the engine is there: see createFileAndPanelMenus.
void Host::createMenus()
{
    QMenu* audioMenu = menuBar()->addMenu(QStringLiteral("&Audio"));
    audioMenu->addAction(audioConfigAction);
    if (asioPanelAction)
        audioMenu->addAction(asioPanelAction);
    midiMenu = menuBar()->addMenu(QStringLiteral("&MIDI"));
    midiMenu->addAction(midiConfigAction);
    midiMenu->addAction(panicAction);
    midiMenu->addAction(keyboardAction);
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->addAction(manualAction);
    helpMenu->addAction(websiteAction);
    helpMenu->addSeparator();
    helpMenu->addAction(aboutAction);
}

void Host::createToolBar()
{
    tools = new QToolBar;
    tools->setMovable(false);
    tools->setFloatable(false);
    tools->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tools->addSeparator();
    tools->addAction(audioConfigAction);
    tools->addAction(midiConfigAction);
    tools->addAction(configAction);
    tools->addAction(panicAction);
    tools->addSeparator();
    tools->addAction(keyboardAction);
    tools->addAction(websiteAction);
    if (auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(panicAction)))
        button->setToolButtonStyle(Qt::ToolButtonFollowStyle);
}

void Host::showConfig()
{
    auto* from = qobject_cast<QAction*>(sender());
    if (!from || !synth)
        return;
    if (!dialog)
    {
        dialog = new ConfigDialog(*audioOutput, *midiPorts, *synth, services.midiApi, this);
        connect(dialog, &ConfigDialog::midiOutOctaveChanged, this,
                [this](int octaves) { midiSender->setOctaveShift(octaves); });
    }
    // A device plugged in since the last look shows up now, even without a notice.
    midiPorts->refresh();
    dialog->rebuildMidiPage();
    dialog->refresh();
    dialog->showPage(from == midiConfigAction ? 1 : 0);
    dialog->show();
}

void Host::refreshMidiPorts()
{
    if (midiPorts->refresh() && dialog)
        dialog->rebuildMidiPage();
}

void Host::midiPanic()
{
    keys->releaseAll();
    engineFeed.events().push(kPanicMessage);
    // The engine ignores the controller; this is what stops its notes.
    if (synth)
        synth->panic();
}

void Host::captureKeyboard(bool on)
{
    keys->setEnabled(on);
}

QUrl Host::manualUrl()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           QDir::separator() + QStringLiteral("Brontavell") + QDir::separator() +
                           QStringLiteral("Quelvar");
    return QUrl::fromLocalFile(folder + QStringLiteral("/Quelvar Manual.pdf"));
}

// The PDF is written on first use. Whether a viewer shows it is the desktop's affair, so the
// window always says where the file is.
void Host::showManual()
{
    const QFileInfo pdf(manualUrl().toLocalFile());
    const QString folder = QDir::toNativeSeparators(pdf.absolutePath());
    QString text;
    if (!ensureManualPdf(pdf.filePath()))
        text = QStringLiteral("The manual could not be written to %1.").arg(folder);
    else if (desktop(manualUrl()))
        text = QStringLiteral("The manual is \"%1\" in %2. If no PDF viewer opened it, open it "
                              "from there.")
                   .arg(pdf.fileName(), folder);
    else
        text = QStringLiteral("No program could open the manual. It is \"%1\" in %2.")
                   .arg(pdf.fileName(), folder);
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quelvar Manual"), text,
                                QMessageBox::Close, this);
    box->setObjectName(QStringLiteral("manual_info"));
    QPushButton* open = box->addButton(QStringLiteral("Open Folder"), QMessageBox::ActionRole);
    // The box would close on any button; this one leaves it up.
    open->disconnect();
    connect(open, &QPushButton::clicked, this,
            [this, dir = pdf.absolutePath()] { desktop(QUrl::fromLocalFile(dir)); });
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

bool Host::desktop(const QUrl& url)
{
    return services.openUrl && services.openUrl(url);
}

bool Host::openFile(const QString& path)
{
    return files && files->open(path);
}

void Host::receiveFiles(const QStringList& paths)
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    for (const QString& path : paths)
        openFile(path);
}

void Host::showAbout()
{
    const QString date = QString::fromLatin1(buildInfo::kRevisionDate);
    const QString text =
        QStringLiteral("Quelvar %1\nBuild %2%3, Qt %4\n\nA monophonic acid-bass synthesizer "
                       "with a 64-pattern step sequencer, distortion and tempo delay.\n\n%5")
            .arg(QString::fromLatin1(buildInfo::kVersion),
                 QString::fromLatin1(buildInfo::kRevision),
                 date.isEmpty() ? QString() : QStringLiteral(" of %1").arg(date),
                 QString::fromLatin1(qVersion()), QString::fromLatin1(kWebsite));
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Quelvar"), text,
                                QMessageBox::Close, this);
    box->setObjectName(QStringLiteral("about"));
    box->setIconPixmap(windowIcon().pixmap(64));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void Host::openUrl()
{
    desktop(QUrl(QString::fromLatin1(kWebsite)));
}

VstIntPtr Host::hostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/,
                             VstIntPtr /*value*/, void* ptr, float /*opt*/)
{
    switch (opcode)
    {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetTime:
        return reinterpret_cast<VstIntPtr>(transportRecord().timeInfo());
    case audioMasterProcessEvents:
    {
        Host* host = instance();
        const auto* events = static_cast<const VstEvents*>(ptr);
        if (!host)
            return 0;
        if (!events)
            return 1;
        const double reported = transportRecord().getSampleRate();
        const double sampleRate = reported > 0.0 ? reported : 44100.0;
        for (int i = 0; i < events->numEvents; ++i)
        {
            const VstEvent* e = events->events[i];
            if (!e || e->type != kVstMidiType)
                continue;
            const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
            const auto status =
                static_cast<std::uint32_t>(static_cast<unsigned char>(m->midiData[0]) & 0xF0);
            const auto data1 =
                static_cast<std::uint32_t>(static_cast<unsigned char>(m->midiData[1]));
            const auto data2 =
                static_cast<std::uint32_t>(static_cast<unsigned char>(m->midiData[2]));
            // Each message keeps its place in the block; the MIDI thread sends it then.
            const std::int64_t due =
                host->engineFeed.blockStartNs() +
                static_cast<std::int64_t>(m->deltaFrames * 1e9 / sampleRate);
            host->midiSender->queue(status | data1 << 8 | data2 << 16, due, m->deltaFrames);
        }
        return 1;
    }
    default:
        return 0;
    }
}

} // namespace quelvar
