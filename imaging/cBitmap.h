#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/cGDIP.h"
#include "platform/Image.h"
#include "platform/PixelFormat.h"
#include "platform/Status.h"
#include "platform/Surface.h"
#include "platform/codecs/Codecs.h"

namespace kalvora::platform {
class Surface;
class TiffMultiPageFile;
}

namespace kalvora {

// Owns one image and is the image type the whole program passes around.
// Every operation returns a status (0 = success), records it, and hands a
// failure to the attached session's Error with the class name "cBitmap".
// Handle() is a non-owning view of the image (nullptr = no image); it stays
// valid until the image is replaced or disposed.
class cBitmap {
public:
    // Session that receives failures; may be empty.
    std::shared_ptr<cGDIP> gdip;

    cBitmap();
    ~cBitmap();
    cBitmap(const cBitmap&) = delete;
    cBitmap& operator=(const cBitmap&) = delete;
    cBitmap(cBitmap&&) noexcept;
    cBitmap& operator=(cBitmap&&) noexcept;

    // New zeroed image (transparent black for ARGB). With lDataPtr, the
    // pixels are copied from that memory, rows lStride bytes apart.
    platform::Status CreateFromScan0(int32_t lWidth, int32_t lHeight, int32_t lStride,
                                     platform::PixelFormatId ePixelFormats, const uint8_t* lDataPtr = nullptr);
    // Decodes encoded bytes (PNG, BMP, JPEG, GIF, TIFF); the bytes are kept
    // as long as the image lives.
    platform::Status CreateFromStream(const std::vector<uint8_t>& bIn);
    // Copy of a platform bitmap without alpha (32bpp RGB for 32-bit sources).
    platform::Status CreateFromHBitmap(const platform::Image* hBitmap);
    // A 32bpp ARGB image of that size, compatible with the surface.
    platform::Status CreateFromGraphics(int32_t lWidth, int32_t lHeight, platform::Surface* lGraphicHandle);
    // Copy of the area (0, 0, lWidth, lHeight) of the image, converted to the format.
    platform::Status CreateFromClone(int32_t lWidth, int32_t lHeight, const platform::Image* lBitmapHandle,
                                     platform::PixelFormatId ePixelFormat);
    // Image from the program's own encoded image resources (RegisterResource).
    platform::Status CreateFromResource(int32_t lResID);
    // Thumbnail of that size of another image.
    platform::Status CreateThumbFromImage(int32_t lWidth, int32_t lHeight, const platform::Image* source);

    platform::Status CurErr() const { return m_lastStatus; }
    // The system's error number of the last SaveToFile's failure (ENOSPC for
    // a full disk), beside the status it returned; 0 when it did not fail in
    // the system.
    int lastWriteError() const { return m_lastWriteError; }
    // Releases the image and the kept bytes; harmless when there is none.
    void Dispose();
    // Records the status and reports a failure to gdip; returns it.
    platform::Status Execute(platform::Status lReturn);
    int32_t FrameCount() const { return m_frameCount; }
    platform::Status LoadFromFile(const std::string& sFilename);

    platform::Image* Handle() const { return m_image.get(); }
    // Gives its image to the caller (nullptr when it has none) and is left
    // empty, as after Dispose.
    std::unique_ptr<platform::Image> releaseImage();
    // Takes the image as its own, with its size and format; the previous
    // image and kept bytes go.
    void adoptImage(std::unique_ptr<platform::Image> image) { replaceImage(std::move(image)); }
    // Takes the given image and hands back the previous one without
    // releasing it; size and format are not refreshed.
    std::unique_ptr<platform::Image> SetHandle(std::unique_ptr<platform::Image> lHandle);

    int32_t Height() const { return m_height; }
    int32_t GetDelay(int32_t frameIndex);
    int32_t GetLoopCount();
    platform::Status GetPropertyItem(int32_t eTag, int32_t& vValue, int32_t lPropertyIndex);
    int32_t GetPixelLong(int32_t x, int32_t y);
    // Redraws into a new 32bpp ARGB image cleared to 0x00FFFFFF, leaving out
    // pixels of exactly lColor.
    void MakeTransparent(int32_t lColor);
    // The image as a plain bitmap: composited over black, 24bpp RGB, no alpha.
    // nullptr when there is no image.
    std::unique_ptr<platform::Image> Picture();
    platform::PixelFormatId PixelFormat() const { return m_pixelFormat; }
    // Types 0..7: 1 rotate 90, 2 rotate 180, 3 rotate 270, 4 flip X, 6 flip Y.
    platform::Status RotateFlip(platform::RotateFlipType eFlipType);
    platform::Status SelectActiveFrame(int32_t frameIndex, bool timeDimension);
    void SetTransColor(int32_t lIndex);
    platform::Status SetPalette(const std::vector<uint32_t>& lPalPointer);
    int32_t Width() const { return m_width; }

    // Edge-padded resample to NewWidth x NewHeight as 32bpp ARGB.
    void ResizePicture(int32_t NewWidth, int32_t NewHeight,
                       platform::InterpolationMode Interpolation_Mode = platform::InterpolationMode::HighQualityBicubic);
    // The same image as a clone of source followed by ResizePicture, made
    // without the clone when a resize is needed: source is only read. On
    // failure this bitmap is left empty and the status returned.
    platform::Status assignResized(const cBitmap& source, int32_t width, int32_t height,
                       platform::InterpolationMode interpolationMode);
    // The rectangle becomes the image; parts outside stay 0x00FFFFFF.
    void CropPicture(int32_t x, int32_t y, int32_t w, int32_t h);
    // Moves the content right by x and down by y, optionally wrapping;
    // x and y are normalised into 0..W-1 and 0..H-1 in place.
    void ShiftPicture(int32_t& x, int32_t& y, bool WrapPicture);
    void CopyToClipboard();
    bool PasteFromClipboard();

    // One pixel as ARGB; 0 when it cannot be read.
    int32_t GetPixelARGB(int32_t x, int32_t y);
    platform::Status SaveToFile(const std::string& sFilename, const platform::EncoderClsid& encoder,
                                const platform::EncoderParameters* params = nullptr);
    // Encodes into bytes (resized here); returns the byte count, 0 on failure
    // (bytes then untouched).
    int32_t SaveToByteArray(std::vector<uint8_t>& bytes, const platform::EncoderClsid& encoder,
                            const platform::EncoderParameters* params = nullptr);
    // Only 32bpp ARGB locks are offered.
    platform::Status LockBits(const platform::PixelRect& rect, uint32_t lockMode, platform::PixelFormatId format,
                              platform::LockedBits& data);
    platform::Status UnlockBits(platform::LockedBits& data);
    platform::PixelRect GetBoundsRect() const { return m_bounds; }
    // Multi-frame saving, TIFF only. SaveToFile with saveFlag
    // kEncoderValueMultiFrame writes the image as the first page and keeps the
    // file open on this bitmap; SaveAdd with kEncoderValueFrameDimensionPage
    // appends this bitmap's current image as the next page, SaveAddImage with
    // it appends the given image, and SaveAdd with kEncoderValueFlush
    // finishes the file. The target is replaced only then; a bitmap destroyed
    // before, or a page that fails, leaves it as it was. Another flag or no
    // image: InvalidParameter; no open file, or a second one: WrongState.
    platform::Status SaveAdd(const platform::EncoderParameters* params);
    platform::Status SaveAddImage(const platform::Image* image, const platform::EncoderParameters* params);

    // Edge padding ResizePicture gives the source: 2 / m in single precision,
    // rounded half to even, plus 2, with m the smaller of the two scale factors;
    // 0 when a size is below 1.
    static int32_t ResizePad(int32_t width, int32_t height, int32_t newWidth, int32_t newHeight);

    // The part area of this image resampled to width x height as ResizePicture
    // would (the same pixels), as a new 32bpp ARGB image of the area's size;
    // nullptr when it cannot be made (the status is kept).
    std::unique_ptr<platform::Image> resizedArea(int32_t width, int32_t height,
                                                 platform::InterpolationMode interpolationMode,
                                                 const platform::PixelRect& area);

    // The program's encoded image resources by number, read by CreateFromResource.
    static void RegisterResource(int32_t lResID, std::vector<uint8_t> bytes);

private:
    // Puts a newly built image in place of the old one and refreshes size and format.
    void replaceImage(std::unique_ptr<platform::Image> image);
    void refreshSizeAndFormat();
    // source resampled through its edge padding into a new width x height
    // 32bpp ARGB image; nullptr when the image cannot be made.
    std::unique_ptr<platform::Image> resized(const platform::Image& source, int32_t width, int32_t height,
                                             platform::InterpolationMode interpolationMode);
    // The part area of that resampled image, as an image of the area's size.
    std::unique_ptr<platform::Image> resizedPart(const platform::Image& source, int32_t width, int32_t height,
                                                 platform::InterpolationMode interpolationMode,
                                                 const platform::PixelRect& area);
    std::vector<uint32_t> readPalette() const;
    platform::Status startPageFile(const std::string& path, const platform::EncoderClsid& encoder);
    platform::Status appendPage(const platform::Image& page);

    std::unique_ptr<platform::Image> m_image;
    platform::Status m_lastStatus = platform::Ok;
    int m_lastWriteError = 0;
    platform::PixelFormatId m_pixelFormat = 0;
    int32_t m_frameCount = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    platform::PixelRect m_bounds;
    std::shared_ptr<const std::vector<uint8_t>> m_keptStream;
    std::shared_ptr<const std::vector<uint8_t>> m_keptResource;
    // The multi-page file being written, until it is finished or fails.
    std::unique_ptr<platform::TiffMultiPageFile> m_pageFile;
};

}  // namespace kalvora
