// The image editor driven through its menus, shortcuts and dialogs, with the
// fake services recording messages and holding the clipboard.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "tests/support/FakeServices.h"
#include "tests/support/FileDialogTyping.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "tests/support/TestImages.h"
#include "views/ImageToolDialog.h"
#include "views/PreviewDialog.h"

namespace kalvora {
namespace {

using namespace testing;

uint32_t pattern(int32_t x, int32_t y)
{
    return 0x80000000u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((x + y) & 0xFF);
}

ModalDialogAnswerer::Answer typeName(const QString& name)
{
    return [name](QWidget* d) {
        testing::typeIntoFileDialog(d, name);
    };
}

// A shown editor of its own (the program's one editor is left to the
// accessor test), with the fake services.
struct EditorFixture {
    testing::ScopedFakeServices services;
    PreviewDialog editor;
    QMenuBar* bar = nullptr;

    EditorFixture()
    {
        editor.resize(700, 500);
        editor.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&editor));
        bar = editor.findChild<QMenuBar*>();
    }
    QString panel(const char* name) const { return editor.findChild<QLabel*>(name)->text(); }
    QAction* entry(const char* name) const { return editor.findChild<QAction*>(name); }
    // A shortcut as the user presses it, with the editor the active window.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor, 5000));
        QTest::keyClick(&editor, key, modifiers);
    }
    void setImage(int32_t w, int32_t h)
    {
        cBitmap image;
        makeBitmap(image, w, h, pattern);
        editor.SetBitmap(image);
    }
};

TEST(PreviewDialog, MenusAreOffUntilThereIsAnImageAndTheAccessorGivesOneEditor)
{
    EditorFixture f;
    const char* switched[] = {"SaveFile", "ViewMenu", "ImageMenu", "ColorFilterMenu", "EffectFilterMenu",
                              "ImageFilterMenu", "TextureFilterMenu", "NoZoom", "Zoom50"};
    for (const char* name : switched) EXPECT_FALSE(f.entry(name)->isEnabled()) << name;
    EXPECT_TRUE(f.entry("OpenFile")->isEnabled());
    EXPECT_TRUE(f.entry("PasteMenu")->isEnabled());
    f.editor.SetZoom(50);
    f.press(Qt::Key_F6);
    EXPECT_EQ(f.editor.Zoom(), 50.0f);

    f.setImage(64, 32);
    for (const char* name : switched) EXPECT_TRUE(f.entry(name)->isEnabled()) << name;
    f.press(Qt::Key_F6);
    EXPECT_EQ(f.editor.Zoom(), 100.0f);
    EXPECT_EQ(f.editor.windowTitle(), "Preview");

    // Menu texts and shortcuts as the user sees them.
    EXPECT_EQ(f.entry("SaveFile")->text(), "&Save As...");
    EXPECT_EQ(f.entry("SaveFile")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(f.entry("zoom60")->text(), "60 %");
    EXPECT_EQ(f.entry("Rotate90")->text(), QString::fromUtf8("Clockwise 90°"));
    EXPECT_EQ(f.editor.findChild<QMenu*>("ZommView")->title(), "&Zoom");
    EXPECT_NE(f.entry("MenuSpacer30"), nullptr);
    EXPECT_TRUE(f.entry("MenuSpacer30")->isSeparator());

    EXPECT_EQ(&PreviewDialog::instance(), &PreviewDialog::instance());
}

TEST(PreviewDialog, OpenShowsTheFileAndABrokenFileChangesNothing)
{
    EditorFixture f;
    QTemporaryDir folder;
    cBitmap image;
    makeBitmap(image, 40, 30, pattern);
    platform::EncoderClsid png{};
    ASSERT_TRUE(cGDIP().GetEncoderClsid("image/png", png));
    const QString good = folder.path() + "/brick.png";
    ASSERT_EQ(image.SaveToFile(good.toStdString(), png), platform::Ok);
    const QString broken = folder.path() + "/broken.png";
    {
        QFile b(broken);
        ASSERT_TRUE(b.open(QIODevice::WriteOnly));
        b.write("\x89PNG\r\n\x1a\n and then nothing an image needs");
    }
    f.editor.view().setLastDir(folder.path().toStdString() + "/");
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), [](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), "Open Image File");
            typeName("brick.png")(d);
        });
        clickMenuPath(f.bar, {"FileMenu", "OpenFile"});
    }
    EXPECT_EQ(f.editor.windowTitle(), "Preview " + good);
    EXPECT_EQ(f.panel("Panel2"), "0, 0  [40 x 30]");
    EXPECT_EQ(f.editor.imgWidth(), 40);
    EXPECT_EQ(f.editor.view().lastDir(), folder.path().toStdString() + "/");
    EXPECT_TRUE(f.entry("ViewMenu")->isEnabled());

    f.editor.SetZoom(250);
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("broken.png"));
        f.press(Qt::Key_O, Qt::ControlModifier);
    }
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Could not open broken.png");
    EXPECT_EQ(f.services.messageBox.shown[0].title, "Unsupported File Format");
    EXPECT_EQ(f.services.messageBox.shown[0].style, 48);
    EXPECT_EQ(f.editor.windowTitle(), "Preview " + good);
    EXPECT_EQ(f.editor.Bitmap().Width(), 40);
    EXPECT_EQ(f.editor.Zoom(), 250.0f);
}

TEST(PreviewDialog, PasteTakesTheClipboardImageAndKeepsTheImageWithoutOne)
{
    EditorFixture f;
    f.setImage(20, 10);
    clickMenuPath(f.bar, {"EditMenu", "PasteMenu"});
    EXPECT_EQ(f.editor.Bitmap().Width(), 20);
    EXPECT_EQ(f.editor.imgWidth(), 20);

    // Copy puts the image over black and without alpha.
    clickMenuPath(f.bar, {"EditMenu", "CopyMenu"});
    ASSERT_NE(f.services.clipboard.held, nullptr);
    uint32_t copied = 0;
    f.services.clipboard.held->getPixel(3, 2, copied);
    // (3, 2, 5) at alpha 128 over black.
    EXPECT_EQ(copied, 0xFF020103u);

    f.setImage(50, 40);
    f.editor.setWindowTitle("Preview /somewhere/brick.png");
    f.press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.editor.Bitmap().Width(), 20);
    EXPECT_EQ(f.editor.imgHeight(), 10);
    EXPECT_EQ(f.editor.Bitmap().PixelFormat(), 0x22009);
    EXPECT_EQ(f.editor.windowTitle(), "Preview");
    EXPECT_EQ(f.panel("Panel2"), "0, 0  [20 x 10]");
}

TEST(PreviewDialog, DeleteBlanksTheImageAtItsSize)
{
    EditorFixture f;
    clickMenuPath(f.bar, {"EditMenu", "DeleteMenu"});
    EXPECT_EQ(f.editor.Bitmap().Handle(), nullptr);

    f.setImage(640, 480);
    f.editor.setWindowTitle("Preview /x.png");
    clickMenuPath(f.bar, {"EditMenu", "DeleteMenu"});
    EXPECT_EQ(f.editor.Bitmap().PixelFormat(), 0x21808);
    EXPECT_EQ(f.editor.Bitmap().Width(), 640);
    EXPECT_EQ(f.editor.Bitmap().GetPixelARGB(320, 240), static_cast<int32_t>(0xFF000000u));
    EXPECT_EQ(f.panel("Panel2"), "0, 0  [640 x 480]");
    EXPECT_EQ(f.editor.windowTitle(), "Preview");
}

TEST(PreviewDialog, QuarterTurnsSwapTheSizeAndOtherTurnsKeepTheView)
{
    EditorFixture f;
    f.setImage(512, 256);
    cBitmap original;
    makeBitmap(original, 512, 256, pattern);
    clickMenuPath(f.bar, {"ImageMenu", "RotateMenu", "Rotate90"});
    EXPECT_EQ(f.editor.Bitmap().Width(), 256);
    EXPECT_EQ(f.editor.Bitmap().Height(), 512);
    EXPECT_EQ(f.editor.imgWidth(), 256);
    EXPECT_EQ(f.editor.imgHeight(), 512);
    // Clockwise: the top-left pixel goes to the top-right corner.
    for (auto [x, y] : {std::pair{0, 0}, std::pair{17, 300}, std::pair{511, 255}})
        EXPECT_EQ(f.editor.Bitmap().GetPixelARGB(255 - y, x), original.GetPixelARGB(x, y));

    f.editor.SetZoom(73);
    f.editor.view().StartX = 12;
    for (const char* name : {"Rotate180", "FlipH", "FlipV"}) {
        if (std::string(name) == "Rotate180")
            clickMenuPath(f.bar, {"ImageMenu", "RotateMenu", name});
        else
            clickMenuPath(f.bar, {"ImageMenu", name});
        EXPECT_EQ(f.editor.imgWidth(), 256) << name;
        EXPECT_EQ(f.editor.Zoom(), 73.0f) << name;
        EXPECT_EQ(f.editor.view().StartX, 12.0f) << name;
    }
    // Rotate 180 and both flips bring the image back.
    clickMenuPath(f.bar, {"ImageMenu", "RotateMenu", "Rotate270"});
    EXPECT_EQ(f.editor.Bitmap().GetPixelARGB(17, 200), original.GetPixelARGB(17, 200));
}

TEST(PreviewDialog, InterpolationChoiceIsOneCheckAndStaysAfterClosing)
{
    EditorFixture f;
    f.setImage(30, 30);
    EXPECT_TRUE(f.entry("InterpolationNN")->isChecked());
    clickMenuPath(f.bar, {"ViewMenu", "InterpolationMenu", "InterpolationHQBC"});
    EXPECT_EQ(f.editor.view().CurrentInterpolationMode, platform::InterpolationMode::HighQualityBicubic);
    int checked = 0;
    for (const char* name : {"InterpolationNN", "InterpolationBL", "InterpolationBC", "InterpolationHQBL",
                             "InterpolationHQBC"})
        checked += f.entry(name)->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(f.entry("InterpolationHQBC")->isChecked());

    f.press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(f.editor.view().TileMode);
    EXPECT_TRUE(f.entry("ShowTiles")->isChecked());

    // Esc does not close the editor; Close hides it and ends its showing.
    f.press(Qt::Key_Escape);
    EXPECT_TRUE(f.editor.isVisible());
    QTimer::singleShot(0, &f.editor, [&] { clickMenuPath(f.bar, {"FileMenu", "CloseFile"}); });
    f.editor.exec();
    EXPECT_FALSE(f.editor.isVisible());
    f.editor.show();
    EXPECT_EQ(f.editor.view().CurrentInterpolationMode, platform::InterpolationMode::HighQualityBicubic);
    EXPECT_TRUE(f.editor.view().TileMode);
    EXPECT_TRUE(f.entry("InterpolationHQBC")->isChecked());
    // The close box hides it too.
    EXPECT_FALSE(f.editor.close());
    EXPECT_FALSE(f.editor.isVisible());
}

TEST(PreviewDialog, SaveAsWritesThePngThroughTheExport)
{
    EditorFixture f;
    QTemporaryDir folder;
    f.setImage(16, 8);
    f.editor.view().setLastDir(folder.path().toStdString() + "/");
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("edited.png"));
        clickMenuPath(f.bar, {"FileMenu", "SaveFile"});
    }
    cBitmap saved;
    ASSERT_EQ(saved.LoadFromFile((folder.path() + "/edited.png").toStdString()), platform::Ok);
    EXPECT_EQ(saved.GetPixelARGB(5, 3), f.editor.Bitmap().GetPixelARGB(5, 3));
    EXPECT_EQ(f.editor.windowTitle(), "Preview " + folder.path() + "/edited.png");
}

// A tool dialog that records how the editor opened it.
class RecordingToolDialog : public ImageToolDialog {
public:
    explicit RecordingToolDialog(bool filter) : m_filter(filter) { resize(300, 200); }
    void Init(ImageViewer& parent) override { bound = &parent; }
    bool writesProgress() const override { return m_filter; }
    void selectFilter(int index) override { page = index; }
    ImageViewer* bound = nullptr;
    int page = -1;

private:
    bool m_filter;
};

TEST(PreviewDialog, ToolDialogsAreBoundPlacedAndGiveBackTheStatusPanel)
{
    EditorFixture f;
    f.setImage(30, 30);
    f.editor.move(40, 50);
    RecordingToolDialog filter(true);
    QTimer::singleShot(0, &filter, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return filter.isVisible(); }, 5000));
        EXPECT_EQ(filter.frameGeometry().top(), f.editor.frameGeometry().top());
        f.editor.setPanel1Text("42 %");
        filter.hide();
    });
    f.editor.openToolDialog(filter, 10);
    EXPECT_EQ(filter.bound, &f.editor);
    EXPECT_EQ(filter.page, 10);
    EXPECT_EQ(f.panel("Panel1"), "Zoom: 100 %");

    RecordingToolDialog resize(false);
    QTimer::singleShot(0, &resize, [&] { resize.hide(); });
    f.editor.openToolDialog(resize, 3);
    EXPECT_EQ(resize.bound, &f.editor);
    EXPECT_EQ(resize.page, -1);
}

}  // namespace
}  // namespace kalvora
