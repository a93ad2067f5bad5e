// MainWidget: the pop-up menus.
#include "standalone/panel/MainWidget.h"

#include "standalone/panel/PanelLook.h"
#include "standalone/panel/PatternSelector.h"
#include "standalone/panel/exportChoices.h"
#include "standalone/panel/panelLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace quelvar
{

namespace
{
constexpr const char* kDistortionEntries[4] = {"overdrive", "clipper", "valve", "cruncher"};
} // namespace

void MainWidget::popUp(QMenu* menu, QPoint position)
{
    menu->exec(position);
    delete menu;
}

QMenu* MainWidget::buildPatternMenu(int pattern)
{
    QMenu* menu = look::popupMenu(this);
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
                recordEdit(pattern);
                backend.editPattern(SlotEdit::clear, pattern);
                updatePatternDisplay(false);
            });
    connect(menu->addAction(QStringLiteral("copy")), &QAction::triggered, this,
            [this, pattern] { backend.editPattern(SlotEdit::copy, pattern); });
    connect(menu->addAction(QStringLiteral("paste")), &QAction::triggered, this,
            [this, pattern]
            {
                recordEdit(pattern);
                backend.editPattern(SlotEdit::paste, pattern);
                updatePatternDisplay(false);
            });
    connect(menu->addAction(QStringLiteral("random")), &QAction::triggered, this,
            [this, pattern]
            {
                recordEdit(pattern);
                backend.editPattern(SlotEdit::randomise, pattern);
            });
    connect(menu->addAction(QStringLiteral("import")), &QAction::triggered, this,
            [this, pattern] { importPattern(pattern); });
    return menu;
}

// The types, then the on/off button's MIDI controller entries.
QMenu* MainWidget::buildDistortionMenu()
{
    QMenu* menu = buildControlMenu(kDistOn);
    QAction* first = menu->actions().value(0);
    const int checked = panelLayout::distortionTypeOf(parameterValue(kDistSelect));
    for (int k = 0; k < 4; ++k)
    {
        auto* a = new QAction(QString::fromLatin1(kDistortionEntries[k]), menu);
        a->setCheckable(true);
        a->setChecked(k == checked);
        menu->insertAction(first, a);
        connect(a, &QAction::triggered, this,
                [this, k]
                {
                    setParameterAutomated(kDistSelect, 0.25f * static_cast<float>(k));
                    setDistoParam2LabelText(k);
                });
    }
    menu->insertSeparator(first);
    return menu;
}

QMenu* MainWidget::buildImportMenu()
{
    QMenu* menu = look::popupMenu(this);
    const char* const entries[] = {"import pattern", "import pattern + params", "import bank"};
    for (int k = 0; k < 3; ++k)
        connect(menu->addAction(QString::fromLatin1(entries[k])), &QAction::triggered, this,
                [this, k] { importPattern2(k); });
    return menu;
}

QMenu* MainWidget::buildExportMenu()
{
    QMenu* menu = look::popupMenu(this);
    const int count = backend.offersMidiExport() ? static_cast<int>(kExportChoices.size())
                                                 : kExportChoicesWithoutMidi;
    for (int k = 0; k < count; ++k)
    {
        const ExportChoice& c = kExportChoices[static_cast<std::size_t>(k)];
        QAction* a = menu->addAction(QString::fromLatin1(c.panelEntry));
        a->setEnabled(c.format != ExportFormat::midiChain || !backend.chain().empty());
        connect(a, &QAction::triggered, this, [this, k] { exportPattern2(k); });
    }
    return menu;
}

QMenu* MainWidget::buildRandomMenu()
{
    QMenu* menu = look::popupMenu(this);
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
                [this, what]
                {
                    if (what != Randomise::parameters)
                        recordEdit(-1);
                    backend.randomise(what);
                });
    }
    return menu;
}

QMenu* MainWidget::buildPresetMenu()
{
    QMenu* menu = look::popupMenu(this);
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
                sub = look::popupMenu(at);
                sub->setTitle(parts[i]);
                at->addMenu(sub);
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

} // namespace quelvar
