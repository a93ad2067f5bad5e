// The audio thread makes no system call for the editor: write(2) is interposed for this test
// program, counting the calls made on a thread while it is marked as the audio thread, and passing
// every call on to the kernel.
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace
{
thread_local bool onAudioThread = false;
std::atomic<int> audioThreadWrites{0};
} // namespace

extern "C" ssize_t write(int fd, const void* bytes, size_t count)
{
    if (onAudioThread)
        audioThreadWrites.fetch_add(1, std::memory_order_relaxed);
    return syscall(SYS_write, fd, bytes, count);
}

using namespace quelvar;

// The editor is open (its UI process has no display and ends, as when it crashes), the sequencer
// plays and MIDI notes come in, echoed and triggering patterns: steps, echoes, parameter notices
// and refreshes all wait for the editor's poll thread.
TEST(AudioThreadWrites, NoneWhileTheEditorIsOpenAndTheSequencerPlays)
{
    unsetenv("DISPLAY");
    VstHost host(QUELVAR_PLUGIN_PATH);
    ASSERT_TRUE(host.loaded());
    host.start(44100.0, 512);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{4242})), 1);
    host.play();
    std::vector<float> left(512), right(512);
    const int before = audioThreadWrites.load();
    for (int block = 0; block < 400; ++block)
    {
        if (block % 20 == 0)
        {
            host.queueMidi(5, 0x90, block % 4, 100);
            host.queueMidi(300, 0x80, block % 4, 0);
        }
        onAudioThread = true;
        host.processBlock(left.data(), right.data(), 512);
        onAudioThread = false;
    }
    EXPECT_EQ(audioThreadWrites.load(), before);
    host.dispatch(effEditClose);
}
