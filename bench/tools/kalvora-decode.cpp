// Decodes image files one by one and prints, for each, the status, the size
// and the time the decode took, so decoder cost can be measured on outside
// files (run it under `/usr/bin/time -v` for the peak resident size).
// Usage: kalvora-decode FILE...
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>

#include "bench/tools/ToolArguments.h"
#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

int main(int argc, char** argv)
{
    const auto args = kalvora::bench::parseToolArguments(argc, argv, "usage: kalvora-decode FILE...\n", {}, 1,
                                                         std::numeric_limits<size_t>::max());
    for (const std::string& file : args.positional) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<Image> image;
        const Status s = decodeImageFile(file, image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const int w = image ? image->width() : 0;
        const int h = image ? image->height() : 0;
        std::printf("%s: status %d, %d x %d, %.3f ms\n", file.c_str(), int(s), w, h, took.count() * 1000.0);
    }
    return 0;
}
