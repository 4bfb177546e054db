// Headless render: loads a project file, generates one texture type and
// writes it as PNG. For benchmarks and for looking at results.
//
//   kalvora-render PROJECT.bricks TYPE OUT.png [--preview] [--threads N] [--size N]
//                [--options-size N]
//
// TYPE 0..5: seamless, left border, right border, both borders, arch,
// column. --preview renders the project's preview size at its preview
// quality; otherwise the final size with high-quality bicubic resizing.
// --threads N sets the thread pool's size (1 = serial); without it
// KALVORA_THREADS does, as for the benchmarks. --size N renders N x N
// instead of the project's size. --options-size N sizes the
// border, arch and column textures N x N (the border N / 2 wide), where the
// dialog's defaults follow the bricks.
// Prints "ms=N bricks=N" (N ms of the generation itself). With
// KALVORA_RENDER_YIELDS set it also prints, to stderr, the longest stretch
// of the run without a yield to the event queue and the report before it.
// Exit status: 0 done and written, 1 the project could not be loaded,
// 2 the run ended without a texture ("Aborted", or failed for lack of
// memory, which stderr names with the texture's size), 3 the PNG could not
// be written, 64 bad usage. Only a texture the run completed is written.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <string>

#include "bench/BenchThreads.h"
#include "bench/tools/ToolArguments.h"
#include "engine/GeneratorHost.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "engine/cBrickDataFile.h"
#include "engine/cBrickGenerator.h"
#include "imaging/cGDIP.h"
#include "platform/ThreadPool.h"
#include "platform/codecs/Codecs.h"

namespace {

using namespace kalvora;

constexpr int kExitDone = 0;
constexpr int kExitNotLoaded = 1;
constexpr int kExitAborted = 2;
constexpr int kExitNotWritten = 3;

const std::string kUsage = "usage: kalvora-render PROJECT.bricks TYPE OUT.png [--preview] [--threads N] "
                           "[--size N] [--options-size N]\n"
                           "  TYPE 0 seamless, 1 left border, 2 right border, 3 both borders, 4 arch, 5 column\n";

// The longest time between two yields of a run (its start and end count as
// yields), and the last report before it began.
class YieldTimer {
public:
    using Clock = std::chrono::steady_clock;

    void start() { m_last = Clock::now(); }
    void report(const std::string& description) { m_report = description; }
    void yield()
    {
        const Clock::time_point now = Clock::now();
        const Clock::duration gap = now - m_last;
        if (gap > m_longest) {
            m_longest = gap;
            m_longestAfter = m_reportAtLast;
        }
        m_last = now;
        m_reportAtLast = m_report;
    }
    void print(std::ostream& out) const
    {
        out << "longest stretch without a yield: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(m_longest).count() << " ms after \""
            << m_longestAfter << "\"\n";
    }

private:
    Clock::time_point m_last;
    Clock::duration m_longest{0};
    std::string m_report;
    std::string m_reportAtLast;
    std::string m_longestAfter;
};

// The texture options model answers for the dialog; the panel's state comes
// from the command line; there is no event queue, but its yields may be timed.
class RenderHost : public GeneratorHost {
public:
    RenderHost(bool preview, int32_t quality, int32_t optionsSize, YieldTimer* yields)
        : m_preview(preview), m_quality(quality), m_optionsSize(optionsSize), m_yields(yields)
    {
    }

    int32_t showTextureOptions(cBrickData& project, int32_t brickStyle) override
    {
        return m_options.ShowDialog(project, brickStyle);
    }
    TextureOptionsValues textureOptions() const override
    {
        TextureOptionsValues values = m_options.values();
        if (m_optionsSize > 0) {
            values.BorderWidth = m_optionsSize / 2;
            values.BorderHeight = values.ArcWidth = values.ArcHeight = m_optionsSize;
            values.ColumnWidth = values.ColumnHeight = m_optionsSize;
        }
        return values;
    }
    bool previewTabShown() const override { return m_preview; }
    int32_t previewQualityIndex() const override { return m_quality; }
    void processEvents() override
    {
        if (m_yields) m_yields->yield();
    }

private:
    TextureOptionsModel m_options;
    bool m_preview;
    int32_t m_quality;
    int32_t m_optionsSize;
    YieldTimer* m_yields;
};

struct Arguments {
    std::string project;
    int32_t type = -1;
    std::string output;
    bool preview = false;
    int threads = 0;
    int32_t size = 0;
    int32_t optionsSize = 0;
};

bool parseInt(const std::string& text, long low, long high, long& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end && *end == '\0' && value >= low && value <= high;
}

// The command line's arguments; a line the tool cannot use ends it with the usage.
Arguments parseArguments(int argc, char** argv)
{
    const bench::ToolArguments given = bench::parseToolArguments(argc, argv, kUsage,
                                                                 {{"--preview", false}, {"--threads", true}, {"--size", true}, {"--options-size", true}}, 3, 3);
    Arguments args;
    long type = 0;
    if (!parseInt(given.positional[1], 0, 5, type)) bench::exitWithUsage(kUsage);
    if (given.has("--threads")) {
        long n = 0;
        if (!parseInt(given.options.at("--threads"), 1, 1024, n)) bench::exitWithUsage(kUsage);
        args.threads = static_cast<int>(n);
    }
    if (given.has("--size")) {
        long n = 0;
        if (!parseInt(given.options.at("--size"), 1, 65535, n)) bench::exitWithUsage(kUsage);
        args.size = static_cast<int32_t>(n);
    }
    if (given.has("--options-size")) {
        long n = 0;
        if (!parseInt(given.options.at("--options-size"), 16, 65535, n)) bench::exitWithUsage(kUsage);
        args.optionsSize = static_cast<int32_t>(n);
    }
    args.project = given.positional[0];
    args.type = static_cast<int32_t>(type);
    args.output = given.positional[2];
    args.preview = given.has("--preview");
    return args;
}

int render(const Arguments& args)
{
    if (args.threads > 0)
        platform::ThreadPool::setSize(args.threads);
    else
        bench::poolSizeFromEnvironment();

    cBrickData project;
    if (!cBrickDataFile::readFile(args.project, project)) {
        std::cerr << "Could not open " << args.project << "\n";
        return kExitNotLoaded;
    }
    if (args.preview) {
        project.Width = project.PreviewWidth;
        project.Height = project.PreviewHeight;
    }
    if (args.size > 0) project.Width = project.Height = args.size;

    YieldTimer yieldTimer;
    const bool timeYields = std::getenv("KALVORA_RENDER_YIELDS") != nullptr;
    RenderHost host(args.preview, project.PreviewQuality, args.optionsSize, timeYields ? &yieldTimer : nullptr);
    cBrickGenerator generator;
    std::string lastReport;
    // With KALVORA_RENDER_PHASES set, every phase report goes to stderr
    // with the milliseconds since the start, for looking at where time goes.
    const bool phases = std::getenv("KALVORA_RENDER_PHASES") != nullptr;
    const auto start = std::chrono::steady_clock::now();
    yieldTimer.start();
    generator.Progress = [&](int32_t&, int32_t&, std::string& description, bool) {
        lastReport = description;
        yieldTimer.report(description);
        if (!phases || description.rfind("Drawing Brick (", 0) == 0) return;
        const auto at = std::chrono::steady_clock::now() - start;
        std::cerr << std::chrono::duration_cast<std::chrono::milliseconds>(at).count() << " ms " << description << "\n";
    };

    generator.GenerateBricks(project, args.type, host);
    if (timeYields) {
        yieldTimer.yield();
        yieldTimer.print(std::cerr);
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();

    if (generator.lastStatus() != platform::Ok || !generator.OutBitmap.Handle()) {
        const std::string failure = generator.failureMessage();
        if (!failure.empty())
            std::cerr << failure << "\n";
        else
            std::cerr << lastReport << ": " << cGDIP::GetErrorText(generator.lastStatus()) << "\n";
        return kExitAborted;
    }
    int writeError = 0;
    const platform::Status written = platform::encodeImageFile(*generator.OutBitmap.Handle(), args.output,
                                                               platform::kPngEncoderClsid, nullptr, &writeError);
    if (written != platform::Ok) {
        // The system's reason (a full disk) where there is one, else the status.
        std::cerr << "Could not write " << args.output << ": "
                  << (writeError ? platform::errorNumberText(writeError) : cGDIP::GetErrorText(written)) << "\n";
        return kExitNotWritten;
    }
    std::cout << "ms=" << ms << " bricks=" << generator.bricks().size() << "\n";
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv)
{
    const Arguments args = parseArguments(argc, argv);
    try {
        return render(args);
    } catch (const std::bad_alloc&) {
        std::cerr << "Not enough memory\n";
        return kExitAborted;
    } catch (const std::exception& e) {
        std::cerr << "Aborted: " << e.what() << "\n";
        return kExitAborted;
    }
}
