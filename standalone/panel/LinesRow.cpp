#include "standalone/panel/LinesRow.h"

#include "sequencer/noteNames.h"
#include "standalone/panel/DropDown.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/PanelLook.h"

#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quelvar
{

namespace
{
constexpr int kKnobSize = 50;
constexpr int kKnobTop = 17;
constexpr int kRestsLeft = 176;
constexpr int kKnobPitch = 56;
constexpr int kShareLeft = 430;
constexpr int kRuleLeft = 170;
constexpr int kRuleRight = 423;

// A share knob: 0–1 over lowest–100 %.
float knobOf(int percent, int lowest)
{
    return static_cast<float>(percent - lowest) / static_cast<float>(100 - lowest);
}

std::uint8_t percentOf(const Knob* k, int lowest)
{
    return static_cast<std::uint8_t>(lowest +
                                     std::lround(static_cast<double>(k->value()) * (100 - lowest)));
}

QString percentText(int percent)
{
    return QStringLiteral("%1 %").arg(percent);
}
} // namespace

LinesRow::LinesRow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("lines_row"));
    resize(kWidth, kHeight);
    const LineSettings defaults;

    QStringList keys;
    for (const char* name : kNoteNames)
        keys << QString::fromLatin1(name);
    key = new DropDown(-1, keys, this);
    key->setObjectName(QStringLiteral("key"));
    key->setGeometry(4, 19, 44, 18);
    QStringList scales;
    for (int s = 0; s < kScales; ++s)
        scales << QString::fromLatin1(scaleName(static_cast<Scale>(s)));
    scale = new DropDown(-1, scales, this);
    scale->setObjectName(QStringLiteral("scale"));
    scale->setGeometry(52, 19, 112, 18);
    for (DropDown* d : {key, scale})
        connect(d, &DropDown::chosen, this,
                [this, d](int k)
                {
                    d->setChoiceQuietly(k);
                    d->repaintIfChanged();
                    changed(d);
                });

    rests = addKnob("rests", kRestsLeft, knobOf(defaults.restPercent, 0));
    accents = addKnob("accents", kRestsLeft + kKnobPitch, knobOf(defaults.accentPercent, 0));
    slides = addKnob("slides", kRestsLeft + 2 * kKnobPitch, knobOf(defaults.slidePercent, 0));
    share = addKnob("mutate_share", kShareLeft, knobOf(defaults.mutatePercent, kMinMutatePercent));

    connect(addButton("fit_to_key", "Fit to key", QRect(4, 43, 160, 28),
                      "Fit to key\nMoves every note of the pattern to the nearest note of the "
                      "scale; a note between two goes to the lower"),
            &KickButton::pressed, this, &LinesRow::fitToKey);
    connect(addButton("generate", "Generate", QRect(344, 27, 72, 32),
                      "Generate\nA new line in the key over the pattern's steps, with the "
                      "rests, accents and slides set here"),
            &KickButton::pressed, this, &LinesRow::generate);
    connect(addButton("mutate", "Mutate", QRect(484, 27, 46, 32),
                      "Mutate\nChanges the share of the steps set here: other notes of the "
                      "scale, octaves, rests, accents and slides; the length stays"),
            &KickButton::pressed, this, &LinesRow::mutate);
    showSettings(defaults);
}

Knob* LinesRow::addKnob(const char* name, int left, float initial)
{
    auto* k = new Knob(-1, initial, this);
    k->setObjectName(QString::fromLatin1(name));
    k->setGeometry(left, kKnobTop, kKnobSize, kKnobSize);
    connect(k, &Control::valueChanged, this, [this, k] { changed(k); });
    connect(k, &Control::beginEdit, this, [this] { ++gestures; });
    connect(k, &Control::endEdit, this, [this] { gestures = std::max(0, gestures - 1); });
    return k;
}

KickButton* LinesRow::addButton(const char* name, const char* caption, QRect area, const char* tip)
{
    auto* b = new KickButton(QString::fromLatin1(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(area);
    b->setToolTip(QString::fromLatin1(tip));
    return b;
}

void LinesRow::showSettings(const LineSettings& s)
{
    if (gestures > 0)
        return;
    key->setChoiceQuietly(s.key);
    scale->setChoiceQuietly(static_cast<int>(s.scale));
    rests->setValueQuietly(knobOf(s.restPercent, 0));
    accents->setValueQuietly(knobOf(s.accentPercent, 0));
    slides->setValueQuietly(knobOf(s.slidePercent, 0));
    share->setValueQuietly(knobOf(s.mutatePercent, kMinMutatePercent));
    for (Control* c : std::initializer_list<Control*>{key, scale, rests, accents, slides, share})
        c->repaintIfChanged();
    updateTips();
}

LineSettings LinesRow::settings() const
{
    LineSettings s;
    s.key = static_cast<std::uint8_t>(key->choice());
    s.scale = static_cast<Scale>(scale->choice());
    s.restPercent = percentOf(rests, 0);
    s.accentPercent = percentOf(accents, 0);
    s.slidePercent = percentOf(slides, 0);
    s.mutatePercent = percentOf(share, kMinMutatePercent);
    return heldInRange(s);
}

void LinesRow::changed(const QObject* control)
{
    const LineSettings s = settings();
    updateTips();
    if (control == key)
        emit settingsChanged(s, QStringLiteral("KEY"), key->text());
    else if (control == scale)
        emit settingsChanged(s, QStringLiteral("SCALE"), scale->text().toUpper());
    else if (control == rests)
        emit settingsChanged(s, QStringLiteral("RESTS"), percentText(s.restPercent));
    else if (control == accents)
        emit settingsChanged(s, QStringLiteral("ACCENTS"), percentText(s.accentPercent));
    else if (control == slides)
        emit settingsChanged(s, QStringLiteral("SLIDES"), percentText(s.slidePercent));
    else
        emit settingsChanged(s, QStringLiteral("MUTATE"), percentText(s.mutatePercent));
}

// The tips say what each holds now.
void LinesRow::updateTips()
{
    const LineSettings s = settings();
    key->setToolTip(QStringLiteral("KEY %1\nThe key lines are made in: Generate, Mutate and Fit "
                                   "to key keep to its scale")
                        .arg(key->text()));
    scale->setToolTip(QStringLiteral("SCALE %1\nThe notes of the key that lines use")
                          .arg(scale->text().toUpper()));
    rests->setToolTip(QStringLiteral("RESTS %1\nThe share of the steps Generate leaves silent")
                          .arg(percentText(s.restPercent)));
    accents->setToolTip(QStringLiteral("ACCENTS %1\nThe share of the notes Generate accents")
                            .arg(percentText(s.accentPercent)));
    slides->setToolTip(QStringLiteral("SLIDES %1\nThe share of the notes Generate slides from "
                                      "into the next step")
                           .arg(percentText(s.slidePercent)));
    share->setToolTip(QStringLiteral("MUTATE %1\nThe share of the pattern's steps Mutate changes")
                          .arg(percentText(s.mutatePercent)));
}

void LinesRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(look::font(12));
    p.setPen(look::kInk);
    const auto caption = [&p](int left, int width, const char* text)
    { p.drawText(QRectF(left, 1, width, 12), Qt::AlignCenter, QString::fromLatin1(text)); };
    caption(4, 44, "KEY");
    caption(52, 112, "SCALE");
    caption(kRestsLeft - 6, kKnobSize + 12, "RESTS");
    caption(kRestsLeft + kKnobPitch - 6, kKnobSize + 12, "ACCENTS");
    caption(kRestsLeft + 2 * kKnobPitch - 6, kKnobSize + 12, "SLIDES");
    caption(kShareLeft - 6, kKnobSize + 12, "MUTATE");
    // Rules between the groups, cut into the silver as the panel's are.
    for (const int x : {kRuleLeft, kRuleRight})
    {
        p.setPen(QPen(QColor(60, 60, 66), 1.0));
        p.drawLine(QPointF(x + 0.5, 4), QPointF(x + 0.5, kHeight - 4));
        p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
        p.drawLine(QPointF(x + 1.5, 4), QPointF(x + 1.5, kHeight - 4));
    }
}

} // namespace quelvar
