#include "standalone/panel/ButtonGroup.h"

#include "standalone/panel/Toggle.h"

namespace quelvar
{

void ButtonGroup::add(Toggle* toggle)
{
    toggles.push_back(toggle);
    connect(toggle, &Toggle::toggled, this, &ButtonGroup::exclusivitor);
}

void ButtonGroup::setChecked(int index)
{
    for (Toggle* t : toggles)
        t->setOnQuietly(t->index() == index);
}

void ButtonGroup::exclusivitor(bool on)
{
    auto* source = qobject_cast<Toggle*>(sender());
    if (!source)
        return;
    if (!on)
    {
        source->setOnQuietly(true);
        return;
    }
    for (Toggle* t : toggles)
    {
        if (t != source)
            t->setOnQuietly(false);
    }
}

} // namespace quelvar
