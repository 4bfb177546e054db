// A machine that refuses threads (a per-user process limit, a container's
// task limit) must still load projects and make textures, with the same
// bytes as on one thread. Each case runs in a child process of its own,
// where thread starts fail after a set number of workers.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include "BrickTestSupport.h"
#include "DrawingTestSupport.h"
#include "engine/BrickLayout.h"
#include "engine/cBrickDataFile.h"
#include "engine/cBrickGenerator.h"
#include "platform/ThreadPool.h"
#include "tests/support/ChildProcess.h"

namespace kalvora {
namespace {

using namespace std::chrono_literals;

constexpr int kPoolSize = 4;  // the calling thread and three workers wanted
constexpr auto kChildLimit = 15s;

int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return 1;
}

// The threads this process runs besides the pool's. A thread sanitizer
// starts a thread of its own with the first thread started: one is started
// and ended first, so that it counts here and not among the pool's. A
// joined thread can still be counted while the system finishes it, so the
// count is read again until it is gone (for at most half a second: the
// sanitizer's thread stays).
int runningThreads()
{
    const int before = threadCount();
    std::thread([] {}).join();
    const auto deadline = std::chrono::steady_clock::now() + 500ms;
    int count = threadCount();
    while (count > before && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
        count = threadCount();
    }
    return count;
}

// Makes every thread start after the first `workers` fail. As root through
// the process limit of a user of its own (root itself is never limited),
// otherwise through the pool's test hook. Says which one it used.
std::string failThreadStartsAfter(int workers)
{
    if (::geteuid() == 0) {
        const auto tasks = static_cast<rlim_t>(runningThreads() + workers);
        const rlimit limit{tasks, tasks};
        const auto spare = static_cast<uid_t>(3000000000u + static_cast<unsigned>(::getpid()));
        if (::setrlimit(RLIMIT_NPROC, &limit) == 0 && ::setgroups(0, nullptr) == 0 && ::setgid(spare) == 0 &&
            ::setuid(spare) == 0)
            return "process limit";
    }
    platform::ThreadPool::failWorkerStartsAfter(workers);
    return "test hook";
}

std::string pixelBytes(const cBitmap& bitmap)
{
    const platform::Image* image = bitmap.Handle();
    if (!image) return "no image";
    std::string bytes = std::to_string(image->width()) + "x" + std::to_string(image->height()) + "\n";
    for (int32_t y = 0; y < image->height(); ++y)
        for (int32_t x = 0; x < image->width(); ++x) {
            const uint32_t p = image->pixelArgb(x, y);
            bytes.append(reinterpret_cast<const char*>(&p), sizeof p);
        }
    return bytes;
}

// The child's work: the project as loaded (written out again) and the
// seamless texture made from it, after a line with the pool's size.
std::string loadAndGenerate(const std::string& path)
{
    cBrickData project;
    if (!project.LoadBrickFile(path)) return "not loaded";
    std::string result = std::to_string(platform::ThreadPool::size()) + "\n";
    const bool written = cBrickDataFile::write(project, [&result](const uint8_t* data, size_t count) {
        result.append(reinterpret_cast<const char*>(data), count);
        return true;
    });
    if (!written) return "not written";
    testing::DrawingHost host;
    cBrickGenerator generator;
    if (!generator.GenerateBricks(project, SeamlessTexture, host)) return "not generated";
    return result + pixelBytes(generator.OutBitmap);
}

// Role "serial PATH", or "N PATH" for a pool whose thread starts fail after N workers.
std::string runRole(const std::string& role)
{
    const size_t space = role.find(' ');
    const std::string kind = role.substr(0, space);
    const std::string path = role.substr(space + 1);
    if (kind == "serial") {
        platform::ThreadPool::setSize(1);
        return loadAndGenerate(path);
    }
    platform::ThreadPool::setSize(kPoolSize);
    const std::string how = failThreadStartsAfter(std::stoi(kind));
    return how + "\n" + loadAndGenerate(path);
}

// The first line of a child's output, taken off.
std::string takeLine(std::string& output)
{
    const size_t end = output.find('\n');
    const std::string line = output.substr(0, end);
    output.erase(0, end == std::string::npos ? output.size() : end + 1);
    return line;
}

class ThreadLimitTest : public testing::TempFolderTest {
protected:
    void SetUp() override
    {
        // A child started by runChild does its work and ends here.
        if (const char* role = testing::childRole()) testing::finishChild(runRole(role));
        TempFolderTest::SetUp();
    }

    // Three brick images and a mortar, decoded on the pool when loaded.
    std::string writeProject()
    {
        cBrickData p;
        BrickDefaults::reset(p);
        p.Width = 192;
        p.Height = 160;
        p.NoiseStrength = 10.0f;
        p.AntiAlias = 40.0f;
        p.BrickFiles->Add(testing::makeImage(30, 14, 1, "/bricks/a.png"));
        p.BrickFiles->Add(testing::makeImage(22, 18, 2, "/bricks/b.png"));
        p.BrickFiles->Add(testing::makeImage(16, 16, 3, "/bricks/c.png"));
        p.MortarFile = testing::makeImage(12, 12, 4, "/mortar.png");
        const std::string path = (dir / "wall.bricks").string();
        EXPECT_TRUE(p.SaveBrickFile(path));
        return path;
    }
};

TEST_F(ThreadLimitTest, LoadAndGenerationEndWithTheSameBytesWhenThreadsCannotStart)
{
    const std::string path = writeProject();
    testing::ChildOutcome serial = testing::runChild("serial " + path, kChildLimit);
    ASSERT_TRUE(serial.exitedCleanly);
    ASSERT_EQ(takeLine(serial.output), "1");
    ASSERT_GT(serial.output.size(), 192u * 160u * 4u);

    for (int workers : {0, 1, 2}) {
        SCOPED_TRACE(::testing::Message() << workers << " of " << kPoolSize - 1 << " workers started");
        testing::ChildOutcome limited = testing::runChild(std::to_string(workers) + " " + path, kChildLimit);
        EXPECT_TRUE(limited.endedInTime);
        ASSERT_TRUE(limited.exitedCleanly);
        const std::string how = takeLine(limited.output);
        RecordProperty("threads_refused_by_" + std::to_string(workers), how);
        EXPECT_EQ(takeLine(limited.output), std::to_string(workers + 1)) << how;
        EXPECT_TRUE(limited.output == serial.output) << how;
    }
}

}  // namespace
}  // namespace kalvora
