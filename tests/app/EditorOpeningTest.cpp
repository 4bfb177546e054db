// The image editor opened from the main window's menu and from the brick
// files dialog: every opening with a new image shows it at the optimal zoom
// for the drawing area the user sees, the very first one included.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <utility>

#include "AppTestSupport.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "uicore/ImageView.h"
#include "views/ImageViewCanvas.h"
#include "views/PreviewDialog.h"

namespace kalvora {
namespace {

using testing::AppFixture;
using testing::ModalDialogAnswerer;

// What the optimal zoom and the centring give for the editor's shown
// drawing area, and what the editor shows.
void expectFitted(QWidget* dialog, int32_t side)
{
    auto* editor = qobject_cast<PreviewDialog*>(dialog);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->isVisible());
    ImageView expected;
    expected.WndWidth = editor->canvas()->width();
    expected.WndHeight = editor->canvas()->height();
    expected.imgWidth = side;
    expected.imgHeight = side;
    expected.OptimalZoom();
    expected.CenterSmallImage(true);
    ASSERT_GT(expected.WndWidth, side / 10) << "the drawing area has no real size";
    EXPECT_EQ(editor->imgWidth(), side);
    EXPECT_FLOAT_EQ(editor->Zoom(), expected.Zoom) << side;
    EXPECT_FLOAT_EQ(editor->view().StartX, expected.StartX) << side;
    EXPECT_FLOAT_EQ(editor->view().StartY, expected.StartY) << side;
    EXPECT_EQ(editor->panel1Text().toStdString(), expected.panelText(1)) << side;
}

ModalDialogAnswerer::Answer checkAndClose(int32_t side)
{
    return [side](QWidget* d) {
        expectFitted(d, side);
        testing::clickMenuPath(d->findChild<QMenuBar*>(QStringLiteral("MenuBar")), {"FileMenu", "CloseFile"});
    };
}

class EditorOpening : public ::testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(EditorOpening, EditImageShowsTheOptimalZoomForTheShownDrawingArea)
{
    AppFixture f;
    const auto [first, second] = GetParam();
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), {checkAndClose(first), checkAndClose(second)});
    for (const int32_t side : {first, second}) {
        f.preview.SetBitmap(testing::brickImage(side, side, 0xFF8090A0u)->Bitmap);
        f.window.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f.window; }, 5000));
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &f.window, Qt::Key_E, Qt::ControlModifier);
    }
    EXPECT_TRUE(editor.answered());
}

INSTANTIATE_TEST_SUITE_P(LargeThenSmall, EditorOpening, ::testing::Values(std::pair{1024, 64}));
INSTANTIATE_TEST_SUITE_P(SmallThenLarge, EditorOpening, ::testing::Values(std::pair{64, 1024}));

TEST(EditorOpeningFromBrickFiles, EditShowsTheOptimalZoomForTheShownDrawingArea)
{
    AppFixture f;
    f.window.BrickData.BrickFiles->RemoveAll();
    f.window.BrickData.BrickFiles->Add(testing::brickImage(1024, 1024, 0xFF8090A0u));
    f.window.BrickData.BrickFiles->Add(testing::brickImage(64, 64, 0xFF405060u));
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), {checkAndClose(1024), checkAndClose(64)});
    ModalDialogAnswerer files(QStringLiteral("BrickFilesDialog"), [](QWidget* d) {
        auto* list = d->findChild<QListWidget*>(QStringLiteral("InputFiles"));
        auto* edit = d->findChild<QPushButton*>(QStringLiteral("EditButton"));
        for (int row : {0, 1}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            QTest::mouseClick(edit, Qt::LeftButton);
        }
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
    });
    OptionsWindow& options = f.window.optionsWindow();
    testing::clickTab(options.OptionsTab1, 3);
    QTest::mouseClick(options.findChild<QPushButton*>(QStringLiteral("BrickFilesButton")), Qt::LeftButton);
    EXPECT_TRUE(files.answered());
    EXPECT_TRUE(editor.answered());
}

}  // namespace
}  // namespace kalvora
