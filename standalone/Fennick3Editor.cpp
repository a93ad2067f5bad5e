#include "standalone/Fennick3Editor.h"

#include "engine/Palladon.h"
#include "standalone/EngineBackend.h"
#include "standalone/panel/MainWidget.h"

#include <QTimer>
#include <QWidget>

namespace quelvar
{

Fennick3Editor::Fennick3Editor(Palladon& engine) : PalladonEditor(&engine), engine(engine)
{
    poll = new QTimer(this);
    poll->setInterval(kPollMs);
    connect(poll, &QTimer::timeout, this, &Fennick3Editor::deliver);
}

Fennick3Editor::~Fennick3Editor()
{
    delete panelWidget.data();
}

bool Fennick3Editor::getRect(ERect** r)
{
    *r = &rect;
    return true;
}

bool Fennick3Editor::open(void* window)
{
    auto* parent = static_cast<QWidget*>(window);
    if (!parent)
        return false;
    close();
    backend = new EngineBackend(engine, *this, this);
    connect(this, &Fennick3Editor::parameterChange, backend, &PanelBackend::parameterChanged);
    connect(this, &Fennick3Editor::displayUpdate, backend, &PanelBackend::refreshed);
    connect(this, &Fennick3Editor::stepChange, backend, &PanelBackend::stepPlayed);
    connect(this, &Fennick3Editor::midiMessage, backend, &PanelBackend::midiMessage);
    connect(this, &Fennick3Editor::distortionTypeChange, backend,
            &PanelBackend::distortionTypeChanged);
    connect(backend, &EngineBackend::fileExchanged, this, &Fennick3Editor::fileExchanged);
    auto* view = new MainWidget(*backend, parent);
    view->setGeometry(0, 0, kWidth, kHeight);
    view->show();
    panelWidget = view;
    // Notices from before the panel existed are in what it has just read.
    for (auto& d : parameterDirty)
        d.store(false, std::memory_order_relaxed);
    displayDirty.store(false, std::memory_order_relaxed);
    midiRead.store(midiWrite.load(std::memory_order_acquire), std::memory_order_release);
    poll->start();
    AEffEditor::open(window);
    return true;
}

void Fennick3Editor::close()
{
    poll->stop();
    delete panelWidget.data();
    delete backend;
    backend = nullptr;
    AEffEditor::close();
}

void Fennick3Editor::setParameter(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    const auto i = static_cast<std::size_t>(index);
    parameterValue[i].store(value, std::memory_order_relaxed);
    parameterDirty[i].store(true, std::memory_order_release);
}

void Fennick3Editor::updateDisplay()
{
    displayDirty.store(true, std::memory_order_release);
}

void Fennick3Editor::processStep(int step)
{
    playedStep.store(step, std::memory_order_relaxed);
}

// One producer: the engine sends MIDI notices only from its audio thread. A full ring drops.
void Fennick3Editor::sendMidiMessage(int status, int data1, int data2)
{
    const int w = midiWrite.load(std::memory_order_relaxed);
    const int next = (w + 1) % kMidiSlots;
    if (next == midiRead.load(std::memory_order_acquire))
        return;
    midi[static_cast<std::size_t>(w)] = static_cast<std::uint32_t>(status & 0xFF) |
                                        static_cast<std::uint32_t>(data1 & 0xFF) << 8 |
                                        static_cast<std::uint32_t>(data2 & 0xFF) << 16;
    midiWrite.store(next, std::memory_order_release);
}

void Fennick3Editor::setDistortionType(int type)
{
    distortionType.store(type, std::memory_order_release);
}

void Fennick3Editor::deliver()
{
    if (displayDirty.exchange(false, std::memory_order_acquire))
        emit displayUpdate();
    for (int i = 0; i < kNumParams; ++i)
    {
        const auto s = static_cast<std::size_t>(i);
        if (parameterDirty[s].exchange(false, std::memory_order_acquire))
            emit parameterChange(i, parameterValue[s].load(std::memory_order_relaxed));
    }
    const int type = distortionType.exchange(-1, std::memory_order_acquire);
    if (type >= 0)
        emit distortionTypeChange(type);
    const int step = playedStep.exchange(-1, std::memory_order_relaxed);
    if (step >= 0)
        emit stepChange(step);
    int r = midiRead.load(std::memory_order_relaxed);
    const int w = midiWrite.load(std::memory_order_acquire);
    for (; r != w; r = (r + 1) % kMidiSlots)
    {
        const std::uint32_t m = midi[static_cast<std::size_t>(r)];
        emit midiMessage(static_cast<int>(m & 0xFF), static_cast<int>((m >> 8) & 0xFF),
                         static_cast<int>((m >> 16) & 0xFF));
    }
    midiRead.store(w, std::memory_order_release);
}

} // namespace quelvar
