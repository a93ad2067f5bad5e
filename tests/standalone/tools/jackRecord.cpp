// Test helper: records two JACK audio ports into a raw file of interleaved little-endian float32
// frames at the server's rate. It connects to the sources whenever they exist (a program may
// register them after this starts), prints "ready" once running, and writes the file when it
// gets SIGTERM or SIGINT. At most two minutes are kept.
// Usage: quelvar-jack-record <client name> <file> <source left> <source right>
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{
std::atomic<bool> stopping{false};

struct Recorder
{
    jack_port_t* in[2] = {nullptr, nullptr};
    std::vector<float> frames; // interleaved; sized before activation
    std::atomic<std::size_t> written{0};
};

int process(jack_nframes_t n, void* user)
{
    auto* r = static_cast<Recorder*>(user);
    const auto* left = static_cast<const float*>(jack_port_get_buffer(r->in[0], n));
    const auto* right = static_cast<const float*>(jack_port_get_buffer(r->in[1], n));
    std::size_t at = r->written.load(std::memory_order_relaxed);
    for (jack_nframes_t i = 0; i < n && at + 2 <= r->frames.size(); ++i, at += 2)
    {
        r->frames[at] = left[i];
        r->frames[at + 1] = right[i];
    }
    r->written.store(at, std::memory_order_release);
    return 0;
}

void stop(int)
{
    stopping.store(true);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: %s <client name> <file> <source left> <source right>\n",
                     argv[0]);
        return 2;
    }
    jack_client_t* client = jack_client_open(argv[1], JackNoStartServer, nullptr);
    if (!client)
    {
        std::fprintf(stderr, "no JACK server\n");
        return 1;
    }
    Recorder r;
    r.frames.assign(static_cast<std::size_t>(jack_get_sample_rate(client)) * 2 * 120, 0.0f);
    r.in[0] = jack_port_register(client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    r.in[1] = jack_port_register(client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, &process, &r);
    std::signal(SIGTERM, &stop);
    std::signal(SIGINT, &stop);
    if (!r.in[0] || !r.in[1] || jack_activate(client) != 0)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    while (!stopping.load())
    {
        for (int c = 0; c < 2; ++c)
            if (jack_port_by_name(client, argv[3 + c]) && !jack_port_connected(r.in[c]))
                jack_connect(client, argv[3 + c], jack_port_name(r.in[c]));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    jack_deactivate(client);
    jack_client_close(client);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out)
        return 1;
    const std::size_t n = r.written.load(std::memory_order_acquire);
    const bool whole = std::fwrite(r.frames.data(), sizeof(float), n, out) == n;
    return std::fclose(out) == 0 && whole ? 0 : 1;
}
