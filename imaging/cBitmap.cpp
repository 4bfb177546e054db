#include "imaging/cBitmap.h"

#include <cstring>
#include <limits>
#include <mutex>

#include "imaging/cGraphics.h"
#include "platform/Compositor.h"
#include "platform/Numeric.h"
#include "platform/Services.h"
#include "platform/Surface.h"
#include "platform/codecs/TiffMultiPageFile.h"

namespace kalvora {

using platform::Image;
using platform::Status;

namespace {

constexpr int32_t kTransparentWhite = 0x00FFFFFF;

struct ResourceTable {
    std::mutex mutex;
    std::map<int32_t, std::shared_ptr<const std::vector<uint8_t>>> entries;
};

ResourceTable& resources()
{
    static ResourceTable table;
    return table;
}

// Sets the modes the bitmap's own drawing uses.
void prepareSurface(cGraphics& graphics, platform::InterpolationMode interpolation)
{
    platform::Surface* surface = graphics.Handle();
    surface->setPixelOffsetMode(platform::PixelOffsetMode::HighQuality);
    surface->setSmoothingMode(platform::SmoothingMode::HighQuality);
    graphics.SetInterpolationMode(interpolation);
}

// A new image of the size and format, cleared to transparent white, with
// the surface open on it; the status of the first step that fails.
Status openClearedCanvas(int32_t width, int32_t height, platform::PixelFormatId format, std::unique_ptr<Image>& image,
                         cGraphics& graphics)
{
    Status s = Image::create(width, height, format, image);
    if (s == platform::Ok) s = graphics.GetGraphicsContext(image.get());
    if (s == platform::Ok) s = graphics.Clear(kTransparentWhite);
    return s;
}

}  // namespace

// The padding keeps the resampling kernel on image colours. Bounded so the
// padded size still fits 32 bits.
int32_t cBitmap::ResizePad(int32_t w, int32_t h, int32_t newWidth, int32_t newHeight)
{
    if (w < 1 || h < 1 || newWidth < 1 || newHeight < 1) return 0;
    const float sx = static_cast<float>(static_cast<double>(newWidth) / w);
    const float sy = static_cast<float>(static_cast<double>(newHeight) / h);
    const float m = sx < sy ? sx : sy;
    const float inverse = 2.0f / m;
    const int64_t maxPad = (std::numeric_limits<int32_t>::max() - static_cast<int64_t>(w > h ? w : h)) / 2 - 2;
    const double rounded = platform::roundHalfEven(static_cast<double>(inverse));
    if (rounded >= static_cast<double>(maxPad)) return static_cast<int32_t>(maxPad) + 2;
    return static_cast<int32_t>(rounded) + 2;
}

cBitmap::cBitmap() = default;

cBitmap::~cBitmap() { Dispose(); }

cBitmap::cBitmap(cBitmap&& other) noexcept = default;
cBitmap& cBitmap::operator=(cBitmap&& other) noexcept = default;

Status cBitmap::Execute(Status lReturn)
{
    m_lastStatus = lReturn;
    if (lReturn != platform::Ok && gdip) gdip->Error(lReturn, "cBitmap");
    return lReturn;
}

void cBitmap::refreshSizeAndFormat()
{
    if (m_image) {
        m_width = m_image->width();
        m_height = m_image->height();
        m_pixelFormat = m_image->format();
    } else {
        m_width = 0;
        m_height = 0;
        m_pixelFormat = 0;
    }
    m_bounds = platform::PixelRect{0, 0, m_width, m_height};
}

void cBitmap::replaceImage(std::unique_ptr<Image> image)
{
    // The new image exists before the old one goes, so a source that is the
    // old image itself stays valid until here.
    m_image = std::move(image);
    m_keptStream.reset();
    m_keptResource.reset();
    m_frameCount = 0;
    refreshSizeAndFormat();
}

Status cBitmap::CreateFromScan0(int32_t lWidth, int32_t lHeight, int32_t lStride, platform::PixelFormatId ePixelFormats,
                                const uint8_t* lDataPtr)
{
    std::unique_ptr<Image> image;
    Status s = Image::create(lWidth, lHeight, ePixelFormats, image);
    if (s == platform::Ok && lDataPtr != nullptr) {
        const int64_t rowBytes = static_cast<int64_t>(lWidth) * platform::bytesPerPixel(ePixelFormats);
        if (lStride < rowBytes) {
            s = platform::InvalidParameter;
        } else {
            for (int32_t y = 0; y < lHeight; ++y)
                std::memcpy(image->row(y), lDataPtr + static_cast<int64_t>(y) * lStride, static_cast<size_t>(rowBytes));
        }
    }
    if (s == platform::Ok) replaceImage(std::move(image));
    refreshSizeAndFormat();
    return Execute(s);
}

Status cBitmap::CreateFromStream(const std::vector<uint8_t>& bIn)
{
    auto kept = std::make_shared<const std::vector<uint8_t>>(bIn);
    std::unique_ptr<Image> image;
    const Status s = platform::decodeImage(kept->data(), kept->size(), image);
    if (s != platform::Ok) return Execute(s);
    replaceImage(std::move(image));
    m_keptStream = std::move(kept);
    return Execute(platform::Ok);
}

Status cBitmap::CreateFromHBitmap(const Image* hBitmap)
{
    if (hBitmap == nullptr) return Execute(platform::InvalidParameter);
    // A plain bitmap carries no alpha.
    const platform::PixelFormatId format = hBitmap->format() == platform::kFormat32bppARGB ? platform::kFormat32bppRGB
                                                                                           : hBitmap->format();
    std::unique_ptr<Image> image;
    const Status s = hBitmap->cloneArea(hBitmap->width(), hBitmap->height(), format, image);
    if (s != platform::Ok) return Execute(s);
    image->setPalette({});
    replaceImage(std::move(image));
    return Execute(platform::Ok);
}

Status cBitmap::CreateFromGraphics(int32_t lWidth, int32_t lHeight, platform::Surface* lGraphicHandle)
{
    if (lGraphicHandle == nullptr) return Execute(platform::InvalidParameter);
    std::unique_ptr<Image> image;
    const Status s = Image::create(lWidth, lHeight, platform::kFormat32bppARGB, image);
    if (s != platform::Ok) return Execute(s);
    replaceImage(std::move(image));
    return Execute(platform::Ok);
}

Status cBitmap::CreateFromClone(int32_t lWidth, int32_t lHeight, const Image* lBitmapHandle,
                                platform::PixelFormatId ePixelFormat)
{
    if (lBitmapHandle == nullptr) return Execute(platform::InvalidParameter);
    std::unique_ptr<Image> image;
    const Status s = lBitmapHandle->cloneArea(lWidth, lHeight, ePixelFormat, image);
    if (s != platform::Ok) return Execute(s);
    replaceImage(std::move(image));
    return Execute(platform::Ok);
}

void cBitmap::RegisterResource(int32_t lResID, std::vector<uint8_t> bytes)
{
    ResourceTable& table = resources();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries[lResID] = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
}

Status cBitmap::CreateFromResource(int32_t lResID)
{
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    {
        ResourceTable& table = resources();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto it = table.entries.find(lResID);
        if (it != table.entries.end()) bytes = it->second;
    }
    if (!bytes) return Execute(platform::InvalidParameter);
    std::unique_ptr<Image> image;
    const Status s = platform::decodeImage(bytes->data(), bytes->size(), image);
    if (s != platform::Ok) return Execute(s);
    replaceImage(std::move(image));
    m_keptResource = std::move(bytes);
    return Execute(platform::Ok);
}

Status cBitmap::CreateThumbFromImage(int32_t lWidth, int32_t lHeight, const Image* source)
{
    if (source == nullptr) return Execute(platform::InvalidParameter);
    std::unique_ptr<Image> image;
    Status s = Image::create(lWidth, lHeight, platform::kFormat32bppARGB, image);
    if (s != platform::Ok) return Execute(s);
    cGraphics graphics;
    s = graphics.GetGraphicsContext(image.get());
    if (s == platform::Ok) {
        prepareSurface(graphics, platform::InterpolationMode::HighQualityBicubic);
        s = graphics.DrawImageRectI(source, 0, 0, lWidth, lHeight);
    }
    graphics.Dispose();
    if (s != platform::Ok) return Execute(s);
    replaceImage(std::move(image));
    return Execute(platform::Ok);
}

std::unique_ptr<Image> cBitmap::releaseImage()
{
    std::unique_ptr<Image> image = std::move(m_image);
    Dispose();
    return image;
}

void cBitmap::Dispose()
{
    m_image.reset();
    m_keptStream.reset();
    m_keptResource.reset();
    m_frameCount = 0;
    refreshSizeAndFormat();
}

Status cBitmap::LoadFromFile(const std::string& sFilename)
{
    std::unique_ptr<Image> image;
    const Status s = platform::decodeImageFile(sFilename, image);
    if (s != platform::Ok) return Execute(s);
    replaceImage(std::move(image));
    return Execute(platform::Ok);
}

std::unique_ptr<Image> cBitmap::SetHandle(std::unique_ptr<Image> lHandle)
{
    std::unique_ptr<Image> previous = std::move(m_image);
    m_image = std::move(lHandle);
    return previous;
}

int32_t cBitmap::GetDelay(int32_t frameIndex)
{
    int32_t value = 0;
    GetPropertyItem(0x5100, value, frameIndex);
    return value;
}

int32_t cBitmap::GetLoopCount()
{
    int32_t value = 0;
    if (GetPropertyItem(0x5101, value, 0) != platform::Ok) return 0;
    return value;
}

Status cBitmap::GetPropertyItem(int32_t /*eTag*/, int32_t& /*vValue*/, int32_t /*lPropertyIndex*/)
{
    // Images here carry no metadata properties.
    if (!m_image) return Execute(platform::InvalidParameter);
    return Execute(platform::PropertyNotFound);
}

int32_t cBitmap::GetPixelLong(int32_t x, int32_t y) { return GetPixelARGB(x, y); }

int32_t cBitmap::GetPixelARGB(int32_t x, int32_t y)
{
    if (!m_image) {
        Execute(platform::InvalidParameter);
        return 0;
    }
    uint32_t argb = 0;
    if (Execute(m_image->getPixel(x, y, argb)) != platform::Ok) return 0;
    return static_cast<int32_t>(argb);
}

void cBitmap::MakeTransparent(int32_t lColor)
{
    if (!m_image) {
        Execute(platform::InvalidParameter);
        return;
    }
    std::unique_ptr<Image> image;
    cGraphics graphics;
    if (Execute(openClearedCanvas(m_width, m_height, platform::kFormat32bppARGB, image, graphics)) != platform::Ok)
        return;
    platform::ImageAttributes attributes;
    attributes.hasColorKey = true;
    attributes.keyLow = static_cast<uint32_t>(lColor);
    attributes.keyHigh = static_cast<uint32_t>(lColor);
    Execute(
        graphics.DrawImageRectRectIAttr(m_image.get(), 0, 0, m_width, m_height, 0, 0, m_width, m_height, &attributes));
    graphics.Dispose();
    // Swap the new image in; the old one is released here.
    std::unique_ptr<Image> previous = SetHandle(std::move(image));
    previous.reset();
    refreshSizeAndFormat();
}

std::unique_ptr<Image> cBitmap::Picture()
{
    if (!m_image) return nullptr;
    std::unique_ptr<Image> picture;
    if (Image::create(m_width, m_height, platform::kFormat24bppRGB, picture) != platform::Ok) return nullptr;
    // Composited over black; formats without alpha are opaque, so their
    // colours carry over unchanged.
    const bool alpha = m_image->format() == platform::kFormat32bppARGB;
    for (int32_t y = 0; y < m_height; ++y) {
        if (alpha)
            platform::Compositor::flattenOverBlack(m_image->row(y), picture->row(y), m_width);
        else
            platform::convertRow(m_image->row(y), m_image->format(), picture->row(y), platform::kFormat24bppRGB,
                                 m_width);
    }
    return picture;
}

Status cBitmap::RotateFlip(platform::RotateFlipType eFlipType)
{
    if (!m_image) return Execute(platform::InvalidParameter);
    const Status s = Execute(m_image->rotateFlip(eFlipType));
    refreshSizeAndFormat();
    return s;
}

Status cBitmap::SelectActiveFrame(int32_t frameIndex, bool /*timeDimension*/)
{
    // Every image here has one frame in either dimension.
    if (!m_image) return Execute(platform::InvalidParameter);
    if (m_frameCount == 0) m_frameCount = 1;
    if (frameIndex < 0 || frameIndex >= m_frameCount) return Execute(platform::InvalidParameter);
    refreshSizeAndFormat();
    return Execute(platform::Ok);
}

std::vector<uint32_t> cBitmap::readPalette() const { return m_image ? m_image->palette() : std::vector<uint32_t>{}; }

void cBitmap::SetTransColor(int32_t lIndex)
{
    if (!m_image) return;
    std::vector<uint32_t> palette = readPalette();
    const size_t index = static_cast<size_t>(lIndex & 0xFF);
    // Only an entry the palette has is written.
    if (index >= palette.size()) return;
    palette[index] &= 0x00FFFFFFu;
    SetPalette(palette);
}

Status cBitmap::SetPalette(const std::vector<uint32_t>& lPalPointer)
{
    if (!m_image || lPalPointer.size() > 256) return Execute(platform::InvalidParameter);
    m_image->setPalette(lPalPointer);
    return Execute(platform::Ok);
}

void cBitmap::ResizePicture(int32_t NewWidth, int32_t NewHeight, platform::InterpolationMode Interpolation_Mode)
{
    // An empty image, a size below one pixel, or the current size: nothing to do.
    if (!m_image || NewWidth < 1 || NewHeight < 1) return;
    if (NewWidth == m_width && NewHeight == m_height) return;
    std::unique_ptr<Image> result = resized(*m_image, NewWidth, NewHeight, Interpolation_Mode);
    if (result) replaceImage(std::move(result));
}

Status cBitmap::assignResized(const cBitmap& source, int32_t width, int32_t height,
                              platform::InterpolationMode interpolationMode)
{
    const Image* image = source.Handle();
    const bool resizes = image && width >= 1 && height >= 1 && (width != source.Width() || height != source.Height());
    if (!resizes) {
        const Status s = CreateFromClone(source.Width(), source.Height(), image, source.PixelFormat());
        if (s != platform::Ok) Dispose();
        return s;
    }
    std::unique_ptr<Image> result = resized(*image, width, height, interpolationMode);
    if (!result) {
        Dispose();
        return m_lastStatus;
    }
    replaceImage(std::move(result));
    return platform::Ok;
}

std::unique_ptr<Image> cBitmap::resized(const Image& source, int32_t width, int32_t height,
                                        platform::InterpolationMode interpolationMode)
{
    return resizedPart(source, width, height, interpolationMode, {0, 0, width, height});
}

std::unique_ptr<Image> cBitmap::resizedArea(int32_t width, int32_t height, platform::InterpolationMode interpolationMode,
                                            const platform::PixelRect& area)
{
    if (!m_image || width < 1 || height < 1 || area.width < 1 || area.height < 1) return nullptr;
    return resizedPart(*m_image, width, height, interpolationMode, area);
}

std::unique_ptr<Image> cBitmap::resizedPart(const Image& source, int32_t width, int32_t height,
                                            platform::InterpolationMode interpolationMode,
                                            const platform::PixelRect& area)
{
    const int32_t pad = ResizePad(source.width(), source.height(), width, height);
    std::unique_ptr<Image> result;
    if (Execute(Image::create(area.width, area.height, platform::kFormat32bppARGB, result)) != platform::Ok)
        return nullptr;
    cGraphics graphics;
    if (Execute(graphics.GetGraphicsContext(result.get())) != platform::Ok) return nullptr;
    prepareSurface(graphics, interpolationMode);
    // The resampler reads the edge-padded image through its rule, so the
    // kernel sees smeared edge colours and never transparent black. A part
    // is the whole drawn shifted by the part's corner: every pixel maps to
    // the same source position as in the whole. A draw that failed (its
    // row buffers refused) leaves no result.
    if (Execute(graphics.Handle()->drawImagePadded(source, pad, -area.x, -area.y, width, height)) != platform::Ok)
        return nullptr;
    graphics.Dispose();
    return result;
}

void cBitmap::CropPicture(int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (w == m_width && h == m_height) return;
    if (!m_image) {
        Execute(platform::InvalidParameter);
        return;
    }
    std::unique_ptr<Image> image;
    cGraphics graphics;
    if (Execute(openClearedCanvas(w, h, platform::kFormat32bppARGB, image, graphics)) != platform::Ok) return;
    prepareSurface(graphics, platform::InterpolationMode::NearestNeighbor);
    const Status s = Execute(graphics.DrawImageRectRectI(m_image.get(), 0, 0, w, h, x, y, w, h));
    graphics.Dispose();
    if (s == platform::Ok) replaceImage(std::move(image));
}

void cBitmap::ShiftPicture(int32_t& x, int32_t& y, bool WrapPicture)
{
    // Shifting an empty image changes nothing.
    if (!m_image || m_width < 1 || m_height < 1) return;
    const int32_t W = m_width;
    const int32_t H = m_height;

    x %= W;
    if (x < 0) x += W;
    y %= H;
    if (y < 0) y += H;

    std::unique_ptr<Image> image;
    cGraphics graphics;
    if (Execute(openClearedCanvas(W, H, m_pixelFormat, image, graphics)) != platform::Ok) return;
    prepareSurface(graphics, platform::InterpolationMode::NearestNeighbor);

    const Image* src = m_image.get();
    // A part that cannot be drawn leaves the image as it was, with the
    // part's status recorded.
    Status s = Execute(graphics.DrawImageRectRectI(src, x, y, W - x, H - y, 0, 0, W - x, H - y));
    if (s == platform::Ok && WrapPicture && y >= 1)
        s = Execute(graphics.DrawImageRectRectI(src, x, 0, W - x, y, 0, H - y, W - x, y));
    if (s == platform::Ok && WrapPicture && x >= 1 && y >= 1)
        s = Execute(graphics.DrawImageRectRectI(src, 0, 0, x, y, W - x, H - y, x, y));
    if (s == platform::Ok && WrapPicture && x >= 1)
        s = Execute(graphics.DrawImageRectRectI(src, 0, y, x, H - y, W - x, 0, x, H - y));
    graphics.Dispose();
    if (s == platform::Ok) replaceImage(std::move(image));
}

void cBitmap::CopyToClipboard()
{
    if (!m_image) return;
    std::unique_ptr<Image> picture = Picture();
    if (!picture) {
        Execute(platform::OutOfMemory);
        return;
    }
    platform::Services::clipboard().putImage(*picture);
}

bool cBitmap::PasteFromClipboard()
{
    platform::ClipboardService& clipboard = platform::Services::clipboard();
    if (!clipboard.hasImage()) return false;
    std::unique_ptr<Image> pasted;
    if (Execute(clipboard.getImage(pasted)) != platform::Ok || !pasted) return false;
    // The current image goes only once the pasted one has been taken.
    if (CreateFromHBitmap(pasted.get()) != platform::Ok) return false;
    return m_width != 0 && m_height != 0;
}

Status cBitmap::SaveToFile(const std::string& sFilename, const platform::EncoderClsid& encoder,
                           const platform::EncoderParameters* params)
{
    m_lastWriteError = 0;
    if (!m_image) return Execute(platform::InvalidParameter);
    if (params && params->saveFlag == platform::kEncoderValueMultiFrame)
        return Execute(startPageFile(sFilename, encoder));
    return Execute(platform::encodeImageFile(*m_image, sFilename, encoder, params, &m_lastWriteError));
}

Status cBitmap::startPageFile(const std::string& path, const platform::EncoderClsid& encoder)
{
    if (m_pageFile) return platform::WrongState;
    if (encoder != platform::kTiffEncoderClsid) return platform::InvalidParameter;
    auto file = std::make_unique<platform::TiffMultiPageFile>(path);
    const Status s = file->start(*m_image);
    m_lastWriteError = file->lastError();
    if (s == platform::Ok) m_pageFile = std::move(file);
    return s;
}

Status cBitmap::appendPage(const Image& page)
{
    if (!m_pageFile) return platform::WrongState;
    const Status s = m_pageFile->append(page);
    if (!m_pageFile->isOpen()) m_pageFile.reset();
    return s;
}

int32_t cBitmap::SaveToByteArray(std::vector<uint8_t>& bytes, const platform::EncoderClsid& encoder,
                                 const platform::EncoderParameters* params)
{
    if (!m_image) {
        Execute(platform::InvalidParameter);
        return 0;
    }
    std::vector<uint8_t> encoded;
    if (Execute(platform::encodeImage(*m_image, encoder, params, encoded)) != platform::Ok) return 0;
    if (encoded.empty()) return 0;
    if (encoded.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        Execute(platform::ValueOverflow);
        return 0;
    }
    bytes = std::move(encoded);
    return static_cast<int32_t>(bytes.size());
}

Status cBitmap::LockBits(const platform::PixelRect& rect, uint32_t lockMode, platform::PixelFormatId format,
                         platform::LockedBits& data)
{
    if (!m_image || format != platform::kFormat32bppARGB) return Execute(platform::InvalidParameter);
    return Execute(m_image->lockBits(rect, lockMode, data));
}

Status cBitmap::UnlockBits(platform::LockedBits& data)
{
    if (!m_image) return Execute(platform::InvalidParameter);
    return Execute(m_image->unlockBits(data));
}

Status cBitmap::SaveAdd(const platform::EncoderParameters* params)
{
    if (!params) return Execute(platform::InvalidParameter);
    if (params->saveFlag == platform::kEncoderValueFlush) {
        if (!m_pageFile) return Execute(platform::WrongState);
        const Status s = m_pageFile->finish();
        m_pageFile.reset();
        return Execute(s);
    }
    if (params->saveFlag != platform::kEncoderValueFrameDimensionPage || !m_image)
        return Execute(platform::InvalidParameter);
    return Execute(appendPage(*m_image));
}

Status cBitmap::SaveAddImage(const Image* image, const platform::EncoderParameters* params)
{
    if (!image || !params || params->saveFlag != platform::kEncoderValueFrameDimensionPage)
        return Execute(platform::InvalidParameter);
    return Execute(appendPage(*image));
}

}  // namespace kalvora
