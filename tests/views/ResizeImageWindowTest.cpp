// The resize dialog opened from the editor's menu and used as a user uses
// it: typing into its boxes, Tab, Enter, Esc, its buttons and the close box.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "tests/support/FakeServices.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "tests/support/TestImages.h"
#include "views/PreviewDialog.h"
#include "views/ResizeImageWindow.h"

namespace kalvora {
namespace {

using namespace testing;

uint32_t pattern(int32_t x, int32_t y) { return 0xFF000000u | ((x * 5 & 0xFF) << 16) | ((y * 3 & 0xFF) << 8) | 0x33; }

QLineEdit* box(QWidget* dialog, const char* name) { return dialog->findChild<QLineEdit*>(name); }
QString text(QWidget* dialog, const char* name) { return box(dialog, name)->text(); }

// Types into a box as a user does, then leaves it with Tab.
void type(QWidget* dialog, const char* name, const QString& typed)
{
    QLineEdit* edit = box(dialog, name);
    ASSERT_NE(edit, nullptr) << name;
    if (!edit->isVisible()) {
        auto* tabs = dialog->findChild<QTabWidget*>("SSTab1");
        tabs->setCurrentIndex(tabs->currentIndex() == 0 ? 1 : 0);
    }
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog, 5000));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Tab);
}

// Clicks a button; check boxes and option buttons on their indicator, where
// a click counts whatever the width of the control.
void click(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    const bool indicator = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, indicator ? QPoint(8, button->height() / 2) : QPoint());
}

// The editor with a 640 x 480 image and the resize dialog reset to its
// design state (the program's one dialog keeps its lock and option).
struct ResizeFixture {
    testing::ScopedFakeServices services;
    PreviewDialog editor;
    cBitmap original;

    ResizeFixture()
    {
        editor.resize(900, 700);
        editor.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&editor));
        makeBitmap(original, 640, 480, pattern);
        editor.SetBitmap(original);
        ResizeImageWindow& dialog = ResizeImageWindow::instance();
        dialog.findChild<QRadioButton*>("Option3")->setChecked(true);
        if (!dialog.findChild<QCheckBox*>("PixelAspectCheck")->isChecked())
            QTest::mouseClick(dialog.findChild<QCheckBox*>("PixelAspectCheck"), Qt::LeftButton);
    }

    // Opens the dialog from the menu; `use` acts in it and must close it.
    void resizeWith(ModalDialogAnswerer::Answer use)
    {
        ModalDialogAnswerer answer(QStringLiteral("ResizeImageWindow"), std::move(use));
        clickMenuPath(editor.findChild<QMenuBar*>(), {"ImageMenu", "ResizeImage"});
    }

    bool showsOriginal()
    {
        if (editor.Bitmap().Width() != 640 || editor.Bitmap().Height() != 480) return false;
        for (auto [x, y] : {std::pair{0, 0}, std::pair{321, 123}, std::pair{639, 479}})
            if (editor.Bitmap().GetPixelARGB(x, y) != original.GetPixelARGB(x, y)) return false;
        return true;
    }
};

TEST(ResizeImageWindow, FieldsFollowEachOtherAsTheLockSays)
{
    ResizeFixture f;
    f.resizeWith([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Resize Image");
        EXPECT_EQ(text(d, "PixelWidth"), "640");
        EXPECT_EQ(text(d, "PixelHeight"), "480");
        EXPECT_EQ(text(d, "PercentWidth"), "100");
        EXPECT_EQ(text(d, "PercentHeight"), "100");
        EXPECT_EQ(text(d, "PixelAspectText"), "1.3333333333333333");
        EXPECT_EQ(text(d, "PercentAspectText"), "1.3333333333333333");

        // One click on either lock sets both; the ratio boxes follow; no
        // number changes.
        click(d, "PercentAspectCheck");
        EXPECT_FALSE(d->findChild<QCheckBox*>("PixelAspectCheck")->isChecked());
        EXPECT_FALSE(box(d, "PixelAspectText")->isEnabled());
        EXPECT_FALSE(box(d, "PercentAspectText")->isEnabled());
        EXPECT_EQ(text(d, "PixelHeight"), "480");
        EXPECT_EQ(text(d, "PercentAspectText"), "1.3333333333333333");
        click(d, "PixelAspectCheck");
        EXPECT_TRUE(d->findChild<QCheckBox*>("PercentAspectCheck")->isChecked());
        EXPECT_TRUE(box(d, "PixelAspectText")->isEnabled());

        type(d, "PercentWidth", "50");
        EXPECT_EQ(text(d, "PixelWidth"), "320");
        EXPECT_EQ(text(d, "PercentHeight"), "50");
        EXPECT_EQ(text(d, "PixelHeight"), "240");

        type(d, "PixelAspectText", "2");
        EXPECT_EQ(text(d, "PercentAspectText"), "2");
        type(d, "PercentWidth", "50");
        EXPECT_EQ(text(d, "PercentHeight"), "50");
        EXPECT_EQ(text(d, "PixelHeight"), "160");

        click(d, "PercentAspectCheck");
        type(d, "PixelWidth", "300");
        EXPECT_EQ(text(d, "PercentWidth"), "47");
        type(d, "PixelHeight", "480");
        EXPECT_EQ(text(d, "PixelAspectText"), "0.625");
        EXPECT_EQ(text(d, "PercentAspectText"), "0.625");

        type(d, "PixelHeight", "-5");
        EXPECT_EQ(text(d, "PixelHeight"), "1");
        type(d, "PercentHeight", "tall");
        EXPECT_EQ(text(d, "PercentHeight"), "100");
        type(d, "PixelWidth", "12.5");
        EXPECT_EQ(text(d, "PixelWidth"), "12");
        type(d, "PixelWidth", "13.5");
        EXPECT_EQ(text(d, "PixelWidth"), "14");
        click(d, "PixelAspectCheck");
        EXPECT_TRUE(d->findChild<QCheckBox*>("PercentAspectCheck")->isChecked());
        type(d, "PercentAspectText", "0.000001");
        EXPECT_EQ(text(d, "PercentAspectText"), "1");
        EXPECT_EQ(text(d, "PixelAspectText"), "1");
        click(d, "CancelButton");
    });
    EXPECT_TRUE(f.showsOriginal());
}

TEST(ResizeImageWindow, EachOptionResizesWithItsModeFromTheStartingImage)
{
    ResizeFixture f;
    for (auto [option, mode] : {std::pair{"Option1", platform::InterpolationMode::NearestNeighbor},
                                std::pair{"Option2", platform::InterpolationMode::HighQualityBilinear},
                                std::pair{"Option3", platform::InterpolationMode::HighQualityBicubic}}) {
        f.resizeWith([option = option](QWidget* d) {
            click(d, option);
            type(d, "PercentWidth", "30");
            click(d, "PreviewButton");
            type(d, "PercentWidth", "50");
            click(d, "SetButton");
        });
        cBitmap expected;
        makeBitmap(expected, 640, 480, pattern);
        expected.ResizePicture(320, 240, mode);
        ASSERT_EQ(f.editor.Bitmap().Width(), 320) << option;
        EXPECT_EQ(f.editor.imgHeight(), 240);
        EXPECT_EQ(f.editor.Bitmap().PixelFormat(), platform::kFormat32bppARGB);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{101, 77}, std::pair{319, 239}})
            EXPECT_EQ(f.editor.Bitmap().GetPixelARGB(x, y), expected.GetPixelARGB(x, y)) << option << " " << x;
        f.editor.SetBitmap(f.original);
    }
    // Enter presses OK, after the focused box's own rules ran.
    f.resizeWith([](QWidget* d) {
        type(d, "PercentWidth", "50");
        QTest::keyClick(box(d, "PercentHeight"), Qt::Key_Return);
    });
    EXPECT_EQ(f.editor.Bitmap().Width(), 320);
    f.editor.SetBitmap(f.original);
    f.resizeWith([](QWidget* d) {
        click(d, "PixelAspectCheck");
        QLineEdit* width = box(d, "PixelWidth");
        width->setFocus();
        width->selectAll();
        QTest::keyClicks(width, "12.5");
        QTest::keyClick(width, Qt::Key_Return);
    });
    EXPECT_EQ(f.editor.Bitmap().Width(), 12);
    EXPECT_EQ(f.editor.Bitmap().Height(), 480);
}

TEST(ResizeImageWindow, CancelEscAndTheCloseBoxBringTheStartingImageBack)
{
    ResizeFixture f;
    const std::vector<ModalDialogAnswerer::Answer> endings = {
        [](QWidget* d) { click(d, "CancelButton"); },
        [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](QWidget* d) { d->close(); },
    };
    for (const auto& end : endings) {
        f.editor.SetZoom(250);
        f.resizeWith([&end](QWidget* d) {
            type(d, "PercentWidth", "50");
            click(d, "PreviewButton");
            type(d, "PercentWidth", "20");
            click(d, "PreviewButton");
            end(d);
        });
        EXPECT_TRUE(f.showsOriginal());
        EXPECT_EQ(f.editor.Zoom(), 100.0f);
        EXPECT_EQ(f.editor.view().StartX, (f.editor.view().WndWidth - 640) / 2.0f);
        EXPECT_FALSE(ResizeImageWindow::instance().isVisible());
    }
}

TEST(ResizeImageWindow, ASizeTheImageCannotHaveIsRefusedAndTheDialogStays)
{
    ResizeFixture f;
    f.resizeWith([&f](QWidget* d) {
        click(d, "PixelAspectCheck");
        type(d, "PixelWidth", "100000");
        click(d, "SetButton");
        EXPECT_TRUE(d->isVisible());
        ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
        EXPECT_EQ(f.services.messageBox.shown[0].text, "Could not resize the image to 100000 x 480 pixels.");
        EXPECT_EQ(f.services.messageBox.shown[0].title, "Resize Image");
        EXPECT_EQ(f.services.messageBox.shown[0].style, 48);
        EXPECT_TRUE(f.showsOriginal());
        click(d, "CancelButton");
    });
    EXPECT_TRUE(f.showsOriginal());
}

TEST(ResizeImageWindow, LockAndOptionCarryOverAndInitRefillsTheBoxes)
{
    ResizeFixture f;
    f.resizeWith([](QWidget* d) {
        click(d, "Option1");
        click(d, "PixelAspectCheck");
        type(d, "PixelWidth", "77");
        click(d, "CancelButton");
    });
    cBitmap other;
    makeBitmap(other, 300, 200, pattern);
    f.editor.SetBitmap(other);
    f.resizeWith([](QWidget* d) {
        EXPECT_TRUE(d->findChild<QRadioButton*>("Option1")->isChecked());
        EXPECT_FALSE(d->findChild<QCheckBox*>("PercentAspectCheck")->isChecked());
        EXPECT_EQ(text(d, "PixelWidth"), "300");
        EXPECT_EQ(text(d, "PixelAspectText"), "1.5");
        click(d, "CancelButton");
    });
}

}  // namespace
}  // namespace kalvora
