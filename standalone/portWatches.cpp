#include "standalone/portWatches.h"

#include <QSocketNotifier>

#include <alsa/asoundlib.h>

#include <vector>

namespace quelvar
{

namespace
{
constexpr const char* kWatchClient = "Quelvar port watch";

class AlsaPortWatch : public MidiPortWatch
{
public:
    AlsaPortWatch(snd_seq_t* seq, std::function<void()> changed)
        : seq(seq), changed(std::move(changed))
    {
    }
    ~AlsaPortWatch() override
    {
        notifiers.clear();
        snd_seq_close(seq);
    }

    bool start()
    {
        snd_seq_set_client_name(seq, kWatchClient);
        const int port = snd_seq_create_simple_port(
            seq, "announce", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
            SND_SEQ_PORT_TYPE_APPLICATION);
        if (port < 0 || snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM,
                                             SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0)
            return false;
        const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
        std::vector<pollfd> fds(static_cast<std::size_t>(count));
        snd_seq_poll_descriptors(seq, fds.data(), static_cast<unsigned>(count), POLLIN);
        for (const pollfd& fd : fds)
        {
            auto notifier = std::make_unique<QSocketNotifier>(fd.fd, QSocketNotifier::Read);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
            notifiers.push_back(std::move(notifier));
        }
        return true;
    }

private:
    void drain()
    {
        bool portsMoved = false;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input_pending(seq, 1) > 0 && snd_seq_event_input(seq, &event) >= 0)
        {
            switch (event->type)
            {
            case SND_SEQ_EVENT_CLIENT_START:
            case SND_SEQ_EVENT_CLIENT_EXIT:
            case SND_SEQ_EVENT_PORT_START:
            case SND_SEQ_EVENT_PORT_EXIT:
            case SND_SEQ_EVENT_PORT_CHANGE:
                portsMoved = true;
                break;
            default:
                break;
            }
        }
        if (portsMoved)
            changed();
    }

    snd_seq_t* seq;
    std::function<void()> changed;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
};
} // namespace

std::unique_ptr<MidiPortWatch> watchAlsaPorts(std::function<void()> changed)
{
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0)
        return nullptr;
    auto watch = std::make_unique<AlsaPortWatch>(seq, std::move(changed));
    return watch->start() ? std::move(watch) : nullptr;
}

} // namespace quelvar
