// The texture filter dialog opened from the editor and driven as a user; its
// percentages reach the filters as the pixel arguments of the image's size.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMenuBar>
#include <QSlider>

#include "tests/support/MenuClicks.h"
#include "tests/views/FilterDialogTestSupport.h"
#include "views/TextureFilterWindow.h"

namespace kalvora {
namespace {

using namespace testing;

TEST(TextureFilterWindow, BordersEntryOpensItsPageWithTheStartValues)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(40, 30);
    const QString zoomText = f.panel1();
    {
        ModalDialogAnswerer answer(QStringLiteral("TextureFilterWindow"), [&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), "Texture Filters");
            EXPECT_EQ(shownPage(d), 1);
            auto* tabs = child<QTabWidget>(d, "Tab1");
            EXPECT_EQ(tabs->tabText(0), "Make Seamless");
            EXPECT_EQ(tabs->tabText(1), "Transparent Borders");
            EXPECT_EQ(tabs->tabText(2), "Generate Normal Map");
            for (const char* name : {"SeamlessSlider", "BorderSizeSlider", "RoundedEdgesSlider", "NoiseStrengthSlider",
                                     "NoiseFrequencySlider", "AntialiasSlider"}) {
                QSlider* s = child<QSlider>(d, name);
                EXPECT_EQ(s->maximum(), 10000) << name;
                EXPECT_EQ(s->pageStep(), 100) << name;
                EXPECT_EQ(s->tickInterval(), 1000) << name;
            }
            EXPECT_EQ(child<QSlider>(d, "SeamlessSlider")->value(), 1000);
            EXPECT_EQ(child<QLineEdit>(d, "SeamlessText")->text(), "10");
            EXPECT_EQ(child<QSlider>(d, "BorderSizeSlider")->value(), 1000);
            EXPECT_EQ(child<QLineEdit>(d, "BorderSizeText")->text(), "10");
            EXPECT_EQ(child<QLineEdit>(d, "AntialiasText")->text(), "0");
            for (const char* name : {"SeamlessHorizontalCheck", "SeamlessVerticalCheck", "HeightMapToAlphaCheck"})
                EXPECT_TRUE(child<QCheckBox>(d, name)->isChecked()) << name;
            EXPECT_EQ(child<QCheckBox>(d, "HeightMapToAlphaCheck")->text(), "Save Height Map to Alpha Channel");
            int percentLabels = 0;
            for (QLabel* l : d->findChildren<QLabel*>()) percentLabels += l->text() == "%";
            EXPECT_EQ(percentLabels, 6);
            click(d, "ApplyButton");
            EXPECT_EQ(f.panel1(), "100% done...");
            click(d, "CancelButton");
        });
        clickMenuPath(f.editor.findChild<QMenuBar*>(), {"TextureFilterMenu", "FilterTransparentBorders"});
    }
    EXPECT_EQ(f.panel1(), zoomText);
    EXPECT_TRUE(samePixels(f.editor.Bitmap(), backup.Handle()));
    EXPECT_EQ(TextureFilterWindow::instance().Parent, nullptr);
}

TEST(TextureFilterWindow, BorderPercentagesBecomePixelsOfTheImage)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(200, 200);
    TextureFilterWindow dialog;
    f.open(dialog, 12, [&](QWidget* d) {
        typeInto(d, "BorderSizeText", "10.5");
        typeInto(d, "RoundedEdgesText", "50");
        typeInto(d, "NoiseStrengthText", "50");
        typeInto(d, "AntialiasText", "25");
        typeInto(d, "NoiseFrequencyText", "50");
        reseed();
        click(d, "ApplyButton");
        // 10.5 % counts as 10 %: border 20, rounded 50 x 161 / 200 = 40.25,
        // strength 10, blend 5, noise cells of 100.5 pixels.
        reseed();
        EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
            return filter.CreateTransparentBorder(20, 40, 10, 100.5f, 5);
        }));
        click(d, "CancelButton");
    });
}

TEST(TextureFilterWindow, SeamlessOverlapComesFromTheWidthAndTheSizeStays)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(300, 100);
    TextureFilterWindow dialog;
    f.open(dialog, 11, [&](QWidget* d) {
        QCheckBox* vertical = child<QCheckBox>(d, "SeamlessVerticalCheck");
        QTest::mouseClick(vertical, Qt::LeftButton, {}, QPoint(6, vertical->height() / 2));
        click(d, "ApplyButton");
        EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
            return filter.CreateSeamlessTextureFilter(30, true, false);
        }));
        QTest::mouseClick(vertical, Qt::LeftButton, {}, QPoint(6, vertical->height() / 2));
        click(d, "SetButton");
    });
    EXPECT_EQ(f.editor.Bitmap().Width(), 300);
    EXPECT_EQ(f.editor.Bitmap().Height(), 100);
    EXPECT_EQ(f.editor.imgWidth(), 300);
    EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
        return filter.CreateSeamlessTextureFilter(30, true, true);
    }));
}

TEST(TextureFilterWindow, PreviewThenOkOnAnotherPageAppliesOnlyThatPage)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(64, 48);
    TextureFilterWindow dialog;
    f.open(dialog, 12, [&](QWidget* d) {
        click(d, "ApplyButton");
        choosePage(d, 2);
        QCheckBox* alpha = child<QCheckBox>(d, "HeightMapToAlphaCheck");
        QTest::mouseClick(alpha, Qt::LeftButton, {}, QPoint(6, alpha->height() / 2));
        click(d, "SetButton");
    });
    EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
        return filter.CreateNormalMap(false);
    }));
}

}  // namespace
}  // namespace kalvora
