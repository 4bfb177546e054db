#include <algorithm>

#include "fuzz/FuzzDecode.h"
#include "platform/codecs/JpegCodec.h"

namespace {

// What the frame header and the scans of a file say.
struct JpegFrame {
    bool found = false;
    bool sequentialHuffman = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    int blocksPerMcu = 0;  // the sum of every component's sampling factors
    int maxH = 1;
    int maxV = 1;
    int scans = 0;
    int scanComponents = 0;
};

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

void readFrame(const uint8_t* p, size_t length, int marker, JpegFrame& f)
{
    if (f.found || length < 6) return;
    f.found = true;
    f.sequentialHuffman = marker == 0xC0 || marker == 0xC1;
    f.height = be16(p + 1);
    f.width = be16(p + 3);
    f.components = p[5];
    for (int i = 0; i < f.components && 6 + size_t(i) * 3 + 2 < length; ++i) {
        const int h = p[7 + i * 3] >> 4, v = p[7 + i * 3] & 15;
        f.blocksPerMcu += h * v;
        f.maxH = std::max(f.maxH, h);
        f.maxV = std::max(f.maxV, v);
    }
}

// Walks the markers of a file, skipping the entropy-coded data between them.
JpegFrame walk(const uint8_t* data, size_t size)
{
    JpegFrame f;
    size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) {  // entropy-coded data
            ++pos;
            continue;
        }
        const int marker = data[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        // A stuffed zero, a restart, the start of image: markers without a length.
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9) break;
        const size_t length = be16(data + pos + 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && length >= 2 && pos + 2 + length <= size) readFrame(data + pos + 4, length - 2, marker, f);
        if (marker == 0xDA && pos + 4 < size) {
            ++f.scans;
            f.scanComponents = data[pos + 4];
        }
        pos += 2 + length;
    }
    return f;
}

// A sequential Huffman file in one scan spends at least two bits on every
// 8 x 8 block it decodes (a DC code and an end-of-block code, each at least
// one bit), so it holds at most four blocks per byte. Progressive,
// arithmetic-coded and multi-scan files can describe blocks in less; for
// them only the heap counts.
uint64_t jpegPixelCapacity(const uint8_t* data, size_t size)
{
    const JpegFrame f = walk(data, size);
    if (!f.found || !f.sequentialHuffman || f.scans != 1 || f.scanComponents != f.components) return UINT64_MAX;
    uint64_t blocks = 0;
    if (f.components == 1) {
        blocks = uint64_t((f.width + 7) / 8) * ((f.height + 7) / 8);
    } else {
        const uint64_t mcus = uint64_t((f.width + 8 * f.maxH - 1) / (8 * f.maxH)) *
                              ((f.height + 8 * f.maxV - 1) / (8 * f.maxV));
        blocks = mcus * uint64_t(f.blocksPerMcu);
    }
    if (blocks == 0) return UINT64_MAX;
    return uint64_t(4) * size * f.width * f.height / blocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return kalvora::fuzzing::decodeChecked(data, size, kalvora::platform::JpegCodec::decode, jpegPixelCapacity);
}
