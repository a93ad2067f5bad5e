// The export formats as the panel's export menu and the standalone's File menu offer them, with
// their save dialogs' titles and filters. Constants only.
#pragma once

#include "standalone/panel/PanelBackend.h"

#include <array>

namespace quelvar
{

struct ExportChoice
{
    ExportFormat format;
    const char* panelEntry; // the panel's export menu
    const char* fileEntry;  // the File menu's Export submenu
    const char* title;
    const char* filter;
};

// In the panel menu's order; the MIDI files last, since only some back-ends offer them.
constexpr std::array<ExportChoice, 7> kExportChoices{{
    {ExportFormat::pattern, "export pattern", "Pattern (.303)...", "Save Pattern",
     "Quelvar pattern (*.303)"},
    {ExportFormat::abl2, "export ABL2 pattern", "ABL2 Pattern (.pat)...", "Save ABL2 Pattern",
     "ABL2 pattern(*.pat)"},
    {ExportFormat::abl3, "export ABL3 pattern", "ABL3 Pattern (.pat)...", "Save ABL3 Pattern",
     "ABL3 pattern(*.pat)"},
    {ExportFormat::phoscyon, "export Phoscyon pattern", "Phoscyon Pattern (.phptr)...",
     "Save Phoscyon pattern", "Phoscyon pattern(*.phptr)"},
    {ExportFormat::bank, "export Bank", "Bank (.b303)...", "Save Bank",
     "Quelvar pattern bank(*.b303)"},
    {ExportFormat::midi, "export MIDI pattern", "MIDI File (.mid)...", "Save MIDI pattern",
     "MIDI file(*.mid)"},
    {ExportFormat::midiChain, "export MIDI chain", "Chain as MIDI File (.mid)...",
     "Save MIDI chain", "MIDI file(*.mid)"},
}};
// The entries before the MIDI files, which every back-end offers.
constexpr int kExportChoicesWithoutMidi = 5;

} // namespace quelvar
