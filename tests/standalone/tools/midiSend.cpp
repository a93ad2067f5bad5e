// Test helper: a JACK MIDI client with one output port that plays a script read from standard
// input, one command a line, after it prints "ready". Times are kept with a monotonic clock.
//   note <note> <velocity> <on ms> <off ms>   note-on, wait, note-off, wait
//   clock <bpm> <quarters>                    24 clock ticks per quarter note
//   start | stop | continue                   FA, FB, FC
//   cc <controller> <value>                   a control change on channel 1
//   program <number>                          a program change on channel 1
//   wait <ms>
// Usage: quelvar-midi-send <client name>
#include <RtMidi.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

void send(RtMidiOut& out, std::initializer_list<unsigned char> bytes)
{
    const std::vector<unsigned char> m(bytes);
    out.sendMessage(&m);
}
} // namespace

int main(int argc, char** argv)
{
    const std::string client = argc > 1 ? argv[1] : "quelvar-midi-send";
    try
    {
        RtMidiOut out(RtMidi::UNIX_JACK, client);
        out.openVirtualPort("out");
        std::cout << "ready" << std::endl;

        std::string line;
        while (std::getline(std::cin, line))
        {
            std::istringstream words(line);
            std::string command;
            words >> command;
            if (command == "note")
            {
                int note = 60, velocity = 100, onMs = 100, offMs = 100;
                words >> note >> velocity >> onMs >> offMs;
                send(out, {0x90, static_cast<unsigned char>(note), static_cast<unsigned char>(velocity)});
                std::this_thread::sleep_for(std::chrono::milliseconds(onMs));
                send(out, {0x80, static_cast<unsigned char>(note), 0});
                std::this_thread::sleep_for(std::chrono::milliseconds(offMs));
            }
            else if (command == "clock")
            {
                double bpm = 120.0;
                int quarters = 4;
                words >> bpm >> quarters;
                const auto tick = std::chrono::duration<double>(60.0 / bpm / 24.0);
                auto next = Clock::now();
                for (int i = 0; i < quarters * 24; ++i)
                {
                    std::this_thread::sleep_until(next);
                    send(out, {0xF8});
                    next += std::chrono::duration_cast<Clock::duration>(tick);
                }
            }
            else if (command == "cc")
            {
                int controller = 0, value = 0;
                words >> controller >> value;
                send(out, {0xB0, static_cast<unsigned char>(controller & 0x7F),
                           static_cast<unsigned char>(value & 0x7F)});
            }
            else if (command == "program")
            {
                int program = 0;
                words >> program;
                send(out, {0xC0, static_cast<unsigned char>(program & 0x7F)});
            }
            else if (command == "start")
                send(out, {0xFA});
            else if (command == "continue")
                send(out, {0xFB});
            else if (command == "stop")
                send(out, {0xFC});
            else if (command == "wait")
            {
                int ms = 0;
                words >> ms;
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            }
            std::cout << "done " << command << std::endl;
        }
        // Give JACK a cycle or two to deliver the last messages.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    catch (const RtMidiError& e)
    {
        std::cerr << "quelvar-midi-send: " << e.getMessage() << std::endl;
        return 2;
    }
    return 0;
}
