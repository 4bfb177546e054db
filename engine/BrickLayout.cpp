#include "engine/BrickLayout.h"

#include <algorithm>
#include <new>
#include <utility>

#include "engine/BrickSettings.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

using platform::roundToInt32;

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool isOdd(int32_t v) { return (v & 1) != 0; }

}  // namespace

BrickLayout::BrickLayout(BrickSettings& project, int32_t brickImageCount, LayoutPixelSizes& sizes,
                         LayoutRandomTables& random, const TextureOptionsValues& options,
                         int32_t brickStyle, std::vector<tBrick>& bricks, RowDone rowDone)
    : m_project(project),
      m_brickImageCount(brickImageCount),
      m_sizes(sizes),
      m_random(random),
      m_options(options),
      m_brickStyle(brickStyle),
      m_bricks(bricks),
      m_rowDone(std::move(rowDone))
{
}

void BrickLayout::layout()
{
    switch (m_brickStyle) {
    case SeamlessTexture: LayoutSeamlessTexture(); break;
    case LeftBorder:
    case RightBorder:
    case BothBorders: LayoutBorderTexture(); break;
    case ArchTexture: LayoutArchTexture(); break;
    case ColumnTexture: LayoutColumnTexture(); break;
    default: break;
    }
}

bool BrickLayout::CanFillSpan(int32_t Min, int32_t Max, int32_t Span)
{
    // A size of 0 or less fills nothing but an empty span.
    if (Min <= 0 || Max <= 0) return Span == 0;
    const int64_t byMax = floorDiv(Span, Max);
    const int64_t byMin = floorDiv(Span, Min);
    if (byMax - byMin >= 1 || byMin - byMax >= 1) return true;
    return Span % Max == 0 || Span % Min == 0;
}

bool BrickLayout::IsOddCell(int32_t a, int32_t b) { return isOdd(a) != isOdd(b); }

void BrickLayout::FitBrickSizes()
{
    const int32_t w = m_project.Width;
    const int32_t h = m_project.Height;
    if (m_project.RowOffset == RowOffsetRandom) {
        if (!CanFillSpan(m_sizes.MinWidthPx, m_sizes.MaxWidthPx, w))
            m_sizes.MinWidthPx = static_cast<int32_t>(floorDiv(w, floorDiv(w, m_sizes.MaxWidthPx) + 1));
    } else {
        FitPairWidths(w, 0, 0);
    }
    if (!CanFillSpan(m_sizes.MinHeightPx, m_sizes.MaxHeightPx, h))
        m_sizes.MinHeightPx = static_cast<int32_t>(floorDiv(h, floorDiv(h, m_sizes.MaxHeightPx) + 1));
}

void BrickLayout::FitPairWidths(int32_t Span, int32_t Row, int32_t Col)
{
    if (IsOddCell(Row, 0) != IsOddCell(Row, Col)) return;
    const int32_t s = m_sizes.MinWidthPx + m_sizes.MaxWidthPx;
    if (s <= 0) return;
    int32_t count = roundToInt32(static_cast<double>(Span) / s);
    if (count == 0) {
        if (Span >= m_project.Width) return;
        count = 1;
    }
    const int32_t oldMin = m_sizes.MinWidthPx;
    m_sizes.MinWidthPx =
        roundToInt32((static_cast<double>(Span) / count) * (static_cast<double>(oldMin) / s));
    m_sizes.MaxWidthPx = roundToInt32(
        static_cast<double>(Span - static_cast<int64_t>(m_sizes.MinWidthPx) * count) / count);
}

int32_t BrickLayout::ComputeBrickSize(int32_t& Min, int32_t& Max, int32_t Remaining, int32_t Col,
                                      int32_t Row, bool Horizontal, int32_t Channel)
{
    int32_t size = 0;
    const int32_t offsetMode = m_project.RowOffset;
    if ((offsetMode == RowOffsetHalf || offsetMode == RowOffsetNone) && Horizontal) {
        FitPairWidths(Remaining, Row, Col);
        size = IsOddCell(Row, Col) ? m_sizes.MaxWidthPx : m_sizes.MinWidthPx;
    } else {
        const float r = m_random.GetRandomValue(true, Channel);
        size = roundToInt32(Min + static_cast<double>(r) * (static_cast<double>(Max) - Min));
    }

    // Nudge the size until what is left can still be filled exactly.
    const int32_t shortest = (Horizontal ? m_sizes.MinWidthPx : m_sizes.MinHeightPx) / 2;
    for (int32_t i = 0; i <= Remaining; ++i) {
        if (CanFillSpan(Min, Max, Remaining - (size + i))) {
            size += i;
            break;
        }
        if (size - i < shortest) break;
        if (CanFillSpan(Min, Max, Remaining - (size - i))) {
            size -= i;
            break;
        }
    }

    if (size > Remaining) size = Remaining;
    // A size of 0 would never advance the row or column: take the rest.
    if (size < 1) size = Remaining;
    return size;
}

int32_t BrickLayout::GetRowOffset(int32_t Row)
{
    int32_t offset = 0;
    switch (m_project.RowOffset) {
    case RowOffsetRandom:
        offset = roundToInt32(static_cast<double>(m_random.GetRandomValue(true, LayoutRandomTables::kChannelRowOffset)) *
                              m_sizes.MaxWidthPx);
        break;
    case RowOffsetHalf: offset = isOdd(Row) ? 0 : m_sizes.MinWidthPx / 2; break;
    default: break;
    }
    return m_brickStyle == ArchTexture ? 0 : offset;
}

int32_t BrickLayout::pickBrickImage()
{
    const bool seeded = !m_project.RandomBrickDistribution;
    const float r = m_random.GetRandomValue(seeded, LayoutRandomTables::kChannelBrick);
    const int32_t k = m_brickImageCount;
    int32_t n = roundToInt32(static_cast<double>(r) * (k - 1) + 1);
    if (k > 1 && n == m_brick.BrickNumber) n = (n == 1) ? k : n - 1;
    return n;
}

void BrickLayout::placeBrick()
{
    constexpr int32_t channel = LayoutRandomTables::kChannelBrick;
    const bool evenH = (m_random.GetRandomByte(true, channel) & 1) == 0;
    m_brick.FlipH = evenH && m_project.FlipH;
    const bool evenV = (m_random.GetRandomByte(true, channel) & 1) == 0;
    m_brick.FlipV = evenV && m_project.FlipV;

    const double hue = m_random.GetRandomValue(true, channel);
    m_brick.Hue = roundToInt32((hue - 0.5) * m_project.ChangeHue * 7.2);
    const double saturation = m_random.GetRandomValue(true, channel);
    m_brick.Saturation = static_cast<float>(
        platform::roundHalfEven((saturation - 0.5) * m_project.ChangeSaturation * 4.0));
    const double luminance = m_random.GetRandomValue(true, channel);
    m_brick.Luminance = static_cast<float>(
        platform::roundHalfEven((luminance - 0.5) * m_project.ChangeLuminance * 4.0));

    m_brick.BrickNumber = pickBrickImage();
    if (m_bricks.size() >= m_brickLimit) throw std::bad_alloc();
    m_bricks.push_back(m_brick.Clone());
}

bool BrickLayout::finishRow() { return m_rowDone ? m_rowDone() : false; }

void BrickLayout::LayoutSeamlessTexture()
{
    m_brick = tBrick();
    FitBrickSizes();
    int32_t y = 0;
    int32_t row = 0;
    int32_t col = 0;
    while (y < m_project.Height) {
        m_brick.Top = y;
        m_brick.Height = ComputeBrickSize(m_sizes.MinHeightPx, m_sizes.MaxHeightPx, m_project.Height - y, col,
                                          row, false, LayoutRandomTables::kChannelRowHeight);
        const int32_t rowHeight = m_brick.Height;
        const int32_t offset = GetRowOffset(row);
        int32_t x = 0;
        col = 0;
        while (x < m_project.Width) {
            m_brick.Left = offset + x;
            m_brick.Width = ComputeBrickSize(m_sizes.MinWidthPx, m_sizes.MaxWidthPx, m_project.Width - x, col,
                                             row, true, LayoutRandomTables::kChannelBrickWidth);
            placeBrick();
            x += m_brick.Width;
            ++col;
        }
        y += rowHeight;
        ++row;
        if (finishRow()) return;
    }
}

void BrickLayout::LayoutBorderTexture()
{
    m_brick = tBrick();
    m_project.RowOffset = m_options.BorderBrickOffset;
    const int32_t minW = m_sizes.MinWidthPx;
    const int32_t maxW = m_sizes.MaxWidthPx;
    const int32_t b = m_options.BorderWidth;
    int32_t y = 0;
    int32_t row = 0;
    while (y < m_project.Height) {
        m_brick.Top = y;
        m_brick.Height = ComputeBrickSize(m_sizes.MinHeightPx, m_sizes.MaxHeightPx, m_project.Height - y, 0, row,
                                          false, LayoutRandomTables::kChannelRowHeight);
        int32_t w = minW + maxW;
        if (m_project.RowOffset == RowOffsetRandom) {
            int32_t shortest = 2 * minW;
            int32_t longest = minW + maxW;
            w = ComputeBrickSize(shortest, longest, m_project.Width, 1, row, true,
                                 LayoutRandomTables::kChannelBrickWidth);
        }
        const int32_t lo = std::max(b + minW - w, b - maxW);
        const int32_t hi = std::min(b - minW, b + maxW - w);
        switch (m_project.RowOffset) {
        case RowOffsetRandom:
            m_brick.Left = roundToInt32(static_cast<double>(GetRowOffset(row)) / maxW * (hi - lo) + lo);
            break;
        case RowOffsetHalf: m_brick.Left = isOdd(row) ? hi : lo; break;
        default: m_brick.Left = lo + (hi - lo) / 2; break;
        }
        m_brick.Width = w;
        placeBrick();
        y += m_brick.Height;
        ++row;
        if (finishRow()) return;
    }
}

int32_t BrickLayout::archMargin(const LayoutPixelSizes& sizes, const TextureOptionsValues& options)
{
    return sizes.NoiseStrengthPx + sizes.BorderSizePx + options.ArcAntialias;
}

void BrickLayout::LayoutArchTexture()
{
    m_project.RowOffset = m_options.ArcBrickOffset;
    const int32_t m = archMargin(m_sizes, m_options);
    const int32_t keptHeight = m_project.Height;
    const int32_t keptWidth = m_project.Width;
    m_project.Height = m_options.ArcHeight - 2 * m;
    m_project.Width = m_options.ArcWidth - 2 * m;
    const size_t first = m_bricks.size();
    LayoutSeamlessTexture();
    m_project.Height = keptHeight;
    // The arch background is drawn on the kept width plus both margins.
    m_project.Width = keptWidth + 2 * m;
    for (size_t i = first; i < m_bricks.size(); ++i) {
        m_bricks[i].Top += m;
        m_bricks[i].Left += m;
    }
}

void BrickLayout::LayoutColumnTexture()
{
    m_brick = tBrick();
    m_project.RowOffset = RowOffsetNone;
    const int32_t columnHeight = m_options.ColumnHeight;
    int32_t y = 0;
    int32_t row = 0;
    while (y < columnHeight) {
        m_brick.Top = y;
        // With no row offset and Horizontal set, the height comes from the
        // width pair refitted to the remaining column height: no random draw.
        m_brick.Height = ComputeBrickSize(m_sizes.MinHeightPx, m_sizes.MaxHeightPx, columnHeight - y, 0, row,
                                          true, LayoutRandomTables::kChannelBrick);
        m_brick.Left = 0;
        m_brick.Width = m_options.ColumnWidth;
        placeBrick();
        y += m_brick.Height;
        ++row;
        if (finishRow()) return;
    }
}

}  // namespace kalvora
