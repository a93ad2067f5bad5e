// MainWidget: the chain: its switch among the pattern controls, the strip that shows and edits it
// in place of the step editor, and the toggle between the two.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/Button.h"
#include "standalone/panel/ChainStrip.h"
#include "standalone/panel/PanelLook.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/Toggle.h"

namespace quelvar
{

namespace
{
// How long an edit sent shows before the back-end's chain, which the UI process reads from the
// engine after its next poll: 200 ms of GUI ticks.
constexpr int kChainSettleTicks = 5;
} // namespace

void MainWidget::buildChain()
{
    chainSwitch = addButton("chain_play", kChainPlay, QRect(118, 137, 15, 15),
                            static_cast<int>(Button::Look::led));
    chainSwitch->setLampColour(look::kLedGreen);

    chainStrip = new ChainStrip(this);
    chainStrip->setObjectName(QStringLiteral("chain_strip"));
    chainStrip->move(8, 236);
    chainStrip->hide();
    connect(chainStrip, &ChainStrip::editRequested, this, &MainWidget::editChain);
    connect(chainStrip, &ChainStrip::entryChosen, this, &MainWidget::chooseChainEntry);

    // In the step editor's corner, over the strip too, so one toggle goes both ways.
    chainView = new Toggle(-1, QStringLiteral("chain"), this);
    chainView->setObjectName(QStringLiteral("chain_view"));
    chainView->setGeometry(10, 238, 46, 16);
    chainView->setToolTip(QStringLiteral("CHAIN\nShows the chain in place of the steps: add, "
                                         "insert, delete and move entries; click one to edit "
                                         "its pattern"));
    allControls.push_back(chainView);
    connect(chainView, &Toggle::toggled, this, &MainWidget::showChainView);
}

bool MainWidget::chainViewShown() const
{
    return chainStrip->isVisible();
}

void MainWidget::showChainView(bool on)
{
    chainView->setOnQuietly(on);
    chainStrip->setVisible(on);
    if (on)
    {
        chainStrip->raise();
        chainView->raise();
        refreshChain(backend.transport());
    }
}

void MainWidget::refreshChain(const TransportView& t)
{
    ChainEntries chain = backend.chain();
    if (chainSent)
    {
        if (chain == *chainSent || ++chainSentTicks > kChainSettleTicks)
            chainSent.reset();
        else
            chain = *chainSent;
    }
    chainStrip->showChain(chain, t.chainEntry, t.currentPattern);
}

void MainWidget::editChain(const ChainEntries& before, const ChainEntries& after)
{
    PatternHistory::Step step;
    step.chain = before;
    history.record(std::move(step));
    chainSent = after;
    chainSentTicks = 0;
    backend.setChain(after);
    updateActions();
}

void MainWidget::chooseChainEntry(int /*entry*/, int pattern)
{
    selector->setSelected(pattern);
    backend.selectPattern(pattern);
}

} // namespace quelvar
