#include "standalone/panel/SimplePanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quelvar
{

namespace
{
constexpr int kSlots = 29;
constexpr int kSteps = 64;
const char* const kUnnamedSlots[] = {"sync type", "tempo", "step record"}; // slots 26-28
const char* const kSyncNames[] = {"host sync", "internal", "MIDI in"};
const char* const kDistortionNames[] = {"overdrive", "clipper", "valve", "cruncher"};

// Step note n sounds MIDI note n + 35.
QString noteName(int note)
{
    static const char* const names[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                        "F#", "G",  "G#", "A",  "A#", "B"};
    if (note <= 0)
        return QStringLiteral("rest");
    const int midi = note + 35;
    return QString::fromLatin1(names[midi % 12]) + QString::number(midi / 12 - 1);
}

QTableWidget* makeTable(int rows, const QStringList& headers, QWidget* parent)
{
    auto* table = new QTableWidget(rows, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(16);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    for (int r = 0; r < rows; ++r)
    {
        for (int c = 0; c < headers.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem);
    }
    return table;
}

void setCell(QTableWidget* table, int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = table->item(row, column); item && item->text() != text)
        item->setText(text);
}
} // namespace

SimplePanel::SimplePanel(PanelBackend& backend, QWidget* parent) : QWidget(parent), backend(backend)
{
    setObjectName(QStringLiteral("simplePanel"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(38, 38, 44));
    colours.setColor(QPalette::Base, QColor(26, 26, 30));
    colours.setColor(QPalette::AlternateBase, QColor(32, 32, 38));
    colours.setColor(QPalette::WindowText, QColor(220, 220, 220));
    colours.setColor(QPalette::Text, QColor(220, 220, 220));
    colours.setColor(QPalette::Button, QColor(60, 60, 68));
    colours.setColor(QPalette::ButtonText, QColor(255, 170, 0));
    setPalette(colours);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* title = new QLabel(QStringLiteral("QUELVAR"), this);
    title->setStyleSheet(QStringLiteral("color:rgb(255,170,0); font-weight:bold;"));
    transportLine = new QLabel(this);
    patternTitle = new QLabel(this);
    activityLine = new QLabel(this);

    parameters = makeTable(kSlots, {"#", "parameter", "value", "display"}, this);
    parameters->setColumnWidth(0, 24);
    parameters->setColumnWidth(1, 110);
    parameters->setColumnWidth(2, 56);
    for (int i = 0; i < kSlots; ++i)
    {
        QString name = backend.parameterName(i);
        if (i >= 26)
            name = QString::fromLatin1(kUnnamedSlots[i - 26]);
        setCell(parameters, i, 0, QString::number(i));
        setCell(parameters, i, 1, name);
    }
    steps = makeTable(kSteps, {"step", "note", "slide", "accent"}, this);
    steps->setColumnWidth(0, 36);
    steps->setColumnWidth(1, 48);
    steps->setColumnWidth(2, 40);
    for (int i = 0; i < kSteps; ++i)
        setCell(steps, i, 0, QString::number(i + 1));

    auto* play = new QPushButton(QStringLiteral("play"), this);
    auto* stop = new QPushButton(QStringLiteral("stop"), this);
    auto* random = new QPushButton(QStringLiteral("random"), this);
    connect(play, &QPushButton::clicked, this, [this] { this->backend.play(); });
    connect(stop, &QPushButton::clicked, this, [this] { this->backend.stop(); });
    connect(random, &QPushButton::clicked, this,
            [this] { this->backend.randomise(Randomise::pattern); });

    auto* top = new QHBoxLayout;
    top->addWidget(title);
    top->addStretch();
    top->addWidget(transportLine);
    auto* right = new QVBoxLayout;
    right->addWidget(patternTitle);
    right->addWidget(steps);
    auto* middle = new QHBoxLayout;
    middle->addWidget(parameters, 3);
    middle->addLayout(right, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(activityLine);
    bottom->addStretch();
    bottom->addWidget(play);
    bottom->addWidget(stop);
    bottom->addWidget(random);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(bottom);

    connect(&backend, &PanelBackend::refreshed, this, &SimplePanel::refresh);
    connect(&backend, &PanelBackend::parameterChanged, this, &SimplePanel::showParameter);
    connect(&backend, &PanelBackend::stepPlayed, this, &SimplePanel::showStep);
    connect(&backend, &PanelBackend::midiMessage, this, &SimplePanel::showMidi);
    connect(&backend, &PanelBackend::distortionTypeChanged, this, &SimplePanel::showDistortionType);
    refresh();
}

void SimplePanel::refresh()
{
    for (int i = 0; i < kSlots; ++i)
        showParameter(i, backend.parameterValue(i));

    const TransportView transport = backend.transport();
    const PatternView pattern = backend.pattern(transport.currentPattern);
    patternTitle->setText(QStringLiteral("pattern %1: %2 (%3 steps)")
                              .arg(transport.currentPattern + 1)
                              .arg(pattern.name)
                              .arg(pattern.stepCount));
    for (int i = 0; i < kSteps; ++i)
    {
        const StepView& s = pattern.steps[static_cast<std::size_t>(i)];
        setCell(steps, i, 1, noteName(s.note));
        setCell(steps, i, 2, s.slide ? QStringLiteral("slide") : QString());
        setCell(steps, i, 3, s.accent ? QStringLiteral("accent") : QString());
        steps->setRowHidden(i, i >= pattern.stepCount);
    }
    showTransport();
}

void SimplePanel::showParameter(int index, float value)
{
    if (index < 0 || index >= kSlots)
        return;
    setCell(parameters, index, 2, QString::number(static_cast<double>(value), 'f', 3));
    setCell(parameters, index, 3, backend.parameterText(index));
}

void SimplePanel::showStep(int step)
{
    const QColor lit(90, 60, 0);
    if (playingStep >= 0 && playingStep < kSteps)
        steps->item(playingStep, 0)->setBackground(QBrush());
    playingStep = step;
    if (step >= 0 && step < kSteps)
        steps->item(step, 0)->setBackground(lit);
}

void SimplePanel::showMidi(int status, int data1, int data2)
{
    if (status == 0xFA || status == 0xFC)
    {
        showTransport();
        return;
    }
    const bool on = status == 0x90 && data2 > 0;
    activityLine->setText(
        QStringLiteral("note %1 %2")
            .arg(noteName(data1 - 35), on ? QStringLiteral("on") : QStringLiteral("off")));
}

void SimplePanel::showDistortionType(int type)
{
    if (type >= 0 && type < 4)
        activityLine->setText(
            QStringLiteral("distortion: %1").arg(QString::fromLatin1(kDistortionNames[type])));
}

void SimplePanel::showTransport()
{
    const TransportView t = backend.transport();
    const int sync = t.syncType >= 0 && t.syncType < 3 ? t.syncType : 0;
    const bool running = sync == 0 ? t.hostPlaying : t.internalRunning;
    transportLine->setText(QStringLiteral("%1 · %2 · host %3 BPM")
                               .arg(QString::fromLatin1(kSyncNames[sync]),
                                    running ? QStringLiteral("playing") : QStringLiteral("stopped"))
                               .arg(t.hostTempoBpm));
}

} // namespace quelvar
