#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DisplayWindow.h"
#include "app/MainWindow.h"
#include "app/OptionsWindow.h"
#include "imaging/cInlineBitmap.h"
#include "platform/PixelFormat.h"
#include "tests/support/FakeServices.h"
#include "views/PreviewWindow.h"

namespace kalvora::testing {

// One report as the main window showed it.
struct ShownReport {
    int progress;
    int secondsLeft;
    std::string text;
};

// A brick image of one colour.
inline std::shared_ptr<cInlineBitmap> brickImage(int32_t w, int32_t h, uint32_t argb)
{
    auto image = std::make_shared<cInlineBitmap>();
    image->Bitmap.CreateFromScan0(w, h, 0, platform::kFormat32bppARGB);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) image->Bitmap.Handle()->setPixel(x, y, argb);
    return image;
}

// A press and a release on the widget's centre, delivered the next time the
// event queue runs (inside a run: at its next yield).
inline void postMouse(QWidget* w, QEvent::Type type, Qt::MouseButtons buttons)
{
    const QPointF local = QRectF(w->rect()).center();
    QCoreApplication::postEvent(
        w, new QMouseEvent(type, local, w->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier));
}

inline void postClick(QWidget* w)
{
    postMouse(w, QEvent::MouseButtonPress, Qt::LeftButton);
    postMouse(w, QEvent::MouseButtonRelease, Qt::NoButton);
}

// The events of a double click: press, release, double click, release.
inline void postDoubleClick(QWidget* w)
{
    postClick(w);
    postMouse(w, QEvent::MouseButtonDblClick, Qt::LeftButton);
    postMouse(w, QEvent::MouseButtonRelease, Qt::NoButton);
}

// The output panel's controls, found by name inside the panel.
struct DisplayControls {
    explicit DisplayControls(DisplayWindow& panel) : window(panel) {}

    template <typename T>
    T* find(const char* name) const
    {
        T* control = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    DisplayWindow& window;
    QTabWidget* DisplayTab1 = find<QTabWidget>("DisplayTab1");
    QSlider* OutWidthSlider = find<QSlider>("OutWidthSlider");
    QSlider* OutHeightSlider = find<QSlider>("OutHeightSlider");
    QLineEdit* OutWidthText = find<QLineEdit>("OutWidthText");
    QLineEdit* OutHeightText = find<QLineEdit>("OutHeightText");
    QCheckBox* AspectRatioCheck = find<QCheckBox>("AspectRatioCheck");
    QSlider* PreviewWidthSlider = find<QSlider>("PreviewWidthSlider");
    QSlider* PreviewHeightSlider = find<QSlider>("PreviewHeightSlider");
    QLineEdit* PreviewWidthText = find<QLineEdit>("PreviewWidthText");
    QLineEdit* PreviewHeightText = find<QLineEdit>("PreviewHeightText");
    QComboBox* PreviewQualityCombo = find<QComboBox>("PreviewQualityCombo");
    QComboBox* TextureTypeCombo = find<QComboBox>("TextureTypeCombo");
    QProgressBar* ProgressBar = find<QProgressBar>("ProgressBar");
    QPushButton* UpdateButton = find<QPushButton>("UpdateButton");
    QLabel* ProgressLabel = find<QLabel>("ProgressLabel");
};

inline void clickTab(QTabWidget* tabs, int index)
{
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// The main window after its start-up (the splash's pauses instant), with
// the fake services, the run's clock in the test's hand and every shown
// report recorded. The project gets two small brick images, so runs are
// quick. The clock moves the queue's spacing at every reading, so every
// yield of a run lets the event queue run.
struct AppFixture {
    ScopedFakeServices services;
    MainWindow window;
    DisplayControls display;
    PreviewWindow& preview;
    int64_t clock = 1000000;
    int64_t tickPerReading = MainWindow::kQueueSpacingMs;
    std::vector<ShownReport> reports;
    // Called after each shown report.
    std::function<void(const ShownReport&)> onReport;

    AppFixture() : display(window.displayWindow()), preview(window.previewWindow())
    {
        window.setTickSource([this] { return clock += tickPerReading; });
        window.setSplashPause([](int) {});
        window.MDIForm_Load();
        window.BrickData.BrickFiles->Add(brickImage(24, 16, 0xFFB04020u));
        window.BrickData.BrickFiles->Add(brickImage(16, 12, 0xFF306090u));
        QObject::connect(&window, &MainWindow::progressShown, [this](int p, int s, const QString& d) {
            reports.push_back({p, s, d.toStdString()});
            if (onReport) onReport(reports.back());
        });
    }

    // Types into a size box and commits it with Enter.
    static void type(QLineEdit* box, const QString& text)
    {
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    void setSizes(int output, int previewSize)
    {
        clickTab(display.DisplayTab1, 1);
        type(display.OutWidthText, QString::number(output));
        type(display.OutHeightText, QString::number(output));
        clickTab(display.DisplayTab1, 0);
        type(display.PreviewWidthText, QString::number(previewSize));
        type(display.PreviewHeightText, QString::number(previewSize));
    }

    void clickUpdate() { QTest::mouseClick(display.UpdateButton, Qt::LeftButton); }

    QString statusText() const
    {
        return window.StatusBar1()->findChild<QLabel*>(QStringLiteral("Panel1"))->text();
    }

    int runsStarted() const
    {
        int runs = 0;
        for (const ShownReport& r : reports) runs += r.text == "Create Brick Pattern...";
        return runs;
    }
};

}  // namespace kalvora::testing
