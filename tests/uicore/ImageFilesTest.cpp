// The file commands' rules: which extensions save in which format, and their texts.

#include <gtest/gtest.h>

#include "platform/SaveFailedText.h"
#include "uicore/ImageFiles.h"

namespace kalvora {
namespace {

TEST(ImageFiles, TheExtensionOfTheTitleChoosesTheFormat)
{
    EXPECT_EQ(ImageFiles::extensionOf("wall.JPG"), "jpg");
    EXPECT_EQ(ImageFiles::extensionOf("my.wall.Png"), "png");
    EXPECT_EQ(ImageFiles::extensionOf("wall"), "wall");
    EXPECT_EQ(ImageFiles::extensionOf("wall."), "");
    struct Case {
        const char* extension;
        const char* mime;
    };
    for (const Case& c : {Case{"jpg", "image/jpeg"}, Case{"jpeg", "image/jpeg"}, Case{"png", "image/png"},
                          Case{"gif", "image/gif"}, Case{"tif", "image/tiff"}, Case{"bmp", "image/bmp"},
                          Case{"tiff", ""}, Case{"jpe", ""}, Case{"dib", ""}, Case{"rle", ""}, Case{"wall", ""},
                          Case{"", ""}})
        EXPECT_EQ(ImageFiles::mimeTypeFor(c.extension), c.mime) << c.extension;
}

TEST(ImageFiles, MessagesNameTheExtensionAndTheFolderKeepsItsSeparator)
{
    EXPECT_EQ(ImageFiles::noEncoderText("xyz"), "Could not find XYZ-Encoder.");
    EXPECT_EQ(ImageFiles::errorTitle("xyz"), "Error Saving xyz-File");
    EXPECT_EQ(platform::saveFailedText("/tmp/a b.png", 0), "Could not save File /tmp/a b.png");
    EXPECT_EQ(ImageFiles::openFailedText("brick.png"), "Could not open brick.png");
    EXPECT_EQ(ImageFiles::openFailedTitle(), "Unsupported File Format");
    EXPECT_EQ(ImageFiles::saveDialogTitle(), "Save Image File");
    EXPECT_EQ(ImageFiles::dialogFilters().front(), "All Images Files (*.bmp *.gif *.jpg *.jpeg *.png *.tif)");
    EXPECT_EQ(ImageFiles::dialogFilters().back(), "All Files (*)");
    EXPECT_EQ(ImageFiles::folderOf("/home/ann/walls/wall.png"), "/home/ann/walls/");
    EXPECT_EQ(ImageFiles::folderOf("wall.png"), "");
}

}  // namespace
}  // namespace kalvora
