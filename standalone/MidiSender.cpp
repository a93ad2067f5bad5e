#include "standalone/MidiSender.h"

#include "standalone/MidiPorts.h"

#include <algorithm>
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

void MidiSender::setOctaveShift(int octaves)
{
    octaveShift.store(std::clamp(octaves, -2, 2), std::memory_order_relaxed);
}

// A note-off takes the shift of its note-on, so a change of the setting hangs no note.
bool MidiSender::shift(std::uint32_t& message)
{
    const std::uint32_t status = message & 0xF0;
    const auto note = static_cast<int>((message >> 8) & 0x7F);
    const bool noteOn = status == 0x90 && ((message >> 16) & 0x7F) != 0;
    if (status != 0x80 && status != 0x90)
        return true;
    if (noteOn)
        shiftAtNoteOn[static_cast<std::size_t>(note)] =
            static_cast<std::int8_t>(12 * octaveShift.load(std::memory_order_relaxed));
    const int moved = note + shiftAtNoteOn[static_cast<std::size_t>(note)];
    if (moved < 0 || moved > 127)
        return false;
    message = (message & ~0xFF00u) | static_cast<std::uint32_t>(moved) << 8;
    return true;
}

void MidiSender::queue(std::uint32_t message, std::int64_t dueNs, int deltaFrames)
{
    if (!shift(message))
        return;
    if (MidiScheduler* scheduler = timed.load(std::memory_order_acquire))
        scheduler->schedule(message, deltaFrames);
    else
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
