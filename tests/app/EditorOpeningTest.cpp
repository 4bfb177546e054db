// Every opening of the image editor with a new image, the first of a fresh
// editor included, shows the optimal zoom for the drawing area on screen.

#include <QListWidget>
#include <QMenuBar>

#include "AppTestSupport.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "views/ImageViewCanvas.h"
#include "views/PreviewDialog.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

// Checks the shown editor against a view of its drawing area's size given
// the side x side image, then closes it.
ModalDialogAnswerer::Answer expectFittedThenClose(int32_t side)
{
    return [side](QWidget* d) {
        auto* editor = qobject_cast<PreviewDialog*>(d);
        ImageView expected;
        expected.WndWidth = editor->canvas()->width();
        expected.WndHeight = editor->canvas()->height();
        expected.imgWidth = expected.imgHeight = side;
        expected.OptimalZoom();
        expected.CenterSmallImage(true);
        EXPECT_GT(expected.WndHeight, 400) << side;
        EXPECT_EQ(editor->imgWidth(), side);
        EXPECT_FLOAT_EQ(editor->Zoom(), expected.Zoom) << side;
        EXPECT_FLOAT_EQ(editor->view().StartX, expected.StartX) << side;
        EXPECT_FLOAT_EQ(editor->view().StartY, expected.StartY) << side;
        EXPECT_EQ(editor->panel1Text().toStdString(), expected.panelText(1)) << side;
        testing::clickMenuPath(d->findChild<QMenuBar*>(QStringLiteral("MenuBar")), {"FileMenu", "CloseFile"});
    };
}

TEST(EditorOpening, EditImageFitsTheFirstAndTheNextOpening)
{
    testing::AppFixture f;
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), {expectFittedThenClose(1024), expectFittedThenClose(64)});
    for (const int32_t side : {1024, 64}) {
        f.preview.SetBitmap(testing::brickImage(side, side, 0xFF8090A0u)->Bitmap);
        testing::clickMenuPath(f.window.menuBar(), {"EditMenu", "EditImageMenu"});
    }
    EXPECT_TRUE(editor.answered());
}

TEST(EditorOpening, BrickFilesEditFitsTheFirstAndTheNextOpening)
{
    testing::AppFixture f;
    f.window.BrickData.BrickFiles->RemoveAll();
    f.window.BrickData.BrickFiles->Add(testing::brickImage(64, 64, 0xFF405060u));
    f.window.BrickData.BrickFiles->Add(testing::brickImage(1024, 1024, 0xFF8090A0u));
    ModalDialogAnswerer editor(QStringLiteral("PreviewDialog"), {expectFittedThenClose(64), expectFittedThenClose(1024)});
    ModalDialogAnswerer files(QStringLiteral("BrickFilesDialog"), [](QWidget* d) {
        auto* list = d->findChild<QListWidget*>(QStringLiteral("InputFiles"));
        for (int row : {0, 1}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("EditButton")), Qt::LeftButton);
        }
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
    });
    testing::clickTab(f.window.optionsWindow().OptionsTab1, 3);
    QTest::mouseClick(f.window.optionsWindow().findChild<QPushButton*>(QStringLiteral("BrickFilesButton")),
                      Qt::LeftButton);
    EXPECT_TRUE(files.answered() && editor.answered());
}

}  // namespace
}  // namespace kalvora
