#include "platform/codecs/PngWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/ThreadPool.h"
#include "tests/platform/CodecTestImages.h"
#include "tests/support/ChildProcess.h"

using namespace kalvora::platform;
using kalvora::testing::makePatternImage;

namespace {

constexpr PixelFormatId kFormats[] = {kFormat32bppARGB, kFormat24bppRGB, kFormat32bppRGB};

uint32_t readBigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG into its chunks, checking the signature and every CRC.
std::vector<Chunk> readChunks(const std::vector<uint8_t>& png)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<Chunk> chunks;
    EXPECT_GE(png.size(), 8u);
    if (png.size() < 8) return chunks;
    EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);
    size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const uint32_t length = readBigEndian32(&png[pos]);
        if (pos + 12 + length > png.size()) break;
        const uint8_t* type = &png[pos + 4];
        EXPECT_EQ(readBigEndian32(type + 4 + length), uint32_t(crc32(0, type, 4 + length)));
        chunks.push_back({std::string(reinterpret_cast<const char*>(type), 4),
                          std::vector<uint8_t>(type + 4, type + 4 + length)});
        pos += 12 + length;
    }
    EXPECT_EQ(pos, png.size()) << "bytes after the last whole chunk";
    return chunks;
}

// The decompressed IDAT stream; zlib checks the header and the Adler-32.
std::vector<uint8_t> inflateIdat(const std::vector<Chunk>& chunks, size_t expectedSize)
{
    std::vector<uint8_t> stream;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    std::vector<uint8_t> raw(expectedSize + 1);
    uLongf rawSize = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &rawSize, stream.data(), uLong(stream.size())), Z_OK);
    raw.resize(rawSize);
    return raw;
}

uint32_t expectedArgb(const Image& image, int x, int y)
{
    const uint32_t argb = image.pixelArgb(x, y);
    return formatHasAlpha(image.format()) ? argb : (argb | 0xFF000000u);
}

std::vector<uint8_t> encodeOrFail(const Image& image, PngWriter::Compression mode)
{
    std::vector<uint8_t> bytes;
    EXPECT_EQ(PngWriter::encode(image, bytes, mode), Ok);
    return bytes;
}

}  // namespace

// Through the codec API and back through libpng: every pixel and alpha
// exact, ARGB kept as ARGB, both RGB formats as 24bpp RGB.
TEST(PngWriter, RoundTripsOddSizesAndAllFormatsExactly)
{
    const int sizes[][2] = {{1, 1}, {3, 1}, {1, 3}, {333, 77}, {701, 203}};
    for (PixelFormatId format : kFormats)
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) + " format " + std::to_string(format));
            auto original = makePatternImage(size[0], size[1], format);
            std::vector<uint8_t> bytes;
            ASSERT_EQ(encodeImage(*original, kPngEncoderClsid, nullptr, bytes), Ok);
            std::unique_ptr<Image> decoded;
            ASSERT_EQ(decodeImage(bytes.data(), bytes.size(), decoded), Ok);
            EXPECT_EQ(decoded->format(), formatHasAlpha(format) ? kFormat32bppARGB : kFormat24bppRGB);
            ASSERT_EQ(decoded->width(), size[0]);
            ASSERT_EQ(decoded->height(), size[1]);
            int differences = 0;
            for (int y = 0; y < size[1]; ++y)
                for (int x = 0; x < size[0]; ++x)
                    if (decoded->pixelArgb(x, y) != expectedArgb(*original, x, y)) ++differences;
            EXPECT_EQ(differences, 0);
        }
}

// The file is signature, IHDR, IDATs, IEND with valid CRCs; IHDR says 8-bit
// RGBA or RGB, non-interlaced; a large image spreads over several IDATs whose
// joined data is one zlib stream of height rows of a filter byte (0..4) and
// the row's bytes, ending in the right Adler-32.
TEST(PngWriter, ContainerAndZlibStreamAreWellFormed)
{
    for (PixelFormatId format : kFormats) {
        SCOPED_TRACE(format);
        const int w = 1203;
        const int h = 311;
        auto image = makePatternImage(w, h, format);
        const auto chunks = readChunks(encodeOrFail(*image, PngWriter::Compression::Parallel));
        ASSERT_GE(chunks.size(), 3u);
        EXPECT_EQ(chunks.front().type, "IHDR");
        EXPECT_EQ(chunks.back().type, "IEND");
        EXPECT_TRUE(chunks.back().data.empty());
        size_t idats = 0;
        for (size_t i = 1; i + 1 < chunks.size(); ++i) {
            EXPECT_EQ(chunks[i].type, "IDAT");
            ++idats;
        }
        EXPECT_GE(idats, 2u);

        const std::vector<uint8_t>& ihdr = chunks.front().data;
        ASSERT_EQ(ihdr.size(), 13u);
        EXPECT_EQ(readBigEndian32(&ihdr[0]), uint32_t(w));
        EXPECT_EQ(readBigEndian32(&ihdr[4]), uint32_t(h));
        const int channels = formatHasAlpha(format) ? 4 : 3;
        const std::vector<uint8_t> expectedTail = {8, uint8_t(channels == 4 ? 6 : 2), 0, 0, 0};
        EXPECT_EQ(std::vector<uint8_t>(ihdr.begin() + 8, ihdr.end()), expectedTail);

        const size_t rowBytes = size_t(w) * channels + 1;
        const std::vector<uint8_t> raw = inflateIdat(chunks, rowBytes * h);
        ASSERT_EQ(raw.size(), rowBytes * h);
        for (int y = 0; y < h; ++y) EXPECT_LE(raw[y * rowBytes], 4) << "row " << y;
    }
}

// Rows equal to the row above are sent as Up with all-zero bytes; a first
// row climbing by a constant step is sent as Sub with the step repeated.
TEST(PngWriter, FilterWithSmallestAbsoluteSumIsChosen)
{
    std::unique_ptr<Image> image;
    ASSERT_EQ(Image::create(50, 4, kFormat24bppRGB, image), Ok);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 50; ++x)
            image->setPixel(x, y, 0xFF000000u | uint32_t(x * 5) << 16 | uint32_t(x * 3) << 8 | uint32_t(x));
    const auto chunks = readChunks(encodeOrFail(*image, PngWriter::Compression::Serial));
    const size_t rowBytes = 50 * 3 + 1;
    const std::vector<uint8_t> raw = inflateIdat(chunks, rowBytes * 4);
    ASSERT_EQ(raw.size(), rowBytes * 4);
    EXPECT_EQ(raw[0], 1);
    const uint8_t step[3] = {5, 3, 1};
    for (size_t i = 4; i < rowBytes; ++i) ASSERT_EQ(raw[i], step[(i - 1) % 3]) << "byte " << i;
    for (int y = 1; y < 4; ++y) {
        EXPECT_EQ(raw[y * rowBytes], 2) << "row " << y;
        for (size_t i = 1; i < rowBytes; ++i) ASSERT_EQ(raw[y * rowBytes + i], 0) << "row " << y << " byte " << i;
    }
}

// The bytes depend on the image only: compressing the segments one after
// the other on this thread gives the same file as the thread pool.
TEST(PngWriter, ParallelAndSerialOutputsAreIdentical)
{
    for (PixelFormatId format : kFormats) {
        SCOPED_TRACE(format);
        auto image = makePatternImage(1203, 311, format);
        const auto parallel = encodeOrFail(*image, PngWriter::Compression::Parallel);
        const auto serial = encodeOrFail(*image, PngWriter::Compression::Serial);
        EXPECT_FALSE(parallel.empty());
        EXPECT_TRUE(parallel == serial);
        EXPECT_TRUE(parallel == encodeOrFail(*image, PngWriter::Compression::Parallel));
    }
}

namespace {

using namespace std::chrono_literals;

// The images every file test writes: opaque and transparent over several
// segments, the smallest, one pixel wide and as tall as allowed, and a large
// texture (regular enough to compress quickly).
struct NamedImage {
    std::string name;
    std::unique_ptr<Image> image;
};

std::unique_ptr<Image> makeLargeImage()
{
    constexpr int kSide = 4096;
    std::unique_ptr<Image> image;
    EXPECT_EQ(Image::create(kSide, kSide, kFormat32bppARGB, image), Ok);
    for (int y = 0; y < kSide; ++y) {
        uint8_t* p = image->row(y);
        for (int x = 0; x < kSide; ++x, p += 4) {
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = uint8_t(x + y);
            p[3] = uint8_t(255 - x);
        }
    }
    return image;
}

std::vector<NamedImage> fileTestImages()
{
    std::vector<NamedImage> images;
    images.push_back({"opaque", makePatternImage(1203, 311, kFormat24bppRGB)});
    images.push_back({"transparent", makePatternImage(1203, 311, kFormat32bppARGB)});
    images.push_back({"1x1", makePatternImage(1, 1, kFormat32bppARGB)});
    images.push_back({"1x65535", makePatternImage(1, 65535, kFormat32bppARGB)});
    images.push_back({"4096x4096", makeLargeImage()});
    return images;
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The pixels as R, G, B, A bytes, alpha 255 for formats without alpha.
std::vector<uint8_t> rgbaBytes(const Image& image)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(image.width()) * size_t(image.height()) * 4);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t argb = expectedArgb(image, x, y);
            bytes.insert(bytes.end(), {uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb), uint8_t(argb >> 24)});
        }
    return bytes;
}

bool commandWorks(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class PngWriterFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A child started by runChild writes the files with its pool size and ends here.
        if (const char* role = kalvora::testing::childRole()) kalvora::testing::finishChild(writeFiles(role));
        char pattern[] = "/tmp/kalvora-png-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Role "N FOLDER": every test image written into FOLDER as NAME-N.png
    // by a pool of N threads; answers with the pool's size.
    static std::string writeFiles(const std::string& role)
    {
        const int threads = std::stoi(role);
        const std::filesystem::path folder = role.substr(role.find(' ') + 1);
        ThreadPool::setSize(threads);
        for (const NamedImage& item : fileTestImages()) {
            const std::string path = (folder / (item.name + "-" + std::to_string(threads) + ".png")).string();
            if (encodeImageFile(*item.image, path, kPngEncoderClsid, nullptr) != Ok) return "not written";
        }
        return std::to_string(ThreadPool::size());
    }

    std::filesystem::path dir;
};

}  // namespace

// Pools of one to eight threads write files byte for byte the same as the
// serial writer's.
TEST_F(PngWriterFiles, EveryPoolSizeWritesTheSameBytes)
{
    for (int threads = 1; threads <= 8; ++threads) {
        const auto child = kalvora::testing::runChild(std::to_string(threads) + " " + dir.string(), 60s);
        ASSERT_TRUE(child.exitedCleanly) << threads << " threads";
        EXPECT_EQ(child.output, std::to_string(threads));
    }
    for (const NamedImage& item : fileTestImages()) {
        SCOPED_TRACE(item.name);
        const std::vector<uint8_t> serial = encodeOrFail(*item.image, PngWriter::Compression::Serial);
        for (int threads = 1; threads <= 8; ++threads)
            EXPECT_TRUE(fileBytes(dir / (item.name + "-" + std::to_string(threads) + ".png")) == serial)
                << threads << " threads";
    }
}

// libpng and, where installed, Pillow read back exactly the pixels written,
// and pngcheck finds nothing wrong with the files.
TEST_F(PngWriterFiles, LibpngPillowAndPngcheckReadTheExactPixels)
{
    std::string pillowArguments;
    std::string pngcheckArguments;
    for (const NamedImage& item : fileTestImages()) {
        SCOPED_TRACE(item.name);
        const std::string png = (dir / (item.name + ".png")).string();
        ASSERT_EQ(encodeImageFile(*item.image, png, kPngEncoderClsid, nullptr), Ok);
        std::unique_ptr<Image> decoded;
        ASSERT_EQ(decodeImageFile(png, decoded), Ok);
        const std::vector<uint8_t> expected = rgbaBytes(*item.image);
        EXPECT_TRUE(rgbaBytes(*decoded) == expected);
        const std::string raw = (dir / (item.name + ".rgba")).string();
        std::ofstream(raw, std::ios::binary)
            .write(reinterpret_cast<const char*>(expected.data()), std::streamsize(expected.size()));
        pillowArguments += " " + png + " " + raw;
        pngcheckArguments += " " + png;
    }
    if (commandWorks("pngcheck -h"))
        EXPECT_TRUE(commandWorks("pngcheck -q" + pngcheckArguments));
    else
        std::cout << "pngcheck is not installed: not checked\n";
    // Debian's Pillow belongs to the system's Python, which may not be first on the PATH.
    std::string python;
    for (const char* candidate : {"python3", "/usr/bin/python3"})
        if (python.empty() && commandWorks(std::string(candidate) + " -c 'import PIL'")) python = candidate;
    if (python.empty()) GTEST_SKIP() << "Pillow is not installed";
    const std::string script =
        "import sys\nfrom PIL import Image\nargs = sys.argv[1:]\n"
        "for png, raw in zip(args[0::2], args[1::2]):\n"
        "    if Image.open(png).convert('RGBA').tobytes() != open(raw, 'rb').read(): sys.exit(png)\n";
    EXPECT_TRUE(commandWorks(python + " -c \"" + script + "\"" + pillowArguments));
}

// A sink that refuses bytes stops the writer with Win32Error.
TEST(PngWriter, ARefusingSinkStopsTheWrite)
{
    auto image = makePatternImage(700, 300, kFormat32bppARGB);
    for (size_t accepted : {size_t(0), size_t(40), size_t(100000)}) {
        size_t taken = 0;
        const Status s = PngWriter::encode(*image, [&](const uint8_t*, size_t size) {
            if (taken + size > accepted) return false;
            taken += size;
            return true;
        });
        EXPECT_EQ(s, Win32Error) << accepted;
        EXPECT_LE(taken, accepted);
    }
}
