#pragma once

#include <algorithm>
#include <cmath>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "filters/Convolution3x3.h"
#include "imaging/cBitmap.h"
#include "imaging/cGDIP.h"
#include "platform/Image.h"
#include "platform/LargeBlockReleaser.h"
#include "platform/Numeric.h"
#include "platform/RandomGenerator.h"
#include "platform/ScopeExit.h"
#include "platform/Status.h"
#include "platform/ThreadPool.h"
#include "platform/YieldPoint.h"

namespace kalvora {

static_assert(std::endian::native == std::endian::little,
              "pixel rows are read as packed ARGB values in little-endian memory (B, G, R, A)");

// The one filter class. An instance holds one image twice: a snapshot of its
// pixels as packed 32-bit ARGB values, which every filter reads, and a
// working bitmap in the source's own pixel format, which every filter
// overwrites (some only in part, so its content carries over from one call to
// the next). Load with SetBitmapIn or SetPictureIn, run one Create... filter,
// take the result: the working bitmap's handle (owned by the instance, valid
// until the next load) or a new picture. After every row a filter raises
// Progess with the percentage of rows done.
//
// Handle results are platform::Image* (nullptr = none); picture results are
// new plain 24-bit images (colours drawn over black) owned by the caller
// (nullptr = none). Parameters out of range are limited silently. Without
// a session every filter returns nullptr at once.
class clsImageFilter {
public:
    // The Progess event: Value is the percentage of rows done, raised once
    // after each row on the calling thread.
    std::function<void(int32_t& Value)> Progess;

    // Starts the instance's own imaging session (version 1).
    clsImageFilter();
    // Starts the session with the given version; any version but 1 fails,
    // which leaves the instance inert (the failure is shown to the user).
    explicit clsImageFilter(int32_t gdiplusVersion);
    ~clsImageFilter();
    clsImageFilter(const clsImageFilter&) = delete;
    clsImageFilter& operator=(const clsImageFilter&) = delete;

    // Random numbers of the noise filters and the soft border; nullptr puts
    // the process-wide generator back.
    void setRandomGenerator(platform::RandomGenerator* generator);
    platform::RandomGenerator& randomGenerator() const { return *m_random; }

    // Rows may run on the thread pool where the result is the same as on one
    // thread (on by default).
    void setParallelRows(bool enabled) { m_parallelRows = enabled; }

    // ---- Loading and results -------------------------------------------
    void SetBitmapIn(cBitmap& vBitmap);
    void SetPictureIn(const platform::Image* vPicture);
    platform::Image* GetHandle() const;
    // Loads the image by taking it over instead of copying it: the same
    // working image and snapshot as SetBitmapIn of a bitmap holding it.
    void adoptImage(std::unique_ptr<platform::Image> image);
    // Hands the working image (the last filter's result) to the caller;
    // nothing is loaded afterwards. nullptr without a session.
    std::unique_ptr<platform::Image> releaseResult();

    // ---- Colour and tone filters ----------------------------------------
    // All write alpha 255 except the grey scale, which keeps the snapshot's.
    std::unique_ptr<platform::Image> CreateSwapColorFilter(int32_t eSwapColor);
    platform::Image* CreateThresholdFilter(int32_t lFilterValue = 0);
    platform::Image* CreateHSLFilter(float sngHue = 0.0f, float sngSaturation = 0.0f, float sngLumination = 0.0f);
    platform::Image* CreateSepiaFilter();
    std::unique_ptr<platform::Image> CreateShiftFilter(int32_t lFilterColorFromValue, int32_t lFilterIncValue,
                                                       int32_t lFilterToleranceValue);
    platform::Image* CreateShiftRGBFilter(int32_t lFilterRedValue, int32_t lFilterGreenValue,
                                          int32_t lFilterBlueValue);
    platform::Image* CreateEqualizeFilter();
    std::unique_ptr<platform::Image> CreateSaturationFilter(int32_t lFilterValue = 0);
    platform::Image* CreateGammaFilter(double dblFilterValue = 0.0);
    platform::Image* CreateContrastFilter(double dblFilterValue = 0.0);
    platform::Image* CreateBrightnessFilter(double dblFilterValue = 0.0);
    std::unique_ptr<platform::Image> CreateBlackWhiteFilter1(int32_t lFilterValue = 0);
    std::unique_ptr<platform::Image> CreateBlackWhiteFilter3();
    std::unique_ptr<platform::Image> CreateInvertFilter();
    platform::Image* CreateGrayScaleFilter();

    // ---- Alpha and soft-border filters -----------------------------------
    // Colours from the snapshot, alpha computed. The alpha stamp changes only
    // the part of its destination rectangle inside the image; the rest of
    // the working bitmap keeps its content.
    platform::Image* CreateAlphaRamp(uint8_t StartAlpha, uint8_t EndAlpha, bool HorizontalDirection);
    platform::Image* CreateAlphaAsGray();
    platform::Image* CreateDrawAlphaOnly(cBitmap& SourceBitmap, int32_t dstx, int32_t dsty, int32_t DstW,
                                         int32_t DstH, int32_t srcx, int32_t srcy, int32_t SrcW, int32_t SrcH,
                                         bool MultiplyAlpha, bool InvertAlpha);
    platform::Image* CreateTransparentBorder(int32_t BorderSize, int32_t RoundedEdgeSize, int32_t NoiseStrength,
                                             float NoiseLength, int32_t AntiAlias);
    // Advances a generator exactly as CreateTransparentBorder of a width x
    // height image draws from it, without drawing the border.
    static void skipTransparentBorderDraws(platform::RandomGenerator& random, int32_t width, int32_t height,
                                           float NoiseLength);

    // ---- Noise: every pixel random ---------------------------------------
    platform::Image* CreateNoise(bool MonochromeNoise);

    // ---- Seamless, normal map, noise and kernel filters -------------------
    // (declared and built in clsImageFilterSeamless.cpp, clsImageFilterNoise.cpp
    // and clsImageFilterKernel.cpp)
    // BEGIN seamless/noise/kernel filters
    // Stretches the image by lBorderSize pixels in the chosen directions and
    // cross-fades its first lBorderSize + 1 columns (rows) with its last
    // ones, so the image continues across its edges. The result is larger
    // than the loaded image; the caller keeps the top-left part it needs. A
    // band of 0 or less leaves everything as it is.
    platform::Image* CreateSeamlessTextureFilter(int32_t lBorderSize, bool HorizontalSeamless, bool VerticalSeamless);
    // Tangent-space normal map of the red channel read as a height field,
    // neighbours taken across the edges so the map tiles.
    platform::Image* CreateNormalMap(bool HeightMapToAlpha);

    // Blend with stretched value noise (NoiseStrength 0..255 is the noise's
    // weight, NoiseFrequency the noise cells per 100 pixels).
    platform::Image* CreateNoiseFilter(uint8_t NoiseStrength, uint8_t NoiseFrequency,
                                       platform::InterpolationMode lInterpolationMode, bool lMonochromeNoise);
    // One random offset of at most |lFilterValue| (<= 255) a pixel, the same for all channels.
    platform::Image* CreateDiscreteNoiseFilter(int32_t lFilterValue = 0);
    // Every pixel takes the colour of a random pixel at most |lFilterValue|
    // (<= 10) to its right and below.
    std::unique_ptr<platform::Image> CreateDiffuseFilter(int32_t lFilterValue = 0);

    // 3 x 3 kernel filters.
    std::unique_ptr<platform::Image> CreateBasisMatrixFilter();
    std::unique_ptr<platform::Image> CreateEdgeDedectionFilter();
    std::unique_ptr<platform::Image> CreateRelieveFilter();
    std::unique_ptr<platform::Image> CreateEmbossFilter1();
    std::unique_ptr<platform::Image> CreateEmbossFilter2();
    std::unique_ptr<platform::Image> CreateEmbossFilter3();
    std::unique_ptr<platform::Image> CreateEmbossFilter4();
    std::unique_ptr<platform::Image> CreateEmbossFilter5();
    std::unique_ptr<platform::Image> CreateEmbossFilter6();
    // Strength |lFilterValue|, at most 100.
    std::unique_ptr<platform::Image> CreateSharpenFilter3(int32_t lFilterValue = 0);
    std::unique_ptr<platform::Image> CreateSharpenFilter2(int32_t lFilterValue = 0);
    std::unique_ptr<platform::Image> CreateBlurFilter1();
    std::unique_ptr<platform::Image> CreateBlurFilter2();

    // Neighbourhood filters with rules of their own.
    std::unique_ptr<platform::Image> CreateErodeFilter();
    std::unique_ptr<platform::Image> CreateDilateFilter();
    // Blocks of |lFilterValue| + 1 pixels (at most 11) of one colour.
    std::unique_ptr<platform::Image> CreatePixelizeFilter(int32_t lFilterValue = 0);
    platform::Image* CreateConturFilter();
    std::unique_ptr<platform::Image> CreateEmbossFilter7();
    std::unique_ptr<platform::Image> CreateEngraveFilter7();
    // Strength |dblFilterValue| / 128, at most 2.
    platform::Image* CreateSharpenFilter1(double dblFilterValue = 0.0);
    std::unique_ptr<platform::Image> CreateBasisFilter();
    // Black and white by the mean grey, over a sharpened image, with the
    // error carried forward.
    std::unique_ptr<platform::Image> CreateBlackWhiteFilter2();
    // END seamless/noise/kernel filters

    // ---- Colour helpers ---------------------------------------------------
    // Colour to hue (degrees), saturation and lightness (percent), in single precision.
    static void RGBToHSL(uint8_t R, uint8_t G, uint8_t B, float& H, float& S, float& L);
    // HSL back to a colour; with Normalize the hue is first rounded and
    // wrapped into 0..359 and S, L limited to 0..100.
    static void HSLToRGB(float H, float S, float L, uint8_t& R, uint8_t& G, uint8_t& B, bool Normalize);
    static void NormalizeHSL(float& H, float& S, float& L);
    // Cross-fade of two packed ARGB colours; alpha stays C1's.
    static int32_t BlendPixel(int32_t C1, int32_t C2, uint8_t Weight);
    // (77 R + 150 G + 28 B) \ 255.
    static uint8_t Luminance(uint8_t R, uint8_t G, uint8_t B)
    {
        return static_cast<uint8_t>((77u * R + 150u * G + 28u * B) / 255u);
    }
    // Status text with a full stop ("Unknown GDI+ Error." for unknown codes).
    static std::string GetGdipErrorText(int32_t status);

    // Soft-border geometry: alpha of a point at signed distance d outside a
    // shape whose edge ramps over Softness + 1 pixels, of a corner circle,
    // and of the rounded rectangle.
    static uint8_t EdgeAlpha(float Distance, int32_t Softness);
    static uint8_t CornerAlpha(float dx, float dy, int32_t Radius, int32_t Softness);
    static uint8_t RoundRectAlpha(float X, float Y, int32_t MaxX, int32_t MaxY, int32_t Border, int32_t Radius,
                                  int32_t Softness, int32_t Inset);

    // Round half to even into 0..255 after clamping (NaN gives 0).
    static uint8_t toByte(float v) { return platform::roundToByte(v); }
    static uint8_t toByte(double v) { return platform::roundToByte(v); }
    // Round half to even of a float known to lie well inside the 32-bit range.
    static int32_t toWhole(float v) { return platform::roundToInt32Unchecked(v); }
    // |value| limited to at most limit (>= 0), also for the most negative value.
    static int32_t limitedMagnitude(int32_t value, int32_t limit)
    {
        return platform::clampInt(std::llabs(static_cast<int64_t>(value)), 0, limit);
    }

    // Size of the loaded image (0 x 0 before the first load).
    int32_t loadedWidth() const { return m_width; }
    int32_t loadedHeight() const { return m_height; }
    bool hasSession() const { return m_token != 0; }
    // The status of the first failure since an image was last loaded (Ok
    // when none): why a filter returned no result.
    platform::Status failureStatus() const { return m_failure; }

    // While one lives on a thread, the failure messages of every filter used
    // on that thread (noise generators' own filters included) are kept here
    // instead of being shown: worker threads never show messages. The
    // caller shows them afterwards on its own thread with showAll().
    class MessageDeferral {
    public:
        struct Message {
            std::string text;
            std::string title;
            int style;
        };
        MessageDeferral();
        ~MessageDeferral();
        MessageDeferral(const MessageDeferral&) = delete;
        MessageDeferral& operator=(const MessageDeferral&) = delete;

        const std::vector<Message>& messages() const { return m_messages; }
        // Hands over the kept messages; none are kept afterwards.
        std::vector<Message> take() { return std::exchange(m_messages, {}); }
        // Shows the messages in order through the message-box service.
        static void showAll(const std::vector<Message>& messages);
        // The same, unless a deferral lives on this thread: it keeps them.
        static void pass(const std::vector<Message>& messages);

    private:
        friend class clsImageFilter;
        std::vector<Message> m_messages;
        MessageDeferral* m_outer = nullptr;
    };

private:
    // ---- Session and status ------------------------------------------------
    platform::Status InitGdiplus(int32_t version);
    void ShutdownGdiplus();
    // Shows "<text> GDI+ Error:<n>" (title "GDI Error") for a non-zero status.
    platform::Status CheckGdipStatus(platform::Status status);
    // Shows a message, or keeps it when a deferral lives on this thread.
    static void showMessage(const std::string& text, const std::string& title, int style);

    // Replaces the working bitmap and snapshot from a temporary image.
    void loadFromTemporary(cBitmap& temporary);

    // ---- The pixel loop shared by the filters ------------------------------
    int32_t MaxX() const { return m_width - 1; }
    int32_t MaxY() const { return m_height - 1; }
    const uint32_t* snapshotRow(int32_t y) const
    {
        return m_snapshot.data() + static_cast<int64_t>(y) * m_width;
    }
    uint32_t snapshotAt(int32_t x, int32_t y) const { return snapshotRow(y)[x]; }
    static uint32_t* lockedRow(platform::LockedBits& bits, int32_t y)
    {
        return reinterpret_cast<uint32_t*>(bits.row(y));
    }
    // Locks the whole working bitmap for writing as 32bpp ARGB (starting from
    // its current pixels); a failure is reported and gives false. Callers
    // unlock through a ScopeExit: a Progess handler that throws must not
    // leave the bitmap locked, or every later filter would fail.
    bool lockWorking(platform::LockedBits& bits);
    void unlockWorking(platform::LockedBits& bits);
    // The percentage reported after row y: (y * 100) \ MaxY, 100 for a
    // single-row image.
    int32_t progressValue(int32_t y) const;
    void raiseProgess(int32_t y);

    // Locks the working bitmap and calls body(y, snapshot row, output row) for
    // every row in order, raising Progess after each; unlocks. With parallel
    // set, blocks of rows run on the thread pool (body must then depend on
    // nothing but its arguments and write only its output row) and Progess
    // follows each block, row by row, with the serial values.
    template <typename RowBody>
    void forEachRow(RowBody&& body, bool parallel = false);

    // Handle result: the working bitmap (nullptr without a session).
    platform::Image* handleResult() const;
    // Picture result: a new plain bitmap made from the working bitmap.
    std::unique_ptr<platform::Image> pictureResult();

    // Maps every colour channel through a table of 32-bit values already
    // shifted into place (red << 16, green << 8, blue) and sets alpha 255.
    void applyChannelTables(const uint32_t* redTable, const uint32_t* greenTable, const uint32_t* blueTable);
    void applyChannelTable(const uint8_t* table);

    // ---- Seamless/noise/kernel helpers -------------------------------------
    // BEGIN seamless/noise/kernel helpers
    // The 3 x 3 kernel at (x, y) of the snapshot, border rules included; a
    // divisor below 1 becomes 1 in the caller's kernel.
    uint32_t Convolve3x3(int32_t x, int32_t y, ConvolutionKernel& kernel) const;
    PixelView snapshotView() const { return {m_snapshot.data(), m_width, m_height, m_width}; }
    // Locks the working bitmap and lets body fill blocks of consecutive rows
    // [begin, end) (out points at row begin, pitch in pixels), on the thread
    // pool when parallel is set; Progess follows every row in order.
    using RowBlockBody = std::function<void(int32_t begin, int32_t end, uint32_t* out, int64_t pitch)>;
    void forEachRowBlock(const RowBlockBody& body, bool parallel);
    // Runs the kernel over the whole image.
    void applyKernel(ConvolutionKernel kernel);
    std::unique_ptr<platform::Image> kernelPicture(const ConvolutionKernel& kernel);
    // Per channel minimum (erode), maximum (dilate) or contour of the
    // in-image 3 x 3 neighbourhood, alpha 255.
    enum class NeighbourhoodRule { Minimum, Maximum, Contour };
    void applyNeighbourhood(NeighbourhoodRule rule);
    // Emboss 7 (engrave reversed) against the lower-left neighbour.
    void applyDiagonalEmboss(bool engrave);
    // One blended strip of the seamless filter: columns (or rows) 0..band
    // faded from the last band + 1 ones into their own colours, written to
    // the working bitmap and then to the snapshot. The column pass reports
    // 0 up to progressTo, the row pass 50..100 after the columns, else 0..100.
    void blendSeamlessColumns(int32_t band, int32_t progressTo);
    void blendSeamlessRows(int32_t band, bool afterColumns);
    // END seamless/noise/kernel helpers

    std::unique_ptr<cGDIP> m_session;
    uint32_t m_token = 0;
    std::unique_ptr<platform::Image> m_working;
    // Leaves new elements uninitialised: a snapshot is filled right after
    // it is sized, rows on the pool, so zeroing it first would be a serial
    // pass over the whole image for nothing. A large block it gives back is
    // freed on the releaser's thread: unmapping the snapshot of a 16384 x
    // 16384 image holds its thread for a few hundred milliseconds.
    template <typename T>
    struct UninitialisedAllocator : std::allocator<T> {
        template <typename U>
        struct rebind {
            using other = UninitialisedAllocator<U>;
        };
        T* allocate(size_t n)
        {
            if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_alloc();
            void* block = std::malloc(n * sizeof(T));
            if (!block) {
                platform::LargeBlockReleaser::waitUntilReleased();
                block = std::malloc(n * sizeof(T));
            }
            if (!block) throw std::bad_alloc();
            return static_cast<T*>(block);
        }
        void deallocate(T* block, size_t n) noexcept { platform::LargeBlockReleaser::release(block, n * sizeof(T)); }
        template <typename U>
        void construct(U* p) noexcept
        {
            ::new (static_cast<void*>(p)) U;
        }
        template <typename U, typename... Args>
        void construct(U* p, Args&&... args)
        {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    };
    // Sizes the snapshot for width x height and copies the rows of bits (32-bit
    // ARGB) into it, on the pool; false (reported) when memory runs out.
    bool fillSnapshot(const platform::LockedBits& bits, int32_t width, int32_t height);

    std::vector<uint32_t, UninitialisedAllocator<uint32_t>> m_snapshot;  // row-major, m_width values a row
    int32_t m_width = 0;
    int32_t m_height = 0;
    platform::RandomGenerator* m_random = &platform::RandomGenerator::processDefault();
    bool m_parallelRows = true;
    platform::Status m_failure = platform::Ok;
};

template <typename RowBody>
void clsImageFilter::forEachRow(RowBody&& body, bool parallel)
{
    platform::LockedBits bits;
    if (!lockWorking(bits)) return;
    const platform::ScopeExit unlock([&] { unlockWorking(bits); });
    const int32_t height = m_height;
    if (!parallel || !m_parallelRows || platform::ThreadPool::size() <= 1 || height < 4) {
        // One thread: a thread that must stay responsive gets its polls
        // between rows.
        for (int32_t y = 0; y < height; ++y) {
            body(y, snapshotRow(y), lockedRow(bits, y));
            raiseProgess(y);
            platform::YieldPoint::poll();
        }
    } else {
        const std::function<void(int64_t, int64_t)> chunk = [&](int64_t begin, int64_t end) {
            for (int64_t y = begin; y < end; ++y) {
                const auto row = static_cast<int32_t>(y);
                body(row, snapshotRow(row), lockedRow(bits, row));
            }
        };
        // Without a listener there is no progress to raise: one loop over
        // all rows, with no wait for the slowest thread after every block.
        if (!Progess) {
            platform::ThreadPool::parallelFor(0, height, 2, chunk);
            return;
        }
        const int32_t block = std::max<int32_t>(16, platform::ThreadPool::size() * 8);
        for (int32_t first = 0; first < height; first += block) {
            const int32_t last = std::min(height, first + block);
            platform::ThreadPool::parallelFor(first, last, 2, chunk);
            for (int32_t y = first; y < last; ++y) raiseProgess(y);
        }
    }
}

}  // namespace kalvora
