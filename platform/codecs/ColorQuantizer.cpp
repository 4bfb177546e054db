#include "platform/codecs/ColorQuantizer.h"

#include <algorithm>
#include <unordered_map>

#include "platform/Numeric.h"

namespace kalvora::platform {

namespace {

constexpr int kMaxColors = 256;
constexpr int kBins = 1 << 15;

inline bool isTransparent(uint32_t argb, bool hasAlpha) { return hasAlpha && (argb >> 24) == 0; }

inline int binOf(uint32_t rgb)
{
    return int(((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F));
}

bool anyTransparent(const Image& image)
{
    if (image.format() != kFormat32bppARGB) return false;
    for (int32_t y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.row(y);
        for (int32_t x = 0; x < image.width(); ++x)
            if (row[x * 4 + 3] == 0) return true;
    }
    return false;
}

// Maps every pixel through a colour -> index table; false when the image has
// more than `slots` colours.
bool mapExactly(const Image& image, bool hasAlpha, int slots, IndexedImage& out)
{
    std::unordered_map<uint32_t, uint8_t> indexOf;
    indexOf.reserve(kMaxColors * 2);
    const int32_t w = image.width();
    uint32_t lastColor = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (int32_t y = 0; y < image.height(); ++y) {
        uint8_t* dst = out.indices.data() + static_cast<size_t>(y) * w;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t argb = image.pixelArgb(x, y);
            if (isTransparent(argb, hasAlpha)) {
                dst[x] = static_cast<uint8_t>(out.transparentIndex);
                continue;
            }
            const uint32_t rgb = argb & 0xFFFFFFu;
            if (haveLast && rgb == lastColor) {
                dst[x] = lastIndex;
                continue;
            }
            auto it = indexOf.find(rgb);
            if (it == indexOf.end()) {
                if (static_cast<int>(indexOf.size()) >= slots) return false;
                const auto index = static_cast<uint8_t>(out.palette.size());
                out.palette.push_back(rgb);
                it = indexOf.emplace(rgb, index).first;
            }
            dst[x] = it->second;
            lastColor = rgb;
            lastIndex = it->second;
            haveLast = true;
        }
    }
    return true;
}

struct Bin {
    uint64_t count = 0;
    uint64_t r = 0;
    uint64_t g = 0;
    uint64_t b = 0;
};

uint32_t meanColor(const Bin& bin)
{
    const double n = static_cast<double>(bin.count);
    return uint32_t(roundToByte(double(bin.r) / n)) << 16 | uint32_t(roundToByte(double(bin.g) / n)) << 8 |
           roundToByte(double(bin.b) / n);
}

int nearest(uint32_t rgb, const std::vector<uint32_t>& palette, size_t count)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < count; ++i) {
        const int dr = int((rgb >> 16) & 0xFF) - int((palette[i] >> 16) & 0xFF);
        const int dg = int((rgb >> 8) & 0xFF) - int((palette[i] >> 8) & 0xFF);
        const int db = int(rgb & 0xFF) - int(palette[i] & 0xFF);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Popularity quantiser: the `slots` fullest 5-5-5 bins give the palette (the
// mean colour of each), and each bin maps to its nearest palette colour.
void mapByPopularity(const Image& image, bool hasAlpha, int slots, IndexedImage& out)
{
    std::vector<Bin> bins(kBins);
    for (int32_t y = 0; y < image.height(); ++y)
        for (int32_t x = 0; x < image.width(); ++x) {
            const uint32_t argb = image.pixelArgb(x, y);
            if (isTransparent(argb, hasAlpha)) continue;
            Bin& bin = bins[binOf(argb)];
            ++bin.count;
            bin.r += (argb >> 16) & 0xFF;
            bin.g += (argb >> 8) & 0xFF;
            bin.b += argb & 0xFF;
        }
    std::vector<int> used;
    for (int i = 0; i < kBins; ++i)
        if (bins[i].count) used.push_back(i);
    const size_t keep = std::min(used.size(), static_cast<size_t>(slots));
    std::partial_sort(used.begin(), used.begin() + static_cast<std::ptrdiff_t>(keep), used.end(), [&](int a, int b) {
        return bins[a].count != bins[b].count ? bins[a].count > bins[b].count : a < b;
    });
    out.palette.clear();
    for (size_t i = 0; i < keep; ++i) out.palette.push_back(meanColor(bins[used[i]]));
    std::vector<uint8_t> binIndex(kBins, 0);
    for (int bin : used) binIndex[bin] = static_cast<uint8_t>(nearest(meanColor(bins[bin]), out.palette, keep));
    if (out.transparentIndex >= 0) out.transparentIndex = static_cast<int>(out.palette.size());
    const int32_t w = image.width();
    for (int32_t y = 0; y < image.height(); ++y) {
        uint8_t* dst = out.indices.data() + static_cast<size_t>(y) * w;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t argb = image.pixelArgb(x, y);
            dst[x] = isTransparent(argb, hasAlpha) ? static_cast<uint8_t>(out.transparentIndex) : binIndex[binOf(argb)];
        }
    }
}

}  // namespace

Status ColorQuantizer::quantize(const Image& image, IndexedImage& out)
{
    try {
        IndexedImage result;
        result.indices.resize(static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()));
        const bool hasAlpha = anyTransparent(image);
        const int slots = hasAlpha ? kMaxColors - 1 : kMaxColors;
        // The transparent slot comes first while mapping exactly, last after
        // the popularity palette.
        if (hasAlpha) {
            result.transparentIndex = 0;
            result.palette.push_back(0);
        }
        if (!mapExactly(image, hasAlpha, slots, result)) {
            result.palette.clear();
            mapByPopularity(image, hasAlpha, slots, result);
            if (hasAlpha) result.palette.push_back(0);
        }
        out = std::move(result);
        return Ok;
    } catch (...) {
        return OutOfMemory;
    }
}

}  // namespace kalvora::platform
