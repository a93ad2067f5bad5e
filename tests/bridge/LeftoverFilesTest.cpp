#include "bridge/leftoverFiles.h"

#include "support/goneProcess.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quelvar::bridge;
using quelvar::goneProcess;
namespace fs = std::filesystem;

namespace
{
class LeftoverFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quelvar-files-test-XXXXXX";
        dir = mkdtemp(pattern);
        fs::create_directory(dir + "/shm");
        fs::create_directory(dir + "/run");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir;
};

void touch(const std::string& path)
{
    std::ofstream(path) << "x";
}
} // namespace

TEST_F(LeftoverFiles, RuntimeDirectoryIsTheUsersOwnOrTheirPrivateOneUnderTmp)
{
    EXPECT_EQ(runtimeDirectoryFrom(dir.c_str(), dir + "/unused"), dir);
    const std::string fallback = dir + "/run";
    EXPECT_EQ(runtimeDirectoryFrom("relative/run", fallback), fallback);
    EXPECT_EQ(runtimeDirectoryFrom((dir + "/missing").c_str(), fallback), fallback);
    EXPECT_EQ(runtimeDirectoryFrom(nullptr, dir + "/absent"), "");
    EXPECT_FALSE(fs::exists(dir + "/absent"));

    fs::create_directory_symlink(fallback, dir + "/link");
    EXPECT_EQ(runtimeDirectoryFrom(nullptr, dir + "/link"), "");
    if (geteuid() == 0)
    {
        ASSERT_EQ(chown(fallback.c_str(), 65534, 65534), 0);
        EXPECT_EQ(runtimeDirectoryFrom(nullptr, fallback), "");
    }
}

// Only files of processes that are gone go; a live process's, a link, another user's and names
// of another form stay.
TEST_F(LeftoverFiles, FilesOfGoneProcessesAreRemovedAndNothingElse)
{
    const std::string gone = std::to_string(goneProcess());
    const std::string alive = std::to_string(getpid());
    const std::string shm = dir + "/shm/";
    const std::string run = dir + "/run/";
    for (const std::string& tag : {gone + "-0", gone + "-12", alive + "-0"})
    {
        touch(shm + "qlvrdata.mmap" + tag);
        touch(run + "QuelvarUI" + tag);
        mkfifo((run + "quelvarui" + tag + ".fifo").c_str(), 0600);
        mkfifo((run + "quelvarplugin" + tag + ".fifo").c_str(), 0600);
    }
    touch(dir + "/victim");
    fs::create_symlink(dir + "/victim", run + "QuelvarUI" + gone + "-7");
    for (const std::string& name :
         {std::string("QuelvarUI"), "QuelvarUI" + gone, std::string("QuelvarUI-3"),
          std::string("QuelvarUIx-3"), "QuelvarUI" + gone + "-", "other" + gone + "-1"})
        touch(run + name);
    touch(shm + "qlvrdata.mmap" + gone + "-1.fifo");
    if (geteuid() == 0)
    {
        touch(run + "QuelvarUI" + gone + "-9");
        ASSERT_EQ(chown((run + "QuelvarUI" + gone + "-9").c_str(), 65534, 65534), 0);
    }

    EXPECT_EQ(removeLeftovers(dir + "/shm", dir + "/run"), 8);
    for (const std::string& tag : {gone + "-0", gone + "-12"})
    {
        EXPECT_FALSE(fs::exists(shm + "qlvrdata.mmap" + tag));
        EXPECT_FALSE(fs::exists(run + "QuelvarUI" + tag));
        EXPECT_FALSE(fs::exists(run + "quelvarui" + tag + ".fifo"));
        EXPECT_FALSE(fs::exists(run + "quelvarplugin" + tag + ".fifo"));
    }
    EXPECT_TRUE(fs::exists(shm + "qlvrdata.mmap" + alive + "-0"));
    EXPECT_TRUE(fs::exists(run + "quelvarplugin" + alive + "-0.fifo"));
    EXPECT_TRUE(fs::is_symlink(run + "QuelvarUI" + gone + "-7"));
    EXPECT_TRUE(fs::exists(dir + "/victim"));
    EXPECT_TRUE(fs::exists(run + "QuelvarUI-3"));
    EXPECT_TRUE(fs::exists(run + "other" + gone + "-1"));
    EXPECT_TRUE(fs::exists(shm + "qlvrdata.mmap" + gone + "-1.fifo"));
    if (geteuid() == 0)
    {
        EXPECT_TRUE(fs::exists(run + "QuelvarUI" + gone + "-9"));
    }
    EXPECT_EQ(removeLeftovers(dir + "/shm", ""), 0);
}
