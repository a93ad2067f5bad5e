#include "support/ClapTestHost.h"

#include <dlfcn.h>
#include <poll.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
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
        if (n > 0) // an empty stream has no data pointer
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
    hostParams = {rescan, clear, requestFlush};
    timerSupport = {registerTimer, unregisterTimer};
    fdSupport = {registerFd, modifyFd, unregisterFd};
    gui = {resizeHintsChanged, requestResize, requestShowOrHide, requestShowOrHide, closed};

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
    // Room for every event of a test's blocks: nothing allocates while processing.
    sent.reserve(1 << 16);
    queued.reserve(4096);
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

void ClapTestHost::flushEvents()
{
    const clap_input_events in{this, queuedCount, queuedEvent};
    const clap_output_events out{this, pushEvent};
    blockFrames = 0;
    lastSentTime = 0;
    params()->flush(instance, &in, &out);
    queued.clear();
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
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0 && self(host).offersTimers)
        return &self(host).timerSupport;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0 && self(host).offersFds)
        return &self(host).fdSupport;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
        return &self(host).gui;
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

void ClapTestHost::requestFlush(const clap_host* host)
{
    ++self(host).flushRequests;
}

bool ClapTestHost::registerTimer(const clap_host* host, std::uint32_t periodMs, clap_id* id)
{
    ClapTestHost& h = self(host);
    *id = h.nextTimer++;
    h.timers.emplace_back(*id, periodMs);
    return true;
}

bool ClapTestHost::unregisterTimer(const clap_host* host, clap_id id)
{
    auto& timers = self(host).timers;
    const auto at =
        std::find_if(timers.begin(), timers.end(), [&](const auto& t) { return t.first == id; });
    if (at == timers.end())
        return false;
    timers.erase(at);
    return true;
}

bool ClapTestHost::registerFd(const clap_host* host, int fd, std::uint32_t)
{
    self(host).watchedFds.push_back(fd);
    return true;
}

bool ClapTestHost::modifyFd(const clap_host*, int, std::uint32_t)
{
    return true;
}

bool ClapTestHost::unregisterFd(const clap_host* host, int fd)
{
    auto& fds = self(host).watchedFds;
    const auto at = std::find(fds.begin(), fds.end(), fd);
    if (at == fds.end())
        return false;
    fds.erase(at);
    return true;
}

bool ClapTestHost::requestResize(const clap_host* host, std::uint32_t width, std::uint32_t height)
{
    self(host).resizeRequests.emplace_back(width, height);
    return true;
}

bool ClapTestHost::requestShowOrHide(const clap_host*)
{
    return false;
}

void ClapTestHost::resizeHintsChanged(const clap_host*) {}

void ClapTestHost::closed(const clap_host* host, bool wasDestroyed)
{
    ++self(host).closedCalls;
    self(host).closedDestroyed = wasDestroyed;
}

void ClapTestHost::runMainLoopOnce()
{
    const auto* timerEntry = extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    const auto* fdEntry = extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
    for (const auto& [id, period] : std::vector(timers))
        timerEntry->on_timer(instance, id);
    for (int fd : std::vector(watchedFds))
    {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 0) == 1)
            fdEntry->on_fd(instance, fd, CLAP_POSIX_FD_READ);
    }
}

bool ClapTestHost::activate(double rate, std::uint32_t maxFrames)
{
    if (!instance->activate(instance, rate, 1, maxFrames))
        return false;
    sampleRate = rate;
    framesProcessed = 0;
    return instance->start_processing(instance);
}

void ClapTestHost::deactivate()
{
    instance->stop_processing(instance);
    instance->deactivate(instance);
}

void ClapTestHost::queue(const clap_event_header& header)
{
    QueuedEvent e;
    std::memset(&e, 0, sizeof e);
    std::memcpy(&e, &header, std::min<std::size_t>(header.size, sizeof e));
    e.header.size = header.size;
    queued.push_back(e);
}

void ClapTestHost::queueNote(std::uint16_t type, std::uint32_t frame, int key, double velocity,
                             int channel)
{
    clap_event_note note{};
    note.header = {sizeof note, frame, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    note.note_id = -1;
    note.port_index = 0;
    note.channel = static_cast<std::int16_t>(channel);
    note.key = static_cast<std::int16_t>(key);
    note.velocity = velocity;
    queue(note.header);
}

void ClapTestHost::queueMidi(std::uint32_t frame, std::uint8_t status, std::uint8_t data1,
                             std::uint8_t data2)
{
    clap_event_midi midi{};
    midi.header = {sizeof midi, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    midi.port_index = 0;
    midi.data[0] = status;
    midi.data[1] = data1;
    midi.data[2] = data2;
    queue(midi.header);
}

void ClapTestHost::queueParameter(std::uint32_t frame, clap_id id, double value,
                                  std::uint16_t space)
{
    clap_event_param_value p{};
    p.header = {sizeof p, frame, space, CLAP_EVENT_PARAM_VALUE, 0};
    p.param_id = id;
    p.note_id = -1;
    p.port_index = -1;
    p.channel = -1;
    p.key = -1;
    p.value = value;
    queue(p.header);
}

void ClapTestHost::queueTransport(std::uint32_t frame, const clap_event_transport& t)
{
    clap_event_transport moved = t;
    moved.header = {sizeof moved, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    queue(moved.header);
}

// Only the header is there to copy: the size it declares is sent, the payload reads as zeros.
void ClapTestHost::queueRaw(const clap_event_header& header)
{
    QueuedEvent e;
    std::memset(&e, 0, sizeof e);
    e.header = header;
    queued.push_back(e);
}

clap_event_transport ClapTestHost::transportAt(double beats, double bpm, bool playing)
{
    clap_event_transport t{};
    t.header = {sizeof t, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
              CLAP_TRANSPORT_HAS_TIME_SIGNATURE | (playing ? CLAP_TRANSPORT_IS_PLAYING : 0u);
    t.song_pos_beats = std::llround(beats * CLAP_BEATTIME_FACTOR);
    t.tempo = bpm;
    t.bar_start = std::llround(std::floor(beats / 4.0) * 4.0 * CLAP_BEATTIME_FACTOR);
    t.bar_number = static_cast<std::int32_t>(std::floor(beats / 4.0));
    t.tsig_num = 4;
    t.tsig_denom = 4;
    return t;
}

std::uint32_t ClapTestHost::queuedCount(const clap_input_events* list)
{
    return static_cast<std::uint32_t>(static_cast<ClapTestHost*>(list->ctx)->queued.size());
}

const clap_event_header* ClapTestHost::queuedEvent(const clap_input_events* list,
                                                   std::uint32_t index)
{
    auto& queued = static_cast<ClapTestHost*>(list->ctx)->queued;
    return index < queued.size() ? &queued[index].header : nullptr;
}

bool ClapTestHost::pushEvent(const clap_output_events* list, const clap_event_header* e)
{
    ClapTestHost& host = *static_cast<ClapTestHost*>(list->ctx);
    if (!e || e->size < sizeof(clap_event_header))
    {
        host.faults.emplace_back("an output event without its header");
        return false;
    }
    if (e->time < host.lastSentTime || (host.blockFrames > 0 && e->time >= host.blockFrames))
        host.faults.push_back("output event at " + std::to_string(e->time) + " in a block of " +
                              std::to_string(host.blockFrames) + " after one at " +
                              std::to_string(host.lastSentTime));
    host.lastSentTime = e->time;
    if (host.sent.size() == host.sent.capacity())
        return false;
    SentEvent s{host.framesProcessed + e->time, e->type, e->flags, {}, CLAP_INVALID_ID, 0.0};
    if (e->space_id == CLAP_CORE_EVENT_SPACE_ID && e->type == CLAP_EVENT_MIDI &&
        e->size >= sizeof(clap_event_midi))
    {
        const auto& m = *reinterpret_cast<const clap_event_midi*>(e);
        s.midi = {m.data[0], m.data[1], m.data[2]};
    }
    else if (e->space_id == CLAP_CORE_EVENT_SPACE_ID && e->type == CLAP_EVENT_PARAM_VALUE &&
             e->size >= sizeof(clap_event_param_value))
    {
        const auto& p = *reinterpret_cast<const clap_event_param_value*>(e);
        s.parameter = p.param_id;
        s.value = p.value;
    }
    else if (e->space_id == CLAP_CORE_EVENT_SPACE_ID &&
             (e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
              e->type == CLAP_EVENT_PARAM_GESTURE_END) &&
             e->size >= sizeof(clap_event_param_gesture))
        s.parameter = reinterpret_cast<const clap_event_param_gesture*>(e)->param_id;
    host.sent.push_back(s);
    return true;
}

clap_process_status ClapTestHost::process(float* left, float* right, std::uint32_t frames,
                                          float* const* input)
{
    float* channels[2] = {left, right};
    clap_audio_buffer out{channels, nullptr, 2, 0, ~std::uint64_t{0}};
    clap_audio_buffer in{const_cast<float**>(input), nullptr, 2, 0, 0};
    const clap_input_events events{this, queuedCount, queuedEvent};
    const clap_output_events outEvents{this, pushEvent};
    const clap_process block{framesProcessed,
                             frames,
                             transport ? &*transport : nullptr,
                             input ? &in : nullptr,
                             &out,
                             input ? 1u : 0u,
                             1,
                             &events,
                             &outEvents};
    blockFrames = frames;
    lastSentTime = 0;
    const unsigned csr = _mm_getcsr();
    const clap_process_status status = instance->process(instance, &block);
    if (_mm_getcsr() != csr)
        faults.emplace_back("the host's MXCSR changed");
    for (std::uint32_t c = 0; c < 2; ++c)
        if ((out.constant_mask >> c & 1u) &&
            std::any_of(channels[c], channels[c] + frames,
                        [&](float v) { return v != channels[c][0]; }))
            faults.emplace_back("output said to be constant but not");
    queued.clear();
    framesProcessed += frames;
    if (transport && (transport->flags & CLAP_TRANSPORT_IS_PLAYING) &&
        (transport->flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE))
    {
        const double beats = static_cast<double>(transport->song_pos_beats) / CLAP_BEATTIME_FACTOR +
                             frames / sampleRate * transport->tempo / 60.0;
        transport->song_pos_beats = std::llround(beats * CLAP_BEATTIME_FACTOR);
    }
    return status;
}

} // namespace quelvar
