#include "Fakes.h"

#include <chrono>
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quelvar::test
{

bool FakeAudio::pull(std::array<std::vector<float>, 2>& out, unsigned long frames)
{
    if (!streamRunning || !render)
        return false;
    out[0].assign(frames, 9.0f);
    out[1].assign(frames, 9.0f);
    float* const buffers[2] = {out[0].data(), out[1].data()};
    render(buffers, frames, user);
    return true;
}

int FakeAudioBackend::openStream(int device, double rate, unsigned long frames, double,
                                 AudioRender render, void* user)
{
    if (s->failNamedOpen || s->refusedDevices.count(device) != 0)
        return -9996;
    if (s->refusedRates.count(rate) != 0)
        return -9997;
    s->opens.push_back({device, rate, frames});
    s->render = render;
    s->user = user;
    return 0;
}

int FakeAudioBackend::openDefaultStream(double rate, unsigned long frames, AudioRender render,
                                        void* user)
{
    if (s->failDefaultOpen)
        return -9996;
    if (s->refusedRates.count(rate) != 0)
        return -9997;
    s->opens.push_back({-1, rate, frames});
    s->render = render;
    s->user = user;
    return 0;
}

int FakeAudioBackend::startStream()
{
    s->streamRunning = true;
    return 0;
}

int FakeAudioBackend::stopStream()
{
    s->streamRunning = false;
    return 0;
}

int FakeAudioBackend::closeStream()
{
    ++s->closes;
    s->streamRunning = false;
    s->render = nullptr;
    return 0;
}

namespace
{
class Input : public MidiInputPort
{
public:
    Input(FakeMidi& m, std::shared_ptr<FakeMidi::Client> c) : m(m), c(std::move(c)) {}
    unsigned portCount() override { return static_cast<unsigned>(m.inputs.size()); }
    std::string portName(unsigned i) override { return m.inputs.at(i); }
    bool open(unsigned i, const std::string&, MidiInputCallback cb, void* user) override
    {
        c->openedPort = static_cast<int>(i);
        c->openedName = m.inputs.at(i);
        c->callback = cb;
        c->user = user;
        return true;
    }
    void close() override
    {
        c->callback = nullptr;
        c->closed = true;
    }

private:
    FakeMidi& m;
    std::shared_ptr<FakeMidi::Client> c;
};

class Output : public MidiOutputPort
{
public:
    Output(FakeMidi& m, std::shared_ptr<FakeMidi::Client> c) : m(m), c(std::move(c)) {}
    unsigned portCount() override { return static_cast<unsigned>(m.outputs.size()); }
    std::string portName(unsigned i) override { return m.outputs.at(i); }
    bool open(unsigned i, const std::string&) override
    {
        c->openedPort = static_cast<int>(i);
        c->openedName = m.outputs.at(i);
        return true;
    }
    bool openVirtual(const std::string& name) override
    {
        c->virtualPort = name;
        const std::string listed = c->name + ":" + name;
        m.inputs.insert(m.virtualListedFirst ? m.inputs.begin() : m.inputs.end(), listed);
        return true;
    }
    void close() override { c->closed = true; }
    void send(const std::uint8_t* bytes, std::size_t size) override
    {
        if (size != 3)
            return;
        c->sent.push_back({bytes[0], bytes[1], bytes[2]});
        c->sentAtNs.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count());
        c->sentFromThread.push_back(std::this_thread::get_id());
    }

private:
    FakeMidi& m;
    std::shared_ptr<FakeMidi::Client> c;
};
} // namespace

FakeMidi::Client* FakeMidi::inputOn(const std::string& port)
{
    for (auto& c : clients)
        if (c->openedName == port && c->callback && !c->closed)
            return c.get();
    return nullptr;
}

FakeMidi::Client* FakeMidi::outputOn(const std::string& port)
{
    for (auto& c : clients)
        if (c->openedName == port && !c->callback && !c->closed &&
            c->name == "RtMidi Output Client")
            return c.get();
    return nullptr;
}

void FakeMidi::plug(std::vector<std::string>& list, const std::string& port)
{
    list.push_back(port);
    if (portsChanged)
        portsChanged();
}

FakeMidi::Client* FakeMidi::virtualOutput()
{
    for (auto& c : clients)
        if (!c->virtualPort.empty())
            return c.get();
    return nullptr;
}

std::unique_ptr<MidiInputPort> FakeMidiSystem::makeInput(const std::string& clientName)
{
    if (s->broken)
        return nullptr;
    s->clients.push_back(std::make_shared<FakeMidi::Client>());
    s->clients.back()->name = clientName;
    return std::make_unique<Input>(*s, s->clients.back());
}

std::unique_ptr<MidiOutputPort> FakeMidiSystem::makeOutput(const std::string& clientName)
{
    if (s->broken)
        return nullptr;
    s->clients.push_back(std::make_shared<FakeMidi::Client>());
    s->clients.back()->name = clientName;
    return std::make_unique<Output>(*s, s->clients.back());
}

namespace
{
class Watch : public MidiPortWatch
{
public:
    explicit Watch(FakeMidi& m) : m(m) {}
    ~Watch() override { m.portsChanged = nullptr; }

private:
    FakeMidi& m;
};
} // namespace

std::unique_ptr<MidiPortWatch> FakeMidiSystem::watchPorts(std::function<void()> changed)
{
    if (s->broken)
        return nullptr;
    s->portsChanged = std::move(changed);
    return std::make_unique<Watch>(*s);
}

std::vector<std::array<int, 3>> midiBytesOf(const VstEvents* list)
{
    std::vector<std::array<int, 3>> out;
    for (int i = 0; list && i < list->numEvents; ++i)
    {
        const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
        out.push_back({static_cast<unsigned char>(e->midiData[0]),
                       static_cast<unsigned char>(e->midiData[1]),
                       static_cast<unsigned char>(e->midiData[2])});
    }
    return out;
}

namespace
{
// One QApplication for the whole test program, made before the first test.
class QtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "standalone_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The panel fills an empty preset folder under the documents folder: a home of our own.
        home = new QTemporaryDir;
        qputenv("HOME", home->path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        app = new QApplication(argc, argv);
        QCoreApplication::setOrganizationName(QStringLiteral("Brontavell"));
        QCoreApplication::setApplicationName(QStringLiteral("Quelvar"));
        QStandardPaths::setTestModeEnabled(true);
    }
    void TearDown() override
    {
        delete app;
        app = nullptr;
        delete home;
        home = nullptr;
    }

private:
    QApplication* app = nullptr;
    QTemporaryDir* home = nullptr;
};

[[maybe_unused]] auto* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace

QtTestPaths::QtTestPaths()
{
    QTemporaryDir dir;
    dir.setAutoRemove(false);
    root = dir.path();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + "/config");
    QSettings().clear();
}

QtTestPaths::~QtTestPaths()
{
    QDir(root).removeRecursively();
}

QString QtTestPaths::statePath() const
{
    return root + "/data/state.b303";
}

} // namespace quelvar::test
