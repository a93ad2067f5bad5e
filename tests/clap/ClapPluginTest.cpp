// The CLAP plugin file as a host scans and sets it up: what it exports, its descriptor, the
// extensions it offers and the ports they describe, and an instance's life cycle.
#include "support/AllocGuard.h"
#include "support/ClapTestHost.h"
#include "support/runCommand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace quelvar;
using namespace quelvar::clap;

namespace
{
std::vector<std::string> features(const clap_plugin_descriptor& d)
{
    std::vector<std::string> all;
    for (const char* const* f = d.features; f && *f; ++f)
        all.emplace_back(*f);
    return all;
}

// Renders one block of stereo output and hands back the status.
clap_process_status processBlock(const clap_plugin* plugin, std::uint32_t frames,
                                 std::vector<float>& left, std::vector<float>& right)
{
    left.assign(frames, 1.0f);
    right.assign(frames, 1.0f);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer out{channels, nullptr, 2, 0, 0};
    const clap_input_events in{nullptr, [](const clap_input_events*) { return 0u; },
                               [](const clap_input_events*, std::uint32_t)
                               { return static_cast<const clap_event_header*>(nullptr); }};
    const clap_output_events outEvents{
        nullptr, [](const clap_output_events*, const clap_event_header*) { return true; }};
    const clap_process block{-1, frames, nullptr, nullptr, &out, 0, 1, &in, &outEvents};
    return plugin->process(plugin, &block);
}
} // namespace

TEST(ClapPlugin, ExportsOnlyItsEntry)
{
    const CommandRun nm = runCommand("nm -D --defined-only '" QUELVAR_CLAP_PATH "' 2>&1");
    ASSERT_EQ(nm.status, 0) << nm.output;
    EXPECT_EQ(nm.output.find("Qt"), std::string::npos) << nm.output;
    std::vector<std::string> symbols;
    std::size_t at = 0;
    while (at < nm.output.size())
    {
        const std::size_t end = nm.output.find('\n', at);
        const std::string line = nm.output.substr(at, end - at);
        symbols.push_back(line.substr(line.rfind(' ') + 1));
        at = end == std::string::npos ? end : end + 1;
    }
    EXPECT_EQ(symbols, std::vector<std::string>{"clap_entry"});
    const CommandRun ldd = runCommand("ldd '" QUELVAR_CLAP_PATH "' 2>&1");
    EXPECT_EQ(ldd.output.find("Qt"), std::string::npos) << ldd.output;
}

// As the validator scans: the library, its entry, the factory and the descriptors, without
// building an engine.
TEST(ClapPlugin, ScanningBuildsNothing)
{
    const std::string path = QUELVAR_CLAP_PATH;
    const int before = allocGuard::count();
    {
        allocGuard::NoAllocScope scanning;
        ClapTestHost host(path);
        ASSERT_TRUE(host.loaded()) << host.error();
        const clap_plugin_factory* f = host.pluginFactory();
        ASSERT_EQ(f->get_plugin_count(f), 1u);
        ASSERT_NE(f->get_plugin_descriptor(f, 0), nullptr);
    }
    EXPECT_EQ(allocGuard::count(), before);
}

TEST(ClapPlugin, DescriptorNamesAMonoSynthInstrument)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    ASSERT_TRUE(host.loaded()) << host.error();
    EXPECT_TRUE(clap_version_is_compatible(host.entry()->clap_version));
    const clap_plugin_factory* f = host.pluginFactory();
    const clap_plugin_descriptor* d = f->get_plugin_descriptor(f, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(f->get_plugin_descriptor(f, 1), nullptr);
    EXPECT_TRUE(clap_version_is_compatible(d->clap_version));
    EXPECT_STREQ(d->id, "example.brontavell.quelvar");
    EXPECT_STREQ(d->name, "Quelvar");
    EXPECT_STREQ(d->vendor, "Brontavell");
    for (const char* text : {d->url, d->manual_url, d->support_url, d->version, d->description})
        EXPECT_NE(text, nullptr);
    EXPECT_STRNE(d->version, "");
    const std::vector<std::string> all = features(*d);
    EXPECT_EQ(all, (std::vector<std::string>{"instrument", "synthesizer", "mono"}));

    const clap_plugin* p = host.create();
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->desc->id, d->id);
    EXPECT_STREQ(p->desc->name, d->name);
}

TEST(ClapPlugin, RefusesWhatItIsNot)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    ASSERT_TRUE(host.loaded());
    EXPECT_EQ(host.create("example.brontavell.other"), nullptr);
    EXPECT_EQ(host.entry()->get_factory("clap.plugin-factory.other"), nullptr);
    const clap_plugin* p = host.create();
    ASSERT_NE(p, nullptr);
    for (const char* id : {"clap.tail", "clap.unknown", ""})
        EXPECT_EQ(p->get_extension(p, id), nullptr) << id;
}

TEST(ClapPlugin, OneStereoOutputAndNotePortsInAndOut)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    ASSERT_TRUE(host.loaded());
    const clap_plugin* p = host.create();
    ASSERT_NE(p, nullptr);

    const auto* audio = host.extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->count(p, true), 0u);
    ASSERT_EQ(audio->count(p, false), 1u);
    clap_audio_port_info a{};
    ASSERT_TRUE(audio->get(p, 0, false, &a));
    EXPECT_EQ(a.channel_count, 2u);
    EXPECT_STREQ(a.port_type, CLAP_PORT_STEREO);
    EXPECT_TRUE(a.flags & CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_EQ(a.in_place_pair, CLAP_INVALID_ID);
    EXPECT_FALSE(audio->get(p, 1, false, &a));
    EXPECT_FALSE(audio->get(p, 0, true, &a));

    const auto* notes = host.extension<clap_plugin_note_ports>(CLAP_EXT_NOTE_PORTS);
    ASSERT_NE(notes, nullptr);
    ASSERT_EQ(notes->count(p, true), 1u);
    ASSERT_EQ(notes->count(p, false), 1u);
    clap_note_port_info in{};
    clap_note_port_info out{};
    ASSERT_TRUE(notes->get(p, 0, true, &in));
    ASSERT_TRUE(notes->get(p, 0, false, &out));
    EXPECT_EQ(in.supported_dialects, CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI);
    EXPECT_EQ(out.supported_dialects, CLAP_NOTE_DIALECT_MIDI);
    EXPECT_TRUE(in.preferred_dialect & in.supported_dialects);
    EXPECT_TRUE(out.preferred_dialect & out.supported_dialects);
    EXPECT_FALSE(notes->get(p, 1, true, &in));

    const auto* latency = host.extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
    ASSERT_NE(latency, nullptr);
    EXPECT_EQ(latency->get(p), 0u);
    const auto* render = host.extension<clap_plugin_render>(CLAP_EXT_RENDER);
    ASSERT_NE(render, nullptr);
    EXPECT_FALSE(render->has_hard_realtime_requirement(p));
    EXPECT_TRUE(render->set(p, CLAP_RENDER_OFFLINE));
}

// Activation at the rates hosts use, again at another rate, and none at a rate the engine cannot
// render; main-thread calls from another thread are refused.
TEST(ClapPlugin, ActivatesAtEveryUsableRateAndOnlyOnTheMainThread)
{
    ClapTestHost host(QUELVAR_CLAP_PATH);
    ASSERT_TRUE(host.loaded());
    const clap_plugin* p = host.create();
    ASSERT_NE(p, nullptr);
    for (double rate : {0.0, -44100.0, std::nan(""), HUGE_VAL, 2e6})
        EXPECT_FALSE(p->activate(p, rate, 1, 512)) << rate;
    bool fromOtherThread = true;
    std::thread([&] { fromOtherThread = p->activate(p, 44100.0, 1, 512); }).join();
    EXPECT_FALSE(fromOtherThread);

    std::vector<float> left;
    std::vector<float> right;
    for (double rate : {8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
    {
        ASSERT_TRUE(p->activate(p, rate, 1, 4096)) << rate;
        EXPECT_FALSE(p->activate(p, rate, 1, 4096)) << "already active";
        ASSERT_TRUE(p->start_processing(p));
        EXPECT_EQ(processBlock(p, 333, left, right), CLAP_PROCESS_CONTINUE);
        p->stop_processing(p);
        p->reset(p);
        p->deactivate(p);
    }
    EXPECT_EQ(processBlock(p, 64, left, right), CLAP_PROCESS_ERROR) << "not active";
}
