// The two deliverables that build the engine, and what differs between them. The engine turns
// its flavour into a const traits record once; code reads traits, never the flavour itself.
#pragma once

namespace quelvar
{

enum class Flavour
{
    plugin,
    standalone
};

struct FlavourTraits
{
    bool antialiasSettable;           // slot 13 switches the wavetable oscillator
    bool accentThresholdSettable;     // the configuration dialog sets it
    bool notesTriggerInInternalSync;  // pattern trigger and step recording outside host sync
    bool ignoreSyncModeAlways;        // pattern import never applies the stored sync type
    bool lenientAblReader;            // ABL2: one step allowed, partial patterns kept, name at first dot
    bool phoscyonXmlDeclaration;      // the Phoscyon writer starts with an XML declaration
    float defaultCutoff;
    float defaultResonance;
    float defaultEnvMod;
    float defaultAccent;
};

constexpr FlavourTraits traitsFor(Flavour f)
{
    if (f == Flavour::plugin)
        return {false, false, false, true, false, false, 0.09375f, 0.919375f, 0.170625f, 0.304375f};
    return {true, true, true, false, true, true, 0.15f, 1.0f, 0.1f, 1.0f};
}

} // namespace quelvar
