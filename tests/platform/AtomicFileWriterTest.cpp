#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AtomicFileWriter.h"

namespace fs = std::filesystem;
using kalvora::platform::AtomicFileWriter;

namespace {

class AtomicFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("kalvora-atomic-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string contents(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
    size_t entries() const { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }

    fs::path dir;
};

const uint8_t kNew[] = {'n', 'e', 'w'};

}  // namespace

TEST_F(AtomicFileWriterTest, CommitReplacesTheTargetAndKeepsItsPermissions)
{
    const fs::path target = dir / "a.bricks";
    put(target, "old");
    ::chmod(target.c_str(), 0640);
    AtomicFileWriter w(target.string());
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.write(kNew, 3));
    EXPECT_EQ(contents(target), "old");  // untouched until the commit
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(contents(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileWriterTest, DiscardAndDestructionLeaveTheTargetAndNoTemporary)
{
    const fs::path target = dir / "a.bricks";
    put(target, "old");
    {
        AtomicFileWriter w(target.string());
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.write(kNew, 3));
        EXPECT_TRUE(fs::exists(w.temporaryPath()));
    }
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileWriterTest, SavingThroughALinkReplacesTheFileItPointsAt)
{
    const fs::path real = dir / "real.bricks";
    const fs::path link = dir / "link.bricks";
    put(real, "old");
    fs::create_symlink(real, link);
    AtomicFileWriter w(link.string());
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.write(kNew, 3));
    ASSERT_TRUE(w.commit());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(real), "new");
    EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicFileWriterTest, ASaveRemovesTheTemporaryFilesOfKilledSavesOnly)
{
    const fs::path target = dir / "a.bricks";
    put(target, "old");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Killed while its save is half written.
        AtomicFileWriter w(target.string());
        const char byte = w.open() && w.write(kNew, 2) ? 'w' : 'f';
        (void)!::write(ready[1], &byte, 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'w');
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    EXPECT_EQ(entries(), 2u);

    // Kept: a file named after a live process, and one whose process is gone
    // from this one's view but whose lock is held.
    const fs::path ofLiveProcess = dir / (".kalvora-save-" + std::to_string(::getppid()) + "-0.tmp");
    const fs::path locked = dir / (".kalvora-save-" + std::to_string(child) + "-99999.tmp");
    put(ofLiveProcess, "");
    put(locked, "");
    const int lockFd = ::open(locked.c_str(), O_RDWR);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
    AtomicFileWriter w(target.string());
    EXPECT_TRUE(w.open() && w.write(kNew, 3) && w.commit());
    ::close(lockFd);
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(entries(), 3u);
    EXPECT_TRUE(fs::exists(ofLiveProcess) && fs::exists(locked));
}
