#include "standalone/AudioOutput.h"

#include "standalone/TransportRecord.h"

#include <QDebug>

#include <cmath>

namespace quelvar
{

AudioOutput::AudioOutput(EngineFeed& feed, std::unique_ptr<AudioBackend> backend)
    : feed(feed), backend(std::move(backend))
{
}

// Every reconfiguration passes through closed.
void AudioOutput::shutStream()
{
    if (running)
        stop();
    if (opened)
        close();
}

// Normally stopped, closed and terminated by Host already; this only makes sure that no
// callback outlives the object.
AudioOutput::~AudioOutput()
{
    shutStream();
    if (initialized)
        terminate();
}

void AudioOutput::configure(int sampleRateHz, int frames)
{
    sampleRate = sampleRateHz;
    bufferSize = frames;
}

const std::vector<int>& AudioOutput::sampleRates()
{
    static const std::vector<int> rates{32000, 44100, 48000, 96000};
    return rates;
}

const std::vector<int>& AudioOutput::bufferSizes()
{
    static const std::vector<int> sizes{32, 48, 64, 128, 256, 384, 512, 1024, 2048, 4096};
    return sizes;
}

std::string AudioOutput::hostApiName(int type)
{
    switch (type)
    {
    case 0:
        return "in dev";
    case 1:
        return "Directsound";
    case 2:
        return "MME";
    case 3:
        return "ASIO";
    case 4:
        return "SoundManager";
    case 5:
        return "CoreAudio";
    case 7:
        return "OSS";
    case 8:
        return "ALSA";
    case 9:
        return "AL";
    case 10:
        return "BeOS";
    case 11:
        return "WDMKS";
    case 12:
        return "Jack";
    case 13:
        return "Wasapi";
    case 14:
        return "AudioScienceAPI";
    default:
        return "";
    }
}

void AudioOutput::report(const char* what, int error)
{
    lastFailure = backend->errorText(error);
    qDebug("%s : %s", what, lastFailure.c_str());
}

bool AudioOutput::initialize()
{
    const int e = backend->initialize();
    if (e != 0)
    {
        report("Portaudio Initialize error", e);
        return false;
    }
    initialized = true;
    hostApiTypes = backend->hostApiTypes();
    const std::vector<AudioDeviceInfo> found = backend->devices();
    devices.clear();
    for (std::size_t i = 0; i < found.size(); ++i)
        devices.push_back({static_cast<int>(i), found[i].name, found[i].hostApiType,
                           found[i].defaultLowOutputLatency, found[i].defaultSampleRate,
                           found[i].maxOutputChannels});
    if (devices.empty())
        qDebug("no audio device found");
    return true;
}

const AudioDeviceEntry* AudioOutput::entry(int index) const
{
    if (index < 0 || index >= static_cast<int>(devices.size()))
        return nullptr;
    return &devices[static_cast<std::size_t>(index)];
}

int AudioOutput::openStreamOn(const AudioDeviceEntry* device)
{
    const auto attempt = [&](int rate)
    {
        const auto frames = static_cast<unsigned long>(bufferSize);
        return device
                   ? backend->openStream(device->index, rate, frames,
                                         device->defaultLowOutputLatency,
                                         &EngineFeed::renderCallback, &feed)
                   : backend->openDefaultStream(rate, frames, &EngineFeed::renderCallback, &feed);
    };
    int e = attempt(sampleRate);
    const AudioDeviceEntry* own = device ? device : entry(backend->defaultOutputDevice());
    const int ownRate = own ? static_cast<int>(std::lround(own->defaultSampleRate)) : 0;
    if (e != 0 && backend->refusesRate(e) && ownRate > 0 && ownRate != sampleRate)
    {
        e = attempt(ownRate);
        if (e == 0)
            sampleRate = ownRate;
    }
    return e;
}

bool AudioOutput::open(const std::string& name, int type, int channelChoice)
{
    if (name.empty())
        return openDefault();
    for (const AudioDeviceEntry& d : devices)
    {
        if (d.name != name || d.hostApiType != type)
            continue;
        deviceIndex = d.index;
        channel = channelChoice;
        const int e = openStreamOn(&d);
        if (e != 0)
        {
            report("Portaudio open default error", e);
            return false;
        }
        opened = true;
        onDefault = false;
        lastFailure.clear();
        return true;
    }
    return openDefault();
}

bool AudioOutput::openDefault()
{
    sampleRate = kDefaultSampleRate;
    bufferSize = kDefaultBufferSize;
    feed.dispatch(effMainsChanged, 0, 0);
    const int e = openStreamOn(nullptr);
    // The rate in force: 44100, or the default device's own.
    feed.dispatch(effSetBlockSize, 0, bufferSize);
    feed.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    transportRecord().setSampleRate(sampleRate);
    if (e != 0)
    {
        report("Portaudio open default error", e);
        return false;
    }
    opened = true;
    onDefault = true;
    lastFailure.clear();
    deviceIndex = backend->defaultOutputDevice();
    return true;
}

bool AudioOutput::start()
{
    if (!opened || running)
        return false;
    const int e = backend->startStream();
    if (e != 0)
    {
        report("Portaudio start stream error", e);
        return false;
    }
    running = true;
    lastFailure.clear();
    return true;
}

bool AudioOutput::streamLost()
{
    return opened && running && !backend->streamActive();
}

void AudioOutput::releaseLostStream()
{
    backend->abandonStream();
    running = false;
    opened = false;
}

bool AudioOutput::stop()
{
    if (!opened || !running)
        return false;
    if (backend->streamStopped())
        return false;
    const int e = backend->stopStream();
    if (e != 0)
    {
        report("Portaudio stop stream error", e);
        return false;
    }
    running = false;
    return true;
}

bool AudioOutput::close()
{
    if (!opened)
        return false;
    const int e = backend->closeStream();
    if (e != 0)
    {
        report("Portaudio Close stream error", e);
        return false;
    }
    opened = false;
    // A stream that stopped by itself is closed all the same.
    running = false;
    return true;
}

void AudioOutput::terminate()
{
    if (!initialized)
        return;
    const int e = backend->terminate();
    if (e != 0)
        report("Portaudio terminate error", e);
    initialized = false;
}

bool AudioOutput::reopen(const std::string& name, int type, int channelChoice)
{
    // The device opened again (a new rate or size, or back after a refused change) keeps
    // whatever its ports were connected to.
    if (opened)
        kept = {currentDeviceName(), currentHostApiType(), backend->connections()};
    shutStream();
    feed.dispatch(effMainsChanged, 0, 0);
    if (!open(name, type, channelChoice))
        return false;
    transportRecord().setSampleRate(sampleRate);
    feed.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    feed.dispatch(effSetBlockSize, 0, bufferSize);
    feed.dispatch(effMainsChanged, 0, 1);
    if (!start())
        return false;
    if (kept.peers && kept.name == name && kept.type == type)
        backend->reconnect(*kept.peers);
    return true;
}

void AudioOutput::restore(const std::string& name, int type, int channelChoice, int rate,
                          int frames)
{
    const std::string why = lastFailure;
    sampleRate = rate;
    bufferSize = frames;
    // A device that no longer opens leaves the default output as the last resort.
    if (!reopen(name, type, channelChoice))
        reopen(std::string(), 0, 0);
    lastFailure = why;
}

bool AudioOutput::selectDevice(const std::string& name, int type, int channelChoice)
{
    lastFailure.clear();
    if (name == currentDeviceName() && type == currentHostApiType())
        return false;
    const bool wasOpened = opened;
    const std::string previous = currentDeviceName();
    const int previousType = currentHostApiType();
    const int previousChannel = channel;
    const int previousRate = sampleRate;
    if (reopen(name, type, channelChoice))
        return true;
    if (wasOpened)
        restore(previous, previousType, previousChannel, previousRate, bufferSize);
    return false;
}

bool AudioOutput::setSampleRate(int rate)
{
    lastFailure.clear();
    if (rate == sampleRate)
        return false;
    const int previous = sampleRate;
    const bool wasRunning = running;
    sampleRate = rate;
    if (!reopen(currentDeviceName(), currentHostApiType(), channel))
    {
        restore(currentDeviceName(), currentHostApiType(), channel, previous, bufferSize);
        return false;
    }
    // A reopen that fell back to the default device runs at its rate, not the one asked for.
    if (sampleRate == rate || onDefault)
        return true;
    lastFailure = "the device plays at " + std::to_string(sampleRate) + " Hz only";
    return sampleRate != previous || !wasRunning;
}

bool AudioOutput::setBufferSize(int frames)
{
    lastFailure.clear();
    if (frames == bufferSize)
        return false;
    const int previous = bufferSize;
    bufferSize = frames;
    if (reopen(currentDeviceName(), currentHostApiType(), channel))
        return true;
    restore(currentDeviceName(), currentHostApiType(), channel, sampleRate, previous);
    return false;
}

bool AudioOutput::setChannel(int channelChoice)
{
    if (currentHostApiType() != kAsioHostApi || channelChoice == channel)
        return false;
    shutStream();
    return open(currentDeviceName(), kAsioHostApi, channelChoice);
}

std::string AudioOutput::currentDeviceName() const
{
    const AudioDeviceEntry* d = entry(deviceIndex);
    return d ? d->name : "No audio device";
}

int AudioOutput::currentHostApiType() const
{
    const AudioDeviceEntry* d = entry(deviceIndex);
    return d ? d->hostApiType : 0;
}

int AudioOutput::defaultHostApiType() const
{
    if (const AudioDeviceEntry* d = entry(backend->defaultOutputDevice()))
        return d->hostApiType;
    return hostApiTypes.empty() ? 0 : hostApiTypes.front();
}

std::vector<AudioDeviceEntry> AudioOutput::devicesOfType(int type) const
{
    const int wanted = type == -1 ? currentHostApiType() : type;
    std::vector<AudioDeviceEntry> list;
    for (const AudioDeviceEntry& d : devices)
        if (d.hostApiType == wanted)
            list.push_back(d);
    return list;
}

} // namespace quelvar
