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
    bool liveNotesAtTheirFrame;       // else at the block's first, unless antialias is off
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
        return {.antialiasSettable = false,
                .liveNotesAtTheirFrame = true,
                .accentThresholdSettable = false,
                .notesTriggerInInternalSync = false,
                .ignoreSyncModeAlways = true,
                .lenientAblReader = false,
                .phoscyonXmlDeclaration = false,
                .defaultCutoff = 0.09375f,
                .defaultResonance = 0.919375f,
                .defaultEnvMod = 0.170625f,
                .defaultAccent = 0.304375f};
    return {.antialiasSettable = true,
            .liveNotesAtTheirFrame = false,
            .accentThresholdSettable = true,
            .notesTriggerInInternalSync = true,
            .ignoreSyncModeAlways = false,
            .lenientAblReader = true,
            .phoscyonXmlDeclaration = true,
            .defaultCutoff = 0.15f,
            .defaultResonance = 1.0f,
            .defaultEnvMod = 0.1f,
            .defaultAccent = 1.0f};
}

} // namespace quelvar
