// The panel over the standalone's engine back-end: a real engine, its editor, and a host
// callback that records what the host hears. Also saves a picture of the panel.
#include "PanelTestSupport.h"

#include "engine/Palladon.h"
#include "io/patternFile.h"
#include "standalone/PanelEditor.h"
#include "standalone/panel/ChainStrip.h"
#include "standalone/panel/KickButton.h"
#include "standalone/panel/Knob.h"
#include "standalone/panel/MainWidget.h"
#include "standalone/panel/PresetLibrary.h"
#include "standalone/panel/ScaledPanel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

namespace quelvar::test
{

namespace
{

struct HostCall
{
    int opcode;
    int index;
    float value;
};

std::vector<HostCall> heard;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
        opcode == audioMasterEndEdit)
        heard.push_back({opcode, index, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

class EnginePanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        heard.clear();
        editor = new PanelEditor(engine);
        engine.attachEditor(editor);
        window.setFixedSize(PanelEditor::kWidth, PanelEditor::kHeight);
        ASSERT_TRUE(editor->open(&window));
        window.show();
        panel = editor->panel();
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override { editor->close(); }

    // The engine's notices reach the panel through the editor's main-thread delivery.
    void deliver()
    {
        editor->deliver();
        QApplication::processEvents();
        panel->processGui();
    }

    Palladon engine{&recordingHost, Flavour::standalone};
    PanelEditor* editor = nullptr; // the engine deletes it
    QWidget window;
    MainWidget* panel = nullptr;
};

} // namespace

TEST_F(EnginePanel, CutOffReachesTheHostAsAnAutomatedChangeOfParameterThreeOnly)
{
    std::array<float, kNumParams> before{};
    for (int i = 0; i < kNumParams; ++i)
        before[static_cast<std::size_t>(i)] = engine.getParameter(i);
    auto* knob = panel->findChild<Knob*>(QStringLiteral("cut_off"));
    ASSERT_NE(knob, nullptr);
    EXPECT_FLOAT_EQ(knob->value(), 0.15f) << "the panel shows the engine's value";

    drag(knob, knob->rect().center(), knob->rect().center() + QPoint(30, -20));
    const float moved = knob->value();
    EXPECT_GT(moved, 0.3f);
    EXPECT_FLOAT_EQ(engine.getParameter(3), moved);
    for (int i = 0; i < kNumParams; ++i)
    {
        if (i != 3)
        {
            EXPECT_EQ(engine.getParameter(i), before[static_cast<std::size_t>(i)]) << i;
        }
    }
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(heard.back().opcode, audioMasterEndEdit);
    for (const HostCall& c : heard)
        EXPECT_EQ(c.index, 3);
    EXPECT_EQ(heard[heard.size() - 2].opcode, audioMasterAutomate);
    EXPECT_FLOAT_EQ(heard[heard.size() - 2].value, moved);

    // The engine's notice comes back and leaves the knob where the hand put it.
    deliver();
    EXPECT_FLOAT_EQ(knob->value(), moved);
}

// Through the scaled view, as a user hovers it: the real engine's value and its default
// controller.
TEST_F(EnginePanel, TooltipOfAKnobUnderTheMouseNamesItsValueAndController)
{
    editor->setScale(150);
    auto* view = window.findChild<ScaledPanel*>();
    ASSERT_NE(view, nullptr);
    auto* knob = panel->findChild<Knob*>(QStringLiteral("cut_off"));
    const QPoint at = view->mapFromScene(QPointF(knob->geometry().center()));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view->viewport()->mapToGlobal(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("CUT OFF 15 % \u2014 CC 74"));
    QToolTip::hideText();
}

TEST_F(EnginePanel, ForwardLoadsTheFactoryPatternsWithTheirSound)
{
    PresetLibrary& presets = panel->presetLibrary();
    ASSERT_GE(presets.presets().size(), 16) << "first start fills the empty preset folder";
    EXPECT_TRUE(presets.folder().startsWith(QDir::homePath()));

    panel->nextPattern();
    const QString first = presets.presets().front();
    EXPECT_EQ(presets.current(), 0);
    QFile file(first);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto expected = parsePatternFile(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           static_cast<std::size_t>(bytes.size()), true);
    ASSERT_TRUE(expected && expected->pattern);
    const Pattern* current = engine.getCurrentPattern();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->getName(), expected->pattern->getName());
    EXPECT_EQ(current->getNBStep(), expected->pattern->getNBStep());
    for (int i = 0; i < current->getNBStep(); ++i)
        EXPECT_EQ(current->getStep(i)->note(), expected->pattern->getStep(i)->note()) << i;
    // With its parameters: the pattern's own cutoff and tempo.
    for (const ParameterSetting& s : expected->settings)
    {
        if (s.index == kCutoff || s.index == kTempo || s.index == kResonance)
        {
            EXPECT_NEAR(engine.getParameter(s.index), s.value, 1e-6f) << s.index;
        }
    }

    panel->previousPattern();
    EXPECT_EQ(presets.current(), static_cast<int>(presets.presets().size()) - 1)
        << "backward from the first wraps to the last";
    deliver();
    EXPECT_EQ(panel->findChild<QLineEdit*>(QStringLiteral("pattern_name"))->text(),
              QString::fromStdString(engine.getCurrentPattern()->getName()));
}

TEST_F(EnginePanel, PictureOfThePanel)
{
    // Internal sync, playing, one step lit: what a user sees.
    engine.setParameter(kSyncType, 0.5f);
    engine.internalPlay();
    deliver();
    panel->setParameter(kDistOn, 1.0f);
    panel->setParameter(kDelayOn, 1.0f);
    panel->stepPlayed(4);
    panel->processGui();
    const QString dir = QStringLiteral(QUELVAR_ARTIFACTS_DIR) + QStringLiteral("/panel");
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/standalone-panel.png");
    ASSERT_TRUE(window.grab().save(path));
    EXPECT_GT(QFile(path).size(), 10000);
    engine.internalStop();

    // MIDI-in sync with a key held, a 20-step pattern on its second page, distortion relabelled.
    engine.setParameter(kSyncType, 1.0f);
    engine.setParameter(kNbStep, 19.0f / 63.0f);
    engine.setParameter(kDistSelect, 0.25f);
    deliver();
    panel->switchBar(1, 1.0f);
    panel->midiMessage(0x90, 43, 100);
    panel->processGui();
    ASSERT_TRUE(window.grab().save(dir + QStringLiteral("/standalone-panel-midi-in.png")));
    std::unique_ptr<QMenu> menu(panel->buildDistortionMenu());
    menu->adjustSize();
    EXPECT_TRUE(menu->grab().save(dir + QStringLiteral("/distortion-menu.png")));
}

// The chain built on the strip plays on the engine, the strip lights the entry the engine plays;
// and the pictures of the strip and of the chain switch for the manual.
TEST_F(EnginePanel, TheChainBuiltOnTheStripPlaysAndItsEntryIsLit)
{
    engine.setParameter(kSyncType, 0.5f);
    for (int k : {0, 1, 2})
        engine.getSong().getPattern(k)->setNBStep(4);
    panel->showChainView(true);
    auto* strip = panel->findChild<ChainStrip*>(QStringLiteral("chain_strip"));
    for (int k : {0, 1, 0, 2})
    {
        engine.triggerPattern(k);
        deliver();
        strip->addCurrent();
    }
    ChainEntries expected;
    for (int k : {0, 1, 0, 2})
        expected.append(k);
    EXPECT_EQ(engine.getChain(), expected);
    engine.setParameter(kChainPlay, 1.0f);
    engine.internalPlay();
    // One beat and a half: the second entry plays.
    std::array<float, 512> left{};
    std::array<float, 512> right{};
    float* out[2] = {left.data(), right.data()};
    for (int rendered = 0; rendered < 33075; rendered += 512)
        engine.processReplacing(nullptr, out, 512);
    deliver();
    EXPECT_EQ(engine.getChainEntry(), 1);
    EXPECT_EQ(engine.getCurrentPatternIndex(), 1);
    EXPECT_EQ(strip->shownChain(), expected);

    const QString dir = QStringLiteral(QUELVAR_ARTIFACTS_DIR) + QStringLiteral("/panel");
    QDir().mkpath(dir);
    ASSERT_TRUE(window.grab().save(dir + QStringLiteral("/standalone-panel-chain.png")));
    ASSERT_TRUE(window.grab(QRect(0, 230, PanelEditor::kWidth, 126))
                    .save(dir + QStringLiteral("/chain-strip.png")));
    ASSERT_TRUE(window.grab(QRect(4, 74, 196, 82)).save(dir + QStringLiteral("/chain-switch.png")));
    engine.internalStop();
}

// At 200 % the panel is painted afresh at twice the size, not enlarged: hardly any 2 x 2 block
// of the picture is one colour, as it would be in a copy with doubled pixels.
TEST_F(EnginePanel, PictureAt200PercentIsPaintedAtThatSize)
{
    editor->setScale(200);
    window.setFixedSize(2 * PanelEditor::kWidth, 2 * PanelEditor::kHeight);
    panel->processGui();
    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(1242, 874));
    const QString dir = QStringLiteral(QUELVAR_ARTIFACTS_DIR) + QStringLiteral("/panel");
    QDir().mkpath(dir);
    ASSERT_TRUE(shot.save(dir + QStringLiteral("/standalone-panel-200.png")));

    int uniform = 0;
    int blocks = 0;
    for (int y = 0; y + 1 < shot.height(); y += 2)
        for (int x = 0; x + 1 < shot.width(); x += 2, ++blocks)
        {
            const QRgb c = shot.pixel(x, y);
            uniform += c == shot.pixel(x + 1, y) && c == shot.pixel(x, y + 1) &&
                       c == shot.pixel(x + 1, y + 1);
        }
    EXPECT_LT(uniform, blocks / 2) << uniform << " of " << blocks << " blocks are one colour";
}

} // namespace quelvar::test
