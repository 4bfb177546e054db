#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/BrickDefaults.h"
#include "uicore/SettingsCopyTable.h"

namespace kalvora {
namespace {

// The byte offset of a member, to compare the rows' order with the fields'.
size_t offsetOf(const SettingMember& member)
{
    static const BrickSettings probe;
    return std::visit(
        [](auto m) {
            return static_cast<size_t>(reinterpret_cast<const char*>(&(probe.*m)) -
                                       reinterpret_cast<const char*>(&probe));
        },
        member);
}

TEST(SettingsCopyTable, EveryFieldOnceInTheProjectsOrderWithItsControls)
{
    const auto& rows = settingRows();
    std::set<std::string> controls;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(offsetOf(rows[i - 1].member), offsetOf(rows[i].member)) << rows[i].field;
        }
        EXPECT_TRUE(controls.insert(rows[i].control).second) << rows[i].control;
        const bool percent = rows[i].kind == SettingControl::PercentWithPixels || rows[i].kind == SettingControl::Percent;
        EXPECT_EQ(percent, std::holds_alternative<float BrickSettings::*>(rows[i].member)) << rows[i].field;
        EXPECT_EQ(rows[i].kind == SettingControl::PercentWithPixels, rows[i].pixels != nullptr) << rows[i].field;
    }
    EXPECT_EQ(std::string(rows[0].field), "Width");
    EXPECT_EQ(std::string(rows[19].control), "AntialiasText");
    EXPECT_EQ(std::string(rows[29].control), "SeamlessText");
    EXPECT_EQ(rows[5].kind, SettingControl::List);
}

TEST(SettingsCopyTable, PixelReferencesAndButtonCaptions)
{
    BrickSettings s;
    s.Width = 1024;
    s.Height = 1024;
    s.MinHeight = 20;
    EXPECT_EQ(pixelReference(PixelReference::SmallestBrick, s, 0), 205);
    EXPECT_EQ(pixelReference(PixelReference::HalfSmallestBrick, s, 0), 102);
    EXPECT_EQ(pixelReference(PixelReference::HalfBorderPixels, s, 10), 5);
    EXPECT_EQ(pixelReference(PixelReference::OutputWidth, s, 0), 1024);
    EXPECT_EQ(brickFilesCaption(0), "0 File(s) &Selected...");
    EXPECT_EQ(brickFilesCaption(3), "3 File(s) &Selected...");
    EXPECT_EQ(mortarFileCaption(""), "&Select File...");
    const std::string sixty = "/" + std::string(55, 'm') + ".png";
    ASSERT_EQ(sixty.size(), 60u);
    EXPECT_EQ(mortarFileCaption(sixty), "..." + sixty.substr(13));
    EXPECT_EQ(mortarFileCaption("/a/b.png"), "/a/b.png");
}

}  // namespace
}  // namespace kalvora
