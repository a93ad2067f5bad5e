#include "standalone/ConfigDialog.h"

#include "engine/Palladon.h"
#include "standalone/AudioOutput.h"
#include "standalone/MidiPorts.h"
#include "standalone/settingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quelvar
{

namespace
{
const char* const kPortNameProperty = "portName";
constexpr int kNoDevice = -1; // the "Out Device" row that says the type has none

QString key(const char* k)
{
    return QString::fromLatin1(k);
}

void selectData(QComboBox* box, int value)
{
    const int row = box->findData(value);
    if (row >= 0)
        box->setCurrentIndex(row);
}

// The lowest velocity that accents, for a threshold that velocities must exceed.
class AccentFromBox : public QSpinBox
{
public:
    AccentFromBox()
    {
        setRange(1, 128);
        setToolTip(QStringLiteral("Notes at this velocity and above play accented"));
    }

protected:
    QString textFromValue(int value) const override
    {
        return value > 127 ? QStringLiteral("never") : QString::number(value);
    }
    int valueFromText(const QString& text) const override
    {
        return text.trimmed().compare(QStringLiteral("never"), Qt::CaseInsensitive) == 0
                   ? 128
                   : text.toInt();
    }
    QValidator::State validate(QString& text, int& pos) const override
    {
        const QString typed = text.trimmed();
        if (!typed.isEmpty() && QStringLiteral("never").startsWith(typed, Qt::CaseInsensitive))
            return typed.size() == 5 ? QValidator::Acceptable : QValidator::Intermediate;
        return QSpinBox::validate(text, pos);
    }
};

QFrame* portFrame(const char* title, const char* style)
{
    auto* frame = new QFrame;
    frame->setStyleSheet(QString::fromLatin1(style));
    auto* column = new QVBoxLayout(frame);
    column->setAlignment(Qt::AlignTop);
    auto* label = new QLabel(QString::fromLatin1(title));
    label->setStyleSheet(QStringLiteral("border:0px;"));
    column->addWidget(label);
    return frame;
}
} // namespace

ConfigDialog::ConfigDialog(AudioOutput& audio, MidiPorts& midi, Palladon& engine, MidiApi inUse,
                           QWidget* parent)
    : QDialog(parent), audio(audio), midi(midi), engine(engine), inUse(inUse)
{
    setWindowTitle(QStringLiteral("Configuration"));

    pages = new QListWidget;
    pages->setIconSize(QSize(28, 28));
    pages->setMinimumWidth(90);
    pages->setMaximumWidth(120);
    pages->addItem(new QListWidgetItem(QIcon(QStringLiteral(":/images4/toolbar/audio.png")),
                                       QStringLiteral("Audio")));
    pages->addItem(new QListWidgetItem(QIcon(QStringLiteral(":/images4/toolbar/midi.png")),
                                       QStringLiteral("MIDI")));
    pages->addItem(new QListWidgetItem(QIcon(QStringLiteral(":/images4/toolbar/config.png")),
                                       QStringLiteral("Options")));

    stack = new QStackedWidget;
    stack->setMinimumSize(400, 400);
    stack->addWidget(buildAudioPage());
    stack->addWidget(buildMidiPage());
    stack->addWidget(buildOptionsPage());
    connect(pages, &QListWidget::currentRowChanged, stack, &QStackedWidget::setCurrentIndex);
    pages->setCurrentRow(0);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);

    auto* top = new QHBoxLayout;
    top->addWidget(pages);
    top->addWidget(stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

QWidget* ConfigDialog::buildAudioPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    audioForm = form;
    form->setContentsMargins(10, 10, 100, 10);
    form->setSpacing(10);
    deviceType = new QComboBox;
    deviceType->setIconSize(QSize(26, 10));
    outDevice = new QComboBox;
    asioChannel = new QComboBox;
    asioChannel->setEnabled(false);
    sampleRate = new QComboBox;
    sampleRate->setFixedWidth(100);
    bufferSize = new QComboBox;
    bufferSize->setFixedWidth(100);
    reset = new QPushButton(QStringLiteral("Reset"));
    reset->setFixedWidth(100);
    connect(reset, &QPushButton::clicked, this, &ConfigDialog::resetAudio);
    audioStatus = new QLabel;
    audioStatus->setObjectName(QStringLiteral("audio_status"));
    audioStatus->setWordWrap(true);
    audioStatus->setStyleSheet(QStringLiteral("color: rgb(190,30,20);"));
    audioStatus->hide();
    form->addRow(audioStatus);
    form->addRow(QStringLiteral("Device type"), deviceType);
    form->addRow(QStringLiteral("Out Device"), outDevice);
    form->addRow(QStringLiteral("ASIO channel"), asioChannel);
    form->addRow(QStringLiteral("Samplerate"), sampleRate);
    form->addRow(QStringLiteral("Buffer size"), bufferSize);
    form->addRow(QStringLiteral("Back to default settings"), reset);
    return page;
}

QWidget* ConfigDialog::buildMidiPage()
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    midiInFrame = portFrame("MIDI in devices", " border:1px solid rgb(33,33,33,192);");
    midiOutFrame = portFrame("MIDI out devices", " border:1px solid rgb(33,33,33,192);;");
    column->addWidget(midiInFrame);
    column->addWidget(midiOutFrame);
    rebuildMidiPage();
    return page;
}

void ConfigDialog::fillPortFrame(QFrame* frame, std::vector<QCheckBox*>& boxes, bool inputs)
{
    // Everything below the frame's title goes.
    QLayout* column = frame->layout();
    while (column->count() > 1)
    {
        QLayoutItem* item = column->takeAt(1);
        delete item->widget();
        delete item;
    }
    boxes.clear();

    const std::vector<std::string>& listed = inputs ? midi.getInputNames() : midi.getOutputNames();
    const auto add = [&](const std::string& portName, bool waiting)
    {
        const QString name = QString::fromStdString(portName);
        auto* box = new QCheckBox(waiting ? name + QStringLiteral(" (not connected)") : name);
        box->setProperty(kPortNameProperty, name);
        box->setStyleSheet(QStringLiteral("border:0px;"));
        box->setChecked(waiting ||
                        (inputs ? midi.isInputOpen(portName) : midi.isOutputOpen(portName)));
        if (waiting)
            box->setToolTip(QStringLiteral("Chosen; connected again as soon as it appears."));
        column->addWidget(box);
        boxes.push_back(box);
        connect(box, &QCheckBox::stateChanged, this,
                inputs ? &ConfigDialog::setMidiInDevice : &ConfigDialog::setMidiOutDevice);
    };
    for (const std::string& name : listed)
        add(name, false);
    for (const std::string& name : inputs ? midi.waitingInputNames() : midi.waitingOutputNames())
        add(name, true);
    if (listed.empty())
    {
        auto* none = new QLabel(inputs ? QStringLiteral("no MIDI input found")
                                       : QStringLiteral("no MIDI output found"));
        none->setObjectName(inputs ? QStringLiteral("no_midi_in") : QStringLiteral("no_midi_out"));
        none->setStyleSheet(QStringLiteral("border:0px; color:gray;"));
        column->addWidget(none);
    }
}

void ConfigDialog::rebuildMidiPage()
{
    fillPortFrame(midiInFrame, midiIns, true);
    fillPortFrame(midiOutFrame, midiOuts, false);
}

QWidget* ConfigDialog::buildOptionsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    threshold = new AccentFromBox;
    threshold->setFixedWidth(64);
    slide = new QSlider(Qt::Horizontal);
    slide->setRange(0, 100);
    ignoreMode = new QCheckBox;
    midiApi = new QComboBox;
    midiApi->addItem(QStringLiteral("ALSA"), QString::fromLatin1(midiApiName(MidiApi::alsa)));
    midiApi->addItem(QStringLiteral("JACK"), QString::fromLatin1(midiApiName(MidiApi::jack)));
    {
        const QSettings settings;
        const QString stored =
            settings.value(key(settings::kMidiApi), key(settings::kDefaultMidiApi)).toString();
        midiApi->setCurrentIndex(midiApiFromName(stored.toStdString()) == MidiApi::jack ? 1 : 0);
    }
    auto* midiNote =
        new QLabel(QStringLiteral("In use: %1. A change applies at the next start.")
                       .arg(inUse == MidiApi::none ? QStringLiteral("none")
                                                   : QString::fromLatin1(midiApiName(inUse))));
    midiNote->setWordWrap(true);
    midiOutOctave = new QSpinBox;
    midiOutOctave->setRange(-2, 2);
    midiOutOctave->setFixedWidth(64);
    midiOutOctave->setToolTip(
        QStringLiteral("Octaves added to the sequencer's notes on the MIDI outputs. At 0 each "
                       "step sends its MIDI note, which other instruments usually play an "
                       "octave above the voice; at -1 they play the pitch you hear."));
    midiOutOctave->setValue(QSettings().value(key(settings::kMidiOutOctave), 0).toInt());
    form->addRow(QStringLiteral("Accent from velocity"), threshold);
    form->addRow(QStringLiteral("Slide time"), slide);
    form->addRow(QStringLiteral("Ignore sync mode when importing"), ignoreMode);
    form->addRow(QStringLiteral("MIDI out octave"), midiOutOctave);
    form->addRow(QStringLiteral("MIDI system"), midiApi);
    form->addRow(QString(), midiNote);
    connect(threshold, &QSpinBox::valueChanged, this,
            [this](int from) { setAccentThreshold(from - 1); });
    connect(midiOutOctave, &QSpinBox::valueChanged, this, &ConfigDialog::setMidiOutOctave);
    connect(slide, &QSlider::valueChanged, this, &ConfigDialog::setSlideTime);
    connect(ignoreMode, &QCheckBox::stateChanged, this, &ConfigDialog::setIgnoreMode);
    connect(midiApi, &QComboBox::currentIndexChanged, this, &ConfigDialog::setMidiApi);
    return page;
}

void ConfigDialog::showPage(int page)
{
    pages->setCurrentRow(page);
}

int ConfigDialog::currentPage() const
{
    return stack->currentIndex();
}

void ConfigDialog::connectAudioLists()
{
    connect(deviceType, &QComboBox::currentIndexChanged, this, &ConfigDialog::selectDeviceType);
    connect(outDevice, &QComboBox::currentIndexChanged, this, &ConfigDialog::selectDevice);
    connect(sampleRate, &QComboBox::currentIndexChanged, this, &ConfigDialog::selectSamplerate);
    connect(bufferSize, &QComboBox::currentIndexChanged, this, &ConfigDialog::selectBufferSize);
    connect(asioChannel, &QComboBox::currentIndexChanged, this, &ConfigDialog::selectAsioChannel);
}

void ConfigDialog::disconnectAudioLists()
{
    for (QComboBox* box : {deviceType, outDevice, sampleRate, bufferSize, asioChannel})
        disconnect(box, nullptr, this, nullptr);
}

void ConfigDialog::fillDevices(int type)
{
    outDevice->clear();
    // Only what can play a stereo stream; capture-only devices would refuse it.
    for (const AudioDeviceEntry& d : audio.devicesOfType(type))
        if (d.maxOutputChannels >= 2)
            outDevice->addItem(QString::fromStdString(d.name), d.index);
    const bool none = outDevice->count() == 0;
    outDevice->setEnabled(!none);
    if (none)
    {
        const QString name = QString::fromStdString(AudioOutput::hostApiName(type));
        outDevice->addItem(name.isEmpty() ? QStringLiteral("no output device found")
                                          : QStringLiteral("no %1 output device found").arg(name),
                           kNoDevice);
    }
}

void ConfigDialog::reportAudio(const QString& refused)
{
    if (audio.failure().empty())
    {
        audioStatus->hide();
        return;
    }
    const QString inUse = audio.isRunning()
                              ? QStringLiteral("Playing on \"%1\" at %2 Hz, %3 frames.")
                                    .arg(QString::fromStdString(audio.currentDeviceName()))
                                    .arg(audio.getSampleRate())
                                    .arg(audio.getBufferSize())
                              : QStringLiteral("Nothing plays now: choose another device.");
    audioStatus->setText(QStringLiteral("%1 could not be used: %2. %3")
                             .arg(refused, QString::fromStdString(audio.failure()), inUse));
    audioStatus->show();
    // The lists go back to what is in force; not from inside their own signal.
    QMetaObject::invokeMethod(this, &ConfigDialog::refresh, Qt::QueuedConnection);
}

void ConfigDialog::refresh()
{
    disconnectAudioLists();
    for (QComboBox* box : {deviceType, outDevice, sampleRate, bufferSize, asioChannel})
        box->clear();

    for (int type : audio.getHostApiTypes())
    {
        const QString name = QString::fromStdString(AudioOutput::hostApiName(type));
        if (type == kAsioHostApi)
            deviceType->addItem(QIcon(QStringLiteral(":/images4/asio.png")), name, type);
        else
            deviceType->addItem(name, type);
    }
    // With no device tried yet, the type of the one that would be the default.
    const int type =
        audio.getDeviceIndex() >= 0 ? audio.currentHostApiType() : audio.defaultHostApiType();
    selectData(deviceType, type);
    fillDevices(type);
    selectData(outDevice, audio.getDeviceIndex());
    // The ASIO row is shown only where the library offers ASIO, which the Linux one never does.
    const std::vector<int>& types = audio.getHostApiTypes();
    audioForm->setRowVisible(asioChannel,
                             std::find(types.begin(), types.end(), kAsioHostApi) != types.end());
    asioChannel->setEnabled(type == kAsioHostApi);
    selectData(asioChannel, audio.getChannel());
    std::vector<int> rates = AudioOutput::sampleRates();
    // A device that plays at its own rate only may use one that the list lacks.
    if (std::find(rates.begin(), rates.end(), audio.getSampleRate()) == rates.end())
    {
        rates.push_back(audio.getSampleRate());
        std::sort(rates.begin(), rates.end());
    }
    for (int rate : rates)
        sampleRate->addItem(QString::number(rate), rate);
    selectData(sampleRate, audio.getSampleRate());
    for (int frames : AudioOutput::bufferSizes())
        bufferSize->addItem(QString::number(frames), frames);
    selectData(bufferSize, audio.getBufferSize());
    connectAudioLists();

    // Showing the engine's values is not a change of them.
    const QSignalBlocker blockThreshold(threshold);
    const QSignalBlocker blockSlide(slide);
    const QSignalBlocker blockIgnore(ignoreMode);
    threshold->setValue(engine.getAccentThreshold() + 1);
    slide->setValue(static_cast<int>(engine.getParameter(kSlideTime) * 100.0f));
    ignoreMode->setChecked(engine.ignoresSyncModeOnImport());
}

void ConfigDialog::selectDeviceType(int row)
{
    if (!isVisible() || row < 0)
        return;
    const int type = deviceType->itemData(row).toInt();
    fillDevices(type);
    asioChannel->setEnabled(type == kAsioHostApi);
}

void ConfigDialog::selectDevice(int row)
{
    if (row < 0 || outDevice->itemData(row).toInt() == kNoDevice)
        return;
    const QString name = outDevice->currentText();
    const int type = deviceType->currentData().toInt();
    {
        const QSignalBlocker block(asioChannel);
        asioChannel->clear();
    }
    const bool changed = audio.selectDevice(name.toStdString(), type, 0);
    reportAudio(QStringLiteral("\"%1\"").arg(name));
    if (changed)
        storeAudio();
}

void ConfigDialog::storeAudio()
{
    QSettings settings;
    if (!audio.onDefaultOutput())
    {
        settings.setValue(key(settings::kDeviceName),
                          QString::fromStdString(audio.currentDeviceName()));
        settings.setValue(key(settings::kDeviceType), audio.currentHostApiType());
    }
    settings.setValue(key(settings::kSampleRate), audio.getSampleRate());
    settings.setValue(key(settings::kBufferSize), audio.getBufferSize());
}

void ConfigDialog::selectSamplerate(int row)
{
    if (row < 0)
        return;
    const int rate = sampleRate->itemData(row).toInt();
    const bool changed = audio.setSampleRate(rate);
    reportAudio(QStringLiteral("%1 Hz").arg(rate));
    if (changed)
        storeAudio();
}

void ConfigDialog::selectBufferSize(int row)
{
    if (row < 0)
        return;
    const int frames = bufferSize->itemData(row).toInt();
    const bool changed = audio.setBufferSize(frames);
    reportAudio(QStringLiteral("A buffer of %1 frames").arg(frames));
    if (changed)
        storeAudio();
}

void ConfigDialog::selectAsioChannel(int row)
{
    if (row < 0 || !audio.setChannel(asioChannel->itemData(row).toInt()))
        return;
    QSettings().setValue(key(settings::kDeviceChannel), row);
}

void ConfigDialog::storeOpenPorts(const char* array, const std::vector<std::string>& names)
{
    QSettings settings;
    settings.remove(key(array));
    settings.beginWriteArray(key(array), static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        settings.setArrayIndex(static_cast<int>(i));
        settings.setValue(key(settings::kPortName), QString::fromStdString(names[i]));
    }
    settings.endArray();
}

void ConfigDialog::setMidiInDevice(int state)
{
    const auto* box = qobject_cast<QCheckBox*>(sender());
    if (!box)
        return;
    const std::string name = box->property(kPortNameProperty).toString().toStdString();
    if (state == Qt::Unchecked)
        midi.closeInput(name);
    else
        midi.openInput(name);
    storeOpenPorts(settings::kMidiIn, midi.chosenInputNames());
}

void ConfigDialog::setMidiOutDevice(int state)
{
    const auto* box = qobject_cast<QCheckBox*>(sender());
    if (!box)
        return;
    const std::string name = box->property(kPortNameProperty).toString().toStdString();
    if (state == Qt::Unchecked)
        midi.closeOutput(name);
    else
        midi.openOutput(name);
    storeOpenPorts(settings::kMidiOut, midi.chosenOutputNames());
}

void ConfigDialog::setAccentThreshold(int value)
{
    engine.setAccentThreshold(value);
    QSettings().setValue(key(settings::kVelocityThreshold), value);
}

void ConfigDialog::setSlideTime(int value)
{
    engine.setParameter(kSlideTime, static_cast<float>(value) / 100.0f);
    QSettings().setValue(key(settings::kSlideTime), value);
}

void ConfigDialog::setIgnoreMode(int state)
{
    const bool flag = state == Qt::PartiallyChecked || state == Qt::Checked;
    engine.setIgnoreSyncModeOnImport(flag);
    QSettings().setValue(key(settings::kIgnoreMode), flag);
}

void ConfigDialog::setMidiApi(int row)
{
    if (row < 0)
        return;
    QSettings().setValue(key(settings::kMidiApi), midiApi->itemData(row).toString());
}

void ConfigDialog::setMidiOutOctave(int octaves)
{
    QSettings().setValue(key(settings::kMidiOutOctave), octaves);
    emit midiOutOctaveChanged(octaves);
}

void ConfigDialog::resetAudio()
{
    audio.selectDevice(std::string(), 0, 0);
    QSettings settings;
    settings.setValue(key(settings::kDeviceName), QString());
    settings.setValue(key(settings::kDeviceType), 0);
    settings.setValue(key(settings::kDeviceChannel), 0);
    settings.setValue(key(settings::kSampleRate), audio.getSampleRate());
    settings.setValue(key(settings::kBufferSize), audio.getBufferSize());
    refresh();
}

} // namespace quelvar
