#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "filters/Convolution3x3.h"

namespace kalvora {
namespace {

struct TestImage {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;

    TestImage(int32_t w, int32_t h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    PixelView view() const { return {pixels.data(), width, height, width}; }
    uint32_t& at(int32_t x, int32_t y) { return pixels[size_t(y) * width + x]; }
};

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

ConvolutionKernel kernelOf(std::initializer_list<int32_t> w, int32_t divisor, int32_t bias)
{
    ConvolutionKernel k;
    int32_t* f[9] = {&k.K0, &k.K1, &k.K2, &k.K3, &k.K4, &k.K5, &k.K6, &k.K7, &k.K8};
    int i = 0;
    for (int32_t v : w) *f[i++] = v;
    k.Divisor = divisor;
    k.Bias = bias;
    return k;
}

std::vector<uint32_t> filterAll(const Convolution3x3& conv, const TestImage& img)
{
    std::vector<uint32_t> out(img.pixels.size(), 0xDEADBEEF);
    conv.filterRows(img.view(), 0, img.height, out.data(), img.width);
    return out;
}

TestImage noiseImage(int32_t w, int32_t h, uint32_t seed)
{
    TestImage img(w, h);
    for (auto& p : img.pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = seed;
    }
    return img;
}

TEST(Convolution3x3, DivisorBelowOneIsRaisedInTheCallersKernel)
{
    ConvolutionKernel k = kernelOf({0, 0, 0, 0, 1, 0, 0, 0, 0}, 0, 0);
    Convolution3x3 conv(k);
    EXPECT_EQ(k.Divisor, 1);
    ConvolutionKernel n = kernelOf({0, 0, 0, 0, 1, 0, 0, 0, 0}, -7, 0);
    Convolution3x3 conv2(n);
    EXPECT_EQ(n.Divisor, 1);
}

TEST(Convolution3x3, FastRowsMatchThePixelRuleForEveryKernelShape)
{
    const std::vector<ConvolutionKernel> kernels = {
        kernelOf({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0),          // normalised
        kernelOf({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 127),  // zero-sum
        kernelOf({1, 1, 1, 1, 1, -1, -1, -1, -1}, 1, 0),        // normalised, signed
        kernelOf({-1, -1, -1, -1, 59, -1, -1, -1, -1}, 51, 0),
        kernelOf({3, 0, -2, 5, 7, 1, 0, -4, 2}, 3, -20),        // neither
        kernelOf({5000, 0, 0, 0, 1, 0, 0, 0, -5000}, 7, 0),     // too wide to pack
        kernelOf({300, 0, 0, 0, 1, 0, 0, 0, -300}, 2, 0),       // packed, no table
    };
    for (const auto& original : kernels) {
        ConvolutionKernel k = original;
        Convolution3x3 conv(k);
        for (auto [w, h] : {std::pair{7, 5}, std::pair{1, 6}, std::pair{6, 1}, std::pair{2, 2}, std::pair{3, 3}}) {
            TestImage img = noiseImage(w, h, uint32_t(w * 31 + h));
            std::vector<uint32_t> rows = filterAll(conv, img);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    ASSERT_EQ(rows[size_t(y) * w + x], conv.at(img.view(), x, y)) << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST(Convolution3x3, NormalisedKernelDividesBordersByTheirInImageWeights)
{
    // Blur 1 on a flat image stays flat up to the corners: the top-left
    // corner divides 4 + 2 + 2 + 1 = 9 times the value by 9.
    ConvolutionKernel k = kernelOf({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0);
    Convolution3x3 conv(k);
    TestImage flat(4, 3, argb(77, 201, 13, 90));
    for (uint32_t p : filterAll(conv, flat)) EXPECT_EQ(p, argb(77, 201, 13, 90));

    // Corner with distinct values: (4*10 + 2*20 + 2*30 + 1*41) / 9 = 181/9 = 20.11 -> 20.
    TestImage img(2, 2);
    img.at(0, 0) = argb(255, 10, 0, 0);
    img.at(1, 0) = argb(255, 20, 0, 0);
    img.at(0, 1) = argb(255, 30, 0, 0);
    img.at(1, 1) = argb(255, 41, 0, 0);
    EXPECT_EQ((conv.at(img.view(), 0, 0) >> 16) & 0xFF, 20u);
}

TEST(Convolution3x3, EdgeDetectionAtTheRightEdgeDividesByTwo)
{
    ConvolutionKernel k = kernelOf({1, 1, 1, 1, 1, -1, -1, -1, -1}, 1, 0);
    Convolution3x3 conv(k);
    EXPECT_TRUE(conv.isNormalised());
    TestImage img(3, 3, argb(255, 0, 0, 0));
    // Right edge (2, 1): cells K0 K1 / K3 K4 / K6 K7 over columns 1..2.
    img.at(1, 0) = argb(255, 100, 0, 0);  // K0
    img.at(2, 0) = argb(255, 50, 0, 0);   // K1
    img.at(2, 1) = argb(255, 7, 0, 0);    // K4
    img.at(1, 2) = argb(255, 10, 0, 0);   // K6 (-1)
    // (100 + 50 + 7 - 10) / 2 = 73.5 -> 74 (half to even).
    EXPECT_EQ((conv.at(img.view(), 2, 1) >> 16) & 0xFF, 74u);
}

TEST(Convolution3x3, ZeroSumKernelKeepsFlatImagesAtTheBias)
{
    ConvolutionKernel k = kernelOf({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 127);
    Convolution3x3 conv(k);
    EXPECT_TRUE(conv.isZeroSum());
    for (auto [w, h] : {std::pair{5, 4}, std::pair{1, 1}, std::pair{1, 5}, std::pair{5, 1}}) {
        TestImage flat(w, h, argb(9, 200, 100, 3));
        for (uint32_t p : filterAll(conv, flat)) EXPECT_EQ(p, argb(9, 127, 127, 127)) << w << "x" << h;
    }
    // Top-left corner: centre weight |-1 -1 -1| = 3.
    TestImage img(3, 3, argb(255, 0, 0, 0));
    img.at(0, 0) = argb(255, 0, 0, 10);
    EXPECT_EQ(conv.at(img.view(), 0, 0) & 0xFF, 127u + 30u);
}

TEST(Convolution3x3, ChannelsAreClampedAndAlphaIsTheSources)
{
    ConvolutionKernel k = kernelOf({-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1, 0);
    Convolution3x3 conv(k);
    TestImage img(3, 3, argb(255, 100, 100, 100));
    img.at(1, 1) = argb(33, 250, 10, 100);
    // red 9*250 - 800 = 1450 -> 255; green 90 - 800 -> 0; blue 100.
    EXPECT_EQ(filterAll(conv, img)[4], argb(33, 255, 0, 100));
}

TEST(Convolution3x3, OnePixelWideImagesUseTheirInImageColumn)
{
    ConvolutionKernel k = kernelOf({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0);
    Convolution3x3 conv(k);
    TestImage img(1, 3);
    img.at(0, 0) = argb(255, 0, 0, 30);
    img.at(0, 1) = argb(255, 0, 0, 60);
    img.at(0, 2) = argb(255, 0, 0, 91);
    // Middle: (2*30 + 4*60 + 2*91) / 8 = 60.25 -> 60; top: (4*30 + 2*60) / 6 = 40.
    std::vector<uint32_t> out = filterAll(conv, img);
    EXPECT_EQ(out[1] & 0xFF, 60u);
    EXPECT_EQ(out[0] & 0xFF, 40u);
    EXPECT_EQ(out[2] & 0xFF, 81u);  // (2*60 + 4*91) / 6 = 80.67
}

}  // namespace
}  // namespace kalvora
