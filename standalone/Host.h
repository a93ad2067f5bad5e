// The standalone program's main window and the engine's host: builds the audio output, the MIDI
// ports and the engine in that order, answers the engine's host callback, carries the menus and
// the toolbar, and opens the engine's editor inside itself. Qt main thread, except the host
// callback, which the engine calls on the audio thread.
#pragma once

#include "standalone/AudioBackend.h"
#include "standalone/EngineFeed.h"
#include "standalone/MidiSender.h"
#include "standalone/MidiSystem.h"

#include <QMainWindow>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QToolBar;

namespace quelvar
{

class AudioOutput;
class ConfigDialog;
class PanelEditor;
class FileMenu;
class KeyboardCapture;
class MidiPorts;
class Palladon;

constexpr int kToolbarHeight = 28;
constexpr const char* kWebsite = "https://brontavell.example/quelvar";

class Host : public QMainWindow
{
    Q_OBJECT

public:
    // What the host talks to; tests pass their own. midiApi says which system `midi` is.
    struct Services
    {
        std::unique_ptr<AudioBackend> audio;
        std::unique_ptr<MidiSystem> midi;
        MidiApi midiApi = MidiApi::none;
        QString statePath;
        // Hands an address to the desktop; false when nothing could take it.
        std::function<bool(const QUrl&)> openUrl;
    };

    // PortAudio; the stored MIDI system (RtMidi on the ALSA sequencer, or the program's own JACK
    // client) when it runs, else the other; the state file in the data folder.
    explicit Host(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    explicit Host(Services services, QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~Host() override;

    static Host* instance() { return current.load(std::memory_order_acquire); }
    // The engine's host callback (effect, opcode, index, value, pointer, float).
    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr value, void* ptr, float opt);
    static Services defaultServices();
    // The manual's address: Documents/Brontavell/Quelvar/Quelvar Manual.pdf.
    static QUrl manualUrl();

    AudioOutput& audio() { return *audioOutput; }
    PanelEditor* panelEditor() { return editor; }
    MidiPorts& midi() { return *midiPorts; }
    EngineFeed& feed() { return engineFeed; }
    Palladon* engine() { return synth; }
    ConfigDialog* configDialog() { return dialog; }
    QWidget* editorParent() { return editorArea; }
    QToolBar* toolBar() { return tools; }
    QAction* action(const QString& text) const;
    // A pattern or bank file from the command line, the desktop or the File menu: asks before
    // it replaces edits not saved in a file; an unreadable one is reported in a message box and
    // changes nothing.
    bool openFile(const QString& path);
    FileMenu* fileMenu() { return files; }

public slots:
    // Files handed over by a later start: the window comes to the front and opens them.
    void receiveFiles(const QStringList& paths);
    void showConfig();
    // Lists the MIDI ports again, reopens chosen ones that came back, and shows the new lists.
    void refreshMidiPorts();
    void midiPanic();
    void captureKeyboard(bool on);
    void showManual();
    void openUrl();
    // The program's version and build, beside the window.
    void showAbout();

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void buildEngine();
    // File (with Quit) and Edit (with Configuration) first; then Transport and View: the panel's
    // actions and its sizes.
    void createFileAndPanelMenus();
    // The window follows the panel's size.
    void fitToPanel();
    void setPanelScale(int percent);
    void applyOptions();
    void saveState();
    // Once a second: a stream that died under us is reported and released; nothing is stored.
    void watchAudio();
    // The title names the current pattern and its file, marked while it holds unsaved edits.
    void showDocument();
    // A message beside the window, which stays usable.
    void warnAudio(const QString& text);
    bool desktop(const QUrl& url);

    static std::atomic<Host*> current;

    Services services;
    EngineFeed engineFeed;
    std::unique_ptr<AudioOutput> audioOutput;
    QTimer* audioWatch = nullptr;
    QTimer* titleWatch = nullptr;
    std::unique_ptr<MidiPorts> midiPorts;
    std::unique_ptr<MidiSender> midiSender; // made before the stream starts, ended before the ports
    std::unique_ptr<MidiPortWatch> portWatch;
    QTimer* midiRefresh = nullptr;
    ConfigDialog* dialog = nullptr;
    KeyboardCapture* keys = nullptr;
    Palladon* synth = nullptr;
    PanelEditor* editor = nullptr; // the engine owns it
    FileMenu* files = nullptr;
    AEffect* effect = nullptr;
    QWidget* editorArea = nullptr;
    QWidget* central = nullptr;
    QToolBar* tools = nullptr;

    QAction* configAction = nullptr;
    QAction* audioConfigAction = nullptr;
    QAction* asioPanelAction = nullptr;
    QAction* midiConfigAction = nullptr;
    QAction* panicAction = nullptr;
    QAction* keyboardAction = nullptr;
    QAction* manualAction = nullptr;
    QAction* websiteAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* quitAction = nullptr;
    QMenu* midiMenu = nullptr;
    QMenu* viewMenu = nullptr;
};

} // namespace quelvar
