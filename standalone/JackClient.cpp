#include "standalone/JackClient.h"

#include <cerrno>
#include <thread>

namespace quelvar
{

namespace
{
void waitUntilZero(const std::atomic<int>& count)
{
    while (count.load() != 0)
        std::this_thread::yield();
}

std::vector<std::string> takeNames(const char** names)
{
    std::vector<std::string> list;
    for (std::size_t i = 0; names && names[i]; ++i)
        list.emplace_back(names[i]);
    if (names)
        jack_free(static_cast<void*>(names));
    return list;
}
} // namespace

// Closing ends the process and notification threads before it returns.
JackClient::~JackClient()
{
    if (client)
        jack_client_close(client);
}

bool JackClient::isOpen() const
{
    return client && !serverGone.load();
}

// A server that went away is not followed to its next start: the MIDI ports belonged to the old
// client.
bool JackClient::open()
{
    if (client)
        return !serverGone.load();
    jack_status_t status{};
    jack_client_t* c = jack_client_open(kJackMidiClient, JackNoStartServer, &status);
    if (!c)
        return false;
    jack_set_process_callback(c, &JackClient::processCallback, this);
    jack_set_port_registration_callback(c, &JackClient::registrationCallback, this);
    jack_on_info_shutdown(c, &JackClient::shutdownCallback, this);
    if (jack_activate(c) != 0)
    {
        jack_client_close(c);
        return false;
    }
    client = c;
    return true;
}

void JackClient::setProcessor(JackProcessor* p)
{
    processor.store(nullptr);
    waitUntilZero(processing);
    processor.store(p);
}

void JackClient::setPortNotice(std::function<void()> notice)
{
    noticing.store(false);
    waitUntilZero(notifying);
    portNotice = std::move(notice);
    noticing.store(static_cast<bool>(portNotice));
}

int JackClient::processCallback(jack_nframes_t frames, void* self)
{
    auto* me = static_cast<JackClient*>(self);
    me->processing.fetch_add(1);
    if (JackProcessor* p = me->processor.load())
        p->process(frames);
    me->processing.fetch_sub(1);
    return 0;
}

void JackClient::registrationCallback(jack_port_id_t /*port*/, int /*registered*/, void* self)
{
    auto* me = static_cast<JackClient*>(self);
    me->notifying.fetch_add(1);
    if (me->noticing.load())
        me->portNotice();
    me->notifying.fetch_sub(1);
}

// The server went away: the client is dead, and only closing it remains.
void JackClient::shutdownCallback(jack_status_t /*code*/, const char* /*reason*/, void* self)
{
    static_cast<JackClient*>(self)->serverGone.store(true);
}

std::vector<std::string> JackClient::ports(const std::string& pattern, const char* type,
                                           unsigned long flags) const
{
    if (!isOpen())
        return {};
    return takeNames(jack_get_ports(client, pattern.c_str(), type, flags));
}

std::vector<std::string> JackClient::connections(const std::string& port) const
{
    if (!isOpen())
        return {};
    jack_port_t* p = jack_port_by_name(client, port.c_str());
    return p ? takeNames(jack_port_get_all_connections(client, p)) : std::vector<std::string>{};
}

bool JackClient::connect(const std::string& source, const std::string& destination)
{
    if (!isOpen())
        return false;
    const int e = jack_connect(client, source.c_str(), destination.c_str());
    return e == 0 || e == EEXIST;
}

bool JackClient::disconnect(const std::string& source, const std::string& destination)
{
    return isOpen() && jack_disconnect(client, source.c_str(), destination.c_str()) == 0;
}

bool JackClient::rename(const std::string& port, const std::string& shortName)
{
    if (!isOpen())
        return false;
    jack_port_t* p = jack_port_by_name(client, port.c_str());
    return p && jack_port_rename(client, p, shortName.c_str()) == 0;
}

} // namespace quelvar
