#include "standalone/panel/MainWidget.h"

#include "engine/parameterTable.h"
#include "sequencer/Pattern.h"
#include "standalone/panel/Button.h"
#include "standalone/panel/ButtonGroup.h"
#include "standalone/panel/Control.h"
#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/DropDown.h"
#include "standalone/panel/FileDialogs.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/Keyboard.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/LedChaser.h"
#include "standalone/panel/Notebox.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/Toggle.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <functional>

namespace quelvar
{

namespace
{
constexpr int kStepCountMin = 1;
constexpr int kTempoMin = 40;
constexpr int kTempoMax = 300;
constexpr int kNotesPerOctave = 12;
constexpr int kActivityTicks = 6;
constexpr int kBlinkTicks = 6;

// Step editor geometry: a label column, then 16 columns in groups of four.
constexpr int kColumnLeft = 58;
constexpr int kColumnPitch = 28;
constexpr int kGroupGap = 3;
constexpr int kColumnWidth = 24;

constexpr const char* kSyncTexts[3] = {" midi sync", " internal", " midi in"};
constexpr const char* kActiveCaption = "color:rgb(255,170,0);";
constexpr const char* kIdleCaption = "color:rgb(220,220,220);";
constexpr const char* kPatternSyncTexts[5] = {"Free", "1 step", "1 beat", "1 BAR", "AUTO"};
constexpr const char* kParam2Labels[4] = {"Dry/Wet", "SCREAM", "", "THRSLD"};
constexpr const char* kDistortionEntries[4] = {"overdrive", "clipper", "valve", "cruncher"};
constexpr const char* kPageTexts[4] = {"steps 1 - 16", "steps 17 - 32", "steps 33 - 48",
                                       "steps 49 - 64"};

const QString kImportFilter = QStringLiteral(
    "303 pattern (*.303 *.pat *.phptr);;Quelvar pattern (*.303);;ABL Pattern (*.pat);;"
    "Phoscyon Pattern (*.phptr)");
const QString kImportMenuFilter = QStringLiteral(
    "303 pattern (*.303 *.pat *.phptr);;Quelvar pattern (*.303);;ABL2 Pattern (*.pat);;"
    "Phoscyon Pattern (*.phptr)");
const QString kExportButtonFilter = QStringLiteral("Quelvar pattern (*.303);;ABL3 pattern(*.pat)");

int columnX(int column)
{
    return kColumnLeft + column * kColumnPitch + (column / 4) * kGroupGap;
}

int distortionTypeOf(float v)
{
    return std::clamp(static_cast<int>(v * 4.0f), 0, 3);
}

// "A1" for the first pattern of bank A; song patterns past the selector's 32 by number.
QString patternLabel(int index)
{
    if (index >= 0 && index < PatternSelector::kPatterns)
        return QStringLiteral("%1%2")
            .arg(QChar(u'A' + index / PatternSelector::kPerBank))
            .arg(index % PatternSelector::kPerBank + 1);
    return QStringLiteral("P%1").arg(index + 1);
}

// The first filter's suffix ("*.303" gives "303").
QString suffixOfFilter(const QString& filter)
{
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    if (star < 0)
        return {};
    qsizetype end = star + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return filter.mid(star + 2, end - star - 2);
}

// A transparent area that reports presses (the logo and the preset name).
class PressArea : public QWidget
{
public:
    using QWidget::QWidget;
    std::function<void(QPoint)> onPress;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (onPress)
            onPress(event->globalPosition().toPoint());
    }
};

// A caption that can be clicked (the sync mode texts choose their mode).
class CaptionLabel : public QLabel
{
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && onClick)
            onClick();
    }
};
} // namespace

MainWidget::MainWidget(PanelBackend& backend, QWidget* parent, QString presetFolder)
    : QWidget(parent), backend(backend), dialogs(std::make_unique<QtFileDialogs>()),
      presets(presetFolder.isEmpty() ? PresetLibrary::defaultFolder() : presetFolder)
{
    setObjectName(QStringLiteral("mainWidget"));
    setFixedSize(kWidth, kHeight);
    setFont(look::font(12));
    background = paintBackground();

    buildControls();
    buildStepEditor();
    buildBottomRow();

    connect(&backend, &PanelBackend::parameterChanged, this, &MainWidget::setParameter);
    connect(&backend, &PanelBackend::refreshed, this,
            qOverload<>(&MainWidget::updatePatternDisplay));
    connect(&backend, &PanelBackend::stepPlayed, this, &MainWidget::stepPlayed);
    connect(&backend, &PanelBackend::midiMessage, this, &MainWidget::midiMessage);
    connect(&backend, &PanelBackend::distortionTypeChanged, this,
            &MainWidget::setDistoParam2LabelText);
    connect(this, &MainWidget::updatePatternNameDisplay, nameField, &QLineEdit::setText);

    // As the editor opens: the engine's values, page 0, the distortion caption, the presets.
    updatePatternDisplay(true);
    showPage(0);
    setDistoParam2LabelText(distortionTypeOf(parameterValue(kDistSelect)));
    presets.installFactoryPatterns();
    presets.scan();
    processGui();
    connect(&gui, &QTimer::timeout, this, &MainWidget::processGui);
    gui.start(kGuiTickMs);
}

MainWidget::~MainWidget()
{
    gui.stop();
    std::lock_guard lock(controlsMutex);
    parameterControls.clear();
}

// ---------------------------------------------------------------------------------------------
// Building.

void MainWidget::registerControl(Control* c)
{
    allControls.push_back(c);
    {
        std::lock_guard lock(controlsMutex);
        parameterControls.push_back(c);
    }
    connect(c, &Control::valueChanged, this, &MainWidget::setParameterAutomated);
    connect(c, &Control::beginEdit, this, &MainWidget::plugBeginEdit);
    connect(c, &Control::endEdit, this, &MainWidget::plugEndEdit);
}

Knob* MainWidget::addKnob(const char* name, int index, QRect area, int initial, bool onDark)
{
    auto* k = new Knob(index, static_cast<float>(initial) / 100.0f, this);
    k->setObjectName(QString::fromLatin1(name));
    k->setGeometry(area);
    k->setOnDark(onDark);
    registerControl(k);
    return k;
}

Button* MainWidget::addButton(const char* name, int index, QRect area, int lookIndex)
{
    auto* b = new Button(index, static_cast<Button::Look>(lookIndex), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(area);
    registerControl(b);
    return b;
}

void MainWidget::buildControls()
{
    const auto rect = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
    const int led = static_cast<int>(Button::Look::led);

    addKnob("volume", kVolume, rect(16, 16, 66, 66), 100, true);
    addButton("waveform", kWaveform, rect(558, 180, 592, 214),
              static_cast<int>(Button::Look::waveform));
    addKnob("tune", kTuning, rect(9, 166, 72, 229), 50);
    addKnob("cut_off", kCutoff, rect(74, 166, 137, 229), 25);
    addKnob("res", kResonance, rect(138, 166, 201, 229), 100);
    addKnob("m_env", kEnvMod, rect(201, 166, 264, 229), 50);
    addKnob("decay", kDecay, rect(269, 166, 332, 229), 50);
    addKnob("accent", kAccent, rect(338, 166, 401, 229), 100);
    addKnob("gate", kGate, rect(405, 166, 468, 229), 50);
    addKnob("groove", kGroove, rect(467, 166, 530, 229), 0);
    addKnob("dist_drive", kDistParam1, rect(206, 93, 256, 143), 50);
    distParam2Knob = addKnob("dist_volume", kDistParam2, rect(274, 93, 324, 143), 50);
    Button* dist = addButton("dist_button", kDistOn, rect(222, 77, 237, 92), led);
    connect(dist, &Button::rightPressed, this, &MainWidget::showDistoSelector);
    dist->setToolTip(QStringLiteral("distortion on/off; right click: distortion type"));
    addButton("delay_on", kDelayOn, rect(344, 77, 359, 92), led);
    addButton("delay_ping", kDelayPing, rect(424, 77, 439, 92), led);
    addButton("delay_sync", kDelaySync, rect(537, 77, 552, 92), led);
    addKnob("delay_volume", kDelayVolume, rect(343, 93, 393, 143), 40);
    addKnob("delay_time", kDelayTime, rect(410, 93, 460, 143), 50);
    addKnob("delay_feedback", kDelayFeedback, rect(473, 93, 523, 143), 30);
    addKnob("delay_filter", kDelayFilter, rect(534, 93, 584, 143), 50);
    Button* record = addButton("pattern_midi", kStepRecord, rect(170, 119, 185, 134), led);
    record->setToolTip(QStringLiteral("step record"));

    stepCount = new SpinBox(kNbStep, kStepCountMin, kStepsPerPattern, 16, this);
    stepCount->setObjectName(QStringLiteral("steps"));
    stepCount->setGeometry(rect(120, 95, 170, 115));
    registerControl(stepCount);
    tempo = new SpinBox(kTempo, kTempoMin, kTempoMax, 120, this);
    tempo->setObjectName(QStringLiteral("tempo"));
    tempo->setGeometry(rect(548, 24, 607, 47));
    registerControl(tempo);

    patternSync = new DropDown(
        kPattSync,
        {QString::fromLatin1(kPatternSyncTexts[0]), QString::fromLatin1(kPatternSyncTexts[1]),
         QString::fromLatin1(kPatternSyncTexts[2]), QString::fromLatin1(kPatternSyncTexts[3]),
         QString::fromLatin1(kPatternSyncTexts[4])},
        this);
    patternSync->setObjectName(QStringLiteral("pattern_sync"));
    patternSync->setGeometry(118, 119, 48, 16);
    patternSync->setToolTip(QStringLiteral("pattern switch quantum"));
    // It carries parameter 11 for the notices; a chosen entry goes through setPatternsync.
    registerControl(patternSync);
    connect(patternSync, &DropDown::chosen, this, &MainWidget::setPatternsync);

    activity = new Lamp(look::kLedRed, this);
    activity->setObjectName(QStringLiteral("activity_lamp"));
    activity->setGeometry(188, 122, 9, 9);

    // The sync mode switch carries the sync type itself; its captions show the mode.
    syncSwitch = new Switch(kSyncType, {0.0f, 0.5f, 1.0f}, {0.33f, 0.66f}, this);
    syncSwitch->setObjectName(QStringLiteral("sync_mode"));
    syncSwitch->setGeometry(446, 12, 13, 52);
    registerControl(syncSwitch);
    connect(syncSwitch, &Control::valueChanged, this, &MainWidget::changeSyncMode);
    for (int k = 0; k < 3; ++k)
    {
        auto* label = new CaptionLabel(QString::fromLatin1(kSyncTexts[k]), this);
        label->setObjectName(QStringLiteral("sync_caption_%1").arg(k));
        label->setGeometry(461, 12 + 17 * k, 80, 17);
        label->setFont(look::font(13));
        label->setCursor(Qt::PointingHandCursor);
        label->onClick = [this, k] { syncSwitch->choose(k); };
        syncCaptions[static_cast<std::size_t>(k)] = label;
    }

    distParam2Caption = new QLabel(this);
    distParam2Caption->setObjectName(QStringLiteral("dist_param2_caption"));
    distParam2Caption->setGeometry(266, 143, 66, 11);
    distParam2Caption->setAlignment(Qt::AlignCenter);
    distParam2Caption->setFont(look::font(11));
    distParam2Caption->setStyleSheet(QStringLiteral("color:rgb(34,34,38);"));

    display = new DigitDisplay(this);
    display->setObjectName(QStringLiteral("readout"));
    display->setGeometry(236, 8, 202, 60);
    nameField = new QLineEdit(this);
    nameField->setObjectName(QStringLiteral("pattern_name"));
    nameField->setGeometry(241, 11, 192, DigitDisplay::kTitleHeight);
    // Characters, not bytes: the engine trims a longer UTF-8 name at a character boundary.
    nameField->setMaxLength(static_cast<int>(kMaxPatternNameBytes));
    nameField->setFrame(false);
    nameField->setFocusPolicy(Qt::ClickFocus);
    nameField->setFont(look::font(13));
    nameField->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; color: rgb(255,176,40); border: none;"
                       " selection-background-color: rgb(255,170,0); selection-color: black; }"));
    nameField->setToolTip(QStringLiteral("pattern name"));
    connect(nameField, &QLineEdit::editingFinished, this, &MainWidget::setPatternName);

    // The logo opens the preset menu on a right press; so does the preset name on any press.
    auto* logo = new PressArea(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setGeometry(76, 4, 154, 42);
    logo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(logo, &QWidget::customContextMenuRequested, this,
            [this, logo](QPoint at) { showMenuBrowsePreset(logo->mapToGlobal(at)); });
    auto* backward = new KickButton(QString(), this);
    backward->setObjectName(QStringLiteral("backward"));
    backward->setArrow(KickButton::Arrow::left);
    backward->setGeometry(78, 48, 24, 18);
    connect(backward, &KickButton::pressed, this, &MainWidget::previousPattern);
    auto* forward = new KickButton(QString(), this);
    forward->setObjectName(QStringLiteral("forward"));
    forward->setArrow(KickButton::Arrow::right);
    forward->setGeometry(104, 48, 24, 18);
    connect(forward, &KickButton::pressed, this, &MainWidget::nextPattern);
    presetName = new QLabel(QStringLiteral("presets"), this);
    presetName->setObjectName(QStringLiteral("preset_name"));
    presetName->setGeometry(132, 48, 98, 18);
    presetName->setFont(look::font(11, false));
    presetName->setStyleSheet(QStringLiteral("color:rgb(170,170,176);"));
    auto* presetArea = new PressArea(this);
    presetArea->setGeometry(presetName->geometry());
    presetArea->setCursor(Qt::PointingHandCursor);
    presetArea->onPress = [this](QPoint at) { showMenuBrowsePreset(at); };

    selector = new PatternSelector(this);
    selector->setObjectName(QStringLiteral("pattern_selector"));
    selector->setGeometry(10, 91, 106, 56);
    connect(selector, &PatternSelector::patternChosen, this,
            [this](int p)
            {
                selector->setSelected(p);
                setParameterAutomated(kTriggerPattern,
                                      static_cast<float>(p) / PatternSelector::kPatterns);
            });
    connect(selector, &PatternSelector::menuRequested, this, &MainWidget::showMenuPatternSelector);
}

std::array<Control*, 5> MainWidget::Column::controls() const
{
    return {on, note, octave, accent, slide};
}

void MainWidget::buildStepEditor()
{
    chaser = new LedChaser(kColumns, kColumnPitch, kGroupGap, this);
    chaser->setObjectName(QStringLiteral("step_lamps"));
    chaser->setGeometry(columnX(0), 240, columnX(kColumns - 1) + kColumnPitch - columnX(0), 13);

    for (int i = 0; i < kColumns; ++i)
    {
        Column& c = columns[static_cast<std::size_t>(i)];
        const int x = columnX(i);
        c.on = new Button(i, Button::Look::key, this);
        c.on->setObjectName(QStringLiteral("step_on_%1").arg(i));
        c.on->setGeometry(x, 256, kColumnWidth, 16);
        c.on->setLampColour(look::kLedRed);
        c.note = new Notebox(i, this);
        c.note->setObjectName(QStringLiteral("note_%1").arg(i));
        c.note->setGeometry(x, 275, kColumnWidth, 18);
        c.note->setNoteQuietly(kDefaultStepNote - 1);
        c.octave = new Octavebox(i, this);
        c.octave->setObjectName(QStringLiteral("octave_%1").arg(i));
        c.octave->setGeometry(x, 296, kColumnWidth, 16);
        c.octave->setOctaveQuietly((kDefaultStepNote - 1) / kNotesPerOctave);
        c.accent = new Button(i, Button::Look::key, this);
        c.accent->setObjectName(QStringLiteral("accent_%1").arg(i));
        c.accent->setGeometry(x, 315, kColumnWidth, 15);
        c.accent->setLampColour(look::kLedOrange);
        c.slide = new Button(i, Button::Look::key, this);
        c.slide->setObjectName(QStringLiteral("slide_%1").arg(i));
        c.slide->setGeometry(x, 333, kColumnWidth, 15);
        c.slide->setLampColour(look::kLedGreen);
        // Their indices are columns, not parameters: they stay out of the parameter list.
        for (Control* w : c.controls())
            allControls.push_back(w);
        connect(c.on, &Control::valueChanged, this, &MainWidget::setStep);
        connect(c.note, &Notebox::noteChanged, this, &MainWidget::setNote);
        connect(c.octave, &Octavebox::octaveRequested, this, &MainWidget::setOctave);
        connect(c.accent, &Control::valueChanged, this, &MainWidget::setAccent);
        connect(c.slide, &Control::valueChanged, this, &MainWidget::setSlide);
    }

    pages = new ButtonGroup(this);
    for (int p = 0; p < kPages; ++p)
    {
        auto* t = new Toggle(p, QString::fromLatin1(kPageTexts[p]), this);
        t->setObjectName(QStringLiteral("page_%1").arg(p));
        t->setGeometry(521, 240 + 19 * p, 92, 17);
        pages->add(t);
        allControls.push_back(t);
        connect(t, &Control::valueChanged, this, &MainWidget::switchBar);
    }
    editSwitch = new Toggle(0, QStringLiteral("edit steps"), this);
    editSwitch->setObjectName(QStringLiteral("edit_steps"));
    editSwitch->setGeometry(521, 320, 92, 17);
    editSwitch->setToolTip(QStringLiteral("edit any page while the sequencer plays"));
    allControls.push_back(editSwitch);
    connect(editSwitch, &Control::valueChanged, this, &MainWidget::setStepEditable);
}

void MainWidget::buildBottomRow()
{
    keyboard = new Keyboard(this);
    keyboard->setObjectName(QStringLiteral("keyboard"));
    keyboard->setGeometry(12, 358, 211, 70);
    connect(keyboard, &Keyboard::notePressed, this,
            [this](int note, int velocity) { backend.liveNote(true, note, velocity); });
    connect(keyboard, &Keyboard::noteReleased, this,
            [this](int note, int velocity) { backend.liveNote(false, note, velocity); });

    playButton = new KickButton(QStringLiteral("play"), this);
    playButton->setObjectName(QStringLiteral("play"));
    playButton->setGeometry(231, 358, 62, 32);
    playButton->setLamp(look::kLedGreen);
    connect(playButton, &KickButton::pressed, this, &MainWidget::internalPlay);
    stopButton = new KickButton(QStringLiteral("stop"), this);
    stopButton->setObjectName(QStringLiteral("stop"));
    stopButton->setGeometry(231, 396, 62, 32);
    connect(stopButton, &KickButton::pressed, this, &MainWidget::internalStop);

    struct Tool
    {
        const char* name;
        const char* caption;
        KickButton::Arrow arrow;
        int row;
        int column;
    };
    const Tool tools[] = {
        {"random", "random", KickButton::Arrow::none, 0, 0},
        {"clear", "clear", KickButton::Arrow::none, 0, 1},
        {"copy", "copy", KickButton::Arrow::none, 0, 2},
        {"paste", "paste", KickButton::Arrow::none, 0, 3},
        {"export", "export", KickButton::Arrow::none, 0, 4},
        {"transpose_up", "transp", KickButton::Arrow::up, 1, 0},
        {"transpose_down", "transp", KickButton::Arrow::down, 1, 1},
        {"shift_left", "shift", KickButton::Arrow::left, 1, 2},
        {"shift_right", "shift", KickButton::Arrow::right, 1, 3},
        {"import", "import", KickButton::Arrow::none, 1, 4},
    };
    for (const Tool& t : tools)
    {
        auto* b = new KickButton(QString::fromLatin1(t.caption), this);
        b->setObjectName(QString::fromLatin1(t.name));
        b->setArrow(t.arrow);
        b->setGeometry(301 + 63 * t.column, 358 + 38 * t.row, 59, 32);
        const QString name = b->objectName();
        if (name == QLatin1String("random"))
        {
            b->setHasMenu(true);
            connect(b, &KickButton::pressed, this, &MainWidget::patternRandom);
            connect(b, &KickButton::rightPressed, this, &MainWidget::showMenuRandom);
        }
        else if (name == QLatin1String("clear"))
            connect(b, &KickButton::pressed, this, &MainWidget::patternClear);
        else if (name == QLatin1String("copy"))
            connect(b, &KickButton::pressed, this, &MainWidget::patternCopy);
        else if (name == QLatin1String("paste"))
            connect(b, &KickButton::pressed, this, &MainWidget::patternPaste);
        else if (name == QLatin1String("export"))
        {
            b->setHasMenu(true);
            connect(b, &KickButton::released, this, qOverload<>(&MainWidget::exportPattern));
            connect(b, &KickButton::rightPressed, this, &MainWidget::showMenuExport);
        }
        else if (name == QLatin1String("import"))
        {
            b->setHasMenu(true);
            connect(b, &KickButton::released, this, qOverload<>(&MainWidget::importPattern));
            connect(b, &KickButton::rightPressed, this, &MainWidget::showMenuImport);
        }
        else if (name == QLatin1String("transpose_up"))
            connect(b, &KickButton::pressed, this, &MainWidget::transposeUp);
        else if (name == QLatin1String("transpose_down"))
            connect(b, &KickButton::pressed, this, &MainWidget::transposeDown);
        else if (name == QLatin1String("shift_left"))
            connect(b, &KickButton::pressed, this, &MainWidget::shiftStepLeft);
        else if (name == QLatin1String("shift_right"))
            connect(b, &KickButton::pressed, this, &MainWidget::shiftStepRight);
    }
}

// ---------------------------------------------------------------------------------------------
// The painted panel.

QPixmap MainWidget::paintBackground() const
{
    QPixmap pm(kWidth, kHeight);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // Brushed silver: a soft vertical gradient and fine horizontal grain.
    QLinearGradient silver(0, 0, 0, kHeight);
    silver.setColorAt(0.0, look::kSilverLight);
    silver.setColorAt(1.0, look::kSilverDark);
    p.fillRect(pm.rect(), silver);
    QRandomGenerator grain(303);
    for (int y = 0; y < kHeight; ++y)
    {
        const int shade = static_cast<int>(grain.bounded(22));
        p.setPen(QColor(shade < 11 ? 255 : 0, shade < 11 ? 255 : 0, shade < 11 ? 255 : 0,
                        4 + shade % 11));
        p.drawLine(0, y, kWidth, y);
    }

    // The dark strip at the top and the sequencer's insert at the bottom.
    const auto darkPanel = [&p](const QRectF& r, qreal radius)
    {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, look::kGraphiteLight);
        g.setColorAt(1.0, look::kGraphite);
        p.setPen(QPen(QColor(12, 12, 14), 1.0));
        p.setBrush(g);
        p.drawRoundedRect(r, radius, radius);
        p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
        p.drawLine(QPointF(r.left() + radius, r.bottom() + 1.0),
                   QPointF(r.right() - radius, r.bottom() + 1.0));
    };
    darkPanel(QRectF(-4.5, -4.5, kWidth + 9.0, 76.0), 4.0);
    darkPanel(QRectF(5.5, 234.5, kWidth - 11.0, 197.0), 6.0);

    // Section rules on the silver.
    p.setPen(QPen(QColor(60, 60, 66), 1.0));
    p.drawLine(QPointF(199.5, 78), QPointF(199.5, 151));
    p.drawLine(QPointF(334.5, 78), QPointF(334.5, 151));
    p.drawLine(QPointF(8, 155.5), QPointF(kWidth - 8, 155.5));
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
    p.drawLine(QPointF(200.5, 78), QPointF(200.5, 151));
    p.drawLine(QPointF(335.5, 78), QPointF(335.5, 151));
    p.drawLine(QPointF(8, 156.5), QPointF(kWidth - 8, 156.5));

    // Screws in the silver's corners.
    for (const QPointF c : {QPointF(6, 160), QPointF(kWidth - 6, 160)})
    {
        QRadialGradient g(c - QPointF(1, 1), 4);
        g.setColorAt(0.0, QColor(240, 240, 242));
        g.setColorAt(1.0, QColor(120, 120, 126));
        p.setPen(QPen(QColor(70, 70, 74), 0.8));
        p.setBrush(g);
        p.drawEllipse(c, 3.2, 3.2);
        p.setPen(QPen(QColor(60, 60, 64), 1.0));
        p.drawLine(c + QPointF(-2, 1), c + QPointF(2, -1));
    }

    // The logo.
    QFont logoFont = look::font(31);
    logoFont.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    p.setFont(logoFont);
    QLinearGradient chrome(0, 6, 0, 38);
    chrome.setColorAt(0.0, QColor(250, 250, 252));
    chrome.setColorAt(0.55, QColor(190, 192, 198));
    chrome.setColorAt(1.0, QColor(240, 240, 244));
    QPainterPath word;
    word.addText(QPointF(80, 36), logoFont, QStringLiteral("QUELVAR"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(word.translated(1.0, 1.5));
    p.setBrush(chrome);
    p.drawPath(word);
    p.setFont(look::font(9));
    p.setPen(look::kAmber);
    p.drawText(QRectF(82, 37, 150, 10), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ACID  BASS  SYNTHESIZER"));

    // Captions: light on the dark strips, ink on the silver.
    const auto caption = [&p](const QRectF& r, const QString& text, bool dark, int size = 12,
                              Qt::Alignment align = Qt::AlignCenter)
    {
        p.setFont(look::font(size));
        p.setPen(dark ? look::kPaper : look::kInk);
        p.drawText(r, align, text);
    };
    caption(QRectF(6, 2, 70, 13), QStringLiteral("VOLUME"), true, 11);
    caption(QRectF(544, 7, 67, 15), QStringLiteral("TEMPO"), true);
    caption(QRectF(10, 78, 100, 12), QStringLiteral("PATTERNS"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(118, 81, 54, 13), QStringLiteral("STEPS"), false);
    caption(QRectF(160, 136, 36, 11), QStringLiteral("REC"), false, 10);
    caption(QRectF(241, 78, 90, 14), QStringLiteral("DISTORTION"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(201, 143, 60, 11), QStringLiteral("DRIVE"), false, 11);
    caption(QRectF(362, 78, 50, 14), QStringLiteral("DELAY"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(442, 78, 80, 14), QStringLiteral("PING PONG"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(555, 78, 50, 14), QStringLiteral("SYNC"), false, 12,
            Qt::AlignLeft | Qt::AlignVCenter);
    caption(QRectF(343, 143, 50, 11), QStringLiteral("VOL"), false, 11);
    caption(QRectF(410, 143, 50, 11), QStringLiteral("TIME"), false, 11);
    caption(QRectF(463, 143, 70, 11), QStringLiteral("FEEDBACK"), false, 11);
    caption(QRectF(534, 143, 50, 11), QStringLiteral("FILTER"), false, 11);
    const struct
    {
        int left, right;
        const char* text;
    } knobs[] = {{9, 72, "TUNE"},     {74, 137, "CUT OFF"}, {138, 201, "RES"},
                 {201, 264, "M ENV"}, {269, 332, "DECAY"},  {338, 401, "ACCENT"},
                 {405, 468, "GATE"},  {467, 530, "GROOVE"}, {540, 610, "WAVEFORM"}};
    for (const auto& k : knobs)
        caption(QRectF(k.left, 158, k.right - k.left, 12), QString::fromLatin1(k.text), false);

    // Step editor labels and the beat groups' frames.
    const struct
    {
        int top, height;
        const char* text;
    } rows[] = {{256, 16, "on/off"},
                {275, 18, "Note"},
                {296, 16, "Octave"},
                {315, 15, "Accent"},
                {333, 15, "Slide"}};
    for (const auto& r : rows)
        caption(QRectF(12, r.top, 44, r.height), QString::fromLatin1(r.text), true, 12,
                Qt::AlignLeft | Qt::AlignVCenter);
    for (int g = 0; g < 4; ++g)
    {
        const double left = columnX(4 * g) - 2.5;
        const double right = columnX(4 * g + 3) + kColumnWidth + 2.5;
        p.setPen(QPen(QColor(255, 255, 255, 28), 1.0));
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(QRectF(left, 238.5, right - left, 113), 3, 3);
    }
    p.setPen(QPen(QColor(255, 255, 255, 30), 1.0));
    p.drawLine(QPointF(12, 353.5), QPointF(kWidth - 12, 353.5));
    return pm;
}

void MainWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, background);
}

// ---------------------------------------------------------------------------------------------
// Parameters.

Control* MainWidget::shownControl(int index) const
{
    for (Control* c : parameterControls)
    {
        if (c->index() == index && !c->isHidden())
            return c;
    }
    return nullptr;
}

Control* MainWidget::control(int index) const
{
    std::lock_guard lock(controlsMutex);
    return shownControl(index);
}

float MainWidget::parameterValue(int index) const
{
    if (index < 0 || index >= kNumParams)
        return 0.0f;
    return values[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

void MainWidget::setParameter(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    values[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
    if (index == kTriggerPattern)
    {
        // The engine ignores a trigger past its 32 patterns; so does the selector.
        const int p = static_cast<int>(value * PatternSelector::kPatterns);
        if (p >= 0 && p < PatternSelector::kPatterns)
            pendingSelection.store(p, std::memory_order_relaxed);
        return;
    }
    // The control in the user's hand keeps what the hand gives it: an echo of an earlier move
    // arriving late would make it jump back.
    if (index == handled.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(controlsMutex);
    if (Control* c = shownControl(index))
        c->setValueQuietly(value);
}

void MainWidget::setParameterAutomated(int index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    values[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
    lastTouched = index;
    backend.setParameter(index, value);
    if (index == kNbStep)
    {
        shown.stepCount = stepCount->number();
        refreshColumns();
    }
}

void MainWidget::plugBeginEdit(int index)
{
    if (index < 0 || index >= kNumParams)
        return;
    handled.store(index, std::memory_order_relaxed);
    backend.beginEdit(index);
}

void MainWidget::plugEndEdit(int index)
{
    if (index < 0 || index >= kNumParams)
        return;
    handled.store(-1, std::memory_order_relaxed);
    backend.endEdit(index);
}

bool MainWidget::sequencerPlaying() const
{
    const TransportView t = backend.transport();
    if (t.syncType == 1)
        return t.internalRunning;
    if (t.syncType == 0)
        return t.hostPlaying;
    return false;
}

bool MainWidget::stepLampsRunning() const
{
    return playButton->lampLit() && !stepsEditable();
}

void MainWidget::processGui()
{
    const TransportView t = backend.transport();
    const int mode = syncSwitch->position();

    // Parameter 14 moves the selector in MIDI-in sync always, otherwise only while stopped.
    const int pending = pendingSelection.load(std::memory_order_relaxed);
    if (pending >= 0 && (mode == 2 || !sequencerPlaying()))
    {
        pendingSelection.store(-1, std::memory_order_relaxed);
        selector->setSelected(pending);
    }
    // In host sync the tempo box shows the host's tempo.
    if (mode == 0 && t.hostTempoBpm > 0 && tempo->number() != t.hostTempoBpm)
        tempo->setNumberQuietly(t.hostTempoBpm);

    for (Control* c : allControls)
        c->repaintIfChanged();
    if (mode != shownSyncMode)
        changeSyncMode(kSyncType, syncSwitch->value());

    // The play lamp and the step lamps follow the transport.
    const bool playing = (mode == 1 && t.internalRunning) || (mode == 0 && t.hostPlaying);
    playButton->setLampLit(playing);
    if (!stepLampsRunning())
        chaser->setPosition(-1);

    // Activity lamp: blinks while the sequencer runs with step record on.
    if (playing && parameterValue(kStepRecord) >= 0.5f)
    {
        if (++activityTicks > kActivityTicks)
        {
            activityTicks = 0;
            activity->setLit(!activity->isLit());
        }
    }
    else
    {
        activityTicks = 0;
        activity->setLit(false);
    }

    if (++blinkTicks > kBlinkTicks)
        blinkTicks = 0;
    selector->setPlaying(t.currentPattern);
    selector->setBlink(blinkTicks < kBlinkTicks / 2);

    if (lastTouched >= 0)
        display->setReadout(captionOf(lastTouched), readoutText(lastTouched));
    else
        display->setReadout(QStringLiteral("PATTERN"), patternLabel(t.currentPattern));
    showStatus();
}

// ---------------------------------------------------------------------------------------------
// The readout.

QString MainWidget::captionOf(int index) const
{
    static const char* const captions[kNumParams] = {
        "VOLUME",     "WAVEFORM",  "TUNE",      "CUT OFF",      "RES",        "M ENV",
        "DECAY",      "ACCENT",    "GATE",      "GROOVE",       "STEPS",      "PATTERN SYNC",
        "SLIDE TIME", "ANTIALIAS", "PATTERN",   "DELAY",        "DELAY SYNC", "PING PONG",
        "DELAY TIME", "DELAY VOL", "FEEDBACK",  "DELAY FILTER", "DISTORTION", "DIST TYPE",
        "DRIVE",      "",          "SYNC MODE", "TEMPO",        "STEP RECORD"};
    if (index == kDistParam2)
    {
        const QString label = distParam2Caption->text();
        return label.isEmpty() ? QStringLiteral("DIST PARAM") : label.toUpper();
    }
    return index >= 0 && index < kNumParams ? QString::fromLatin1(captions[index]) : QString();
}

QString MainWidget::readoutText(int index) const
{
    switch (index)
    {
    case kNbStep:
        return QString::number(stepCount->number());
    case kTempo:
        return QStringLiteral("%1 BPM").arg(tempo->number());
    case kSyncType:
        return QString::fromLatin1(kSyncTexts[syncSwitch->position()]).trimmed();
    case kPattSync:
        return patternSync->text();
    case kStepRecord:
        return parameterValue(kStepRecord) >= 0.5f ? QStringLiteral("ON") : QStringLiteral("OFF");
    default:
        break;
    }
    QString text = backend.parameterText(index).trimmed();
    // Decimals to two places at most: the engine writes up to eight characters.
    bool number = false;
    const double v = text.toDouble(&number);
    if (number && text.contains(QLatin1Char('.')))
    {
        text = QString::number(v, 'f', 2);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (index >= 0 && index < 10)
    {
        const QString unit = QString::fromLatin1(kParamLabels[index]).trimmed();
        if (!unit.isEmpty())
            text += QLatin1Char(' ') + unit;
    }
    return text;
}

void MainWidget::showStatus()
{
    const TransportView t = backend.transport();
    QString text = QStringLiteral("%1 STEPS   PAGE %2   %3 BPM")
                       .arg(shown.stepCount)
                       .arg(currentPage + 1)
                       .arg(syncSwitch->position() == 0 && t.hostTempoBpm > 0 ? t.hostTempoBpm
                                                                              : tempo->number());
    if (stepsEditable())
        text += QStringLiteral("   EDIT");
    display->setStatus(text);
}

// ---------------------------------------------------------------------------------------------
// The step editor.

void MainWidget::updatePatternDisplay()
{
    updatePatternDisplay(true);
}

void MainWidget::updatePatternDisplay(bool everything)
{
    if (everything)
    {
        for (int i = 0; i < kNumParams; ++i)
            setParameter(i, backend.parameterValue(i));
    }
    const TransportView t = backend.transport();
    shown = backend.pattern(t.currentPattern);
    stepCount->setNumberQuietly(shown.stepCount);
    if (!nameField->hasFocus() && nameField->text() != shown.name)
        emit updatePatternNameDisplay(shown.name);
    refreshColumns();
    if (everything)
    {
        for (Control* c : allControls)
            c->repaintIfChanged();
    }
}

void MainWidget::refreshColumns()
{
    for (int i = 0; i < kColumns; ++i)
    {
        Column& c = columns[static_cast<std::size_t>(i)];
        const int step = stepOf(i);
        const StepView& s = shown.steps[static_cast<std::size_t>(step)];
        const bool playable = step < shown.stepCount;
        c.on->setValueQuietly(s.note != 0 ? 1.0f : 0.0f);
        // A rest keeps the note box's note, so switching the step on again brings it back.
        if (s.note != 0)
        {
            c.note->setNoteQuietly(s.note - 1);
            c.octave->setOctaveQuietly((s.note - 1) / kNotesPerOctave);
        }
        c.accent->setValueQuietly(s.accent ? 1.0f : 0.0f);
        c.slide->setValueQuietly(s.slide ? 1.0f : 0.0f);
        c.note->setDimmed(s.note == 0 || !playable);
        c.octave->setDimmed(s.note == 0 || !playable);
        for (Control* w : c.controls())
        {
            w->setEnabled(playable);
            w->repaintIfChanged();
        }
        c.on->setDimmed(!playable);
        c.accent->setDimmed(!playable);
        c.slide->setDimmed(!playable);
    }
    chaser->setFirstNumber(1 + kColumns * currentPage);
    showStatus();
}

void MainWidget::showPage(int p)
{
    currentPage = std::clamp(p, 0, kPages - 1);
    pages->setChecked(currentPage);
    refreshColumns();
}

void MainWidget::setStep(int column, float on)
{
    if (column < 0 || column >= kColumns)
        return;
    Column& c = columns[static_cast<std::size_t>(column)];
    const int step = stepOf(column);
    const int note = on != 0.0f ? c.note->note() + 1 : 0;
    shown.steps[static_cast<std::size_t>(step)].note = note;
    backend.editStep(StepField::note, step, note);
    c.note->setDimmed(note == 0);
    c.octave->setDimmed(note == 0);
}

void MainWidget::setNote(int column, int n)
{
    if (column < 0 || column >= kColumns)
        return;
    Column& c = columns[static_cast<std::size_t>(column)];
    n = std::clamp(n, 0, Notebox::kHighest);
    c.octave->setOctaveQuietly(n / kNotesPerOctave);
    c.octave->repaintIfChanged();
    const int step = stepOf(column);
    StepView& s = shown.steps[static_cast<std::size_t>(step)];
    if (s.note != 0)
    {
        s.note = n + 1;
        backend.editStep(StepField::note, step, n + 1);
    }
}

void MainWidget::setOctave(int column, int octave)
{
    if (column < 0 || column >= kColumns)
        return;
    Column& c = columns[static_cast<std::size_t>(column)];
    int n = c.note->note();
    const int current = n / kNotesPerOctave;
    // One octave toward the request, and only while the note stays within the range.
    if (octave > current && n + kNotesPerOctave <= Notebox::kHighest)
        n += kNotesPerOctave;
    else if (octave < current && n - kNotesPerOctave >= 0)
        n -= kNotesPerOctave;
    c.note->setNoteQuietly(n);
    c.octave->setOctaveQuietly(n / kNotesPerOctave);
    c.note->repaintIfChanged();
    c.octave->repaintIfChanged();
    const int step = stepOf(column);
    StepView& s = shown.steps[static_cast<std::size_t>(step)];
    if (s.note != 0 && s.note != n + 1)
    {
        s.note = n + 1;
        backend.editStep(StepField::note, step, n + 1);
    }
}

void MainWidget::setSlide(int column, float on)
{
    if (column < 0 || column >= kColumns)
        return;
    const int step = stepOf(column);
    shown.steps[static_cast<std::size_t>(step)].slide = on != 0.0f;
    backend.editStep(StepField::slide, step, on != 0.0f ? 1 : 0);
}

void MainWidget::setAccent(int column, float on)
{
    if (column < 0 || column >= kColumns)
        return;
    const int step = stepOf(column);
    shown.steps[static_cast<std::size_t>(step)].accent = on != 0.0f;
    backend.editStep(StepField::accent, step, on != 0.0f ? 1 : 0);
}

void MainWidget::switchBar(int page, float on)
{
    if (on == 0.0f || page < 0 || page >= kPages)
        return;
    if (syncSwitch->position() == 2 || !sequencerPlaying() || stepsEditable())
        showPage(page);
    else
        pages->setChecked(currentPage); // refused: the lit button stays where it was
}

bool MainWidget::stepsEditable() const
{
    return editSwitch->isOn();
}

void MainWidget::setStepEditable(int, float on)
{
    editSwitch->setOnQuietly(on != 0.0f);
    if (stepsEditable())
        chaser->setPosition(-1);
    showStatus();
}

void MainWidget::stepPlayed(int step)
{
    if (!stepLampsRunning() || step < 0 || step >= kColumns * kPages)
        return;
    // While the sequencer plays and steps are not editable, the page follows it.
    if (step / kColumns != currentPage)
        showPage(step / kColumns);
    chaser->setPosition(step % kColumns);
}

// ---------------------------------------------------------------------------------------------
// Sync mode and transport.

void MainWidget::changeSyncMode(int, float)
{
    const int mode = syncSwitch->position();
    shownSyncMode = mode;
    for (int k = 0; k < 3; ++k)
        syncCaptions[static_cast<std::size_t>(k)]->setStyleSheet(
            QString::fromLatin1(k == mode ? kActiveCaption : kIdleCaption));
    // Internal sync plays from the panel; the host (or MIDI clock) drives host sync; MIDI in
    // plays the voice from notes and the keyboard.
    playButton->setEnabled(mode == 1);
    stopButton->setEnabled(mode == 1);
    tempo->setReadOnly(mode == 0);
    if (mode != 2)
        keyboard->clearLit();
}

void MainWidget::setPatternsync(int choice)
{
    patternSync->setChoiceQuietly(choice);
    patternSync->repaintIfChanged();
    setParameterAutomated(kPattSync, patternSync->value());
}

void MainWidget::internalPlay()
{
    if (syncSwitch->position() != 1)
        return;
    backend.play();
    playButton->setLampLit(true);
}

void MainWidget::internalStop()
{
    if (syncSwitch->position() != 1)
        return;
    backend.stop();
    playButton->setLampLit(false);
    chaser->setPosition(-1);
}

void MainWidget::midiMessage(int status, int data1, int data2)
{
    const int mode = syncSwitch->position();
    if (mode == 2 && (status == 0x90 || status == 0x80))
        keyboard->setLit(data1, status == 0x90 && data2 > 0);
    else if (mode == 0 && status == 0xFA)
        playButton->setLampLit(true);
    else if (mode == 0 && status == 0xFC)
    {
        playButton->setLampLit(false);
        chaser->setPosition(-1);
    }
}

// ---------------------------------------------------------------------------------------------
// Pattern edits.

void MainWidget::patternRandom()
{
    backend.randomise(Randomise::pattern);
}

void MainWidget::patternClear()
{
    backend.editCurrentPattern(PatternEdit::clear);
    updatePatternDisplay(false);
}

void MainWidget::patternCopy()
{
    backend.editCurrentPattern(PatternEdit::copy);
}

void MainWidget::patternPaste()
{
    backend.editCurrentPattern(PatternEdit::paste);
    updatePatternDisplay(false);
}

void MainWidget::transposeUp()
{
    backend.editCurrentPattern(PatternEdit::transposeUp);
    updatePatternDisplay(false);
}

void MainWidget::transposeDown()
{
    backend.editCurrentPattern(PatternEdit::transposeDown);
    updatePatternDisplay(false);
}

void MainWidget::shiftStepLeft()
{
    backend.editCurrentPattern(PatternEdit::shiftLeft);
    updatePatternDisplay(false);
}

void MainWidget::shiftStepRight()
{
    backend.editCurrentPattern(PatternEdit::shiftRight);
    updatePatternDisplay(false);
}

void MainWidget::setPatternName()
{
    if (nameField->text() == shown.name)
        return;
    shown.name = nameField->text();
    backend.setPatternName(shown.name);
}

void MainWidget::setDistoParam2LabelText(int type)
{
    if (type < 0 || type > 3)
        return;
    distParam2Caption->setText(QString::fromLatin1(kParam2Labels[type]));
    // The valve has no second parameter.
    distParam2Knob->setEnabled(type != 2);
}

// ---------------------------------------------------------------------------------------------
// Menus.

void MainWidget::popUp(QMenu* menu, QPoint position)
{
    menu->exec(position);
    delete menu;
}

QMenu* MainWidget::buildPatternMenu(int pattern)
{
    auto* menu = new QMenu(this);
    menu->setStyleSheet(look::menuStyleSheet());
    const float trigger = static_cast<float>(pattern) / PatternSelector::kPatterns;
    connect(menu->addAction(QStringLiteral("pattern %1").arg(pattern + 1)), &QAction::triggered,
            this,
            [this, pattern, trigger]
            {
                selector->setSelected(pattern);
                setParameterAutomated(kTriggerPattern, trigger);
            });
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("clear")), &QAction::triggered, this,
            [this, pattern]
            {
                backend.editPattern(SlotEdit::clear, pattern);
                updatePatternDisplay(false);
            });
    connect(menu->addAction(QStringLiteral("copy")), &QAction::triggered, this,
            [this, pattern] { backend.editPattern(SlotEdit::copy, pattern); });
    connect(menu->addAction(QStringLiteral("paste")), &QAction::triggered, this,
            [this, pattern]
            {
                backend.editPattern(SlotEdit::paste, pattern);
                updatePatternDisplay(false);
            });
    connect(menu->addAction(QStringLiteral("random")), &QAction::triggered, this,
            [this, pattern] { backend.editPattern(SlotEdit::randomise, pattern); });
    connect(menu->addAction(QStringLiteral("import")), &QAction::triggered, this,
            [this, pattern] { importPattern(pattern); });
    return menu;
}

QMenu* MainWidget::buildDistortionMenu()
{
    auto* menu = new QMenu(this);
    menu->setStyleSheet(look::menuStyleSheet());
    const int checked = distortionTypeOf(parameterValue(kDistSelect));
    for (int k = 0; k < 4; ++k)
    {
        QAction* a = menu->addAction(QString::fromLatin1(kDistortionEntries[k]));
        a->setCheckable(true);
        a->setChecked(k == checked);
        connect(a, &QAction::triggered, this,
                [this, k]
                {
                    setParameterAutomated(kDistSelect, 0.25f * static_cast<float>(k));
                    setDistoParam2LabelText(k);
                });
    }
    return menu;
}

QMenu* MainWidget::buildImportMenu()
{
    auto* menu = new QMenu(this);
    menu->setStyleSheet(look::menuStyleSheet());
    const char* const entries[] = {"import pattern", "import pattern + params", "import bank"};
    for (int k = 0; k < 3; ++k)
        connect(menu->addAction(QString::fromLatin1(entries[k])), &QAction::triggered, this,
                [this, k] { importPattern2(k); });
    return menu;
}

QMenu* MainWidget::buildExportMenu()
{
    auto* menu = new QMenu(this);
    menu->setStyleSheet(look::menuStyleSheet());
    const char* const entries[] = {"export pattern",      "export ABL2 pattern",
                                   "export ABL3 pattern", "export Phoscyon pattern",
                                   "export Bank",         "export MIDI pattern"};
    const int count = backend.offersMidiExport() ? 6 : 5;
    for (int k = 0; k < count; ++k)
        connect(menu->addAction(QString::fromLatin1(entries[k])), &QAction::triggered, this,
                [this, k] { exportPattern2(k); });
    return menu;
}

QMenu* MainWidget::buildRandomMenu()
{
    auto* menu = new QMenu(this);
    menu->setStyleSheet(look::menuStyleSheet());
    const struct
    {
        const char* text;
        Randomise what;
    } entries[] = {{"random", Randomise::pattern},           {"random notes", Randomise::notes},
                   {"random slides", Randomise::slides},     {"random accents", Randomise::accents},
                   {"random params", Randomise::parameters}, {"random ALL", Randomise::all}};
    for (const auto& e : entries)
    {
        const Randomise what = e.what;
        connect(menu->addAction(QString::fromLatin1(e.text)), &QAction::triggered, this,
                [this, what] { backend.randomise(what); });
    }
    return menu;
}

QMenu* MainWidget::buildPresetMenu()
{
    auto* menu = new QMenu(this);
    menu->setStyleSheet(look::menuStyleSheet());
    presets.scan();
    // Subfolders become submenus, in the order of the scanned list.
    const QDir root(presets.folder());
    for (const QString& path : presets.presets())
    {
        const QStringList parts = root.relativeFilePath(path).split(QLatin1Char('/'));
        QMenu* at = menu;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
        {
            QMenu* sub = nullptr;
            for (QAction* a : at->actions())
            {
                if (a->menu() && a->text() == parts[i])
                    sub = a->menu();
            }
            if (!sub)
            {
                sub = at->addMenu(parts[i]);
                sub->setStyleSheet(look::menuStyleSheet());
            }
            at = sub;
        }
        connect(at->addAction(QFileInfo(path).completeBaseName()), &QAction::triggered, this,
                [this, path]
                {
                    presets.choose(path);
                    loadPreset(path);
                });
    }
    if (presets.presets().isEmpty())
        menu->addAction(QStringLiteral("no presets"))->setEnabled(false);
    return menu;
}

void MainWidget::showMenuPatternSelector(int pattern, QPoint position)
{
    if (pattern >= 0 && pattern < PatternSelector::kPatterns)
        popUp(buildPatternMenu(pattern), position);
}

void MainWidget::showDistoSelector(QPoint position)
{
    popUp(buildDistortionMenu(), position);
}

void MainWidget::showMenuExport(QPoint position)
{
    popUp(buildExportMenu(), position);
}

void MainWidget::showMenuImport(QPoint position)
{
    popUp(buildImportMenu(), position);
}

void MainWidget::showMenuRandom(QPoint position)
{
    popUp(buildRandomMenu(), position);
}

void MainWidget::showMenuBrowsePreset(QPoint position)
{
    popUp(buildPresetMenu(), position);
}

// ---------------------------------------------------------------------------------------------
// Files.

void MainWidget::setFileDialogs(std::unique_ptr<FileDialogs> d)
{
    if (d)
        dialogs = std::move(d);
}

QString MainWidget::chooseOpenFile(const QString& title, const QString& filter)
{
    const QString start = lastFileDirectory.isEmpty() ? presets.userFolder() : lastFileDirectory;
    QDir().mkpath(presets.userFolder());
    const QString file = dialogs->openFile(this, title, start, filter);
    if (!file.isEmpty())
        lastFileDirectory = file.left(file.lastIndexOf(QLatin1Char('/')));
    return file;
}

QString MainWidget::chooseSaveFile(const QString& title, const QString& filter,
                                   QString* chosenFilter)
{
    const QString start = lastFileDirectory.isEmpty() ? presets.userFolder() : lastFileDirectory;
    QDir().mkpath(presets.userFolder());
    QString chosen;
    QString file = dialogs->saveFile(this, title, start, filter, &chosen);
    if (file.isEmpty())
        return file;
    lastFileDirectory = file.left(file.lastIndexOf(QLatin1Char('/')));
    // A name typed without a suffix gets the chosen filter's, so the presets and the imports,
    // which go by suffix, find the file again.
    if (QFileInfo(file).suffix().isEmpty())
    {
        const QString suffix = suffixOfFilter(chosen.isEmpty() ? filter : chosen);
        if (!suffix.isEmpty())
            file += QLatin1Char('.') + suffix;
    }
    if (chosenFilter)
        *chosenFilter = chosen;
    return file;
}

void MainWidget::exportTo(ExportFormat format, const QString& title, const QString& filter)
{
    const QString file = chooseSaveFile(title, filter, nullptr);
    if (!file.isEmpty())
        backend.exportFile(format, file);
}

void MainWidget::exportPattern()
{
    QString chosen;
    const QString file = chooseSaveFile(QStringLiteral("Save File"), kExportButtonFilter, &chosen);
    if (file.isEmpty())
        return;
    // The ABL3 filter writes an ABL3 file: a native pattern under a .pat name would not load.
    const bool abl3 = chosen.startsWith(QLatin1String("ABL3"));
    backend.exportFile(abl3 ? ExportFormat::abl3 : ExportFormat::pattern, file);
}

void MainWidget::exportPattern2(int kind)
{
    switch (kind)
    {
    case 0:
        exportTo(ExportFormat::pattern, QStringLiteral("Save Pattern"),
                 QStringLiteral("Quelvar pattern (*.303)"));
        break;
    case 1:
        exportTo(ExportFormat::abl2, QStringLiteral("Save ABL2 Pattern"),
                 QStringLiteral("ABL2 pattern(*.pat)"));
        break;
    case 2:
        exportTo(ExportFormat::abl3, QStringLiteral("Save ABL3 Pattern"),
                 QStringLiteral("ABL3 pattern(*.pat)"));
        break;
    case 3:
        exportTo(ExportFormat::phoscyon, QStringLiteral("Save Phoscyon pattern"),
                 QStringLiteral("Phoscyon pattern(*.phptr)"));
        break;
    case 4:
        exportTo(ExportFormat::bank, QStringLiteral("Save Bank"),
                 QStringLiteral("Quelvar pattern bank(*.b303)"));
        break;
    case 5:
        if (backend.offersMidiExport())
            exportTo(ExportFormat::midi, QStringLiteral("Save MIDI pattern"),
                     QStringLiteral("MIDI file(*.mid)"));
        break;
    default:
        break;
    }
}

bool MainWidget::importBySuffix(const QString& path, int pattern, bool withParameters)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pat"))
        backend.importFile(withParameters ? ImportFormat::ablWithParameters : ImportFormat::abl,
                           pattern, path);
    else if (suffix == QLatin1String("303"))
        backend.importFile(withParameters ? ImportFormat::patternWithParameters
                                          : ImportFormat::pattern,
                           pattern, path);
    else if (suffix == QLatin1String("phptr"))
        backend.importFile(ImportFormat::phoscyon, pattern, path);
    else
        return false;
    updatePatternDisplay(true);
    return true;
}

void MainWidget::importPattern()
{
    const QString file = chooseOpenFile(QStringLiteral("Open 303 Patterns"), kImportFilter);
    if (!file.isEmpty())
        importBySuffix(file, -1, false);
}

void MainWidget::importPattern(int pattern)
{
    importPattern2(0, pattern);
}

void MainWidget::importPattern2(int kind)
{
    importPattern2(kind, -1);
}

void MainWidget::importPattern2(int kind, int pattern)
{
    if (kind == 2)
    {
        const QString file =
            chooseOpenFile(QStringLiteral("Open 303 bank"), QStringLiteral("303 bank (*.b303)"));
        if (!file.isEmpty())
        {
            backend.importFile(ImportFormat::bank, -1, file);
            updatePatternDisplay(true);
        }
        return;
    }
    const QString title = kind == 1 ? QStringLiteral("Open 303 patterns + params")
                                    : QStringLiteral("Open 303 patterns");
    const QString file = chooseOpenFile(title, kImportMenuFilter);
    if (!file.isEmpty())
        importBySuffix(file, pattern, kind == 1);
}

void MainWidget::loadPreset(const QString& path)
{
    if (!importBySuffix(path, -1, true))
        return;
    presetName->setText(QFileInfo(path).completeBaseName());
    presetName->setToolTip(path);
}

void MainWidget::previousPattern()
{
    presets.scan();
    const QString path = presets.previous();
    if (!path.isEmpty())
        loadPreset(path);
}

void MainWidget::nextPattern()
{
    presets.scan();
    const QString path = presets.next();
    if (!path.isEmpty())
        loadPreset(path);
}

} // namespace quelvar
