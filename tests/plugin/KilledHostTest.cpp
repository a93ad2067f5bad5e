// A host killed outright leaves nothing of the plugin behind, and the plugin clears up what
// earlier versions left when their host died.
#include "support/goneProcess.h"
#include "support/testFiles.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quelvar;
namespace fs = std::filesystem;

namespace
{
// Processes whose environment holds `marker`.
int processesWith(const std::string& marker)
{
    int found = 0;
    for (const auto& entry : fs::directory_iterator("/proc"))
    {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string environment = readFile((entry.path() / "environ").string());
        if (environment.find(marker) != std::string::npos)
            ++found;
    }
    return found;
}

// Shared-memory names of ours; other programs come and go there meanwhile.
std::vector<std::string> ourSharedMemory()
{
    std::vector<std::string> names = namesIn("/dev/shm");
    std::erase_if(names, [](const std::string& n) { return n.rfind("qlvrdata", 0) != 0; });
    return names;
}

// In a child: three instances, editors opened (their UI processes run offscreen) and one closed
// again, blocks rendered; then it says so and waits to be killed.
[[noreturn]] void hostUntilKilled(int ready)
{
    std::vector<std::unique_ptr<VstHost>> hosts;
    for (int i = 0; i < 3; ++i)
    {
        hosts.push_back(std::make_unique<VstHost>(QUELVAR_PLUGIN_PATH));
        if (!hosts.back()->loaded())
            _exit(2);
        hosts.back()->start(44100.0, 512);
        hosts.back()->play();
        hosts.back()->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{4242}));
    }
    hosts[1]->dispatch(effEditClose);
    std::vector<float> left(512), right(512);
    for (int b = 0; b < 50; ++b)
        for (auto& host : hosts)
            host->processBlock(left.data(), right.data(), 512);
    const char byte = 1;
    if (write(ready, &byte, 1) != 1)
        _exit(3);
    for (;;)
        pause();
}
} // namespace

TEST(KilledHost, LeavesNothingBehindAndEarlierLeftoversAreSwept)
{
    char pattern[] = "/tmp/quelvar-killed-host-XXXXXX";
    const std::string runtime = mkdtemp(pattern);
    const std::string dead = std::to_string(goneProcess()) + "-0";
    const std::string deadBlock = "/dev/shm/qlvrdata.mmap" + dead;
    std::ofstream(deadBlock) << "x";
    std::ofstream(runtime + "/QuelvarUI" + dead) << "x";
    mkfifo((runtime + "/quelvarui" + dead + ".fifo").c_str(), 0600);
    mkfifo((runtime + "/quelvarplugin" + dead + ".fifo").c_str(), 0600);
    const std::vector<std::string> sharedMemory = ourSharedMemory();

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t host = fork();
    ASSERT_GE(host, 0); // never kill(-1): as root it would end every process on the machine
    if (host == 0)
    {
        close(pipeFds[0]);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        unsetenv("DISPLAY");
        setenv("QT_QPA_PLATFORM", "offscreen", 1); // the UI processes really start
        hostUntilKilled(pipeFds[1]);
    }
    close(pipeFds[1]);
    char byte = 0;
    const bool ready = read(pipeFds[0], &byte, 1) == 1;
    close(pipeFds[0]);
    kill(host, SIGKILL);
    int status = 0;
    waitpid(host, &status, 0);
    ASSERT_TRUE(ready) << "the host ended early with status " << status;

    EXPECT_TRUE(namesIn(runtime).empty()) << "left in the runtime folder";
    // The UI processes it started see their pipe end and quit, however early the host died.
    const std::string marker = "XDG_RUNTIME_DIR=" + runtime;
    for (int i = 0; i < 1000 && processesWith(marker) > 0; ++i)
        usleep(10000);
    EXPECT_EQ(processesWith(marker), 0) << "UI processes outlived the host";
    // Whatever of ours is left there belongs to a process that still runs.
    for (const std::string& name : ourSharedMemory())
    {
        EXPECT_NE(std::find(sharedMemory.begin(), sharedMemory.end(), name), sharedMemory.end())
            << name << " is new";
        EXPECT_EQ(kill(std::stoi(name.substr(13)), 0), 0) << name << " outlived its process";
    }
    fs::remove_all(runtime);
    fs::remove(deadBlock);
}
