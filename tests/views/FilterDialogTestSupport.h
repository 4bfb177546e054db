#pragma once

// What the filter dialog tests share: an editor with the fake services, the
// dialog opened on it modally and driven by an answer as a user would, and
// the filter engine run by hand on the backup for the expected pixels.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "platform/PixelFormat.h"
#include "platform/RandomGenerator.h"
#include "tests/support/FakeServices.h"
#include "tests/support/ModalDialogAnswerer.h"
#include "uicore/FilterInputImage.h"
#include "views/ImageToolDialog.h"
#include "views/PreviewDialog.h"

namespace kalvora::testing {

// Colours and alpha that vary with the position; every seventh pixel is
// fully transparent with a colour of its own.
inline void makeTestImage(cBitmap& bitmap, int32_t w, int32_t h,
                          platform::PixelFormatId format = platform::kFormat32bppARGB)
{
    ASSERT_EQ(bitmap.CreateFromScan0(w, h, 0, format), platform::Ok);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t alpha = (x + y * w) % 7 == 0 ? 0u : 0x40u + static_cast<uint32_t>((x * 13 + y) % 0xC0);
            const uint32_t colour = ((x * 37u) & 0xFF) << 16 | ((y * 59u) & 0xFF) << 8 | ((x * y + 11u) & 0xFF);
            bitmap.Handle()->setPixel(x, y, alpha << 24 | colour);
        }
}

// The pixels of the image equal those of the top-left part of the other.
inline ::testing::AssertionResult samePixels(cBitmap& image, const platform::Image* expected)
{
    if (!image.Handle() || !expected) return ::testing::AssertionFailure() << "an image is missing";
    if (expected->width() < image.Width() || expected->height() < image.Height())
        return ::testing::AssertionFailure() << "the expected image is smaller";
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x) {
            uint32_t want = 0;
            expected->getPixel(x, y, want);
            const auto got = static_cast<uint32_t>(image.GetPixelARGB(x, y));
            if (got != want)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected " << want;
        }
    return ::testing::AssertionSuccess();
}

using FilterRun = std::function<platform::Image*(clsImageFilter&)>;

// The filter engine run by hand on a copy of the image; the result is kept.
inline std::unique_ptr<platform::Image> filtered(cBitmap& input, const FilterRun& run)
{
    clsImageFilter filter;
    filter.SetBitmapIn(input);
    platform::Image* result = run(filter);
    std::unique_ptr<platform::Image> copy;
    if (result) result->clone(copy);
    return copy;
}

// Between two filters: the first result becomes the filter's input.
inline void feed(clsImageFilter& filter, platform::Image* result)
{
    cBitmap between;
    ASSERT_EQ(between.CreateFromClone(result->width(), result->height(), result, platform::kFormat32bppARGB),
              platform::Ok);
    filter.SetBitmapIn(between);
}

// The random filters draw from the process's generator: tests start it
// from the same number before the dialog's run and before their own.
inline void reseed() { platform::RandomGenerator::processDefault().reseedFromNumber(-17.0); }

template <typename T>
T* child(QWidget* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline void click(QWidget* dialog, const char* button)
{
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

// Types into a text box as a user: clicks into it, selects all, types, and
// leaves it with Tab (or presses Enter when `enter`).
inline void typeInto(QWidget* dialog, const char* box, const QString& text, bool enter = false)
{
    auto* edit = child<QLineEdit>(dialog, box);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, enter ? Qt::Key_Return : Qt::Key_Tab);
}

inline void choosePage(QWidget* dialog, int page)
{
    QTabBar* bar = child<QTabWidget>(dialog, "Tab1")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
}

inline int shownPage(QWidget* dialog) { return child<QTabWidget>(dialog, "Tab1")->currentIndex(); }

// A shown editor with the fake services and the English decimal point; the
// texts written into the first status panel are recorded.
struct FilterDialogFixture {
    std::vector<std::string> panel1Texts;
    ScopedFakeServices services;
    PreviewDialog editor;

    FilterDialogFixture()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        editor.resize(600, 400);
        editor.move(20, 30);
        editor.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&editor));
        QLabel* panels[] = {editor.findChild<QLabel*>(QStringLiteral("Panel1")),
                            editor.findChild<QLabel*>(QStringLiteral("Panel2")),
                            editor.findChild<QLabel*>(QStringLiteral("Panel3"))};
        editor.view().setPanelListener([this, panels](int panel, const std::string& text) {
            if (panel == 1) panel1Texts.push_back(text);
            panels[panel - 1]->setText(QString::fromStdString(text));
        });
    }
    ~FilterDialogFixture() { QLocale::setDefault(QLocale::c()); }

    // Shows the image in the editor and gives the backup the dialog will take.
    cBitmap setImage(int32_t w, int32_t h, platform::PixelFormatId format = platform::kFormat32bppARGB)
    {
        cBitmap image;
        makeTestImage(image, w, h, format);
        editor.SetBitmap(image);
        cBitmap backup;
        backup.CreateFromClone(w, h, image.Handle(), image.PixelFormat());
        convertToFilterInput(backup);
        return backup;
    }
    // The editor's image equals the filter engine's result run on the backup.
    ::testing::AssertionResult shows(cBitmap& backup, const FilterRun& run)
    {
        return samePixels(editor.Bitmap(), filtered(backup, run).get());
    }
    QString panel1() const { return editor.findChild<QLabel*>(QStringLiteral("Panel1"))->text(); }

    // Opens the dialog as the editor's menus do and answers it; the answer
    // must close it.
    void open(ImageToolDialog& dialog, int filterIndex, const std::function<void(QWidget*)>& answer)
    {
        ModalDialogAnswerer answerer(dialog.objectName(), [&answer](QWidget* d) {
            // Clicks, typing and focus changes reach the dialog as a user's
            // do only once its window is the active one.
            EXPECT_TRUE(QTest::qWaitForWindowActive(d, 5000));
            answer(d);
        });
        editor.openToolDialog(dialog, filterIndex);
    }
};

}  // namespace kalvora::testing
