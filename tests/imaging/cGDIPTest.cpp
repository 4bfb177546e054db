#include "imaging/cGDIP.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/cBitmap.h"

namespace kalvora {
namespace {

int32_t encoderIndexByMime(const std::string& mime)
{
    const auto& encoders = platform::imageEncoders();
    for (size_t i = 0; i < encoders.size(); ++i)
        if (encoders[i].mimeType == mime) return static_cast<int32_t>(i);
    return -1;
}

TEST(cGDIPTest, StatusTextsAreExactAndUnknownValuesShareOneText)
{
    const std::vector<std::string> expected = {
        "Generic Error",        "Invalid Parameter",    "Out Of Memory",         "Object Busy",
        "Insufficient Buffer",  "Not Implemented",      "Win32 Error",           "Wrong State",
        "Aborted",              "File Not Found",       "Value Overflow",        "Access Denied",
        "Unknown Image Format", "FontFamily Not Found", "FontStyle Not Found",   "Not TrueType Font",
        "Unsupported Gdiplus Version", "Gdiplus Not Initialized", "Property Not Found",
        "Property Not Supported"};
    for (int32_t status = 1; status <= 20; ++status)
        EXPECT_EQ(cGDIP::GetErrorText(status), expected[status - 1]) << status;
    for (int32_t status : {0, 21, -1, 255, INT32_MIN, INT32_MAX})
        EXPECT_EQ(cGDIP::GetErrorText(status), "Unknown GDI+ Error") << status;
}

TEST(cGDIPTest, ErrorRaisesTheEventWithTextAndClassName)
{
    cGDIP session;
    std::vector<std::tuple<int32_t, std::string, std::string>> raised;
    const int id = session.AddGdipErrorHandler([&](int32_t s, const std::string& text, const std::string& cls) {
        raised.emplace_back(s, text, cls);
    });
    session.Error(2, "cBitmap");
    session.Error(0, "cGraphics");
    session.Error(21, "x");
    ASSERT_EQ(raised.size(), 3u);
    EXPECT_EQ(raised[0], std::make_tuple(2, std::string("Invalid Parameter"), std::string("cBitmap")));
    EXPECT_EQ(std::get<1>(raised[1]), "Unknown GDI+ Error");
    EXPECT_EQ(std::get<2>(raised[1]), "cGraphics");
    EXPECT_EQ(std::get<1>(raised[2]), "Unknown GDI+ Error");

    session.RemoveGdipErrorHandler(id);
    session.Error(3, "cBitmap");
    EXPECT_EQ(raised.size(), 3u);
}

TEST(cGDIPTest, BitmapFailuresReachTheAttachedSession)
{
    auto session = std::make_shared<cGDIP>();
    std::vector<std::pair<int32_t, std::string>> raised;
    session->AddGdipErrorHandler(
        [&](int32_t s, const std::string&, const std::string& cls) { raised.emplace_back(s, cls); });
    cBitmap bitmap;
    bitmap.gdip = session;
    EXPECT_EQ(bitmap.GetPixelARGB(0, 0), 0);
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_NE(raised[0].first, 0);
    EXPECT_EQ(raised[0].second, "cBitmap");
    EXPECT_EQ(bitmap.CurErr(), raised[0].first);

    // Success is recorded but not reported.
    ASSERT_EQ(bitmap.CreateFromScan0(2, 2, 0, platform::kFormat32bppARGB), platform::Ok);
    EXPECT_EQ(bitmap.CurErr(), platform::Ok);
    EXPECT_EQ(raised.size(), 1u);
}

TEST(cGDIPTest, EncoderLookupByMimeTypeIgnoresCase)
{
    cGDIP session;
    platform::EncoderClsid lower{}, upper{};
    ASSERT_TRUE(session.GetEncoderClsid("image/png", lower));
    ASSERT_TRUE(session.GetEncoderClsid("IMAGE/PNG", upper));
    EXPECT_EQ(lower, upper);
    EXPECT_EQ(lower, platform::imageEncoders()[encoderIndexByMime("image/png")].clsid);

    for (const char* mime : {"image/bmp", "image/jpeg", "image/gif", "image/tiff"}) {
        platform::EncoderClsid clsid{};
        EXPECT_TRUE(session.GetEncoderClsid(mime, clsid)) << mime;
    }

    platform::EncoderClsid untouched;
    untouched.fill(0xAB);
    const platform::EncoderClsid before = untouched;
    EXPECT_FALSE(session.GetEncoderClsid("image/x-none", untouched));
    EXPECT_FALSE(session.GetEncoderClsid("", untouched));
    EXPECT_FALSE(session.GetEncoderClsid("image/pn", untouched));
    EXPECT_EQ(untouched, before);
}

TEST(cGDIPTest, ExtensionTableMapsPatternsToEncoderIndices)
{
    cGDIP session;
    const int32_t png = encoderIndexByMime("image/png");
    const int32_t bmp = encoderIndexByMime("image/bmp");
    ASSERT_GE(png, 0);
    EXPECT_EQ(session.ExtensionExists("*.PNG"), png);
    EXPECT_EQ(session.ExtensionExists("*.png"), png);
    EXPECT_EQ(session.ExtensionExists("*.Bmp"), bmp);
    EXPECT_EQ(session.ExtensionExists("*.DIB"), bmp);
    EXPECT_EQ(session.ExtensionExists("*.XYZ"), -1);
    EXPECT_EQ(session.ExtensionExists("PNG"), -1);
    EXPECT_EQ(session.ExtensionExists(""), -1);

    EXPECT_EQ(session.EncoderCount(), static_cast<int32_t>(platform::imageEncoders().size()));
    platform::EncoderClsid clsid{};
    ASSERT_TRUE(session.GetEncoderClsidByIndex(png, clsid));
    EXPECT_EQ(clsid, platform::imageEncoders()[png].clsid);
    EXPECT_FALSE(session.GetEncoderClsidByIndex(-1, clsid));
    EXPECT_FALSE(session.GetEncoderClsidByIndex(session.EncoderCount(), clsid));
}

TEST(cGDIPTest, SessionsNestInAnyOrder)
{
    const int32_t base = cGDIP::ActiveSessions();
    auto first = std::make_unique<cGDIP>();
    auto second = std::make_unique<cGDIP>();
    EXPECT_NE(first->Token(), 0u);
    EXPECT_NE(first->Token(), second->Token());
    EXPECT_EQ(cGDIP::ActiveSessions(), base + 2);
    first.reset();
    EXPECT_EQ(cGDIP::ActiveSessions(), base + 1);
    platform::EncoderClsid clsid{};
    EXPECT_TRUE(second->GetEncoderClsid("image/png", clsid));
    second.reset();
    EXPECT_EQ(cGDIP::ActiveSessions(), base);
}

TEST(cGDIPTest, IdentifierTextsParseIntoPlatformByteOrder)
{
    platform::EncoderClsid id{};
    ASSERT_TRUE(cGDIP::IIDFromString("{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}", id));
    const platform::EncoderClsid expected = {0x6D, 0xBD, 0xED, 0x6A, 0xB5, 0x3F, 0x8A, 0x41,
                                             0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72};
    EXPECT_EQ(id, expected);
    platform::EncoderClsid lower{};
    ASSERT_TRUE(cGDIP::IIDFromString("{6aedbd6d-3fb5-418a-83a6-7f45229dc872}", lower));
    EXPECT_EQ(lower, expected);

    platform::EncoderClsid untouched{};
    for (const char* bad : {"", "{}", "6AEDBD6D-3FB5-418A-83A6-7F45229DC872",
                            "{6AEDBD6D-3FB5-418A-83A6-7F45229DC87G}", "{6AEDBD6D+3FB5-418A-83A6-7F45229DC872}",
                            "{6AEDBD6D-3FB5-418A-83A6-7F45229DC8721}"})
        EXPECT_FALSE(cGDIP::IIDFromString(bad, untouched)) << bad;
    EXPECT_EQ(untouched, platform::EncoderClsid{});
}

}  // namespace
}  // namespace kalvora
