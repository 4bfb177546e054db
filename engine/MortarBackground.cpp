#include "engine/MortarBackground.h"

#include <memory>

#include "engine/BrickPainter.h"
#include "engine/cBrickData.h"
#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "imaging/cGraphics.h"
#include "platform/Numeric.h"
#include "platform/Surface.h"

namespace kalvora {

namespace {

// One cell size: how many cells have it and, once made, its resized (and
// blended) image.
struct CellImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t uses = 0;
    bool made = false;
    bool usable = false;
    cBitmap image;
};

// The mortar resized straight onto the surface at the cell's place. The
// resampler composites its rows source-over as they come; an image of the
// cell would hold the same rows (source-over onto a new transparent image
// copies them) and its unscaled draw would composite them the same way, so
// a cell drawn once needs no image of its own.
platform::Status drawResizedCell(const cBitmap& mortar, platform::InterpolationMode resizeMode, cGraphics& surface,
                                 int32_t x, int32_t y, int32_t width, int32_t height)
{
    platform::Surface* target = surface.Handle();
    platform::InterpolationMode previousMode = platform::InterpolationMode::Default;
    if (!target) return platform::InvalidParameter;
    platform::Status status = surface.GetInterpolationMode(previousMode);
    if (status == platform::Ok) status = surface.SetInterpolationMode(resizeMode);
    if (status != platform::Ok) return status;
    const int32_t pad = cBitmap::ResizePad(mortar.Width(), mortar.Height(), width, height);
    status = target->drawImagePadded(*mortar.Handle(), pad, x, y, width, height);
    surface.SetInterpolationMode(previousMode);
    return status;
}

}  // namespace

MortarBackground::Span MortarBackground::cellSpan(int32_t index, int32_t count, int32_t total)
{
    if (count < 1) return {};
    const double c = static_cast<double>(total) / static_cast<double>(count);
    const int32_t start = platform::roundToInt32(static_cast<double>(index) * c);
    const int32_t end = platform::roundToInt32((static_cast<double>(index) + 1.0) * c);
    return {start, end - start};
}

std::vector<MortarBackground::Span> MortarBackground::cellSpans(int32_t count, int32_t total)
{
    std::vector<Span> spans;
    if (count < 1 || total < 1) return spans;
    if (count >= total) {
        // Cells of at most one pixel: the rounded edges step through every
        // pixel once, so the non-empty cells are exactly the single pixels.
        spans.reserve(static_cast<size_t>(total));
        for (int32_t x = 0; x < total; ++x) spans.push_back({x, 1});
        return spans;
    }
    spans.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const Span s = cellSpan(i, count, total);
        if (s.size > 0) spans.push_back(s);
    }
    return spans;
}

platform::Status MortarBackground::MakeImageSeamless(cBitmap& work, clsImageFilter& filter, int32_t blendBordersPx,
                                                     bool seamlessH, bool seamlessV)
{
    return BrickPainter::runFilter(work, filter, [&](clsImageFilter& f) {
        return f.CreateSeamlessTextureFilter(blendBordersPx, seamlessH, seamlessV);
    });
}

platform::Status MortarBackground::DrawMortarTiles(const cBrickData& project, int32_t blendBordersPx,
                                                   platform::InterpolationMode resizeMode, cGraphics& surface,
                                                   clsImageFilter& filter, const YieldPoll& yieldPoll)
{
    if (!project.MortarFile) return platform::Ok;
    const cBitmap& mortar = project.MortarFile->Bitmap;
    if (!mortar.Handle() || mortar.Width() < 1 || mortar.Height() < 1) return platform::Ok;

    const std::vector<Span> columns = cellSpans(project.RepeatX, project.Width);
    const std::vector<Span> rows = cellSpans(project.RepeatY, project.Height);
    const bool blend = (project.SeamlessH || project.SeamlessV) && blendBordersPx != 0;
    std::vector<std::unique_ptr<CellImage>> cells;

    const auto cellOfSize = [&](int32_t width, int32_t height) -> CellImage& {
        for (auto& cell : cells)
            if (cell->width == width && cell->height == height) return *cell;
        auto cell = std::make_unique<CellImage>();
        cell->width = width;
        cell->height = height;
        cells.push_back(std::move(cell));
        return *cells.back();
    };
    // The status of making the cell's image; Ok when it is usable.
    const auto makeImage = [&](CellImage& cell) {
        cell.made = true;
        cBitmap& image = cell.image;
        platform::Status status = BrickPainter::ResizeBrickImage(image, mortar, cell.width, cell.height, resizeMode);
        if (status == platform::Ok && (image.Width() != cell.width || image.Height() != cell.height))
            status = platform::GenericError;
        if (status == platform::Ok && blend)
            status = MakeImageSeamless(image, filter, blendBordersPx, project.SeamlessH, project.SeamlessV);
        cell.usable = status == platform::Ok;
        return status;
    };

    for (const Span& row : rows)
        for (const Span& column : columns) ++cellOfSize(column.size, row.size).uses;
    for (const Span& row : rows) {
        for (const Span& column : columns) {
            CellImage& cell = cellOfSize(column.size, row.size);
            platform::Status status = platform::Ok;
            if (cell.uses == 1 && !blend) {
                status = drawResizedCell(mortar, resizeMode, surface, column.start, row.start, column.size, row.size);
            } else {
                if (!cell.made) status = makeImage(cell);
                if (cell.usable) status = surface.DrawImageI(cell.image.Handle(), column.start, row.start);
            }
            if (status == platform::OutOfMemory) return status;
            if (yieldPoll && yieldPoll()) return platform::Ok;
        }
    }
    return platform::Ok;
}

}  // namespace kalvora
