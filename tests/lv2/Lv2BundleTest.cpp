// The bundle as a host reads it with lilv: an instrument that needs only urid:map, ports that
// start where the VST plugin starts and reach the slots they name, and the factory patterns as
// presets.
#include "engine/factoryPatterns.h"
#include "engine/PalladonFiles.h"
#include "lv2/lv2Sessions.h"
#include "lv2/lv2Uris.h"

#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <cmath>

using namespace quelvar;

namespace
{
bool hasNode(const LilvNodes* nodes, const char* uri)
{
    LILV_FOREACH(nodes, i, nodes)
    if (std::string(lilv_node_as_uri(lilv_nodes_get(nodes, i))) == uri)
        return true;
    return false;
}

class Node
{
public:
    Node(LilvWorld* world, const char* uri) : node(lilv_new_uri(world, uri)) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    operator const LilvNode*() const { return node; }

private:
    LilvNode* node;
};

ParsedChunk savedChunk(Lv2TestHost& host)
{
    const std::vector<std::uint8_t> bytes = host.saveProperty(kLv2ChunkKey);
    return parseChunk(bytes.data(), bytes.size());
}
} // namespace

TEST(Lv2Bundle, IsAnInstrumentThatNeedsOnlyUridMap)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    LilvWorld* world = host.world();
    const LilvPlugin* plugin = host.plugin();
    const Node type(world, LILV_NS_RDF "type");
    const Node instrument(world, LV2_CORE__InstrumentPlugin);
    EXPECT_TRUE(lilv_world_ask(world, lilv_plugin_get_uri(plugin), type, instrument));

    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(lilv_nodes_size(required), 1u);
    EXPECT_TRUE(hasNode(required, LV2_URID__map));
    lilv_nodes_free(required);
    LilvNodes* optional = lilv_plugin_get_optional_features(plugin);
    EXPECT_TRUE(hasNode(optional, LV2_CORE__hardRTCapable));
    lilv_nodes_free(optional);
    LilvNodes* extensions = lilv_plugin_get_extension_data(plugin);
    EXPECT_TRUE(hasNode(extensions, LV2_STATE__interface));
    lilv_nodes_free(extensions);

    const LilvPort* events = lilv_plugin_get_port_by_index(plugin, kPortEventsIn);
    const Node midiEvent(world, LV2_MIDI__MidiEvent);
    const Node position(world, LV2_TIME__Position);
    EXPECT_TRUE(lilv_port_supports_event(plugin, events, midiEvent));
    EXPECT_TRUE(lilv_port_supports_event(plugin, events, position));
    EXPECT_TRUE(lilv_port_supports_event(
        plugin, lilv_plugin_get_port_by_index(plugin, kPortMidiOut), midiEvent));
    const Node audio(world, LV2_CORE__AudioPort);
    const Node output(world, LV2_CORE__OutputPort);
    EXPECT_EQ(lilv_plugin_get_num_ports_of_class(plugin, static_cast<const LilvNode*>(audio),
                                                 static_cast<const LilvNode*>(output), nullptr),
              2u);
}

TEST(Lv2Bundle, ControlPortsStartWhereTheVstPluginStarts)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    VstHost vst(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(vst.loaded());
    LilvWorld* world = host.world();
    const LilvPlugin* plugin = host.plugin();
    const Node toggled(world, LV2_CORE__toggled);
    const Node enumeration(world, LV2_CORE__enumeration);
    const Node integer(world, LV2_CORE__integer);
    const std::span<const ControlPort> ports = controlPorts();
    EXPECT_EQ(lilv_plugin_get_num_ports(plugin), kFirstControlPort + ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i)
    {
        const ControlPort& port = ports[i];
        SCOPED_TRACE(port.symbol);
        const LilvPort* p = lilv_plugin_get_port_by_index(
            plugin, static_cast<std::uint32_t>(kFirstControlPort + i));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, p)), port.symbol);
        LilvNode* def = nullptr;
        LilvNode* min = nullptr;
        LilvNode* max = nullptr;
        lilv_port_get_range(plugin, p, &def, &min, &max);
        EXPECT_EQ(lilv_node_as_float(def), toPortValue(port, vst.getParameter(port.slot)));
        EXPECT_EQ(lilv_node_as_float(min), port.minimum);
        EXPECT_EQ(lilv_node_as_float(max), port.maximum);
        lilv_node_free(def);
        lilv_node_free(min);
        lilv_node_free(max);
        EXPECT_EQ(lilv_port_has_property(plugin, p, toggled), isToggled(port));
        EXPECT_EQ(lilv_port_has_property(plugin, p, enumeration), !port.points.empty());
        EXPECT_EQ(lilv_port_has_property(plugin, p, integer), isInteger(port));
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, p);
        EXPECT_EQ(points ? lilv_scale_points_size(points) : 0u, port.points.size());
        lilv_scale_points_free(points);
    }
}

// Every port's minimum, maximum and scale points (or a middle value) reach the slot it names:
// what the engine then saves reads back as the value the port was set to.
TEST(Lv2Bundle, EveryPortValueReachesItsSlot)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    std::vector<float> left(64), right(64);
    for (const ControlPort& port : controlPorts())
    {
        std::vector<float> values = {port.minimum, port.maximum};
        for (const ScalePoint& p : port.points)
            values.push_back(p.value);
        if (port.points.empty() && !isToggled(port))
            values.push_back(std::round((port.minimum + port.maximum) * 0.3f));
        for (float v : values)
        {
            SCOPED_TRACE(std::string(port.symbol) + " = " + std::to_string(v));
            host.setControl(port.symbol, v);
            host.process(left.data(), right.data(), 64);
            const std::vector<std::uint8_t> bytes = host.saveProperty(kLv2ChunkKey);
            const ParsedChunk chunk = parseChunk(bytes.data(), bytes.size());
            ASSERT_TRUE(chunk.accepted);
            // The chain switch is kept in the chain's section, the other slots in the header.
            const ChunkSections sections = chunkSectionsOf(bytes.data(), bytes.size(), chunk);
            ASSERT_TRUE(sections.chain.value);
            const float stored = port.slot < kStoredParams ? chunk.params.at(port.slot)
                                                           : sections.chain.value->play ? 1.0f
                                                                                        : 0.0f;
            EXPECT_FLOAT_EQ(toPortValue(port, stored), v);
        }
    }
}

TEST(Lv2Bundle, OffersEachFactoryPatternAsAPreset)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    const std::vector<Lv2Preset> presets = host.presets();
    const std::vector<FactoryPattern> factory = factoryPatterns();
    ASSERT_EQ(presets.size(), factory.size());
    for (const FactoryPattern& f : factory)
    {
        SCOPED_TRACE(f.name);
        const auto preset = std::find_if(presets.begin(), presets.end(),
                                         [&](const Lv2Preset& p) { return p.label == f.name; });
        ASSERT_NE(preset, presets.end());
        ASSERT_TRUE(host.loadPreset(preset->uri));
        const ParsedChunk chunk = savedChunk(host);
        ASSERT_TRUE(chunk.accepted);
        const ChunkRecord& first = chunk.records.at(0);
        EXPECT_EQ(first.name, f.name);
        ASSERT_EQ(first.nbStep, f.pattern.getNBStep());
        for (int s = 0; s < first.nbStep; ++s)
        {
            const Step* step = f.pattern.getStepAnyIndex(s);
            EXPECT_EQ(first.steps[s].note, step->note());
            EXPECT_EQ(first.steps[s].slide, step->slide());
            EXPECT_EQ(first.steps[s].accent, step->accent());
        }
        EXPECT_EQ(chunk.params[kCutoff], f.parameters[kCutoff]);
        EXPECT_EQ(chunk.params[kSyncType], 0.0f) << "a preset keeps the sequencer on the host";
        for (const ControlPort& port : controlPorts())
            EXPECT_EQ(host.control(port.symbol), toPortValue(port, chunk.params[port.slot]))
                << port.symbol;
    }
}

// Loaded into a fresh instance, a preset plays its own line from the host's start.
TEST(Lv2Bundle, APresetPlaysItsLine)
{
    const FactoryPattern f = factoryPatterns().at(3);
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri, 44100.0, 512);
    ASSERT_TRUE(host.loaded());
    for (const Lv2Preset& p : host.presets())
    {
        if (p.label == f.name)
        {
            ASSERT_TRUE(host.loadPreset(p.uri));
        }
    }
    const Played played = playLv2In(host, playingSession(0.0, 10, 512));
    ASSERT_FALSE(played.midi.empty());
    EXPECT_EQ(played.midi[0].frame, 0);
    EXPECT_EQ(played.midi[0].bytes[1], f.pattern.getStepAnyIndex(0)->note() + 35);
}
