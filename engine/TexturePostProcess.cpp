#include "engine/TexturePostProcess.h"

#include <algorithm>

#include "engine/BrickPainter.h"
#include "engine/MortarBackground.h"
#include "engine/cBrickData.h"
#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/ScopeExit.h"
#include "platform/ThreadPool.h"
#include "platform/YieldPoint.h"

namespace kalvora {

namespace {

constexpr const char* kBordersText = "Post Processing Borders...";
constexpr int64_t kRowsPerChunk = 32;

}  // namespace

TexturePostProcess::TexturePostProcess(cBrickData& project, LayoutPixelSizes& sizes,
                                       const TextureOptionsValues& options, cBitmap& outBitmap, cBitmap& workBitmap,
                                       clsImageFilter& imageFilter)
    : m_project(project),
      m_sizes(sizes),
      m_options(options),
      m_out(outBitmap),
      m_work(workBitmap),
      m_filter(imageFilter)
{
}

int64_t TexturePostProcess::marginOf(const BorderCut& cut)
{
    return cut.withMargin
               ? std::max<int64_t>(0, static_cast<int64_t>(cut.sizes.AntiAliasPx) + cut.sizes.NoiseStrengthPx)
               : 0;
}

float TexturePostProcess::outlineNoiseLength() const
{
    return BrickPainter::noiseLength(m_project.NoiseFrequency, m_sizes);
}

void TexturePostProcess::DrawBrickAlpha(const tBrick& b, bool WithMargin)
{
    makeCut({b, WithMargin, m_sizes, 0});
    m_work.Dispose();
}

platform::Status TexturePostProcess::makeCut(const BorderCut& cut)
{
    platform::Status status = shapeCutMask(cut, m_work, m_filter);
    if (status == platform::Ok) status = cutWithMask(cut, m_work);
    return status;
}

platform::Status TexturePostProcess::makeTransparentCanvas(cBitmap& canvas, int32_t width, int32_t height)
{
    // The memory of the last canvas is cleared and used again when it holds
    // the new one: fresh memory for every cut would be backed page by page
    // and given back again, which costs more than the clearing.
    std::unique_ptr<platform::Image> kept = canvas.releaseImage();
    if (kept && kept->reshape(width, height, platform::kFormat32bppARGB) == platform::Ok &&
        kept->resetPixels() == platform::Ok) {
        canvas.adoptImage(std::move(kept));
        return platform::Ok;
    }
    kept.reset();
    canvas.Dispose();
    return canvas.CreateFromScan0(width, height, 0, platform::kFormat32bppARGB);
}

platform::Status TexturePostProcess::shapeCutMask(const BorderCut& cut, cBitmap& mask, clsImageFilter& filter) const
{
    const tBrick& b = cut.piece;
    if (b.Width < 1 || b.Height < 1 || !m_out.Handle()) return platform::InvalidParameter;
    const int64_t margin = marginOf(cut);
    const int64_t canvasHeight = b.Height + 2 * margin;
    if (canvasHeight > LayoutPixelSizes::kLargestSize) return platform::InvalidParameter;

    // A transparent canvas of the piece's size plus the margins gets the
    // outline's alpha; its colour stays black.
    platform::Status status = makeTransparentCanvas(mask, b.Width, static_cast<int32_t>(canvasHeight));
    if (status == platform::Ok)
        status = BrickPainter::ShapeBrickImage(mask, filter, cut.sizes,
                                               BrickPainter::noiseLength(m_project.NoiseFrequency, cut.sizes));
    if (status == platform::Ok && (mask.Width() != b.Width || mask.Height() != canvasHeight))
        status = platform::GenericError;
    if (status != platform::Ok) mask.Dispose();
    return status;
}

platform::Status TexturePostProcess::cutWithMask(const BorderCut& cut, cBitmap& mask)
{
    // The mask's margins stay out of the cut: its rows start margin rows
    // down (as the mask cropped to the piece, whose alpha a crop keeps).
    const tBrick& b = cut.piece;
    const auto top = static_cast<int32_t>(marginOf(cut));
    const int64_t canvasWidth = m_project.Width;
    const int64_t first = canvasWidth - b.Left;
    const int64_t over = static_cast<int64_t>(b.Left) + b.Width - canvasWidth;
    platform::Status status = platform::Ok;
    if (first > 0)
        status = cutAlpha(mask, b.Left, b.Top, static_cast<int32_t>(std::min<int64_t>(first, INT32_MAX)), b.Height,
                          0, top);
    if (status == platform::Ok && over > 0)
        status = cutAlpha(mask, 0, b.Top, static_cast<int32_t>(std::min<int64_t>(over, INT32_MAX)), b.Height,
                          static_cast<int32_t>(std::max<int64_t>(first, INT32_MIN)), top);
    return status;
}

platform::Status TexturePostProcess::cutAlpha(cBitmap& maskImage, int32_t dstx, int32_t dsty, int32_t width,
                                              int32_t height, int32_t srcx, int32_t srcy)
{
    // The filter's alpha stamp at equal source and destination sizes, done
    // in place over the rectangle instead of on a copy of the whole output:
    // a becomes a x (255 - m) \ 255, m the mask alpha (0 outside the mask).
    if (width < 1 || height < 1) return platform::Ok;
    const int32_t outWidth = m_out.Width();
    const int32_t outHeight = m_out.Height();
    const int64_t firstX = std::max<int64_t>(dstx, 0);
    const int64_t endX = std::min<int64_t>(static_cast<int64_t>(dstx) + width, outWidth);
    const int64_t firstY = std::max<int64_t>(dsty, 0);
    const int64_t endY = std::min<int64_t>(static_cast<int64_t>(dsty) + height, outHeight);
    if (firstX >= endX || firstY >= endY) return platform::Ok;

    platform::LockedBits out;
    platform::LockedBits mask;
    const platform::PixelRect area{static_cast<int32_t>(firstX), static_cast<int32_t>(firstY),
                                   static_cast<int32_t>(endX - firstX), static_cast<int32_t>(endY - firstY)};
    platform::Status status =
        m_out.LockBits(area, platform::LockRead | platform::LockWrite, platform::kFormat32bppARGB, out);
    if (status != platform::Ok) return status;
    const platform::ScopeExit unlockOut([&] { m_out.UnlockBits(out); });
    const int32_t maskWidth = maskImage.Width();
    const int32_t maskHeight = maskImage.Height();
    status = maskImage.LockBits({0, 0, maskWidth, maskHeight}, platform::LockRead, platform::kFormat32bppARGB, mask);
    if (status != platform::Ok) return status;
    const platform::ScopeExit unlockMask([&] { maskImage.UnlockBits(mask); });
    const int64_t shiftX = static_cast<int64_t>(srcx) - dstx;
    const int64_t shiftY = static_cast<int64_t>(srcy) - dsty;
    // A cut, once begun, is made whole: the texture keeps only whole cuts.
    const platform::YieldPoint::WholeStep wholeCut;
    platform::ThreadPool::parallelFor(firstY, endY, kRowsPerChunk, [&](int64_t rowBegin, int64_t rowEnd) {
        for (int64_t y = rowBegin; y < rowEnd; ++y) {
            uint8_t* row = out.row(static_cast<int32_t>(y - firstY));
            const int64_t my = y + shiftY;
            const uint8_t* maskRow = my >= 0 && my < maskHeight ? mask.row(static_cast<int32_t>(my)) : nullptr;
            for (int64_t x = firstX; x < endX; ++x) {
                const int64_t mx = x + shiftX;
                const uint32_t m = maskRow && mx >= 0 && mx < maskWidth ? maskRow[4 * mx + 3] : 0u;
                uint8_t& a = row[4 * (x - firstX) + 3];
                a = static_cast<uint8_t>((static_cast<uint32_t>(a) * (255u - m)) / 255u);
            }
        }
    });
    return platform::Ok;
}

std::vector<TexturePostProcess::BorderCut> TexturePostProcess::planBorderCuts(const std::vector<tBrick>& bricks) const
{
    const int64_t stripWidth = 2 * static_cast<int64_t>(m_options.BorderWidth);
    const size_t n = bricks.size();
    std::vector<BorderCut> cuts;
    cuts.reserve(3 * n);
    // The joints are shaped with sizes of their own.
    LayoutPixelSizes joint = m_sizes;
    joint.BorderSizePx = m_sizes.NoiseStrengthPx + m_options.BorderAntialias;
    joint.AntiAliasPx = m_options.BorderAntialias;
    joint.RoundedBorderPx = 0;
    for (size_t i = 0; i < n; ++i) {
        const tBrick& b = bricks[i];

        // The rest of the row: from the brick's right edge round to its left edge.
        tBrick piece = b.Clone();
        piece.Left = b.Left + b.Width;
        piece.Width = static_cast<int32_t>(stripWidth - b.Width);
        cuts.push_back({piece, false, m_sizes, i});

        // The joint below the brick, between the outer edges of this brick
        // and the next (after the last brick, the first).
        const tBrick& next = bricks[(i + 1) % n];
        const int64_t maxRight = std::max<int64_t>(static_cast<int64_t>(b.Left) + b.Width,
                                                   static_cast<int64_t>(next.Left) + next.Width);
        const int64_t span = std::min(b.Left, next.Left) + stripWidth - maxRight;
        const int64_t e =
            static_cast<int64_t>(m_sizes.AntiAliasPx) + m_sizes.NoiseStrengthPx + m_sizes.RoundedBorderPx;
        piece.Left = static_cast<int32_t>(maxRight + e);
        piece.Width = static_cast<int32_t>(std::max<int64_t>(span - 2 * e, INT32_MIN));
        piece.Top = b.Top + b.Height / 2;
        piece.Height = b.Height / 2 + next.Height / 2;
        if (static_cast<int64_t>(piece.Top) + piece.Height > m_options.BorderHeight) {
            piece.Height = m_options.BorderHeight - piece.Top;
            cuts.push_back({piece, true, joint, i});
            // The joint continues at the top of the strip.
            piece.Height = bricks.front().Height / 2;
            piece.Top = 0;
        }
        cuts.push_back({piece, true, joint, i});
    }
    return cuts;
}

platform::Status TexturePostProcess::ProcessBorders(const std::vector<tBrick>& bricks, const StopPoll& stop,
                                                    const Report& report)
{
    const size_t n = bricks.size();
    const std::vector<BorderCut> cuts = planBorderCuts(bricks);
    // The cuts share one mask canvas, given back at the end.
    const platform::ScopeExit releaseMask([this] { m_work.Dispose(); });
    // Before the first cut of each brick: the stop poll and the report.
    const auto startBrick = [&](size_t k) {
        if (k > 0 && cuts[k - 1].brick == cuts[k].brick) return true;
        if (stop && stop()) return false;
        if (report)
            report(static_cast<float>(static_cast<double>(cuts[k].brick) / static_cast<double>(n) / 2.0 + 0.49),
                   kBordersText);
        return true;
    };
    for (size_t k = 0; k < cuts.size(); ++k) {
        if (!startBrick(k)) break;
        if (makeCut(cuts[k]) == platform::OutOfMemory) return platform::OutOfMemory;
    }
    return platform::Ok;
}

bool TexturePostProcess::multiplyOutputAlphaInto(cBitmap& shaped)
{
    const int32_t width = m_out.Width();
    const int32_t height = m_out.Height();
    if (shaped.Width() != width || shaped.Height() != height || width < 1 || height < 1) return false;
    platform::LockedBits out;
    platform::LockedBits in;
    if (m_out.LockBits({0, 0, width, height}, platform::LockRead, platform::kFormat32bppARGB, out) != platform::Ok)
        return false;
    const platform::ScopeExit unlockOut([&] { m_out.UnlockBits(out); });
    if (shaped.LockBits({0, 0, width, height}, platform::LockRead | platform::LockWrite, platform::kFormat32bppARGB,
                        in) != platform::Ok)
        return false;
    const platform::ScopeExit unlockShaped([&] { shaped.UnlockBits(in); });
    platform::ThreadPool::parallelFor(0, height, kRowsPerChunk, [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y) {
            const uint8_t* o = out.row(static_cast<int32_t>(y));
            uint8_t* m = in.row(static_cast<int32_t>(y));
            for (int32_t x = 0; x < width; ++x)
                m[4 * x + 3] = static_cast<uint8_t>((static_cast<uint32_t>(o[4 * x + 3]) * m[4 * x + 3]) / 255u);
        }
    });
    return true;
}

bool TexturePostProcess::takeWorkAsOutput()
{
    if (!m_work.Handle() || m_work.PixelFormat() != platform::kFormat32bppARGB) return false;
    m_out.adoptImage(m_work.releaseImage());
    return true;
}

platform::Status TexturePostProcess::PostProcessArch()
{
    m_work.Dispose();
    if (!m_out.Handle()) return platform::Ok;
    platform::Status status =
        m_work.CreateFromClone(m_out.Width(), m_out.Height(), m_out.Handle(), m_out.PixelFormat());
    if (status != platform::Ok) return status;
    // The shaped texture is made whole in the work image and only then
    // becomes the output, so a cancel halfway leaves the output as it was.
    const platform::ScopeExit release([this] { m_work.Dispose(); });
    {
        const int32_t keptBorder = m_sizes.BorderSizePx;
        const platform::ScopeExit restore([this, keptBorder] { m_sizes.BorderSizePx = keptBorder; });
        m_sizes.BorderSizePx = m_options.ArcAntialias;
        status = BrickPainter::ShapeBrickImage(m_work, m_filter, m_sizes, outlineNoiseLength());
    }
    // The outline multiplies into the existing alpha, so the transparent
    // joints of a texture without mortar stay transparent.
    if (status == platform::Ok && multiplyOutputAlphaInto(m_work)) takeWorkAsOutput();
    return status;
}

int32_t TexturePostProcess::columnWidth(int32_t canvasWidth, const LayoutPixelSizes& sizes)
{
    const int64_t margin = static_cast<int64_t>(sizes.BorderSizePx) + 2 * static_cast<int64_t>(sizes.NoiseStrengthPx);
    if (margin > 0 && canvasWidth - 2 * margin >= 1) return static_cast<int32_t>(canvasWidth - 2 * margin);
    return canvasWidth;
}

platform::Status TexturePostProcess::PostProcessColumn()
{
    m_work.Dispose();
    if (!m_out.Handle()) return platform::Ok;
    const int32_t width = m_out.Width();
    const int32_t narrower = columnWidth(width, m_sizes);
    if (narrower != width) {
        m_out.CropPicture((width - narrower) / 2, 0, narrower, m_out.Height());
        if (m_out.Width() != narrower) return m_out.CurErr();
    }

    const int32_t keptBlend = m_sizes.BlendBordersPx;
    const bool keptH = m_project.SeamlessH;
    const bool keptV = m_project.SeamlessV;
    const platform::ScopeExit restore([&] {
        m_sizes.BlendBordersPx = keptBlend;
        m_project.SeamlessH = keptH;
        m_project.SeamlessV = keptV;
        m_work.Dispose();
    });
    m_sizes.BlendBordersPx = m_options.ColumnAntialias;
    m_project.SeamlessH = true;
    m_project.SeamlessV = false;
    // A blend of 0 or less leaves the image as it is. The blended copy
    // becomes the output only once it is whole.
    if (m_sizes.BlendBordersPx <= 0) return platform::Ok;
    platform::Status status =
        m_work.CreateFromClone(m_out.Width(), m_out.Height(), m_out.Handle(), m_out.PixelFormat());
    if (status == platform::Ok)
        status = MortarBackground::MakeImageSeamless(m_work, m_filter, m_sizes.BlendBordersPx, m_project.SeamlessH,
                                                     m_project.SeamlessV);
    if (status == platform::Ok && m_work.Width() == m_out.Width() && m_work.Height() == m_out.Height())
        takeWorkAsOutput();
    return status;
}

}  // namespace kalvora
