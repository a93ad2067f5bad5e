#include "ui/FifoBackend.h"

#include "bridge/bridgeProtocol.h"
#include "ui/SharedBlockView.h"
#include "ui/UICommunication.h"

#include <QFile>

#include <cstdio>

namespace quelvar
{

using namespace bridge;

FifoBackend::FifoBackend(const SharedBlockView& block, UICommunication& link, QObject* parent)
    : PanelBackend(parent), block(block), link(link)
{
    connect(&link, &UICommunication::parameterChanged, this, &PanelBackend::parameterChanged);
    connect(&link, &UICommunication::refreshRequested, this, &PanelBackend::refreshed);
    connect(&link, &UICommunication::stepChanged, this, &PanelBackend::stepPlayed);
    connect(&link, &UICommunication::midiMessage, this, &PanelBackend::midiMessage);
    connect(&link, &UICommunication::importFinished, this, &PanelBackend::imported);
    connect(&link, &UICommunication::distortionTypeChanged, this,
            &PanelBackend::distortionTypeChanged);
    connect(&link, &UICommunication::lineFileWritten, this, &PanelBackend::lineFileWritten);
}

float FifoBackend::parameterValue(int index) const
{
    return block.parameterValue(index);
}

QString FifoBackend::parameterText(int index) const
{
    return QString::fromStdString(block.parameterText(index));
}

PatternView FifoBackend::pattern(int index) const
{
    PatternView view;
    for (int i = 0; i < static_cast<int>(view.steps.size()); ++i)
    {
        view.steps[static_cast<std::size_t>(i)] = {
            block.stepNote(index, i), block.stepSlide(index, i), block.stepAccent(index, i)};
    }
    view.name = QString::fromStdString(block.patternName(index));
    view.stepCount = block.stepCount(index);
    return view;
}

int FifoBackend::controllerOf(int slot) const
{
    return block.controllerOf(slot);
}

int FifoBackend::learningSlot() const
{
    return block.learningSlot();
}

LineSettings FifoBackend::lineSettings() const
{
    return block.lineSettings();
}

TransportView FifoBackend::transport() const
{
    return {block.hostPlaying(), block.internalRunning(), block.currentPattern(), block.hostTempo(),
            block.syncType(),     block.chainEntry()};
}

ChainEntries FifoBackend::chain() const
{
    return block.chain();
}

void FifoBackend::setParameter(int index, float value)
{
    std::uint8_t m[9];
    link.sendCommand(m, encodeParameter(m, command::parameter, index, value));
}

// The plugin brackets the moves in between for hosts that take gestures (VST 3, CLAP).
void FifoBackend::beginEdit(int index)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::beginEdit, index));
}

void FifoBackend::endEdit(int index)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::endEdit, index));
}

void FifoBackend::editStep(StepField field, int step, int value)
{
    std::uint8_t m[7];
    link.sendCommand(m, encodeStepEdit(m, static_cast<int>(field), step, value));
}

void FifoBackend::editCurrentPattern(PatternEdit edit)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::pattern, static_cast<int>(edit)));
}

void FifoBackend::editPattern(SlotEdit edit, int patternIndex)
{
    std::uint8_t m[4];
    link.sendCommand(m, encodeThreeBytes(m, command::patternSlot, static_cast<int>(edit),
                                         patternOrCurrent(patternIndex), 0));
}

void FifoBackend::randomise(Randomise what)
{
    std::uint8_t m[4];
    link.sendCommand(m, encodeThreeBytes(m, command::randomise, static_cast<int>(what), 0, 0));
}

void FifoBackend::setPatternName(const QString& name)
{
    const QByteArray text = name.toUtf8();
    std::uint8_t m[2 + 255];
    const std::size_t length =
        encodePatternName(m, sizeof m, {text.constData(), static_cast<std::size_t>(text.size())});
    if (length == 0)
        std::printf("QuelvarUI > pattern name too long\n");
    link.sendCommand(m, length);
}

void FifoBackend::restorePattern(int patternIndex, const PatternView& view)
{
    const QByteArray name = view.name.toUtf8();
    const PatternContents contents = patternContents(patternOrCurrent(patternIndex), view, name);
    std::uint8_t m[kPatternContentsFixedBytes + kMaxPatternContentsName];
    const std::size_t length = encodePatternContents(m, sizeof m, contents);
    if (length == 0)
        std::printf("QuelvarUI > pattern name too long to restore\n");
    link.sendCommand(m, length);
}

void FifoBackend::setChain(const ChainEntries& chain)
{
    std::uint8_t m[kChainMessageBytes];
    link.sendCommand(m, encodeChain(m, chain));
}

void FifoBackend::selectPattern(int index)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::selectPattern, index));
}

void FifoBackend::learnController(int slot)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::learnController, slot < 0 ? 255 : slot));
}

void FifoBackend::forgetController(int slot)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::forgetController, slot));
}

void FifoBackend::play()
{
    const std::uint8_t m[1] = {command::play};
    link.sendCommand(m, sizeof m);
}

void FifoBackend::stop()
{
    const std::uint8_t m[1] = {command::stop};
    link.sendCommand(m, sizeof m);
}

void FifoBackend::liveNote(bool on, int note, int velocity)
{
    std::uint8_t m[4];
    link.sendCommand(m, encodeThreeBytes(m, command::note, on ? 0x90 : 0x80, note, velocity));
}

void FifoBackend::exportFile(ExportFormat format, const QString& path)
{
    const QByteArray text = path.toUtf8();
    std::uint8_t m[kAtomicWriteBytes];
    const std::size_t length =
        encodeExport(m, sizeof m, static_cast<int>(format),
                     {text.constData(), static_cast<std::size_t>(text.size())});
    if (length == 0)
        std::printf("QuelvarUI > path too long: %s\n", text.constData());
    link.sendCommand(m, length);
}

void FifoBackend::importFile(ImportFormat format, int patternIndex, const QString& path)
{
    const QByteArray text = path.toUtf8();
    std::uint8_t m[kAtomicWriteBytes];
    const std::size_t length =
        encodeImport(m, sizeof m, static_cast<int>(format), patternOrCurrent(patternIndex),
                     {text.constData(), static_cast<std::size_t>(text.size())});
    if (length == 0)
        std::printf("QuelvarUI > path too long: %s\n", text.constData());
    link.sendCommand(m, length);
}

void FifoBackend::setLineSettings(const LineSettings& settings)
{
    std::uint8_t m[7];
    link.sendCommand(m, encodeLineSettings(m, settings));
}

void FifoBackend::editLine(LineEdit edit)
{
    std::uint8_t m[2];
    link.sendCommand(m, encodeTwoBytes(m, command::lineEdit, static_cast<int>(edit)));
}

// The plugin writes the file: it holds the line exactly as it plays (the tempo in force, the
// steps' start times), which the shared block does not.
void FifoBackend::writeLineFile(const QString& folder)
{
    const QByteArray text = QFile::encodeName(folder);
    std::uint8_t m[kAtomicWriteBytes];
    const std::size_t length = encodeLineFileRequest(
        m, sizeof m, {text.constData(), static_cast<std::size_t>(text.size())});
    if (length == 0 || !link.sendCommand(m, length))
        emit lineFileWritten(QString());
}

int FifoBackend::patternOrCurrent(int patternIndex) const
{
    return patternIndex < 0 ? block.currentPattern() : patternIndex;
}

} // namespace quelvar
