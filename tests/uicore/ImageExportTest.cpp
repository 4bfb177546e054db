// The export's rules: which extensions save in which format, and its texts.

#include <gtest/gtest.h>

#include "uicore/ImageExport.h"

namespace kalvora {
namespace {

TEST(ImageExport, TheExtensionOfTheTitleChoosesTheFormat)
{
    EXPECT_EQ(ImageExport::extensionOf("wall.JPG"), "jpg");
    EXPECT_EQ(ImageExport::extensionOf("my.wall.Png"), "png");
    EXPECT_EQ(ImageExport::extensionOf("wall"), "wall");
    EXPECT_EQ(ImageExport::extensionOf("wall."), "");
    struct Case {
        const char* extension;
        const char* mime;
    };
    for (const Case& c : {Case{"jpg", "image/jpeg"}, Case{"jpeg", "image/jpeg"}, Case{"png", "image/png"},
                          Case{"gif", "image/gif"}, Case{"tif", "image/tiff"}, Case{"bmp", "image/bmp"},
                          Case{"tiff", ""}, Case{"jpe", ""}, Case{"dib", ""}, Case{"rle", ""}, Case{"wall", ""},
                          Case{"", ""}})
        EXPECT_EQ(ImageExport::mimeTypeFor(c.extension), c.mime) << c.extension;
}

TEST(ImageExport, MessagesNameTheExtensionAndTheFolderKeepsItsSeparator)
{
    EXPECT_EQ(ImageExport::noEncoderText("xyz"), "Could not find XYZ-Encoder.");
    EXPECT_EQ(ImageExport::errorTitle("xyz"), "Error Saving xyz-File");
    EXPECT_EQ(ImageExport::saveFailedText("/tmp/a b.png"), "Could not save File /tmp/a b.png");
    EXPECT_EQ(ImageExport::dialogTitle(), "Save Image File");
    EXPECT_EQ(ImageExport::dialogFilters().front(), "All Images Files (*.bmp *.gif *.jpg *.jpeg *.png *.tif)");
    EXPECT_EQ(ImageExport::dialogFilters().back(), "All Files (*)");
    EXPECT_EQ(ImageExport::folderOf("/home/ann/walls/wall.png"), "/home/ann/walls/");
    EXPECT_EQ(ImageExport::folderOf("wall.png"), "");
}

}  // namespace
}  // namespace kalvora
