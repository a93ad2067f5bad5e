// The UI object without a display: hosts find it, it declines without the running plugin (the
// host then shows its own controls), and what the panel changes comes back as port values.
#include "bridge/Fennick3Editor.h"
#include "bridge/bridgeProtocol.h"
#include "lv2/Lv2Plugin.h"
#include "lv2/editorInterface.h"
#include "lv2/lv2Uris.h"
#include "support/Lv2TestHost.h"

#include <gtest/gtest.h>

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

using namespace quelvar;

namespace
{
const std::string kUiBinary = std::string(QUELVAR_LV2_PATH) + "/quelvar.lv2/quelvar_ui.so";

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<Lv2TestHost*>(handle)->map(uri);
}
} // namespace

TEST(Lv2Ui, IsAnX11UiOfThePlugin)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    LilvUIs* uis = lilv_plugin_get_uis(host.plugin());
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), kLv2UiUri);
    LilvNode* x11 = lilv_new_uri(host.world(), LV2_UI__X11UI);
    EXPECT_TRUE(lilv_ui_is_a(ui, x11));
    lilv_node_free(x11);
    char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    EXPECT_EQ(std::string(path), kUiBinary);
    lilv_free(path);
    lilv_uis_free(uis);
}

// Each feature the UI needs left out in turn: no UI, no crash, and the plugin plays on.
TEST(Lv2Ui, DeclinesWithoutTheRunningPlugin)
{
    Lv2TestHost host(QUELVAR_LV2_PATH, kLv2PluginUri);
    ASSERT_TRUE(host.loaded());
    void* library = dlopen(kUiBinary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto entry =
        reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);

    LV2_Extension_Data_Feature access = {
        lilv_instance_get_descriptor(host.lv2Instance())->extension_data};
    LV2_Feature parent = {LV2_UI__parent, reinterpret_cast<void*>(1)};
    LV2_Feature instance = {LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(host.lv2Instance())};
    LV2_Feature data = {LV2_DATA_ACCESS_URI, &access};
    const LV2_Feature* withoutInstance[] = {&parent, &data, nullptr};
    const LV2_Feature* withoutData[] = {&parent, &instance, nullptr};
    const LV2_Feature* withoutParent[] = {&instance, &data, nullptr};
    for (const LV2_Feature** features : {withoutInstance, withoutData, withoutParent})
    {
        LV2UI_Widget widget = nullptr;
        EXPECT_EQ(descriptor->instantiate(descriptor, kLv2PluginUri, QUELVAR_LV2_PATH, nullptr,
                                          nullptr, &widget, features),
                  nullptr);
    }
    dlclose(library);
    std::vector<float> left(512), right(512);
    host.play(0.0);
    host.render(44100, 512, left, right);
    EXPECT_GT(*std::max_element(left.begin(), left.end()), 0.01f);
}

// What the editor does for a panel control: the engine applies it and tells its host, and the
// UI object gets the port and the value to write to the host's control.
TEST(Lv2Ui, PanelChangesComeBackAsPortValues)
{
    Lv2TestHost uris(QUELVAR_LV2_PATH, kLv2PluginUri);
    LV2_URID_Map map = {&uris, mapUri};
    LV2_Feature mapFeature = {LV2_URID__map, &map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    std::unique_ptr<Lv2Plugin> plugin(Lv2Plugin::create(44100.0, features, {}));
    ASSERT_NE(plugin, nullptr);

    std::uint32_t port = 0;
    float value = 0.0f;
    EXPECT_FALSE(plugin->nextPortChange(port, value));
    plugin->engine().setParameterAutomated(kCutoff, 0.4f);
    plugin->engine().setParameterAutomated(kDistSelect, 0.5f);
    plugin->engine().setParameterAutomated(kAntialias, 0.0f); // no port: not handed on
    std::map<std::uint32_t, float> changed;
    while (plugin->nextPortChange(port, value))
        changed[port] = value;
    const auto index = [](const char* symbol)
    {
        for (std::size_t i = 0; i < controlPorts().size(); ++i)
            if (std::string(controlPorts()[i].symbol) == symbol)
                return static_cast<std::uint32_t>(kFirstControlPort + i);
        return 0u;
    };
    EXPECT_EQ(changed, (std::map<std::uint32_t, float>{{index("cutoff"), 40.0f},
                                                       {index("distortion_type"), 2.0f}}));
}

// A size chosen in the panel's menu reaches the UI object through the editor's size, which its
// idle call compares to resize its window and ask the host to follow.
TEST(Lv2Ui, EditorSizeFollowsThePanelsScale)
{
    Lv2TestHost uris(QUELVAR_LV2_PATH, kLv2PluginUri);
    LV2_URID_Map map = {&uris, mapUri};
    LV2_Feature mapFeature = {LV2_URID__map, &map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    static constexpr char program[] = "#!/bin/sh\nexit 0\n";
    std::unique_ptr<Lv2Plugin> plugin(Lv2Plugin::create(
        44100.0, features, {reinterpret_cast<const std::uint8_t*>(program), sizeof program - 1}));
    ASSERT_NE(plugin, nullptr);
    auto* editor = dynamic_cast<Fennick3Editor*>(plugin->engine().getEditor());
    ASSERT_NE(editor, nullptr);
    int width = 0;
    int height = 0;
    plugin->editorSize(width, height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(621, 437));

    ASSERT_TRUE(plugin->openEditor(1));
    plugin->closeEditor(); // the test polls by hand
    const std::uint8_t scale[] = {bridge::command::editorScale, 200};
    ASSERT_EQ(write(editor->uiCommandEnd(), scale, sizeof scale),
              static_cast<ssize_t>(sizeof scale));
    editor->processMessageFromUI();
    plugin->editorSize(width, height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(1242, 874));
}
