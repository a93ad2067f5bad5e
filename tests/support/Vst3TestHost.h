// A small VST 3 host: loads a bundle by its path as a host does (dlopen of
// Contents/x86_64-linux/<name>.so, ModuleEntry, GetPluginFactory), walks the factory, makes the
// first audio module class's component with a host context, and takes its controller from the
// component itself or from the controller class it names. Streams state through a memory stream
// and records what the plugin asks of the host. For tests; allocates freely.
#pragma once

#include "vst3/Vst3Interface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quelvar
{

// An IBStream over bytes in memory; reads hand out at most `piece` bytes a call (0: all asked).
class MemoryStream final : public vst3::IBStream
{
public:
    explicit MemoryStream(std::vector<std::uint8_t> initial = {}, int piece = 0)
        : bytes(std::move(initial)), piece(piece)
    {
    }
    const std::vector<std::uint8_t>& data() const { return bytes; }

    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::tresult read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) override;
    vst3::tresult write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) override;
    vst3::tresult seek(vst3::int64 position, vst3::int32 mode, vst3::int64* result) override;
    vst3::tresult tell(vst3::int64* position) override;

private:
    std::vector<std::uint8_t> bytes;
    int piece;
    std::size_t cursor = 0;
};

// A host's view of the plugin's UTF-16 texts, which are ASCII.
std::string asciiOf(const vst3::char16* text);

class Vst3TestHost final : public vst3::IHostApplication, public vst3::IComponentHandler
{
public:
    explicit Vst3TestHost(const std::string& bundlePath);
    ~Vst3TestHost();
    Vst3TestHost(const Vst3TestHost&) = delete;
    Vst3TestHost& operator=(const Vst3TestHost&) = delete;

    bool loaded() const { return controller != nullptr; }
    const std::string& error() const { return loadError; }
    const std::string& modulePath() const { return module; }

    vst3::IPluginFactory* factory = nullptr;
    vst3::IComponent* component = nullptr;
    vst3::IEditController* controller = nullptr;
    vst3::IAudioProcessor* processor = nullptr; // null when the component has none
    vst3::IMidiMapping* midiMapping = nullptr;  // null when the controller has none
    vst3::PClassInfo2 classInfo{};

    // The component's state, and a state handed back as a host restores a project: the
    // component's setState, then the controller's setComponentState. The stream gives `piece`
    // bytes a read (0: all).
    std::vector<std::uint8_t> saveState();
    bool restoreState(const std::vector<std::uint8_t>& state, int piece = 0);

    std::string text(vst3::ParamID id, vst3::ParamValue value);
    bool value(vst3::ParamID id, const std::string& text, vst3::ParamValue& value);
    // The list's index of a parameter id; -1 when it is not listed.
    int indexOf(vst3::ParamID id);

    // What the plugin asked of the host.
    std::vector<vst3::int32> restarts;

    // IHostApplication, IComponentHandler: an object of the host's that outlives the plugin.
    vst3::tresult queryInterface(const vst3::TUID interfaceId, void** object) override;
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::tresult getName(vst3::String128 name) override;
    vst3::tresult createInstance(vst3::TUID classId, vst3::TUID interfaceId,
                                 void** object) override;
    vst3::tresult beginEdit(vst3::ParamID) override { return vst3::kResultOk; }
    vst3::tresult performEdit(vst3::ParamID, vst3::ParamValue) override { return vst3::kResultOk; }
    vst3::tresult endEdit(vst3::ParamID) override { return vst3::kResultOk; }
    vst3::tresult restartComponent(vst3::int32 flags) override;

private:
    bool load(const std::string& bundlePath);

    void* library = nullptr;
    std::string module;
    std::string loadError;
    bool separateController = false;
};

} // namespace quelvar
