// Loads arbitrary bytes as a project file. A project that loads must save
// and load again, and its second save must give the same bytes as its first.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "engine/cBrickData.h"
#include "engine/cBrickDataFile.h"
#include "platform/ImageLimits.h"
#include "platform/Services.h"

namespace {

class SilentMessageBox : public kalvora::platform::MessageBoxService {
public:
    int show(const std::string&, const std::string&, int) override { return kalvora::platform::AnswerOk; }
};

class SilentCursor : public kalvora::platform::CursorService {
public:
    void setBusy() override {}
    void setNormal() override {}
};

SilentMessageBox g_messageBox;
SilentCursor g_cursor;
int g_file = -1;
std::string g_path;

bool serialize(const kalvora::cBrickData& project, std::vector<uint8_t>& out)
{
    out.clear();
    return kalvora::cBrickDataFile::write(project, [&out](const uint8_t* data, size_t count) {
        out.insert(out.end(), data, data + count);
        return true;
    });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kalvora::platform::ImageLimits::set(4096, 4096LL * 4096 * 4);
    kalvora::platform::Services::install(&g_messageBox);
    kalvora::platform::Services::install(&g_cursor);
    // The input goes through the real file path, in a file kept in memory.
    g_file = ::memfd_create("fuzz_bricks", 0);
    if (g_file < 0) std::abort();
    g_path = "/proc/self/fd/" + std::to_string(g_file);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (::ftruncate(g_file, 0) != 0 || ::pwrite(g_file, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    kalvora::cBrickData project;
    if (!project.LoadBrickFile(g_path)) return 0;

    std::vector<uint8_t> first;
    if (!serialize(project, first)) return 0;
    kalvora::cBrickData again;
    if (!kalvora::cBrickDataFile::read(first.data(), first.size(), again)) std::abort();
    std::vector<uint8_t> second;
    if (!serialize(again, second) || second != first) std::abort();
    return 0;
}
