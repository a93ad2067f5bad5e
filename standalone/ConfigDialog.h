// The settings window: Audio, MIDI and Options pages. Every change takes effect at once (the
// stream reopens, a port opens or closes, an engine value is set) and is written to the settings
// store right away; there is no apply or cancel. Qt main thread.
#pragma once

#include "standalone/MidiSystem.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;

namespace quelvar
{

class AudioOutput;
class MidiPorts;
class Palladon;

class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    // inUse: the MIDI system the ports were opened on.
    ConfigDialog(AudioOutput& audio, MidiPorts& midi, Palladon& engine, MidiApi inUse,
                 QWidget* parent = nullptr);

    // Fills the drop-down lists from the audio output and the controls from the engine.
    void refresh();
    // One check box per MIDI port as last listed, and per chosen port that is absent.
    void rebuildMidiPage();
    // 0 Audio, 1 MIDI, 2 Options.
    void showPage(int page);
    int currentPage() const;

    QComboBox* deviceTypeBox() const { return deviceType; }
    QComboBox* outDeviceBox() const { return outDevice; }
    QComboBox* asioChannelBox() const { return asioChannel; }
    QComboBox* sampleRateBox() const { return sampleRate; }
    QComboBox* bufferSizeBox() const { return bufferSize; }
    QPushButton* resetButton() const { return reset; }
    // What went wrong with the last audio choice, and what plays instead; hidden when nothing did.
    QLabel* audioStatusLabel() const { return audioStatus; }
    const std::vector<QCheckBox*>& midiInBoxes() const { return midiIns; }
    const std::vector<QCheckBox*>& midiOutBoxes() const { return midiOuts; }
    // Shows the lowest velocity that accents: the threshold + 1 (128: never).
    QSpinBox* thresholdBox() const { return threshold; }
    QSlider* slideSlider() const { return slide; }
    QCheckBox* ignoreModeBox() const { return ignoreMode; }
    QComboBox* midiApiBox() const { return midiApi; }
    QSpinBox* midiOutOctaveBox() const { return midiOutOctave; }

signals:
    // Octaves added to the sequencer's notes on their way to the MIDI outputs.
    void midiOutOctaveChanged(int octaves);

public slots:
    void selectDeviceType(int row);
    void selectDevice(int row);
    void selectSamplerate(int row);
    void selectBufferSize(int row);
    void selectAsioChannel(int row);
    void setMidiInDevice(int state);
    void setMidiOutDevice(int state);
    void setAccentThreshold(int value);
    void setSlideTime(int value);
    void setIgnoreMode(int state);
    // The MIDI system for the next start.
    void setMidiApi(int row);
    void setMidiOutOctave(int octaves);
    // Back to the default output at 44100 Hz and 512 frames.
    void resetAudio();

private:
    QWidget* buildAudioPage();
    QWidget* buildMidiPage();
    QWidget* buildOptionsPage();
    void connectAudioLists();
    void disconnectAudioLists();
    void fillDevices(int type);
    // Shows why a choice was refused, if it was, and puts the lists back to what is in force.
    void reportAudio(const QString& refused);
    void fillPortFrame(QFrame* frame, std::vector<QCheckBox*>& boxes, bool inputs);
    void storeOpenPorts(const char* array, const std::vector<std::string>& names);
    // After a change that plays: the rate and size in force, and the device unless it is the
    // default standing in for a stored one that is not there.
    void storeAudio();

    AudioOutput& audio;
    MidiPorts& midi;
    Palladon& engine;
    MidiApi inUse;

    QListWidget* pages = nullptr;
    QStackedWidget* stack = nullptr;
    QFormLayout* audioForm = nullptr;
    QComboBox* deviceType = nullptr;
    QComboBox* outDevice = nullptr;
    QComboBox* asioChannel = nullptr;
    QComboBox* sampleRate = nullptr;
    QComboBox* bufferSize = nullptr;
    QPushButton* reset = nullptr;
    QLabel* audioStatus = nullptr;
    QFrame* midiInFrame = nullptr;
    QFrame* midiOutFrame = nullptr;
    std::vector<QCheckBox*> midiIns;
    std::vector<QCheckBox*> midiOuts;
    QSpinBox* threshold = nullptr;
    QSlider* slide = nullptr;
    QCheckBox* ignoreMode = nullptr;
    QComboBox* midiApi = nullptr;
    QSpinBox* midiOutOctave = nullptr;
};

} // namespace quelvar
