// MainWidget: building the controls, the pattern selector and the bottom row, and wiring them.
#include "standalone/panel/MainWidget.h"

#include "sequencer/Pattern.h"
#include "standalone/panel/Button.h"
#include "standalone/panel/Control.h"
#include "standalone/panel/DigitDisplay.h"
#include "standalone/panel/DropDown.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/Keyboard.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/LedChaser.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/SpinBox.h"
#include "standalone/panel/Switch.h"
#include "standalone/panel/panelLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <functional>

namespace quelvar
{

using panelLayout::kSyncTexts;

namespace
{
constexpr int kStepCountMin = 1;
constexpr int kKeyHintTicks = 75; // 3 s of 40 ms GUI ticks
constexpr int kTempoMin = 40;
constexpr int kTempoMax = 300;
constexpr const char* kPatternSyncTexts[5] = {"Free", "1 step", "1 beat", "1 BAR", "AUTO"};

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
    c->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(c, &QWidget::customContextMenuRequested, this,
            [this, c](QPoint at) { popUp(buildControlMenu(c->index()), c->mapToGlobal(at)); });
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
    voiceKnobs = {addKnob("tune", kTuning, rect(9, 166, 72, 229), 50),
                  addKnob("cut_off", kCutoff, rect(74, 166, 137, 229), 25),
                  addKnob("res", kResonance, rect(138, 166, 201, 229), 100),
                  addKnob("m_env", kEnvMod, rect(201, 166, 264, 229), 50),
                  addKnob("decay", kDecay, rect(269, 166, 332, 229), 50),
                  addKnob("accent", kAccent, rect(338, 166, 401, 229), 100),
                  addKnob("gate", kGate, rect(405, 166, 468, 229), 50),
                  addKnob("groove", kGroove, rect(467, 166, 530, 229), 0)};
    addKnob("dist_drive", kDistParam1, rect(206, 93, 256, 143), 50);
    distParam2Knob = addKnob("dist_volume", kDistParam2, rect(274, 93, 324, 143), 50);
    Button* dist = addButton("dist_button", kDistOn, rect(222, 77, 237, 92), led);
    // Its right press opens the distortion menu, which carries its MIDI controller entries.
    dist->setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(dist, &Button::rightPressed, this, &MainWidget::showDistoSelector);
    addButton("delay_on", kDelayOn, rect(344, 77, 359, 92), led);
    addButton("delay_ping", kDelayPing, rect(424, 77, 439, 92), led);
    addButton("delay_sync", kDelaySync, rect(537, 77, 552, 92), led);
    addKnob("delay_volume", kDelayVolume, rect(343, 93, 393, 143), 40);
    addKnob("delay_time", kDelayTime, rect(410, 93, 460, 143), 50);
    addKnob("delay_feedback", kDelayFeedback, rect(473, 93, 523, 143), 30);
    addKnob("delay_filter", kDelayFilter, rect(534, 93, 584, 143), 50);
    addButton("pattern_midi", kStepRecord, rect(170, 119, 185, 134), led);

    stepCount = new SpinBox(kNbStep, kStepCountMin, kStepsPerPattern, 16, this);
    stepCount->setObjectName(QStringLiteral("steps"));
    stepCount->setGeometry(rect(120, 95, 170, 115));
    registerControl(stepCount);
    tempo = new SpinBox(kTempo, kTempoMin, kTempoMax, 120, this);
    tempo->setObjectName(QStringLiteral("tempo"));
    tempo->setGeometry(rect(548, 24, 607, 47));
    registerControl(tempo);
    tapButton = new KickButton(QStringLiteral("tap"), this);
    tapButton->setObjectName(QStringLiteral("tap"));
    tapButton->setGeometry(rect(548, 50, 607, 66));
    tapButton->setToolTip(QStringLiteral("TAP (Ctrl+T)\nTap the beat: the tempo follows your "
                                         "last taps, in internal sync"));
    connect(tapButton, &KickButton::pressed, this, &MainWidget::tapTempo);

    patternSync = new DropDown(
        kPattSync,
        {QString::fromLatin1(kPatternSyncTexts[0]), QString::fromLatin1(kPatternSyncTexts[1]),
         QString::fromLatin1(kPatternSyncTexts[2]), QString::fromLatin1(kPatternSyncTexts[3]),
         QString::fromLatin1(kPatternSyncTexts[4])},
        this);
    patternSync->setObjectName(QStringLiteral("pattern_sync"));
    patternSync->setGeometry(118, 119, 48, 16);
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
        label->setToolTip(QStringLiteral("Click to choose %1 sync")
                              .arg(QString::fromLatin1(kSyncTexts[k]).trimmed()));
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
    // The title row's right end holds the drag handle (MainWidgetLines.cpp).
    nameField->setGeometry(241, 11, 154, DigitDisplay::kTitleHeight);
    // Characters, not bytes: the engine trims a longer UTF-8 name at a character boundary.
    nameField->setMaxLength(static_cast<int>(kMaxPatternNameBytes));
    nameField->setFrame(false);
    nameField->setFocusPolicy(Qt::ClickFocus);
    nameField->setFont(look::font(13));
    // While it has the keys it says so: lit up and framed, not only a thin text cursor.
    nameField->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; color: rgb(255,176,40);"
                       " border: 1px solid transparent; border-radius: 2px;"
                       " selection-background-color: rgb(255,170,0); selection-color: black; }"
                       "QLineEdit:focus { background: rgba(255,170,0,48);"
                       " border: 1px solid rgb(255,170,0); }"));
    nameField->setToolTip(QStringLiteral("PATTERN NAME\nClick to type a name: Enter keeps it, "
                                         "Escape leaves it as it was"));
    connect(nameField, &QLineEdit::editingFinished, this, &MainWidget::setPatternName);
    // Enter ends the typing (Escape too, see eventFilter; a click elsewhere on the panel takes
    // the focus): the keys belong to the panel and the captured keyboard again.
    connect(nameField, &QLineEdit::returnPressed, nameField, &QWidget::clearFocus);

    // The logo opens the preset menu on a right press; so does the preset name on any press.
    auto* logo = new PressArea(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setGeometry(76, 4, 154, 42);
    logo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(logo, &QWidget::customContextMenuRequested, this,
            [this, logo](QPoint at) { showMenuBrowsePreset(logo->mapToGlobal(at)); });
    logo->setToolTip(QStringLiteral("Right click: the presets in your preset folder"));
    auto* backward = new KickButton(QString(), this);
    backward->setObjectName(QStringLiteral("backward"));
    backward->setArrow(KickButton::Arrow::left);
    backward->setGeometry(78, 48, 24, 18);
    connect(backward, &KickButton::pressed, this, &MainWidget::previousPattern);
    backward->setToolTip(QStringLiteral("PREVIOUS PRESET\nLoads the preset before this one"));
    auto* forward = new KickButton(QString(), this);
    forward->setObjectName(QStringLiteral("forward"));
    forward->setArrow(KickButton::Arrow::right);
    forward->setGeometry(104, 48, 24, 18);
    connect(forward, &KickButton::pressed, this, &MainWidget::nextPattern);
    forward->setToolTip(QStringLiteral("NEXT PRESET\nLoads the preset after this one"));
    presetName = new QLabel(QStringLiteral("presets"), this);
    presetName->setObjectName(QStringLiteral("preset_name"));
    presetName->setGeometry(132, 48, 98, 18);
    presetName->setFont(look::font(11, false));
    presetName->setStyleSheet(QStringLiteral("color:rgb(170,170,176);"));
    auto* area = new PressArea(this);
    area->setObjectName(QStringLiteral("preset_area"));
    area->setGeometry(presetName->geometry());
    area->setCursor(Qt::PointingHandCursor);
    area->onPress = [this](QPoint at) { showMenuBrowsePreset(at); };
    area->setToolTip(QStringLiteral("PRESETS\nClick: the pattern files in your preset folder"));
    presetArea = area;

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

void MainWidget::buildBottomRow()
{
    keyboard = new Keyboard(this);
    keyboard->setObjectName(QStringLiteral("keyboard"));
    keyboard->setGeometry(12, 358, 211, 70);
    connect(keyboard, &Keyboard::notePressed, this,
            [this](int note, int velocity)
            {
                backend.liveNote(true, note, velocity);
                // Only MIDI-in sync sounds them: say so where the user looks.
                if (syncSwitch->position() != 2)
                    keyHintTicks = kKeyHintTicks;
            });
    connect(keyboard, &Keyboard::noteReleased, this,
            [this](int note, int velocity) { backend.liveNote(false, note, velocity); });

    playButton = new KickButton(QStringLiteral("play"), this);
    playButton->setObjectName(QStringLiteral("play"));
    playButton->setGeometry(231, 358, 62, 32);
    playButton->setLamp(look::kLedGreen);
    connect(playButton, &KickButton::pressed, this, &MainWidget::internalPlay);
    playButton->setToolTip(QStringLiteral("PLAY (Space)\nPlays the pattern, in internal sync"));
    stopButton = new KickButton(QStringLiteral("stop"), this);
    stopButton->setObjectName(QStringLiteral("stop"));
    stopButton->setGeometry(231, 396, 62, 32);
    connect(stopButton, &KickButton::pressed, this, &MainWidget::internalStop);
    stopButton->setToolTip(QStringLiteral("STOP (Space)\nStops it, in internal sync"));

    struct Tool
    {
        const char* name;
        const char* caption;
        KickButton::Arrow arrow;
        int row;
        int column;
        const char* tip;
    };
    const Tool tools[] = {
        {"random", "random", KickButton::Arrow::none, 0, 0,
         "RANDOM\nNew notes, slides and accents for the pattern; right click for more"},
        {"clear", "clear", KickButton::Arrow::none, 0, 1,
         "CLEAR\nThe steps to C with no slide or accent"},
        {"copy", "copy", KickButton::Arrow::none, 0, 2,
         "COPY\nThe pattern, to paste into another"},
        {"paste", "paste", KickButton::Arrow::none, 0, 3,
         "PASTE\nThe pattern copied last, over this one"},
        {"export", "export", KickButton::Arrow::none, 0, 4,
         "EXPORT\nSaves the pattern in a file; right click for the other formats"},
        {"transpose_up", "transp", KickButton::Arrow::up, 1, 0,
         "TRANSPOSE UP\nThe whole pattern a semitone up"},
        {"transpose_down", "transp", KickButton::Arrow::down, 1, 1,
         "TRANSPOSE DOWN\nThe whole pattern a semitone down"},
        {"shift_left", "shift", KickButton::Arrow::left, 1, 2,
         "SHIFT LEFT\nThe steps one place to the left, the first to the end"},
        {"shift_right", "shift", KickButton::Arrow::right, 1, 3,
         "SHIFT RIGHT\nThe steps one place to the right, the last to the start"},
        {"import", "import", KickButton::Arrow::none, 1, 4,
         "IMPORT\nReads a pattern file into the pattern; right click for a bank or the "
         "parameters too"},
    };
    for (const Tool& t : tools)
    {
        auto* b = new KickButton(QString::fromLatin1(t.caption), this);
        b->setObjectName(QString::fromLatin1(t.name));
        b->setArrow(t.arrow);
        b->setToolTip(QString::fromLatin1(t.tip));
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

} // namespace quelvar
