// The UI object (ui:X11UI): a child window in the host's ui:parent window, into which the DSP
// object's editor puts the same out-of-process panel the VST plugin shows. It reaches the running
// plugin through instance-access and data-access; without them it declines, and the host shows
// its own controls. Its idle call hands the ports the panel moved to the host. Links no Qt and no
// engine: everything but the window lives in the DSP object. Host's UI thread only.
#include "lv2/editorInterface.h"
#include "lv2/lv2Uris.h"

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <X11/Xlib.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace
{
using quelvar::Lv2EditorInterface;

struct Ui
{
    Display* display = nullptr;
    Window window = 0;
    LV2_Handle plugin = nullptr;
    const Lv2EditorInterface* editor = nullptr;
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Resize* resize = nullptr;
    int width = 0;
    int height = 0;
};

void* featureData(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* pluginUri,
                         const char* /*bundlePath*/, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, quelvar::kLv2PluginUri) != 0)
        return nullptr;
    void* parent = featureData(features, LV2_UI__parent);
    auto* plugin = static_cast<LV2_Handle>(featureData(features, LV2_INSTANCE_ACCESS_URI));
    const auto* access =
        static_cast<const LV2_Extension_Data_Feature*>(featureData(features, LV2_DATA_ACCESS_URI));
    if (!parent || !plugin || !access || !access->data_access)
        return nullptr;
    const auto* editor = static_cast<const Lv2EditorInterface*>(
        access->data_access(quelvar::kLv2EditorInterfaceUri));
    if (!editor)
        return nullptr;

    Ui* ui = new (std::nothrow) Ui{nullptr, 0, plugin, editor, write, controller,
                                   static_cast<const LV2UI_Resize*>(
                                       featureData(features, LV2_UI__resize))};
    if (!ui)
        return nullptr;
    ui->display = XOpenDisplay(nullptr);
    if (!ui->display)
    {
        delete ui;
        return nullptr;
    }
    editor->size(plugin, &ui->width, &ui->height);
    ui->window = XCreateSimpleWindow(ui->display, reinterpret_cast<Window>(parent), 0, 0,
                                     static_cast<unsigned>(ui->width),
                                     static_cast<unsigned>(ui->height), 0, 0, 0);
    XMapWindow(ui->display, ui->window);
    XSync(ui->display, False);
    if (ui->resize)
        ui->resize->ui_resize(ui->resize->handle, ui->width, ui->height);
    editor->open(plugin, ui->window);
    *widget = reinterpret_cast<LV2UI_Widget>(ui->window);
    return ui;
}

void cleanup(LV2UI_Handle handle)
{
    Ui* ui = static_cast<Ui*>(handle);
    ui->editor->close(ui->plugin);
    XDestroyWindow(ui->display, ui->window);
    XCloseDisplay(ui->display);
    delete ui;
}

// The panel shows the plugin's state itself: nothing to do with the host's port values.
void portEvent(LV2UI_Handle /*handle*/, uint32_t /*port*/, uint32_t /*size*/, uint32_t /*format*/,
               const void* /*buffer*/)
{
}

int idle(LV2UI_Handle handle)
{
    Ui* ui = static_cast<Ui*>(handle);
    std::uint32_t port = 0;
    float value = 0.0f;
    while (ui->editor->nextPortChange(ui->plugin, &port, &value))
        ui->write(ui->controller, port, sizeof value, 0, &value);
    // A size chosen in the panel's menu: our window follows, and the host's if it lets us.
    int width = 0;
    int height = 0;
    ui->editor->size(ui->plugin, &width, &height);
    if (width != ui->width || height != ui->height)
    {
        ui->width = width;
        ui->height = height;
        XResizeWindow(ui->display, ui->window, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        XFlush(ui->display);
        if (ui->resize)
            ui->resize->ui_resize(ui->resize->handle, width, height);
    }
    return 0;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor = {quelvar::kLv2UiUri, instantiate, cleanup, portEvent,
                                      extensionData};
} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
