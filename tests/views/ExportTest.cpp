// Exporting the shown image through the real save dialog, typed into and
// answered as a user would, with the message boxes recorded by the fake.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "tests/support/FakeServices.h"
#include "tests/support/FileDialogTyping.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "tests/support/TestImages.h"
#include "views/PreviewWindow.h"

namespace kalvora {
namespace {

using testing::makeBitmap;
using testing::ModalDialogAnswerer;

// Types the name into the save dialog's file name box and presses Enter. A
// name with a folder in it is pasted in one piece, as users enter paths:
// typed letter by letter, the dialog may step into the folder as soon as its
// name and the slash are typed, racing its own listing of the folder, and
// the rest of the name then points one folder deeper.
ModalDialogAnswerer::Answer typeName(const QString& name, QString* shownFolder = nullptr)
{
    return [name, shownFolder](QWidget* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Save Image File");
        if (shownFolder) *shownFolder = dialog->directory().absolutePath();
        testing::typeIntoFileDialog(d, name);
    };
}

ModalDialogAnswerer::Answer cancel()
{
    return [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); };
}

// Sixteen colours in blocks, opaque, so every format can hold it exactly.
// Sixteen 10 x 6 blocks of different colours.
uint32_t blocks(int32_t x, int32_t y)
{
    const uint32_t k = (x / 10) + 4 * (y / 6);
    return 0xFF000000u | (k * 16 << 16) | ((255 - k * 16) << 8) | (k * 5);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ExportFixture {
    testing::ScopedFakeServices services;
    QTemporaryDir folder;
    PreviewWindow window;
    cBitmap image;

    ExportFixture()
    {
        window.resize(300, 200);
        window.show();
        makeBitmap(image, 40, 24, blocks);
        window.SetBitmap(image);
        window.view().setLastDir(folder.path().toStdString() + "/");
    }
    QString path(const QString& name) const { return folder.path() + "/" + name; }
};

TEST(Export, EachExtensionWritesItsFormatAndTheFileHoldsTheShownImage)
{
    ExportFixture f;
    struct Case {
        const char* name;
        QByteArray signature;
        int tolerance;
    };
    const Case cases[] = {
        {"wall.JPG", QByteArray("\xFF\xD8\xFF", 3), 32},
        {"wall.png", QByteArray("\x89PNG", 4), 0},
        {"wall.gif", QByteArray("GIF8", 4), 0},
        {"wall.bmp", QByteArray("BM", 2), 0},
        {"wall.tif", QByteArray("II*\0", 4), 0},
    };
    for (const Case& c : cases) {
        {
            ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName(c.name));
            f.window.SaveBitmapFile();
        }
        const QString path = f.path(c.name);
        EXPECT_TRUE(fileBytes(path).startsWith(c.signature)) << c.name;
        EXPECT_EQ(f.window.windowTitle(), "Preview " + path);
        cBitmap saved;
        ASSERT_EQ(saved.LoadFromFile(path.toStdString()), platform::Ok) << c.name;
        ASSERT_EQ(saved.Width(), 40);
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const uint32_t a = static_cast<uint32_t>(saved.GetPixelARGB(x, y));
                const uint32_t b = static_cast<uint32_t>(f.image.GetPixelARGB(x, y));
                for (int shift = 0; shift < 32; shift += 8)
                    ASSERT_LE(std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)), c.tolerance)
                        << c.name << " at " << x << ", " << y;
            }
    }
    EXPECT_TRUE(f.services.messageBox.shown.empty());
}

TEST(Export, UnknownExtensionsAskAgainAfterTheEncoderMessage)
{
    ExportFixture f;
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"),
                                   {typeName("picture.xyz"), typeName("wall.tiff"), typeName("wall.jpe"),
                                    typeName("wall"), cancel()});
        f.window.SaveBitmapFile();
    }
    const auto& shown = f.services.messageBox.shown;
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, "Could not find XYZ-Encoder.");
    EXPECT_EQ(shown[0].title, "Error Saving xyz-File");
    EXPECT_EQ(shown[0].style, 16);
    EXPECT_EQ(shown[1].text, "Could not find TIFF-Encoder.");
    EXPECT_EQ(shown[2].title, "Error Saving jpe-File");
    EXPECT_EQ(shown[3].text, "Could not find WALL-Encoder.");
    EXPECT_EQ(shown[3].title, "Error Saving wall-File");
    EXPECT_EQ(QDir(f.folder.path()).entryList(QDir::Files), QStringList());
    EXPECT_EQ(f.window.windowTitle(), "Preview");
}

TEST(Export, CancelChangesNothingAndTheNextDialogStartsInTheLastFolder)
{
    ExportFixture f;
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), cancel());
        f.window.SaveBitmapFile();
    }
    EXPECT_EQ(f.window.windowTitle(), "Preview");
    EXPECT_EQ(QDir(f.folder.path()).entryList(QDir::Files), QStringList());

    QDir(f.folder.path()).mkdir("sub");
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("sub/wall.png"));
        f.window.SaveBitmapFile();
    }
    EXPECT_EQ(f.window.view().lastDir(), f.path("sub/").toStdString());
    QString shownFolder;
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), {typeName("again.png", &shownFolder)});
        f.window.SaveBitmapFile();
    }
    EXPECT_EQ(shownFolder, f.path("sub"));
    EXPECT_TRUE(QFile::exists(f.path("sub/again.png")));
}

TEST(Export, AFailedSaveSaysSoKeepsTheCaptionAndTheOldFile)
{
    ExportFixture f;
    const QString existing = f.path("old.png");
    {
        QFile old(existing);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the previous good file");
    }
    // An empty preview over an existing file: the overwrite question is
    // answered Yes, then the save fails.
    PreviewWindow empty;
    empty.resize(200, 100);
    empty.show();
    empty.view().setLastDir(f.folder.path().toStdString() + "/");
    const ModalDialogAnswerer::Answer yes = [](QWidget* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    };
    {
        ModalDialogAnswerer name(QStringLiteral("CommonDialog1"), typeName("old.png"));
        ModalDialogAnswerer overwrite(ModalDialogAnswerer::ofClass<QMessageBox>(), "the overwrite question", {yes});
        empty.SaveBitmapFile();
    }
    ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
    EXPECT_EQ(f.services.messageBox.shown[0].text, "Could not save File " + existing.toStdString());
    EXPECT_EQ(f.services.messageBox.shown[0].title, "Error Saving png-File");
    EXPECT_EQ(f.services.messageBox.shown[0].style, 16);
    EXPECT_EQ(empty.windowTitle(), "Preview");
    EXPECT_EQ(fileBytes(existing), QByteArray("the previous good file"));

    // A write the system refuses part-way, as on a full disk: the message
    // names the system's reason.
    {
        testing::FileSizeLimit limit(16);
        ModalDialogAnswerer name(QStringLiteral("CommonDialog1"), typeName("old.png"));
        ModalDialogAnswerer overwrite(ModalDialogAnswerer::ofClass<QMessageBox>(), "the overwrite question", {yes});
        f.window.SaveBitmapFile();
    }
    ASSERT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_EQ(f.services.messageBox.shown[1].text,
              "Could not save File " + existing.toStdString() + "\nFile too large");
    EXPECT_EQ(f.window.windowTitle(), "Preview");
    EXPECT_EQ(fileBytes(existing), QByteArray("the previous good file"));

    // A folder where no user, root included, may create files. (The dialog
    // itself refuses a name longer than the file system allows and stays
    // open.) Its entries are folders, so the dialog reads no file to tell its
    // type, and none of them begins like the name, so no completion list
    // comes up to take the Enter.
    const QString forbidden = QStringLiteral("/sys/zz-kalvora-wall.png");
    f.window.view().setLastDir("/sys/");
    {
        ModalDialogAnswerer name(QStringLiteral("CommonDialog1"), typeName("zz-kalvora-wall.png"));
        f.window.SaveBitmapFile();
    }
    ASSERT_EQ(f.services.messageBox.shown.size(), 3u);
    // Where /sys is mounted read-only, that is the system's reason.
    const std::string failed = "Could not save File " + forbidden.toStdString();
    EXPECT_THAT(f.services.messageBox.shown[2].text,
                ::testing::AnyOf(failed + "\nPermission denied", failed + "\nRead-only file system"));
    EXPECT_EQ(f.window.windowTitle(), "Preview");
    EXPECT_FALSE(QFile::exists(forbidden));
}

}  // namespace
}  // namespace kalvora
