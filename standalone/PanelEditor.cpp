#include "standalone/PanelEditor.h"

#include "bridge/bridgeProtocol.h"
#include "engine/Palladon.h"
#include "standalone/EngineBackend.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/ScaledPanel.h"

#include <QTimer>
#include <QWidget>

namespace quelvar
{

PanelEditor::PanelEditor(Palladon& engine) : PalladonEditor(&engine), engine(engine)
{
    poll = new QTimer(this);
    poll->setInterval(kPollMs);
    connect(poll, &QTimer::timeout, this, &PanelEditor::deliver);
}

PanelEditor::~PanelEditor()
{
    delete panelWidget.data();
}

bool PanelEditor::getRect(ERect** r)
{
    const QSize size = ScaledPanel::sizeAt(percent);
    rect = {0, 0, static_cast<std::int16_t>(size.height()), static_cast<std::int16_t>(size.width())};
    *r = &rect;
    return true;
}

MainWidget* PanelEditor::panel() const
{
    return panelWidget ? panelWidget->panel() : nullptr;
}

void PanelEditor::setScale(int newPercent)
{
    if (!bridge::isEditorScale(newPercent) || newPercent == percent)
        return;
    percent = newPercent;
    if (panelWidget)
    {
        panelWidget->setScale(percent);
        emit resized();
    }
}

bool PanelEditor::open(void* window)
{
    auto* parent = static_cast<QWidget*>(window);
    if (!parent)
        return false;
    close();
    backend = new EngineBackend(engine, *this, this);
    connect(this, &PanelEditor::parameterChange, backend, &PanelBackend::parameterChanged);
    connect(this, &PanelEditor::displayUpdate, backend, &PanelBackend::refreshed);
    connect(this, &PanelEditor::stepChange, backend, &PanelBackend::stepPlayed);
    connect(this, &PanelEditor::midiMessage, backend, &PanelBackend::midiMessage);
    connect(this, &PanelEditor::distortionTypeChange, backend,
            &PanelBackend::distortionTypeChanged);
    connect(backend, &EngineBackend::fileExchanged, this, &PanelEditor::fileExchanged);
    auto* view = new ScaledPanel(new MainWidget(*backend), parent, percent);
    view->move(0, 0);
    view->show();
    panelWidget = view;
    // Notices from before the panel existed are in what it has just read.
    for (auto& d : parameterDirty)
        d.store(false, std::memory_order_relaxed);
    displayDirty.store(false, std::memory_order_relaxed);
    midi.clear();
    poll->start();
    AEffEditor::open(window);
    return true;
}

void PanelEditor::close()
{
    poll->stop();
    delete panelWidget.data();
    delete backend;
    backend = nullptr;
    AEffEditor::close();
}

void PanelEditor::setParameter(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    const auto i = static_cast<std::size_t>(index);
    parameterValue[i].store(value, std::memory_order_relaxed);
    parameterDirty[i].store(true, std::memory_order_release);
}

void PanelEditor::updateDisplay()
{
    displayDirty.store(true, std::memory_order_release);
}

void PanelEditor::processStep(int step)
{
    playedStep.store(step, std::memory_order_relaxed);
}

// One producer: the engine sends MIDI notices only from its audio thread. A full ring drops.
void PanelEditor::sendMidiMessage(int status, int data1, int data2)
{
    midi.push(static_cast<std::uint32_t>(status & 0xFF) |
              static_cast<std::uint32_t>(data1 & 0xFF) << 8 |
              static_cast<std::uint32_t>(data2 & 0xFF) << 16);
}

void PanelEditor::setDistortionType(int type)
{
    distortionType.store(type, std::memory_order_release);
}

void PanelEditor::deliver()
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
    std::uint32_t m = 0;
    while (midi.pop(m))
        emit midiMessage(static_cast<int>(m & 0xFF), static_cast<int>((m >> 8) & 0xFF),
                         static_cast<int>((m >> 16) & 0xFF));
}

} // namespace quelvar
