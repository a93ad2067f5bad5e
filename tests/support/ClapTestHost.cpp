#include "support/ClapTestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace quelvar
{

using namespace clap;

namespace
{
ClapTestHost& self(const clap_host* host)
{
    return *static_cast<ClapTestHost*>(host->host_data);
}

// One parameter event for flush.
struct OneEvent
{
    clap_event_param_value event;
    static std::uint32_t size(const clap_input_events*) { return 1; }
    static const clap_event_header* get(const clap_input_events* list, std::uint32_t index)
    {
        return index == 0 ? &static_cast<const OneEvent*>(list->ctx)->event.header : nullptr;
    }
};

bool pushNothing(const clap_output_events*, const clap_event_header*)
{
    return true;
}

struct WriteStream
{
    std::vector<std::uint8_t> bytes;
    std::size_t piece;
    static std::int64_t write(const clap_ostream* s, const void* buffer, std::uint64_t size)
    {
        auto& self = *static_cast<WriteStream*>(s->ctx);
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, self.piece));
        const auto* b = static_cast<const std::uint8_t*>(buffer);
        self.bytes.insert(self.bytes.end(), b, b + n);
        return static_cast<std::int64_t>(n);
    }
};

struct ReadStream
{
    const std::vector<std::uint8_t>& bytes;
    std::size_t piece;
    std::size_t failAfter;
    std::size_t at = 0;
    static std::int64_t read(const clap_istream* s, void* buffer, std::uint64_t size)
    {
        auto& self = *static_cast<ReadStream*>(s->ctx);
        if (self.at >= self.failAfter)
            return -1;
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>({size, self.piece, self.bytes.size() - self.at}));
        std::memcpy(buffer, self.bytes.data() + self.at, n);
        self.at += n;
        return static_cast<std::int64_t>(n);
    }
};
} // namespace

ClapTestHost::ClapTestHost(const std::string& path)
{
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "Quelvar test host";
    host.vendor = "Brontavell";
    host.url = "";
    host.version = "1";
    host.get_extension = hostExtension;
    host.request_restart = requestNothing;
    host.request_process = requestNothing;
    host.request_callback = requestNothing;
    threadCheck = {isMainThread, isAudioThread};
    hostParams = {rescan, clear, requestNothing};

    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
    {
        loadError = dlerror();
        return;
    }
    entryPoint = static_cast<const clap_plugin_entry*>(dlsym(library, "clap_entry"));
    if (!entryPoint)
        loadError = "no clap_entry";
    else if (!entryPoint->init(path.c_str()))
        loadError = "the entry's init failed";
    else
        factory = static_cast<const clap_plugin_factory*>(
            entryPoint->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (entryPoint && !factory && loadError.empty())
        loadError = "no plugin factory";
}

ClapTestHost::~ClapTestHost()
{
    destroy();
    if (factory)
        entryPoint->deinit();
    if (library)
        dlclose(library);
}

const clap_plugin* ClapTestHost::create(const char* id)
{
    destroy();
    if (!factory)
        return nullptr;
    if (!id)
    {
        const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
        id = d ? d->id : "";
    }
    instance = factory->create_plugin(factory, &host, id);
    if (instance && !instance->init(instance))
        destroy();
    return instance;
}

void ClapTestHost::destroy()
{
    if (instance)
        instance->destroy(instance);
    instance = nullptr;
}

const clap_plugin_params* ClapTestHost::params() const
{
    return extension<clap_plugin_params>(CLAP_EXT_PARAMS);
}

std::vector<clap_param_info> ClapTestHost::parameters() const
{
    std::vector<clap_param_info> infos(params()->count(instance));
    for (std::uint32_t i = 0; i < infos.size(); ++i)
        if (!params()->get_info(instance, i, &infos[i]))
            infos[i].id = CLAP_INVALID_ID;
    return infos;
}

double ClapTestHost::value(clap_id id) const
{
    double v = -1.0;
    return params()->get_value(instance, id, &v) ? v : -1.0;
}

std::optional<std::string> ClapTestHost::text(clap_id id, double value) const
{
    char buffer[CLAP_NAME_SIZE] = {};
    if (!params()->value_to_text(instance, id, value, buffer, sizeof buffer))
        return std::nullopt;
    return std::string(buffer);
}

std::optional<double> ClapTestHost::fromText(clap_id id, const std::string& text) const
{
    double v = 0.0;
    if (!params()->text_to_value(instance, id, text.c_str(), &v))
        return std::nullopt;
    return v;
}

void ClapTestHost::flush(clap_id id, double value, std::uint16_t space)
{
    OneEvent one{};
    one.event.header = {sizeof(clap_event_param_value), 0, space, CLAP_EVENT_PARAM_VALUE, 0};
    one.event.param_id = id;
    one.event.note_id = -1;
    one.event.port_index = -1;
    one.event.channel = -1;
    one.event.key = -1;
    one.event.value = value;
    const clap_input_events in{&one, OneEvent::size, OneEvent::get};
    const clap_output_events out{nullptr, pushNothing};
    params()->flush(instance, &in, &out);
}

std::optional<std::vector<std::uint8_t>> ClapTestHost::save(std::size_t pieceBytes) const
{
    WriteStream w{{}, pieceBytes};
    const clap_ostream stream{&w, WriteStream::write};
    const auto* state = extension<clap_plugin_state>(CLAP_EXT_STATE);
    if (!state || !state->save(instance, &stream))
        return std::nullopt;
    return w.bytes;
}

bool ClapTestHost::load(const std::vector<std::uint8_t>& bytes, std::size_t pieceBytes,
                        std::optional<std::size_t> failAfterBytes) const
{
    ReadStream r{bytes, pieceBytes, failAfterBytes.value_or(SIZE_MAX)};
    const clap_istream stream{&r, ReadStream::read};
    const auto* state = extension<clap_plugin_state>(CLAP_EXT_STATE);
    return state && state->load(instance, &stream);
}

const void* ClapTestHost::hostExtension(const clap_host* host, const char* id)
{
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0)
        return &self(host).threadCheck;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &self(host).hostParams;
    return nullptr;
}

void ClapTestHost::requestNothing(const clap_host*) {}

bool ClapTestHost::isMainThread(const clap_host* host)
{
    return std::this_thread::get_id() == self(host).mainThread;
}

bool ClapTestHost::isAudioThread(const clap_host* host)
{
    return std::this_thread::get_id() != self(host).mainThread;
}

void ClapTestHost::rescan(const clap_host* host, std::uint32_t flags)
{
    ++self(host).rescans;
    self(host).lastRescanFlags = flags;
}

void ClapTestHost::clear(const clap_host*, clap_id, std::uint32_t) {}

} // namespace quelvar
