// Decodes image files one by one and prints, for each, the status, the size
// and the time the decode took, so decoder cost can be measured on outside
// files (run it under `/usr/bin/time -v` for the peak resident size).
// Usage: kalvora-decode FILE...
#include <chrono>
#include <cstdio>
#include <memory>

#include "platform/codecs/Codecs.h"

using namespace kalvora::platform;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<Image> image;
        const Status s = decodeImageFile(argv[i], image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const int w = image ? image->width() : 0;
        const int h = image ? image->height() : 0;
        std::printf("%s: status %d, %d x %d, %.3f ms\n", argv[i], int(s), w, h, took.count() * 1000.0);
    }
    return 0;
}
