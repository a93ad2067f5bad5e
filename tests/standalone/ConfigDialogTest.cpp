#include "standalone/ConfigDialog.h"

#include "Fakes.h"
#include "engine/Palladon.h"
#include "standalone/AudioOutput.h"
#include "standalone/Host.h"
#include "standalone/MidiPorts.h"
#include "standalone/TransportRecord.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSettings>

#include <gtest/gtest.h>

namespace quelvar
{

namespace
{
struct Dialog
{
    test::QtTestPaths paths;
    std::shared_ptr<test::FakeAudio> audioState = std::make_shared<test::FakeAudio>();
    std::shared_ptr<test::FakeMidi> midiState = std::make_shared<test::FakeMidi>();
    test::FakeMidiSystem midiSystem{midiState};
    EngineFeed feed;
    TransportRecord transport;
    Palladon engine{&Host::hostCallback, Flavour::standalone};
    AudioOutput audio{feed, std::make_unique<test::FakeAudioBackend>(audioState)};
    MidiPorts midi{midiSystem, feed.events(), transport};
    ConfigDialog dialog{audio, midi, engine, MidiApi::alsa};

    Dialog()
    {
        audio.initialize();
        audio.open("hw:0", 12, 0);
        audio.start();
        dialog.refresh();
        dialog.show();
    }
};
} // namespace

TEST(ConfigDialog, RefreshShowsWhatIsInForce)
{
    Dialog d;
    EXPECT_EQ(d.dialog.deviceTypeBox()->count(), 2);
    EXPECT_EQ(d.dialog.deviceTypeBox()->currentText(), "Jack");
    EXPECT_EQ(d.dialog.outDeviceBox()->count(), 2);
    EXPECT_EQ(d.dialog.outDeviceBox()->currentData().toInt(), 3);
    EXPECT_EQ(d.dialog.sampleRateBox()->currentText(), "44100");
    EXPECT_EQ(d.dialog.bufferSizeBox()->count(), 10);
    EXPECT_EQ(d.dialog.bufferSizeBox()->currentText(), "256");
    EXPECT_FALSE(d.dialog.asioChannelBox()->isEnabled());
    EXPECT_EQ(d.dialog.midiInBoxes().size(), 2u);
}

TEST(ConfigDialog, ChoosingWhatIsAlreadyInForceReopensNothingAndStoresNothing)
{
    Dialog d;
    const std::size_t opens = d.audioState->opens.size();
    d.dialog.selectDevice(d.dialog.outDeviceBox()->currentIndex());
    d.dialog.selectSamplerate(d.dialog.sampleRateBox()->currentIndex());
    d.dialog.selectBufferSize(d.dialog.bufferSizeBox()->currentIndex());
    EXPECT_EQ(d.audioState->opens.size(), opens);
    EXPECT_TRUE(QSettings().allKeys().isEmpty());
}

// A device the library refuses is reported in the dialog, is not stored, and the device that
// worked plays on; the lists show it again.
TEST(ConfigDialog, ADeviceThatFailsToOpenIsReportedAndTheWorkingOneKept)
{
    Dialog d;
    d.audioState->refusedDevices = {0};
    d.dialog.deviceTypeBox()->setCurrentIndex(0); // ALSA: the list refills and picks its first
    EXPECT_TRUE(d.audio.isRunning());
    EXPECT_EQ(d.audio.currentDeviceName(), "hw:0");
    EXPECT_EQ(d.audio.currentHostApiType(), 12);
    EXPECT_FALSE(QSettings().contains("audioOutputDevice/name"));
    EXPECT_TRUE(d.dialog.audioStatusLabel()->isVisibleTo(&d.dialog));
    EXPECT_TRUE(d.dialog.audioStatusLabel()->text().contains("\"default\" could not be used"));
    QApplication::processEvents();
    EXPECT_EQ(d.dialog.deviceTypeBox()->currentText(), "Jack");
    EXPECT_EQ(d.dialog.outDeviceBox()->currentData().toInt(), 3);

    d.dialog.deviceTypeBox()->setCurrentIndex(0);
    d.dialog.outDeviceBox()->setCurrentIndex(1);
    EXPECT_TRUE(d.audio.isRunning());
    EXPECT_EQ(QSettings().value("audioOutputDevice/name").toString(), "hw:0");
    EXPECT_EQ(QSettings().value("audioOutputDevice/type").toInt(), 8);
    EXPECT_FALSE(d.dialog.audioStatusLabel()->isVisibleTo(&d.dialog));
}

TEST(ConfigDialog, ARateTheDeviceRefusesIsReportedAndTheWorkingRateKept)
{
    Dialog d;
    d.audioState->refusedRates = {96000.0};
    d.dialog.sampleRateBox()->setCurrentIndex(d.dialog.sampleRateBox()->findData(96000));
    EXPECT_TRUE(d.audio.isRunning());
    EXPECT_EQ(d.audio.getSampleRate(), 44100);
    EXPECT_EQ(d.audioState->opens.back().rate, 44100.0);
    EXPECT_EQ(d.audioState->opens.back().device, 3);
    EXPECT_EQ(transportRecord().getSampleRate(), 44100.0);
    EXPECT_FALSE(QSettings().contains("audioOutputDevice/samplerate"));
    EXPECT_TRUE(d.dialog.audioStatusLabel()->text().startsWith("96000 Hz could not be used"));
    EXPECT_TRUE(d.dialog.audioStatusLabel()->text().contains("at 44100 Hz"));
    QApplication::processEvents();
    EXPECT_EQ(d.dialog.sampleRateBox()->currentText(), "44100");
}

// Neither ASIO nor devices the library lists but cannot play on, and no empty type name.
TEST(ConfigDialog, TheAudioPageShowsOnlyWhatThePlatformHas)
{
    Dialog d;
    d.audioState->hostApis.push_back(7);
    d.audioState->devices.push_back({"capture only", 8, 0.01, 44100.0, 0});
    d.audio.terminate();
    d.audio.initialize();
    d.dialog.refresh();
    EXPECT_FALSE(d.dialog.asioChannelBox()->isVisibleTo(&d.dialog));
    d.dialog.deviceTypeBox()->setCurrentIndex(d.dialog.deviceTypeBox()->findText("OSS"));
    ASSERT_EQ(d.dialog.outDeviceBox()->count(), 1);
    EXPECT_EQ(d.dialog.outDeviceBox()->currentText(), "no OSS output device found");
    EXPECT_FALSE(d.dialog.outDeviceBox()->isEnabled());
    EXPECT_TRUE(d.audio.isRunning());
    d.dialog.deviceTypeBox()->setCurrentIndex(d.dialog.deviceTypeBox()->findText("ALSA"));
    EXPECT_EQ(d.dialog.outDeviceBox()->findText("capture only"), -1);

    // Before any device was tried, the default output's type: never the nameless type 0.
    AudioOutput fresh{d.feed, std::make_unique<test::FakeAudioBackend>(d.audioState)};
    fresh.initialize();
    ConfigDialog dialog{fresh, d.midi, d.engine, MidiApi::alsa};
    dialog.refresh();
    EXPECT_EQ(dialog.deviceTypeBox()->currentText(), "ALSA");
    EXPECT_EQ(dialog.outDeviceBox()->currentText(), "default");
}

// The threshold is the velocity that notes must exceed; the box shows where accents begin.
TEST(ConfigDialog, TheAccentBoxShowsTheLowestVelocityThatAccents)
{
    Dialog d;
    EXPECT_EQ(d.dialog.thresholdBox()->value(), 83);
    EXPECT_EQ(d.dialog.thresholdBox()->text(), "83");
    for (const auto& [shown, threshold] : {std::pair{1, 0}, {100, 99}, {128, 127}})
    {
        d.dialog.thresholdBox()->setValue(shown);
        EXPECT_EQ(d.engine.getAccentThreshold(), threshold);
        EXPECT_EQ(QSettings().value("options/velocityThreshold").toInt(), threshold);
    }
    EXPECT_EQ(d.dialog.thresholdBox()->text(), "never");
}

TEST(ConfigDialog, UncheckingTheLastInputStoresAnEmptyList)
{
    Dialog d;
    d.dialog.midiInBoxes()[1]->setChecked(true);
    EXPECT_EQ(QSettings().value("midiInDevice/size").toInt(), 1);
    EXPECT_EQ(QSettings().value("midiInDevice/1/name").toString(), "clock:out");
    d.dialog.midiInBoxes()[1]->setChecked(false);
    QSettings stored;
    EXPECT_EQ(stored.beginReadArray("midiInDevice"), 0);
    stored.endArray();
    EXPECT_TRUE(d.midi.openInputNames().empty());
}

TEST(ConfigDialog, ResetGoesBackToTheDefaultOutput)
{
    Dialog d;
    d.dialog.sampleRateBox()->setCurrentIndex(d.dialog.sampleRateBox()->findData(96000));
    ASSERT_EQ(d.audio.getSampleRate(), 96000);
    d.dialog.resetButton()->click();
    EXPECT_EQ(d.audioState->opens.back().device, -1);
    EXPECT_EQ(d.audio.getSampleRate(), 44100);
    EXPECT_EQ(d.audio.getBufferSize(), 512);
    EXPECT_EQ(QSettings().value("audioOutputDevice/name").toString(), "");
    EXPECT_EQ(QSettings().value("audioOutputDevice/samplerate").toInt(), 44100);
    EXPECT_EQ(d.dialog.sampleRateBox()->currentText(), "44100");
}

} // namespace quelvar
