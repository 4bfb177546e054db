// The image filter dialog opened from the editor and driven as a user:
// menus, tabs, typing, Tab, Enter, buttons, Esc and the close box. Results are
// compared with the filter engine run by hand on the backup image.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMenuBar>
#include <QSlider>

#include "tests/support/MenuClicks.h"
#include "tests/views/FilterDialogTestSupport.h"
#include "views/ImageFilterWindow.h"

namespace kalvora {
namespace {

using namespace testing;
using enum kalvora::platform::InterpolationMode;

QSlider* slider(QWidget* d, const char* name) { return child<QSlider>(d, name); }
QString text(QWidget* d, const char* name) { return child<QLineEdit>(d, name)->text(); }

TEST(ImageFilterWindow, MenusOpenTheirPageAndTheControlsKeepTheirValues)
{
    FilterDialogFixture f;
    f.setImage(40, 30);
    const QString zoomText = f.panel1();
    ImageFilterWindow& dialog = ImageFilterWindow::instance();
    QMenuBar* bar = f.editor.findChild<QMenuBar*>();
    {
        ModalDialogAnswerer answer(QStringLiteral("ImageFilterWindow"), [&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), "Image Filters");
            EXPECT_EQ(shownPage(d), 6);
            EXPECT_EQ(child<QComboBox>(d, "FilterEffectsCombo")->currentText(), "Show Alpha Channel");
            EXPECT_EQ(d->frameGeometry().top(), f.editor.frameGeometry().top());
            EXPECT_EQ(dialog.Parent, &f.editor);
            // The editor hands the focus on to the open dialog.
            f.editor.activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }, 5000));

            choosePage(d, 4);
            typeInto(d, "SharpenText", "37");
            choosePage(d, 5);
            auto* mono = child<QCheckBox>(d, "NoiseMonochromeCheck");
            QTest::mouseClick(mono, Qt::LeftButton, {}, QPoint(6, mono->height() / 2));
            auto* modes = child<QComboBox>(d, "NoiseInterpolationCombo");
            modes->setFocus();
            QTest::keyClick(modes, Qt::Key_End);
            click(d, "CancelButton");
        });
        clickMenuPath(bar, {"EffectFilterMenu", "FilterShowAlpha"});
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Parent, nullptr);
    EXPECT_EQ(f.panel1(), zoomText);
    {
        ModalDialogAnswerer answer(QStringLiteral("ImageFilterWindow"), [&](QWidget* d) {
            EXPECT_EQ(shownPage(d), 4);
            EXPECT_EQ(text(d, "SharpenText"), "37");
            EXPECT_EQ(slider(d, "SharpenSlider")->value(), 37);
            EXPECT_TRUE(child<QCheckBox>(d, "NoiseMonochromeCheck")->isChecked());
            EXPECT_EQ(child<QComboBox>(d, "NoiseInterpolationCombo")->currentText(), "None");
            QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Escape);
        });
        clickMenuPath(bar, {"ImageFilterMenu", "FilterSharpen"});
    }
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ImageFilterWindow, ControlsStartAsThePagesDescribeThem)
{
    ImageFilterWindow d;
    auto* tabs = child<QTabWidget>(&d, "Tab1");
    const char* titles[] = {"Contrast", "RGB", "HSL", "Gamma", "Sharpen", "Noise", "Effects"};
    ASSERT_EQ(tabs->count(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tabs->tabText(i), titles[i]);
    struct Start {
        const char* slider;
        const char* text;
        int minimum, maximum, value;
        const char* shown;
        int pageStep, tick;
    };
    for (const Start& s : {Start{"BrightnessSlider", "BrightnessText", -255, 255, 0, "0", 10, 64},
                           Start{"GreenSlider", "GreenText", -255, 255, 0, "0", 10, 64},
                           Start{"HueSlider", "HueText", -180, 180, 0, "0", 15, 45},
                           Start{"LuminanceSlider", "LuminanceText", -100, 100, 0, "0", 10, 25},
                           Start{"GammaSlider", "GammaText", 0, 1000, 100, "1", 100, 100},
                           Start{"ThresholdSlider", "ThresholdText", 0, 255, 128, "128", 10, 32},
                           Start{"NoiseFrequencySlider", "NoiseFrequencyText", 0, 10000, 0, "0", 100, 1000}}) {
        QSlider* sl = slider(&d, s.slider);
        EXPECT_EQ(sl->minimum(), s.minimum) << s.slider;
        EXPECT_EQ(sl->maximum(), s.maximum) << s.slider;
        EXPECT_EQ(sl->value(), s.value) << s.slider;
        EXPECT_EQ(sl->pageStep(), s.pageStep) << s.slider;
        EXPECT_EQ(sl->tickInterval(), s.tick) << s.slider;
        EXPECT_EQ(text(&d, s.text), s.shown) << s.text;
    }
    QStringList labels;
    for (QLabel* l : d.findChildren<QLabel*>()) labels << l->text();
    for (const char* l : {"Green: ", "Noise Frequency:", "%", "Interpolation Mode:", "Choose Filter:"})
        EXPECT_TRUE(labels.contains(l)) << l;
    EXPECT_EQ(labels.count("Strength:"), 2);
    auto* modes = child<QComboBox>(&d, "NoiseInterpolationCombo");
    EXPECT_EQ(modes->count(), 3);
    EXPECT_EQ(modes->currentText(), "Cubic");
    EXPECT_FALSE(modes->isEditable());
    auto* effects = child<QComboBox>(&d, "FilterEffectsCombo");
    EXPECT_EQ(effects->count(), 5);
    EXPECT_EQ(effects->currentIndex(), -1);
    EXPECT_EQ(effects->itemText(2), "Histogram Equalize");
    EXPECT_FALSE(child<QCheckBox>(&d, "NoiseMonochromeCheck")->isChecked());
    for (const char* b : {"SetButton", "ApplyButton", "CancelButton"}) {
        EXPECT_FALSE(child<QPushButton>(&d, b)->autoDefault()) << b;
        EXPECT_FALSE(child<QPushButton>(&d, b)->isDefault()) << b;
    }
    EXPECT_EQ(child<QPushButton>(&d, "ApplyButton")->text(), "Preview");
}

TEST(ImageFilterWindow, OkRunsOnlyThePageShownOnTheBackup)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(48, 32);
    ImageFilterWindow dialog;
    f.open(dialog, 0, [&](QWidget* d) {
        typeInto(d, "BrightnessText", "40");
        typeInto(d, "ContrastText", "-30");
        click(d, "ApplyButton");
        EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
            feed(filter, filter.CreateBrightnessFilter(40));
            return filter.CreateContrastFilter(-30);
        }));
        choosePage(d, 1);
        typeInto(d, "RedText", "25");
        typeInto(d, "BlueText", "-70");
        click(d, "SetButton");
    });
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(f.editor.Bitmap().PixelFormat(), platform::kFormat32bppARGB);
    EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
        return filter.CreateShiftRGBFilter(25, 0, -70);
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f.editor; }, 5000));
}

TEST(ImageFilterWindow, PreviewsWithEqualValuesMatchExceptNoise)
{
    FilterDialogFixture f;
    f.setImage(40, 24);
    ImageFilterWindow dialog;
    f.open(dialog, 0, [&](QWidget* d) {
        typeInto(d, "BrightnessText", "15");
        typeInto(d, "HueText", "90");
        typeInto(d, "SharpenText", "200");
        for (int page : {0, 2, 3, 4, 5}) {
            choosePage(d, page);
            click(d, "ApplyButton");
            cBitmap first;
            first.CreateFromClone(40, 24, f.editor.Bitmap().Handle(), platform::kFormat32bppARGB);
            click(d, "ApplyButton");
            if (page == 5)
                EXPECT_FALSE(samePixels(f.editor.Bitmap(), first.Handle())) << "noise is drawn afresh";
            else
                EXPECT_TRUE(samePixels(f.editor.Bitmap(), first.Handle())) << "page " << page;
        }
        click(d, "CancelButton");
    });
}

TEST(ImageFilterWindow, CancelEscAndTheCloseBoxPutTheBackupBack)
{
    for (platform::PixelFormatId format : {platform::kFormat32bppARGB, platform::kFormat24bppRGB}) {
        FilterDialogFixture f;
        cBitmap backup = f.setImage(30, 20, format);
        ImageFilterWindow dialog;
        const std::function<void(QWidget*)> closers[] = {
            [](QWidget* d) { click(d, "CancelButton"); },
            [](QWidget* d) { QTest::keyClick(child<QLineEdit>(d, "GammaText"), Qt::Key_Escape); },
            [](QWidget* d) { EXPECT_FALSE(d->close()); },
        };
        for (const auto& closeIt : closers) {
            f.open(dialog, 3, [&](QWidget* d) {
                typeInto(d, "GammaText", "2.5");
                click(d, "ApplyButton");
                choosePage(d, 6);
                child<QComboBox>(d, "FilterEffectsCombo")->setCurrentIndex(3);
                click(d, "ApplyButton");
                EXPECT_FALSE(samePixels(f.editor.Bitmap(), backup.Handle()));
                closeIt(d);
            });
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(dialog.Parent, nullptr);
            EXPECT_EQ(f.editor.Bitmap().PixelFormat(), platform::kFormat32bppARGB);
            EXPECT_TRUE(samePixels(f.editor.Bitmap(), backup.Handle()));
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f.editor; }, 5000));
        }
    }
    // Without an opener the close box only hides the dialog.
    ImageFilterWindow unbound;
    unbound.show();
    EXPECT_FALSE(unbound.close());
    EXPECT_FALSE(unbound.isVisible());
}

TEST(ImageFilterWindow, EffectsWithoutAChoiceSayWhatIsMissingAndShowTheBackup)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(32, 32);
    ImageFilterWindow dialog;
    f.open(dialog, 3, [&](QWidget* d) {
        click(d, "ApplyButton");
        choosePage(d, 6);
        click(d, "ApplyButton");
        ASSERT_EQ(f.services.messageBox.shown.size(), 1u);
        EXPECT_EQ(f.services.messageBox.shown[0].text, "Please select a Filter Effect");
        EXPECT_EQ(f.services.messageBox.shown[0].title, "No Filter selected");
        EXPECT_EQ(f.services.messageBox.shown[0].style, 48);
        EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(d, "FilterEffectsCombo"));
        EXPECT_TRUE(samePixels(f.editor.Bitmap(), backup.Handle()));
        click(d, "SetButton");
    });
    EXPECT_EQ(f.services.messageBox.shown.size(), 2u);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(samePixels(f.editor.Bitmap(), backup.Handle()));
}

TEST(ImageFilterWindow, ProgressCountsTheRowsInThePanelUnderTheBusyCursor)
{
    FilterDialogFixture f;
    f.setImage(10, 100);
    ImageFilterWindow dialog;
    std::vector<Qt::CursorShape> cursors;
    f.open(dialog, 4, [&](QWidget* d) {
        f.panel1Texts.clear();
        f.editor.view().setPanelListener([&, d](int, const std::string& t) {
            f.panel1Texts.push_back(t);
            cursors.push_back(d->cursor().shape());
        });
        click(d, "ApplyButton");
        EXPECT_EQ(d->cursor().shape(), Qt::ArrowCursor);
        click(d, "CancelButton");
    });
    std::vector<std::string> expected;
    for (int v = 0; v <= 98; ++v) expected.push_back(std::to_string(v) + "% done...");
    expected.push_back("100% done...");
    ASSERT_GE(f.panel1Texts.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(f.panel1Texts.begin(), f.panel1Texts.begin() + expected.size()), expected);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(cursors[i], Qt::WaitCursor) << i;
}

TEST(ImageFilterWindow, TextsArePassedWithTheirConversions)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(24, 24);
    ImageFilterWindow dialog;
    f.open(dialog, 5, [&](QWidget* d) {
        for (auto [typed, passed] : {std::pair{"12.5", 12}, std::pair{"13.5", 14}, std::pair{"12.51", 13}}) {
            typeInto(d, "NoiseFrequencyText", typed);
            reseed();
            click(d, "ApplyButton");
            reseed();
            EXPECT_TRUE(f.shows(backup, [p = passed](clsImageFilter& filter) {
                return filter.CreateNoiseFilter(128, static_cast<uint8_t>(p), HighQualityBicubic, false);
            })) << typed;
        }
        choosePage(d, 3);
        typeInto(d, "GammaText", "1.5");
        click(d, "ApplyButton");
        EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
            feed(filter, filter.CreateGammaFilter(1.5));
            return filter.CreateThresholdFilter(128);
        }));

        // Outside the slider's range: the slider stays and the text shows it.
        choosePage(d, 0);
        typeInto(d, "BrightnessText", "40");
        typeInto(d, "BrightnessText", "300");
        EXPECT_EQ(slider(d, "BrightnessSlider")->value(), 40);
        EXPECT_EQ(text(d, "BrightnessText"), "40");

        // Enter commits the box and presses no button.
        cBitmap before;
        before.CreateFromClone(24, 24, f.editor.Bitmap().Handle(), platform::kFormat32bppARGB);
        typeInto(d, "ContrastText", "-12.5", true);
        EXPECT_EQ(slider(d, "ContrastSlider")->value(), -12);
        EXPECT_EQ(text(d, "ContrastText"), "-12");
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(samePixels(f.editor.Bitmap(), before.Handle()));
        EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(d, "ContrastText"));

        // A button pressed while a box still has the focus sees the box as
        // its focus-loss handler leaves it.
        choosePage(d, 1);
        auto* red = child<QLineEdit>(d, "RedText");
        QTest::mouseClick(red, Qt::LeftButton);
        QTest::keyClick(red, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(red, "300");
        child<QPushButton>(d, "ApplyButton")->click();
        EXPECT_EQ(red->text(), "0");
        EXPECT_TRUE(f.shows(backup, [](clsImageFilter& filter) {
            return filter.CreateShiftRGBFilter(0, 0, 0);
        }));
        click(d, "CancelButton");
    });
}

// A page whose filter fails: the window keeps an image, the backup.
class FailingFilterWindow : public FilterDialogFrame {
public:
    FailingFilterWindow() : FilterDialogFrame(QStringLiteral("FailingFilterWindow"), QStringLiteral("Failing"))
    {
        addPage(QStringLiteral("Fails"));
    }

protected:
    platform::Image* runPageFilters() override
    {
        cFilter.CreateGrayScaleFilter();
        return nullptr;
    }
};

TEST(ImageFilterWindow, AFailingFilterLeavesTheBackupInTheWindow)
{
    FilterDialogFixture f;
    cBitmap backup = f.setImage(16, 16);
    FailingFilterWindow dialog;
    f.open(dialog, 0, [&](QWidget* d) {
        click(d, "ApplyButton");
        EXPECT_TRUE(samePixels(f.editor.Bitmap(), backup.Handle()));
        click(d, "SetButton");
    });
    EXPECT_TRUE(samePixels(f.editor.Bitmap(), backup.Handle()));
}

// Whichever side goes first ends the binding: a dialog that outlives its
// window calls into it neither when bound to the next nor when destroyed.
TEST(ImageFilterWindow, ABindingEndsWhenTheWindowGoesFirst)
{
    FilterDialogFixture f;
    f.setImage(20, 10);
    auto dialog = std::make_unique<ImageFilterWindow>();
    const auto bindToAWindowThatGoes = [&] {
        PreviewDialog window;
        window.SetBitmap(f.editor.Bitmap());
        dialog->Init(window);
    };
    bindToAWindowThatGoes();
    dialog->Init(f.editor);
    EXPECT_EQ(dialog->Parent, &f.editor);
    bindToAWindowThatGoes();
    EXPECT_EQ(dialog->Parent, nullptr);
    dialog.reset();
}

}  // namespace
}  // namespace kalvora
