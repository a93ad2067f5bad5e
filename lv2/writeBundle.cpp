// Build tool: writes the bundle's Turtle files. The port defaults come from a fresh engine and
// the presets from the factory patterns, each imported into an engine and saved with the
// engine's own chunk writer, so the description can never disagree with the code.
//   quelvar-lv2-bundle OUTPUT_DIR DSP_BINARY [UI_BINARY]
#include "engine/Palladon.h"
#include "engine/factoryPatterns.h"
#include "io/patternFile.h"
#include "engine/PalladonFiles.h"
#include "lv2/controlPorts.h"
#include "lv2/lv2Uris.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using namespace quelvar;

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                                  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                                  "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";

std::string iri(const std::string& uri)
{
    return "<" + uri + ">";
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A decimal Turtle reads back as the same float.
std::string number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

std::string base64(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3)
    {
        const std::uint32_t b0 = bytes[i];
        const std::uint32_t b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        const std::uint32_t b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0;
        const std::uint32_t group = b0 << 16 | b1 << 8 | b2;
        out += kDigits[group >> 18 & 63];
        out += kDigits[group >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[group >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

std::string slug(const std::string& name)
{
    std::string out;
    for (const char c : name)
        out += std::isalnum(static_cast<unsigned char>(c))
                   ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                   : '-';
    return out;
}

const char* unitOf(PortUnit unit)
{
    switch (unit)
    {
    case PortUnit::percent:
        return "units:pc";
    case PortUnit::coefficient:
        return "units:coef";
    case PortUnit::semitones:
        return "units:semitone12TET";
    case PortUnit::bpm:
        return "units:bpm";
    case PortUnit::none:
        break;
    }
    return nullptr;
}

std::string controlPortText(const ControlPort& port, std::uint32_t index, float defaultValue)
{
    std::ostringstream out;
    out << "[\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << quoted(port.symbol) << " ;\n"
        << "        lv2:name " << quoted(port.name) << " ;\n"
        << "        lv2:default " << number(defaultValue) << " ;\n"
        << "        lv2:minimum " << number(port.minimum) << " ;\n"
        << "        lv2:maximum " << number(port.maximum);
    if (const char* unit = unitOf(port.unit))
        out << " ;\n        units:unit " << unit;
    if (isToggled(port))
        out << " ;\n        lv2:portProperty lv2:toggled";
    else if (!port.points.empty())
        out << " ;\n        lv2:portProperty lv2:integer , lv2:enumeration";
    else if (isInteger(port))
        out << " ;\n        lv2:portProperty lv2:integer";
    for (const ScalePoint& p : port.points)
        out << " ;\n        lv2:scalePoint [ rdfs:label " << quoted(p.label) << " ; rdf:value "
            << number(p.value) << " ]";
    if (port.comment)
        out << " ;\n        rdfs:comment " << quoted(port.comment);
    out << "\n    ]";
    return out.str();
}

// The UI object: the panel in the host's window, for hosts that give it the running plugin.
std::string uiText()
{
    std::ostringstream out;
    out << iri(kLv2UiUri) << "\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent , <http://lv2plug.in/ns/ext/instance-access> ,\n"
        << "        <http://lv2plug.in/ns/ext/data-access> ;\n"
        << "    lv2:optionalFeature ui:resize , ui:idleInterface ;\n"
        << "    lv2:extensionData ui:idleInterface .\n\n";
    return out.str();
}

std::string pluginText(Palladon& defaults, bool withUi)
{
    std::ostringstream out;
    out << kPrefixes << iri(kLv2PluginUri) << "\n"
        << "    a lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n"
        << "    doap:name \"Quelvar\" ;\n"
        << "    doap:maintainer [ foaf:name \"Brontavell\" ; "
           "foaf:homepage <https://brontavell.example/quelvar> ] ;\n"
        << "    lv2:minorVersion 0 ;\n    lv2:microVersion 0 ;\n"
        << "    rdfs:comment \"Monophonic acid-bass synthesizer with a 64-pattern step "
           "sequencer, distortion and tempo delay. The sequencer follows the host's transport "
           "and sends the notes it plays on MIDI Out; MIDI notes 0-31 choose patterns. The "
           "whole state (every setting and all 64 patterns) is saved with the project.\" ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
        << "    lv2:extensionData state:interface , opts:interface ;\n"
        << (withUi ? "    ui:ui " + iri(kLv2UiUri) + " ;\n" : std::string()) << "    lv2:port [\n"
        << "        a lv2:InputPort , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , time:Position ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:index " << kPortEventsIn << " ;\n"
        << "        lv2:symbol \"events_in\" ;\n"
        << "        lv2:name \"Events In\" ;\n"
        << "        rdfs:comment \"MIDI in and the host's transport.\"\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent ;\n"
        << "        lv2:index " << kPortMidiOut << " ;\n"
        << "        lv2:symbol \"midi_out\" ;\n"
        << "        lv2:name \"MIDI Out\" ;\n"
        << "        rdfs:comment \"The notes the sequencer plays, on channel 1.\"\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << kPortOutLeft << " ;\n"
        << "        lv2:symbol \"out_l\" ;\n"
        << "        lv2:name \"Out L\"\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << kPortOutRight << " ;\n"
        << "        lv2:symbol \"out_r\" ;\n"
        << "        lv2:name \"Out R\"\n"
        << "    ]";
    std::uint32_t index = kFirstControlPort;
    for (const ControlPort& port : controlPorts())
        out << " , "
            << controlPortText(port, index++, toPortValue(port, defaults.getParameter(port.slot)));
    out << " .\n\n"
        << (withUi ? uiText() : std::string()) << iri(kLv2ChunkKey) << "\n    a rdf:Property ;\n"
        << "    rdfs:label \"Quelvar state\" ;\n"
        << "    rdfs:range xsd:base64Binary ;\n"
        << "    rdfs:comment \"Every setting and all 64 patterns, in the bytes the VST plugin "
           "saves as its state chunk.\" .\n";
    return out.str();
}

struct Preset
{
    std::string uri;
    std::string label;
    std::vector<float> portValues;
    std::vector<std::uint8_t> chunk;
};

// Each factory pattern as the whole state it gives: its line in pattern 1, its sound on the
// controls, the other patterns as an instance starts. Imported as the plugin imports a .303
// file with its parameters, so the sync mode stays with the host.
std::vector<Preset> factoryPresets()
{
    std::vector<Preset> presets;
    for (const FactoryPattern& f : factoryPatterns())
    {
        Palladon engine(nullptr, Flavour::plugin);
        const std::vector<std::uint8_t> file = encodePatternFile(f.pattern, f.parameters);
        if (!importPatternData(engine, file.data(), file.size(), 0, true))
            continue;
        Preset p{kLv2PresetPrefix + slug(f.name), f.name, {}, getChunkBytes(engine)};
        for (const ControlPort& port : controlPorts())
            p.portValues.push_back(toPortValue(port, engine.getParameter(port.slot)));
        presets.push_back(std::move(p));
    }
    return presets;
}

std::string presetsText(const std::vector<Preset>& presets)
{
    std::ostringstream out;
    out << kPrefixes;
    for (const Preset& p : presets)
    {
        out << iri(p.uri) << "\n    a pset:Preset ;\n"
            << "    lv2:appliesTo " << iri(kLv2PluginUri) << " ;\n"
            << "    rdfs:label " << quoted(p.label) << " ;\n    lv2:port ";
        const std::span<const ControlPort> ports = controlPorts();
        for (std::size_t i = 0; i < ports.size(); ++i)
            out << (i ? " , " : "") << "[ lv2:symbol " << quoted(ports[i].symbol)
                << " ; pset:value " << number(p.portValues[i]) << " ]";
        out << " ;\n    state:state [\n        " << iri(kLv2ChunkKey) << " \"" << base64(p.chunk)
            << "\"^^xsd:base64Binary\n    ] .\n\n";
    }
    return out.str();
}

std::string manifestText(const std::string& dspBinary, const std::string& uiBinary,
                         const std::vector<Preset>& presets)
{
    std::ostringstream out;
    out << kPrefixes << iri(kLv2PluginUri) << "\n    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
        << "    lv2:binary " << iri(dspBinary) << " ;\n    rdfs:seeAlso <quelvar.ttl> .\n\n";
    if (!uiBinary.empty())
        out << iri(kLv2UiUri) << "\n    a ui:X11UI ;\n    ui:binary " << iri(uiBinary)
            << " ;\n    rdfs:seeAlso <quelvar.ttl> .\n\n";
    for (const Preset& p : presets)
        out << iri(p.uri) << "\n    a pset:Preset ;\n    lv2:appliesTo " << iri(kLv2PluginUri)
            << " ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
    return out.str();
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        std::fprintf(stderr, "quelvar-lv2-bundle: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4)
    {
        std::fprintf(stderr, "usage: quelvar-lv2-bundle OUTPUT_DIR DSP_BINARY [UI_BINARY]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string uiBinary = argc == 4 ? argv[3] : "";
    Palladon defaults(nullptr, Flavour::plugin);
    const std::vector<Preset> presets = factoryPresets();
    if (presets.size() != factoryPatterns().size())
    {
        std::fprintf(stderr, "quelvar-lv2-bundle: a factory pattern did not import\n");
        return 1;
    }
    const bool ok = writeFile(dir + "/manifest.ttl", manifestText(argv[2], uiBinary, presets)) &&
                    writeFile(dir + "/quelvar.ttl", pluginText(defaults, !uiBinary.empty())) &&
                    writeFile(dir + "/presets.ttl", presetsText(presets));
    return ok ? 0 : 1;
}
