#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/BrickDefaults.h"
#include "engine/cBrickData.h"
#include "platform/PixelFormat.h"

namespace kalvora::testing {

inline std::vector<uint8_t> fileBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A w x h ARGB image whose every pixel differs, with alpha from 0 to 255.
inline std::shared_ptr<cInlineBitmap> makeImage(int32_t w, int32_t h, uint32_t seed, const std::string& fileName)
{
    auto image = std::make_shared<cInlineBitmap>();
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(seed * 31 + i * 17 + (i / 4) * 5);
    pixels[3] = 0;  // the first pixel fully transparent, the second opaque
    if (pixels.size() > 7) pixels[7] = 255;
    EXPECT_EQ(image->Bitmap.CreateFromScan0(w, h, w * 4, platform::kFormat32bppARGB, pixels.data()), platform::Ok);
    image->FileName = fileName;
    return image;
}

// True when both images have the same size and the same ARGB pixels.
inline bool samePixels(const cInlineBitmap& a, const cInlineBitmap& b)
{
    const platform::Image* ia = a.Bitmap.Handle();
    const platform::Image* ib = b.Bitmap.Handle();
    if (!ia || !ib) return ia == ib;
    if (ia->width() != ib->width() || ia->height() != ib->height()) return false;
    for (int32_t y = 0; y < ia->height(); ++y)
        for (int32_t x = 0; x < ia->width(); ++x)
            if (ia->pixelArgb(x, y) != ib->pixelArgb(x, y)) return false;
    return true;
}

// A folder of its own for one test, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("kalvora-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    size_t entries() const
    {
        return static_cast<size_t>(
            std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
    }

    std::filesystem::path dir;
};

}  // namespace kalvora::testing
