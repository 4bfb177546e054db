// The brick files and mortar file dialogs used as a user uses them: their
// buttons, the real file dialog with typed names, the image editor and the
// message boxes (the fake answers them).

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/BrickFilesDialog.h"
#include "app/MortarFileDialog.h"
#include "imaging/cInlineBitmap.h"
#include "platform/PixelFormat.h"
#include "tests/support/FakeServices.h"
#include "tests/support/FileDialogTyping.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "views/PreviewDialog.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

void solidImage(cBitmap& bitmap, int32_t w, int32_t h, uint32_t argb)
{
    ASSERT_EQ(bitmap.CreateFromScan0(w, h, 0, platform::kFormat32bppARGB), platform::Ok);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) bitmap.Handle()->setPixel(x, y, argb);
}

// An image file in the folder, solid red, of that size.
QString writeImage(const QTemporaryDir& folder, const QString& name, int32_t w, int32_t h)
{
    cBitmap image;
    solidImage(image, w, h, 0xFFC03020u);
    platform::EncoderClsid png{};
    EXPECT_TRUE(cGDIP().GetEncoderClsid("image/png", png));
    const QString path = folder.path() + "/" + name;
    EXPECT_EQ(image.SaveToFile(path.toStdString(), png), platform::Ok);
    return path;
}

std::shared_ptr<cInlineBitmap> entry(const std::string& name, int32_t w, int32_t h, uint32_t argb)
{
    auto e = std::make_shared<cInlineBitmap>();
    e->FileName = name;
    if (w > 0) solidImage(e->Bitmap, w, h, argb);
    return e;
}

QListWidget* list(QWidget* d) { return d->findChild<QListWidget*>("InputFiles"); }
QString label(QWidget* d, const char* name) { return d->findChild<QLabel*>(name)->text(); }
void click(QWidget* d, const char* name) { QTest::mouseClick(d->findChild<QPushButton*>(name), Qt::LeftButton); }

// Types names into the open-file dialog and presses Enter.
ModalDialogAnswerer::Answer typeNames(const QString& names)
{
    return [names](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Open Brick Tile(s)");
        testing::typeIntoFileDialog(d, names);
    };
}

// Flips the image in the editor from its menu, then closes the editor.
ModalDialogAnswerer::Answer flipInEditor()
{
    return [](QWidget* d) {
        auto* bar = d->findChild<QMenuBar*>();
        testing::clickMenuPath(bar, {"ImageMenu", "FlipH"});
        testing::clickMenuPath(bar, {"FileMenu", "CloseFile"});
    };
}

// The preview box's pixels as shown on screen.
QImage shownPreview(QWidget* d)
{
    return d->findChild<QWidget*>("PreviewPicture")->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

struct BrickFixture {
    testing::ScopedFakeServices services;
    BrickFilesDialog dialog;
    bool changed = false;

    int32_t show(ModalDialogAnswerer::Answer act)
    {
        ModalDialogAnswerer answer(QStringLiteral("BrickFilesDialog"), std::move(act));
        return dialog.ShowDialog(changed);
    }
};

TEST(BrickFilesDialog, ShowsTheEntriesAndAddsSeveralFilesInOrder)
{
    BrickFixture f;
    QTemporaryDir folder;
    const QString a = writeImage(folder, "a.png", 20, 10);
    const QString b = writeImage(folder, "B.PNG", 30, 10);
    f.dialog.ImageDirectory = folder.path().toStdString() + "/";
    for (const char* name : {"/w/one.png", "/w/two.png", "/w/three.png"})
        f.dialog.InlineBitmaps.Add(entry(name, 100, 50, 0xFF2040C0u));
    ModalDialogAnswerer open(QStringLiteral("CommonDialog1"), typeNames("\"a.png\" \"B.PNG\""));
    const int32_t result = f.show([&](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Brick Files");
        ASSERT_EQ(list(d)->count(), 3);
        EXPECT_EQ(list(d)->currentRow(), 0);
        EXPECT_EQ(label(d, "FileCountLabel"), "3 files selected");
        EXPECT_EQ(label(d, "WidthLabel"), "100 px");
        EXPECT_EQ(shownPreview(d).pixel(60, 60), 0xFF2040C0u);
        click(d, "AddButton");
        ASSERT_EQ(list(d)->count(), 5);
        EXPECT_EQ(list(d)->item(3)->text(), a);
        EXPECT_EQ(list(d)->item(4)->text(), b);
        EXPECT_EQ(list(d)->currentRow(), 0);
        EXPECT_EQ(label(d, "FileCountLabel"), "5 files selected");
        EXPECT_EQ(list(d)->verticalScrollBar()->value(), list(d)->verticalScrollBar()->maximum());
        click(d, "OKButton");
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(f.changed);
    ASSERT_EQ(f.dialog.InlineBitmaps.Count(), 5);
    EXPECT_EQ(f.dialog.InlineBitmaps.GetInlineBitmap(5)->Bitmap.Width(), 30);
    EXPECT_EQ(f.dialog.ImageDirectory, folder.path().toStdString() + "/");
}

TEST(BrickFilesDialog, RemovingSelectsAgainAndRemoveAllOfNothingChangesNothing)
{
    BrickFixture f;
    f.dialog.InlineBitmaps.Add(entry("/w/1.png", 11, 5, 0xFF000001u));
    f.dialog.InlineBitmaps.Add(entry("/w/2.png", 12, 5, 0xFF000002u));
    f.dialog.InlineBitmaps.Add(entry("/w/3.png", 13, 5, 0xFF000003u));
    f.show([&](QWidget* d) {
        click(d, "RemoveButton");
        EXPECT_EQ(list(d)->count(), 2);
        EXPECT_EQ(list(d)->currentRow(), 0);
        EXPECT_EQ(list(d)->currentItem()->text(), "/w/2.png");
        EXPECT_EQ(label(d, "WidthLabel"), "12 px");
        list(d)->setCurrentRow(1);
        click(d, "RemoveButton");
        EXPECT_EQ(list(d)->currentItem()->text(), "/w/2.png");
        click(d, "RemoveButton");
        EXPECT_EQ(list(d)->count(), 0);
        EXPECT_EQ(label(d, "FileCountLabel"), "0 files selected");
        EXPECT_EQ(label(d, "WidthLabel"), "12 px");
        const QImage box = shownPreview(d);
        EXPECT_EQ(box.pixel(64, 64), box.pixel(0, 0));
        click(d, "OKButton");
    });
    EXPECT_EQ(f.dialog.InlineBitmaps.Count(), 0);
    EXPECT_TRUE(f.changed);

    f.changed = false;
    f.show([&](QWidget* d) {
        click(d, "RemoveAllButton");
        EXPECT_EQ(label(d, "FileCountLabel"), "0 files selected");
        click(d, "OKButton");
    });
    EXPECT_FALSE(f.changed);
}

TEST(BrickFilesDialog, EditKeepsTheEditedPixelsOnlyOnYes)
{
    BrickFixture f;
    auto e = entry("/w/bricks/red.png", 4, 2, 0xFF101010u);
    e->Bitmap.Handle()->setPixel(0, 0, 0xFFFF0000u);
    f.dialog.InlineBitmaps.Add(e);
    f.services.messageBox.answers = {platform::AnswerNo, platform::AnswerYes};
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), {[](QWidget* d) {
                                                                     EXPECT_EQ(d->windowTitle(), "red.png");
                                                                     flipInEditor()(d);
                                                                 },
                                                                 flipInEditor()});
    f.show([&](QWidget* d) {
        click(d, "EditButton");
        EXPECT_EQ(static_cast<uint32_t>(e->Bitmap.GetPixelARGB(0, 0)), 0xFFFF0000u);
        EXPECT_FALSE(f.changed);
        // A double click edits too.
        QListWidget* files = list(d);
        const QPoint at = files->visualItemRect(files->item(0)).center();
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(static_cast<uint32_t>(e->Bitmap.GetPixelARGB(3, 0)), 0xFFFF0000u);
        EXPECT_TRUE(f.changed);
        click(d, "OKButton");
    });
    ASSERT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Update Brick Image?");
    EXPECT_EQ(f.services.messageBox.shown[0].title, "Keep Changes");
    EXPECT_EQ(f.services.messageBox.shown[0].style, 36);
    EXPECT_EQ(e->FileName, "/w/bricks/red.png");
}

TEST(BrickFilesDialog, CancelEscAndTheCloseBoxPutTheFlagBack)
{
    BrickFixture f;
    f.dialog.InlineBitmaps.Add(entry("/w/1.png", 11, 5, 0xFF000001u));
    const std::vector<ModalDialogAnswerer::Answer> endings = {
        [](QWidget* d) { click(d, "CancelButton"); },
        [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](QWidget* d) { d->close(); },
    };
    for (const auto& end : endings) {
        f.changed = false;
        const int32_t result = f.show([&](QWidget* d) {
            click(d, "RemoveButton");
            EXPECT_TRUE(f.changed);
            end(d);
        });
        EXPECT_EQ(result, 2);
        EXPECT_FALSE(f.changed);
        f.dialog.InlineBitmaps.RemoveAll();
        f.dialog.InlineBitmaps.Add(entry("/w/1.png", 11, 5, 0xFF000001u));
    }
}

TEST(BrickFilesDialog, PreviewFitsWithoutEnlargingAndEntriesWithoutPixelsShowNothing)
{
    BrickFixture f;
    f.dialog.InlineBitmaps.Add(entry("/w/a.png", 100, 50, 0xFF00FF00u));
    f.dialog.InlineBitmaps.Add(entry("/w/b.png", 400, 200, 0xFF00FF00u));
    f.dialog.InlineBitmaps.Add(entry("/w/c.png", 50, 400, 0xFF00FF00u));
    f.dialog.InlineBitmaps.Add(entry("", 0, 0, 0));
    struct Rect {
        int x, y, w, h;
    };
    const Rect rects[] = {{14, 39, 100, 50}, {0, 32, 129, 64}, {56, 0, 16, 129}};
    f.show([&](QWidget* d) {
        ASSERT_EQ(d->findChild<QWidget*>("PreviewPicture")->size(), QSize(129, 129));
        for (int i = 0; i < 3; ++i) {
            list(d)->setCurrentRow(i);
            const QImage box = shownPreview(d);
            const Rect r = rects[i];
            const QRgb background = box.pixel(0, 0) == 0xFF00FF00u ? box.pixel(128, 128) : box.pixel(0, 0);
            for (int y = 0; y < 129; ++y)
                for (int x = 0; x < 129; ++x) {
                    const bool inside = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
                    ASSERT_EQ(box.pixel(x, y), inside ? 0xFF00FF00u : background) << i << ": " << x << ", " << y;
                }
        }
        list(d)->setCurrentRow(3);
        EXPECT_EQ(label(d, "WidthLabel"), "0 px");
        const QImage empty = shownPreview(d);
        EXPECT_EQ(empty.pixel(64, 64), empty.pixel(0, 0));
        // Edit has nothing to edit: no editor, no question.
        click(d, "EditButton");
        click(d, "OKButton");
    });
    EXPECT_TRUE(f.services.messageBox.shown.empty());
}

TEST(BrickFilesDialog, TheScrollRangeCoversTheWidestLineUntilInit)
{
    QListWidget files;
    files.resize(120, 80);
    files.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&files));
    CLBHScroll scroll;
    scroll.Init(&files);
    const QString wide = QString(60, QChar('w')) + ".png";
    scroll.AddItem("short.png");
    scroll.AddItem(wide);
    QScrollBar* bar = files.horizontalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->maximum() > 0; }, 5000));
    bar->setValue(bar->maximum());
    const int widest = QFontMetrics(files.font()).horizontalAdvance(wide);
    EXPECT_GE(bar->maximum() + files.viewport()->width(), widest);
    EXPECT_EQ(CLBHScroll::extentOf(&files), widest + 4);
    const int range = bar->maximum();
    scroll.AddItem("n.png");
    QApplication::processEvents();
    EXPECT_EQ(bar->maximum(), range);
    EXPECT_EQ(CLBHScroll::extentOf(&files), widest + 4);
    scroll.Init(&files);
    EXPECT_EQ(files.count(), 0);
    EXPECT_EQ(CLBHScroll::extentOf(&files), 0);
}

struct MortarFixture {
    testing::ScopedFakeServices services;
    MortarFileDialog dialog;
    bool changed = false;

    int32_t show(ModalDialogAnswerer::Answer act)
    {
        ModalDialogAnswerer answer(QStringLiteral("MortarFileDialog"), std::move(act));
        return dialog.ShowDialog(changed);
    }
    QString caption() { return dialog.findChild<QPushButton*>("AddButton")->text(); }
};

TEST(MortarFileDialog, ShowsTheFileNameShortenedAndRemovesWithoutAFlagWhenEmpty)
{
    MortarFixture f;
    const std::string path70 = "/" + std::string(65, 'm') + ".png";
    ASSERT_EQ(path70.size(), 70u);
    f.dialog.InlineBitmap.FileName = path70;
    solidImage(f.dialog.InlineBitmap.Bitmap, 8, 8, 0xFF808080u);
    f.show([&](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Mortar File");
        EXPECT_EQ(f.caption().toStdString(), "..." + path70.substr(8));
        click(d, "OKButton");
    });
    const std::string path65 = "/" + std::string(60, 'm') + ".png";
    f.dialog.InlineBitmap.FileName = path65;
    f.show([&](QWidget* d) {
        EXPECT_EQ(f.caption().toStdString(), path65);
        click(d, "RemoveButton");
        EXPECT_EQ(f.caption(), "&Select File...");
        EXPECT_TRUE(f.changed);
        click(d, "OKButton");
    });
    f.changed = false;
    f.show([&](QWidget* d) {
        EXPECT_EQ(f.caption(), "&Select File...");
        click(d, "RemoveButton");
        EXPECT_FALSE(f.changed);
        EXPECT_EQ(f.caption(), "&Select File...");
        const QImage box = shownPreview(d);
        EXPECT_EQ(box.pixel(64, 64), box.pixel(0, 0));
        click(d, "OKButton");
    });
}

TEST(MortarFileDialog, SelectingLoadsAsideAndAnUnreadableFileKeepsTheMortar)
{
    MortarFixture f;
    QTemporaryDir folder;
    const QString good = writeImage(folder, "mortar.png", 40, 30);
    QFile broken(folder.path() + "/broken.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not an image");
    broken.close();
    f.dialog.ImageDirectory = folder.path().toStdString() + "/";
    ModalDialogAnswerer open(QStringLiteral("CommonDialog1"), {typeNames("mortar.png"), typeNames("broken.png")});
    f.show([&](QWidget* d) {
        click(d, "AddButton");
        EXPECT_EQ(f.caption(), good);
        EXPECT_EQ(label(d, "WidthLabel"), "40 px");
        EXPECT_TRUE(f.changed);
        f.changed = false;
        click(d, "AddButton");
        EXPECT_EQ(f.caption(), good);
        EXPECT_FALSE(f.changed);
        click(d, "OKButton");
    });
    EXPECT_EQ(f.dialog.InlineBitmap.FileName, good.toStdString());
    EXPECT_EQ(f.dialog.InlineBitmap.Bitmap.Width(), 40);
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Could not open broken.png");
    EXPECT_EQ(f.services.messageBox.shown[0].title, "Unsupported File Format");
    EXPECT_EQ(f.services.messageBox.shown[0].style, 48);
}

TEST(MortarFileDialog, EditAnsweredNoRedrawsAndCancelPutsTheFlagBack)
{
    MortarFixture f;
    f.dialog.InlineBitmap.FileName = "/w/mortar.png";
    solidImage(f.dialog.InlineBitmap.Bitmap, 6, 6, 0xFF405060u);
    f.services.messageBox.answers = {platform::AnswerNo};
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), [](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "/w/mortar.png");
        flipInEditor()(d);
    });
    const int32_t result = f.show([&](QWidget* d) {
        click(d, "EditButton");
        EXPECT_EQ(f.services.messageBox.shown.back().text, "Update Mortar Image?");
        EXPECT_EQ(shownPreview(d).pixel(64, 64), 0xFF405060u);
        click(d, "RemoveButton");
        EXPECT_TRUE(f.changed);
        click(d, "CancelButton");
    });
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(f.changed);
}

}  // namespace
}  // namespace kalvora
