// Writes the small project the end-to-end smoke test opens: one 256 x 256
// brick image and one 256 x 256 mortar image of synthetic patterns, the
// settings of a new project with a 512 x 512 final size, no description.
// Every setting is one the settings panel shows exactly, so a run in the
// program and a headless render of the file give the same pixels.
//
//   kalvora-make-smoke-project PATH.bricks

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "engine/BrickDefaults.h"
#include "engine/cBrickData.h"
#include "imaging/cInlineBitmap.h"
#include "platform/PixelFormat.h"

namespace {

using namespace kalvora;

constexpr int32_t kImageSize = 256;
constexpr int32_t kTextureSize = 512;

// A square image whose channels follow x, y and their sum, so every pixel
// of a brick or of the mortar has its own colour.
std::shared_ptr<cInlineBitmap> patternImage(int32_t redBase, int32_t greenBase, int32_t blueBase,
                                            const std::string& name)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(kImageSize) * kImageSize * 4);
    for (int32_t y = 0; y < kImageSize; ++y) {
        for (int32_t x = 0; x < kImageSize; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * kImageSize + x) * 4];
            p[0] = static_cast<uint8_t>((blueBase + (x + y) / 8) & 0xFF);
            p[1] = static_cast<uint8_t>((greenBase + y / 4) & 0xFF);
            p[2] = static_cast<uint8_t>((redBase + x / 4) & 0xFF);
            p[3] = 255;
        }
    }
    auto image = std::make_shared<cInlineBitmap>();
    image->Bitmap.CreateFromScan0(kImageSize, kImageSize, kImageSize * 4, platform::kFormat32bppARGB,
                                  pixels.data());
    image->FileName = name;
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: kalvora-make-smoke-project PATH.bricks\n";
        return 64;
    }
    cBrickData project;
    project.settings() = BrickDefaults::settings();
    project.Width = kTextureSize;
    project.Height = kTextureSize;
    project.Name = "Smoke";
    project.Description.clear();
    project.RandomBrickDistribution = false;
    project.BrickFiles->Add(patternImage(150, 60, 40, "brick.png"));
    project.MortarFile = patternImage(180, 175, 165, "mortar.png");
    if (!project.SaveBrickFile(argv[1])) return 1;
    std::cout << argv[1] << "\n";
    return 0;
}
