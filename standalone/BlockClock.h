// When each audio block begins, on a clock of the caller's (nanoseconds, or a JACK server's
// frames): every block starts where the previous one ended, drawn towards the earliest moments
// its callbacks run. The times so keep the sound card's even pace without the callbacks'
// wake-up delays, which would otherwise move every outgoing MIDI message; a block far from where
// it was expected (a restart, an overrun) starts afresh. Audio thread.
#pragma once

namespace quelvar
{

class BlockClock
{
public:
    // now: the clock when the callback began; length: this block's on the same clock; a block
    // further than `tolerance` from where it was expected starts afresh.
    double start(double now, double length, double tolerance);

private:
    double expected = 0.0; // where the next block should begin
    bool running = false;
};

} // namespace quelvar
