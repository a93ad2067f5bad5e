#include "standalone/MidiSender.h"

#include "standalone/MidiPorts.h"

#include <chrono>

namespace quelvar
{

namespace
{
// How long the thread sleeps when nothing is due: well under a sixteenth at any tempo.
constexpr std::int64_t kIdleNs = 1'000'000;
} // namespace

MidiSender::MidiSender() : thread(&MidiSender::run, this)
{
}

MidiSender::~MidiSender()
{
    running.store(false, std::memory_order_relaxed);
    thread.join();
}

std::int64_t MidiSender::now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void MidiSender::queue(std::uint32_t message, std::int64_t dueNs)
{
    waiting.push({message, dueNs});
}

void MidiSender::send(std::uint32_t message)
{
    if (MidiPorts* ports = target.load(std::memory_order_acquire))
        ports->send(message);
}

void MidiSender::run()
{
    Timed next{};
    bool holding = false;
    while (running.load(std::memory_order_relaxed))
    {
        if (!holding)
            holding = waiting.pop(next);
        if (!holding)
        {
            std::this_thread::sleep_for(std::chrono::nanoseconds(kIdleNs));
            continue;
        }
        const std::int64_t wait = next.dueNs - now();
        if (wait > 0)
        {
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait < kIdleNs ? wait : kIdleNs));
            continue;
        }
        send(next.message);
        holding = false;
    }
    if (holding)
        send(next.message);
    while (waiting.pop(next))
        send(next.message);
}

} // namespace quelvar
