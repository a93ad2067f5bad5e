// The module's factory: one class, the instrument. A single object for the life of the module;
// a host's references to it count nothing. Any thread.
#pragma once

#include "vst3/Vst3Interface.h"

#include <cstdint>
#include <span>

namespace quelvar::vst3
{

class Vst3Factory final : public IPluginFactory3
{
public:
    static Vst3Factory& instance();

    tresult queryInterface(const TUID interfaceId, void** object) override;
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }

    tresult getFactoryInfo(PFactoryInfo* info) override;
    int32 countClasses() override { return 1; }
    tresult getClassInfo(int32 index, PClassInfo* info) override;
    tresult createInstance(FIDString classId, FIDString interfaceId, void** object) override;
    tresult getClassInfo2(int32 index, PClassInfo2* info) override;
    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    tresult setHostContext(FUnknown* context) override;

    // The editor's program every instance carries; set by the module's entry.
    void setUiProgram(std::span<const std::uint8_t> program) { uiProgram = program; }

private:
    std::span<const std::uint8_t> uiProgram;
};

} // namespace quelvar::vst3
