#include "filters/clsImageFilter.h"

#include <cmath>
#include <cstring>
#include <new>

#include "platform/Compositor.h"
#include "platform/Numeric.h"
#include "platform/PixelFormat.h"
#include "platform/Services.h"
#include "platform/ThreadPool.h"

namespace kalvora {

using platform::Status;

namespace {

constexpr int kMessageOkOnly = platform::ButtonsOk;
const char* const kErrorTitle = "GDI Error";

// The innermost message deferral of this thread, if any.
thread_local clsImageFilter::MessageDeferral* t_deferral = nullptr;

}  // namespace

clsImageFilter::clsImageFilter() : clsImageFilter(1) {}

clsImageFilter::clsImageFilter(int32_t gdiplusVersion)
{
    const Status status = CheckGdipStatus(InitGdiplus(gdiplusVersion));
    if (status != platform::Ok)
        showMessage("GDI+ not inizialized.", kErrorTitle, kMessageOkOnly);
}

clsImageFilter::~clsImageFilter()
{
    if (m_token == 0) return;
    m_working.reset();
    ShutdownGdiplus();
}

platform::Status clsImageFilter::InitGdiplus(int32_t version)
{
    if (version != 1) return platform::UnsupportedGdiplusVersion;
    try {
        m_session = std::make_unique<cGDIP>();
    } catch (const std::bad_alloc&) {
        return platform::OutOfMemory;
    }
    m_token = m_session->Token();
    if (m_token == 0) {
        m_session.reset();
        return platform::GenericError;
    }
    return platform::Ok;
}

void clsImageFilter::ShutdownGdiplus()
{
    m_session.reset();
    m_token = 0;
}

void clsImageFilter::setRandomGenerator(platform::RandomGenerator* generator)
{
    m_random = generator ? generator : &platform::RandomGenerator::processDefault();
}

std::string clsImageFilter::GetGdipErrorText(int32_t status)
{
    switch (status) {
    case 1: return "Generic Error.";
    case 2: return "Invalid Parameter.";
    case 3: return "Out Of Memory.";
    case 4: return "Object Busy.";
    case 5: return "Insufficient Buffer.";
    case 6: return "Not Implemented.";
    case 7: return "Win32 Error.";
    case 8: return "Wrong State.";
    case 9: return "Aborted.";
    case 10: return "File Not Found.";
    case 11: return "Value Overflow.";
    case 12: return "Access Denied.";
    case 13: return "Unknown Image Format.";
    case 14: return "FontFamily Not Found.";
    case 15: return "FontStyle Not Found.";
    case 16: return "Not TrueType Font.";
    case 17: return "Unsupported Gdiplus Version.";
    case 18: return "Gdiplus Not Initialized.";
    case 19: return "Property Not Found.";
    case 20: return "Property Not Supported.";
    default: return "Unknown GDI+ Error.";
    }
}

platform::Status clsImageFilter::CheckGdipStatus(platform::Status status)
{
    if (status == platform::Ok) return status;
    if (m_failure == platform::Ok) m_failure = status;
    showMessage(GetGdipErrorText(status) + " GDI+ Error:" + std::to_string(static_cast<int32_t>(status)), kErrorTitle,
                kMessageOkOnly);
    return status;
}

void clsImageFilter::showMessage(const std::string& text, const std::string& title, int style)
{
    if (t_deferral) {
        t_deferral->m_messages.push_back({text, title, style});
        return;
    }
    platform::Services::messageBox().show(text, title, style);
}

clsImageFilter::MessageDeferral::MessageDeferral() : m_outer(t_deferral) { t_deferral = this; }

clsImageFilter::MessageDeferral::~MessageDeferral() { t_deferral = m_outer; }

void clsImageFilter::MessageDeferral::showAll(const std::vector<Message>& messages)
{
    for (const Message& m : messages) platform::Services::messageBox().show(m.text, m.title, m.style);
}

void clsImageFilter::MessageDeferral::pass(const std::vector<Message>& messages)
{
    for (const Message& m : messages) showMessage(m.text, m.title, m.style);
}

void clsImageFilter::SetBitmapIn(cBitmap& vBitmap)
{
    if (m_token == 0) return;
    m_failure = platform::Ok;
    cBitmap temporary;
    if (CheckGdipStatus(temporary.CreateFromClone(vBitmap.Width(), vBitmap.Height(), vBitmap.Handle(),
                                                  vBitmap.PixelFormat())) != platform::Ok)
        return;
    loadFromTemporary(temporary);
}

void clsImageFilter::SetPictureIn(const platform::Image* vPicture)
{
    if (m_token == 0) return;
    m_failure = platform::Ok;
    cBitmap temporary;
    if (CheckGdipStatus(temporary.CreateFromHBitmap(vPicture)) != platform::Ok) return;
    loadFromTemporary(temporary);
}

void clsImageFilter::loadFromTemporary(cBitmap& temporary)
{
    const platform::Image* source = temporary.Handle();
    const platform::PixelFormatId format = temporary.PixelFormat();
    const int32_t width = temporary.Width();
    const int32_t height = temporary.Height();

    // The old working bitmap goes first; from here on the instance is either
    // fully loaded with the new image or empty, never a mix of the two.
    m_working.reset();
    m_snapshot.clear();
    m_width = 0;
    m_height = 0;

    std::unique_ptr<platform::Image> working;
    if (CheckGdipStatus(source->cloneArea(width, height, format, working)) != platform::Ok) return;

    platform::LockedBits bits;
    if (CheckGdipStatus(temporary.LockBits({0, 0, width, height}, platform::LockRead,
                                           platform::kFormat32bppARGB, bits)) != platform::Ok)
        return;
    const bool filled = fillSnapshot(bits, width, height);
    CheckGdipStatus(temporary.UnlockBits(bits));
    if (!filled) return;

    m_working = std::move(working);
    m_width = width;
    m_height = height;
}

void clsImageFilter::adoptImage(std::unique_ptr<platform::Image> image)
{
    if (m_token == 0 || !image) return;
    m_failure = platform::Ok;
    if (image->format() != platform::kFormat32bppARGB) {
        cBitmap temporary;
        temporary.adoptImage(std::move(image));
        loadFromTemporary(temporary);
        return;
    }
    m_working.reset();
    m_width = 0;
    m_height = 0;
    // The snapshot is the image's own pixels; its memory is kept from the
    // last image, as a filter often runs on many images of similar size.
    m_snapshot.clear();
    const int32_t width = image->width();
    const int32_t height = image->height();
    platform::LockedBits bits;
    if (CheckGdipStatus(image->lockBits({0, 0, width, height}, platform::LockRead, bits)) != platform::Ok) return;
    const bool filled = fillSnapshot(bits, width, height);
    CheckGdipStatus(image->unlockBits(bits));
    if (!filled) return;
    m_working = std::move(image);
    m_width = width;
    m_height = height;
}

bool clsImageFilter::fillSnapshot(const platform::LockedBits& bits, int32_t width, int32_t height)
{
    try {
        m_snapshot.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    } catch (const std::bad_alloc&) {
        m_snapshot.clear();
        CheckGdipStatus(platform::OutOfMemory);
        return false;
    }
    const auto copyRows = [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y)
            std::memcpy(m_snapshot.data() + y * width, bits.row(static_cast<int32_t>(y)),
                        static_cast<size_t>(width) * 4);
    };
    if (m_parallelRows)
        platform::ThreadPool::parallelFor(0, height, 64, copyRows);
    else
        copyRows(0, height);
    return true;
}

std::unique_ptr<platform::Image> clsImageFilter::releaseResult()
{
    if (m_token == 0) return nullptr;
    m_snapshot.clear();
    m_width = 0;
    m_height = 0;
    return std::move(m_working);
}

platform::Image* clsImageFilter::GetHandle() const { return handleResult(); }

platform::Image* clsImageFilter::handleResult() const
{
    if (m_token == 0) return nullptr;
    return m_working.get();
}

std::unique_ptr<platform::Image> clsImageFilter::pictureResult()
{
    if (m_token == 0 || !m_working) return nullptr;
    // A plain bitmap: 24 bits, the colours drawn over black.
    std::unique_ptr<platform::Image> picture;
    if (CheckGdipStatus(platform::Image::create(m_width, m_height, platform::kFormat24bppRGB, picture)) !=
        platform::Ok)
        return nullptr;
    platform::LockedBits bits;
    if (CheckGdipStatus(m_working->lockBits({0, 0, m_width, m_height}, platform::LockRead, bits)) != platform::Ok)
        return nullptr;
    // Each row is independent, so rows may run on the pool.
    const auto convertRows = [&](int64_t first, int64_t last) {
        for (int64_t y = first; y < last; ++y)
            platform::Compositor::flattenOverBlack(reinterpret_cast<const uint8_t*>(lockedRow(bits, int32_t(y))),
                                                  picture->row(int32_t(y)), m_width);
    };
    if (m_parallelRows) platform::ThreadPool::parallelFor(0, m_height, 32, convertRows);
    else convertRows(0, m_height);
    CheckGdipStatus(m_working->unlockBits(bits));
    return picture;
}

bool clsImageFilter::lockWorking(platform::LockedBits& bits)
{
    if (!m_working || m_snapshot.empty()) {
        CheckGdipStatus(platform::InvalidParameter);
        return false;
    }
    return CheckGdipStatus(m_working->lockBits({0, 0, m_width, m_height}, platform::LockWrite, bits)) ==
           platform::Ok;
}

void clsImageFilter::unlockWorking(platform::LockedBits& bits) { CheckGdipStatus(m_working->unlockBits(bits)); }

int32_t clsImageFilter::progressValue(int32_t y) const
{
    // A single row has no span to divide by: it is all the work, so 100.
    if (MaxY() <= 0) return 100;
    return static_cast<int32_t>((static_cast<int64_t>(y) * 100) / MaxY());
}

void clsImageFilter::raiseProgess(int32_t y)
{
    if (!Progess) return;
    int32_t value = progressValue(y);
    Progess(value);
}

void clsImageFilter::applyChannelTables(const uint32_t* redTable, const uint32_t* greenTable,
                                        const uint32_t* blueTable)
{
    const int32_t width = m_width;
    forEachRow(
        [=](int32_t, const uint32_t* in, uint32_t* out) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = in[x];
                out[x] = 0xFF000000u | redTable[(p >> 16) & 0xFF] | greenTable[(p >> 8) & 0xFF] |
                         blueTable[p & 0xFF];
            }
        },
        true);
}

void clsImageFilter::applyChannelTable(const uint8_t* table)
{
    uint32_t red[256];
    uint32_t green[256];
    uint32_t blue[256];
    for (int i = 0; i < 256; ++i) {
        red[i] = static_cast<uint32_t>(table[i]) << 16;
        green[i] = static_cast<uint32_t>(table[i]) << 8;
        blue[i] = table[i];
    }
    applyChannelTables(red, green, blue);
}

// ---- Colour helpers -----------------------------------------------------------

void clsImageFilter::RGBToHSL(uint8_t R, uint8_t G, uint8_t B, float& H, float& S, float& L)
{
    int32_t maxValue;
    int32_t minValue;
    if (R <= G) {
        maxValue = G;
        minValue = R;
    } else {
        maxValue = R;
        minValue = G;
    }
    if (B > maxValue)
        maxValue = B;
    else if (B < minValue)
        minValue = B;

    const int32_t sum = maxValue + minValue;
    const int32_t span = maxValue - minValue;
    L = static_cast<float>(sum) / 5.1f;
    if (span == 0) {
        H = 0.0f;
        S = 0.0f;
        return;
    }
    if (L <= 50.0f)
        S = static_cast<float>(span * 100) / static_cast<float>(sum);
    else
        S = static_cast<float>(span * 100) / static_cast<float>(510 - sum);

    const float f = 60.0f / static_cast<float>(span);
    if (maxValue == R) {
        H = static_cast<float>(G - B) * f;
        if (G < B) H = H + 360.0f;
    } else if (maxValue == G) {
        H = static_cast<float>(B - R) * f + 120.0f;
    } else {
        H = static_cast<float>(R - G) * f + 240.0f;
    }
}

void clsImageFilter::NormalizeHSL(float& H, float& S, float& L)
{
    double hue = std::isnan(H) ? 0.0 : platform::roundHalfEven(static_cast<double>(H));
    hue = std::fmod(hue, 360.0);
    if (hue < 0.0) hue += 360.0;
    H = static_cast<float>(hue);
    if (std::isnan(S) || S < 0.0f) S = 0.0f;
    if (S > 100.0f) S = 100.0f;
    if (std::isnan(L) || L < 0.0f) L = 0.0f;
    if (L > 100.0f) L = 100.0f;
}

void clsImageFilter::HSLToRGB(float H, float S, float L, uint8_t& R, uint8_t& G, uint8_t& B, bool Normalize)
{
    if (Normalize) NormalizeHSL(H, S, L);
    if (S == 0.0f) {
        const float grey = static_cast<float>(static_cast<double>(L) * 2.55);
        R = G = B = toByte(grey);
        return;
    }
    const float s = S / 100.0f;
    const float l = L / 100.0f;
    const float m1 = l > 0.5f ? l - (1.0f - l) * s : (1.0f - s) * l;
    const float m2 = 2.0f * l - m1;
    const float d = m2 - m1;
    const float h = H / 60.0f;
    const int32_t sector = platform::roundToInt32(H) / 60;
    float r;
    float g;
    float b;
    switch (sector) {
    case 1:
        r = m1 - (h - 2.0f) * d;
        g = m2;
        b = m1;
        break;
    case 2:
        r = m1;
        g = m2;
        b = m1 + (h - 2.0f) * d;
        break;
    case 3:
        r = m1;
        g = m1 - (h - 4.0f) * d;
        b = m2;
        break;
    case 4:
        r = m1 + (h - 4.0f) * d;
        g = m1;
        b = m2;
        break;
    default:
        if (sector >= 5) {
            r = m2;
            g = m1;
            b = m1 - (h - 6.0f) * d;
        } else {
            r = m2;
            g = m1 + h * d;
            b = m1;
        }
        break;
    }
    R = toByte(r * 255.0f);
    G = toByte(g * 255.0f);
    B = toByte(b * 255.0f);
}

int32_t clsImageFilter::BlendPixel(int32_t C1, int32_t C2, uint8_t Weight)
{
    const auto c1 = static_cast<uint32_t>(C1);
    const auto c2 = static_cast<uint32_t>(C2);
    const float w = static_cast<float>(Weight);
    uint32_t result = c1 & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const float a = static_cast<float>((c1 >> shift) & 0xFF);
        const float b = static_cast<float>((c2 >> shift) & 0xFF);
        result |= static_cast<uint32_t>(toByte((b - a) * w / 255.0f + a)) << shift;
    }
    return static_cast<int32_t>(result);
}

}  // namespace kalvora
