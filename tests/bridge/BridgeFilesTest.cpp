#include "bridge/bridgeFiles.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelvar::bridge;
namespace fs = std::filesystem;

namespace
{
class BridgeFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quelvar-files-test-XXXXXX";
        dir = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(dir); }

    mode_t modeOf(const std::string& path)
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
    }

    std::string dir;
};

// Another user's id, for files that root can give away; 0 when the test cannot make them.
uid_t foreignUser()
{
    return geteuid() == 0 ? 65534 : 0;
}
} // namespace

TEST_F(BridgeFiles, RuntimeDirectoryIsTheUsersOwnOrAPrivateOneUnderTmp)
{
    EXPECT_EQ(runtimeDirectoryFrom(dir.c_str(), dir + "/unused", true), dir);
    EXPECT_FALSE(fs::exists(dir + "/unused"));

    // Relative or missing values fall back; the fallback is made private.
    const std::string fallback = dir + "/fallback";
    EXPECT_EQ(runtimeDirectoryFrom("relative/run", fallback, true), fallback);
    EXPECT_EQ(runtimeDirectoryFrom((dir + "/missing").c_str(), fallback, true), fallback);
    EXPECT_EQ(modeOf(fallback) & 0777, 0700u);

    // The UI process only looks; it never makes the directory.
    EXPECT_EQ(runtimeDirectoryFrom(nullptr, dir + "/absent", false), "");
    EXPECT_FALSE(fs::exists(dir + "/absent"));
}

TEST_F(BridgeFiles, FallbackThatIsALinkOrOpenToOthersIsRefusedOrTightened)
{
    const std::string target = dir + "/target";
    fs::create_directory(target);
    fs::create_directory_symlink(target, dir + "/link");
    EXPECT_EQ(runtimeDirectoryFrom(nullptr, dir + "/link", true), "");

    const std::string open = dir + "/open";
    fs::create_directory(open);
    chmod(open.c_str(), 0777);
    EXPECT_EQ(runtimeDirectoryFrom(nullptr, open, true), open);
    EXPECT_EQ(modeOf(open) & 0777, 0700u);
}

TEST_F(BridgeFiles, FallbackOwnedByAnotherUserIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a directory away";
    const std::string theirs = dir + "/theirs";
    fs::create_directory(theirs);
    ASSERT_EQ(chown(theirs.c_str(), foreignUser(), foreignUser()), 0);
    EXPECT_EQ(runtimeDirectoryFrom(nullptr, theirs, true), "");
}

TEST_F(BridgeFiles, NamesCarryTheTagAndStayInTheDirectory)
{
    const BridgePaths p = bridgePaths("/run/user/7", "4321-2");
    EXPECT_EQ(p.program, "/run/user/7/QuelvarUI4321-2");
    EXPECT_EQ(p.commandFifo, "/run/user/7/quelvarui4321-2.fifo");
    EXPECT_EQ(p.noticeFifo, "/run/user/7/quelvarplugin4321-2.fifo");
    EXPECT_EQ(p.sharedBlock, "/qlvrdata.mmap4321-2");

    EXPECT_TRUE(isValidTag("4321-2"));
    for (const char* bad : {"", "../../etc/x", "12/3", "1 2", "0123456789012345678901234567890123"})
        EXPECT_FALSE(isValidTag(bad)) << bad;
}

TEST_F(BridgeFiles, NewFifoIsPrivateAndALeftoverOfOursIsReused)
{
    const std::string path = dir + "/quelvarui1-0.fifo";
    ASSERT_TRUE(createFifo(path));
    EXPECT_TRUE(S_ISFIFO(modeOf(path)));
    EXPECT_EQ(modeOf(path) & 0777, 0600u);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(createFifo(path));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("The named file already exists."),
              std::string::npos);

    const int fd = openFifo(path);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(fcntl(fd, F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    close(fd);
}

TEST_F(BridgeFiles, ForeignOrLinkedFifoIsRefused)
{
    const std::string plain = dir + "/plain.fifo";
    std::ofstream(plain) << "not a fifo";
    testing::internal::CaptureStdout();
    EXPECT_FALSE(createFifo(plain));
    EXPECT_LT(openFifo(plain), 0);

    const std::string real = dir + "/real.fifo";
    ASSERT_TRUE(createFifo(real));
    fs::create_symlink(real, dir + "/linked.fifo");
    EXPECT_FALSE(createFifo(dir + "/linked.fifo"));
    EXPECT_LT(openFifo(dir + "/linked.fifo"), 0);

    if (geteuid() == 0)
    {
        ASSERT_EQ(chown(real.c_str(), foreignUser(), foreignUser()), 0);
        EXPECT_FALSE(createFifo(real));
        EXPECT_LT(openFifo(real), 0);
    }
    testing::internal::GetCapturedStdout();
}

TEST_F(BridgeFiles, ProgramIsWrittenPrivateWithoutFollowingALink)
{
    const std::string victim = dir + "/victim";
    std::ofstream(victim) << "keep me";
    const std::string path = dir + "/QuelvarUI1-0";
    fs::create_symlink(victim, path);

    const std::uint8_t bytes[] = {0x7F, 'E', 'L', 'F', 0, 1, 2};
    ASSERT_TRUE(writeProgram(path, bytes));
    EXPECT_TRUE(S_ISREG(modeOf(path)));
    EXPECT_EQ(modeOf(path) & 0777, 0700u);
    EXPECT_EQ(fs::file_size(path), sizeof bytes);
    std::ifstream kept(victim);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "keep me");
}
