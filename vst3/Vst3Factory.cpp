#include "vst3/Vst3Factory.h"

#include "engine/parameterTable.h"
#include "vst3/Vst3Plugin.h"

#include <cstring>

namespace quelvar::vst3
{

namespace
{
constexpr const char* kVendor = "Brontavell";
constexpr const char* kUrl = "https://brontavell.example/quelvar";
constexpr const char* kEmail = "quelvar@brontavell.example";
constexpr const char* kName = "Quelvar";
// The published interface our declarations follow.
constexpr const char* kInterfaceVersion = "VST 3.7.2";

template <std::size_t N> void copyField(const char* text, char (&field)[N])
{
    copyText(text, field, N);
}

template <std::size_t N> void copyField(const char* text, char16 (&field)[N])
{
    std::size_t n = 0;
    for (; text[n] && n < N - 1; ++n)
        field[n] = static_cast<char16>(static_cast<unsigned char>(text[n]));
    field[n] = 0;
}

// PClassInfo, PClassInfo2 and PClassInfoW share these fields under the same names.
template <class Info> void describeClass(Info& info)
{
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.cid, Vst3Plugin::classId.bytes, sizeof info.cid);
    info.cardinality = PClassInfo::kManyInstances;
    copyField(kAudioModuleClass, info.category);
    copyField(kName, info.name);
    if constexpr (requires { info.subCategories; })
    {
        copyField(kSubCategoryInstrumentSynth, info.subCategories);
        copyField(kVendor, info.vendor);
        copyField(QUELVAR_VERSION, info.version);
        copyField(kInterfaceVersion, info.sdkVersion);
    }
}

template <class Info> tresult classInfoAt(int32 index, Info* info)
{
    if (index != 0 || !info)
        return kInvalidArgument;
    describeClass(*info);
    return kResultOk;
}
} // namespace

Vst3Factory& Vst3Factory::instance()
{
    static Vst3Factory factory;
    return factory;
}

tresult Vst3Factory::queryInterface(const TUID interfaceId, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (FUnknown::iid == interfaceId || IPluginFactory::iid == interfaceId ||
        IPluginFactory2::iid == interfaceId || IPluginFactory3::iid == interfaceId)
    {
        *object = this;
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

tresult Vst3Factory::getFactoryInfo(PFactoryInfo* info)
{
    if (!info)
        return kInvalidArgument;
    std::memset(info, 0, sizeof *info);
    copyField(kVendor, info->vendor);
    copyField(kUrl, info->url);
    copyField(kEmail, info->email);
    info->flags = PFactoryInfo::kUnicode;
    return kResultOk;
}

tresult Vst3Factory::getClassInfo(int32 index, PClassInfo* info)
{
    return classInfoAt(index, info);
}

tresult Vst3Factory::getClassInfo2(int32 index, PClassInfo2* info)
{
    return classInfoAt(index, info);
}

tresult Vst3Factory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    return classInfoAt(index, info);
}

tresult Vst3Factory::createInstance(FIDString classId, FIDString interfaceId, void** object)
{
    if (!object)
        return kInvalidArgument;
    *object = nullptr;
    if (!(Vst3Plugin::classId == classId) || !interfaceId)
        return kNoInterface;
    Vst3Plugin* plugin = Vst3Plugin::create(uiProgram);
    if (!plugin)
        return kOutOfMemory;
    const tresult result = plugin->queryInterface(interfaceId, object);
    plugin->release();
    return result;
}

tresult Vst3Factory::setHostContext(FUnknown* /*context*/)
{
    return kResultOk;
}

} // namespace quelvar::vst3
