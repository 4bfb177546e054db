// The settings panel on its own, with two sliders standing for the output
// panel's sizes: pixel boxes, pages, the random ID and the image dialogs.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/OptionsWindow.h"
#include "engine/cBrickData.h"
#include "imaging/ui/UISupportUi.h"
#include "platform/PixelFormat.h"
#include "tests/support/FakeServices.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

struct PanelFixture {
    testing::ScopedFakeServices services;
    cBrickData project;
    bool changed = false;
    QSlider outWidth{Qt::Horizontal};
    QSlider outHeight{Qt::Horizontal};
    bool closeAsked = false;
    OptionsWindow panel{[this] { closeAsked = true; }};

    PanelFixture()
    {
        outWidth.setRange(1, 16384);
        outHeight.setRange(1, 16384);
        outWidth.setValue(1024);
        outHeight.setValue(1024);
        panel.bind(project, changed, [this] { return QSize(outWidth.value(), outHeight.value()); });
        panel.resize(1000, 240);
        panel.Form_Load();
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
        setPercent("MinHeight", 20);
        setPercent("Border", 5);
        setPercent("Rounded", 5);
        panel.UpdateImageSize();
    }
    QLineEdit* box(const char* name) { return panel.findChild<QLineEdit*>(name); }
    QSlider* slider(const char* name) { return panel.findChild<QSlider*>(name); }
    void setPercent(const char* base, int percent)
    {
        QSlider* s = slider((std::string(base) + "Slider").c_str());
        const QSignalBlocker quiet(s);
        s->setValue(percent * 100);
    }
    // Types into a box as a user does and leaves it with Tab.
    void type(const char* name, const QString& text)
    {
        QLineEdit* edit = box(name);
        OptionsTabFor(edit);
        panel.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel, 5000));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    void OptionsTabFor(QWidget* w)
    {
        for (int i = 0; i < panel.OptionsTab1->count(); ++i)
            if (panel.OptionsTab1->widget(i)->isAncestorOf(w)) panel.OptionsTab1->setCurrentIndex(i);
    }
};

TEST(OptionsWindow, PixelBoxesFollowTheirReferences)
{
    PanelFixture f;
    EXPECT_EQ(f.box("MinHeightPxText")->text(), "205");
    EXPECT_EQ(f.box("BorderPxText")->text(), "10");
    EXPECT_EQ(f.box("RoundedPxText")->text(), "5");
    EXPECT_EQ(f.box("AntialiasPxText")->text(), "0");

    f.type("MinHeightPxText", "200");
    EXPECT_EQ(f.box("MinHeightText")->text(), "19.53");
    EXPECT_EQ(f.box("MinHeightPxText")->text(), "200");
    EXPECT_EQ(f.box("BorderPxText")->text(), "10");
    f.type("MinHeightPxText", "abc");
    EXPECT_EQ(f.box("MinHeightPxText")->text(), "200");
    EXPECT_EQ(f.slider("MinHeightSlider")->value(), 1953);

    // A new output height: every pixel box anew, the percentages as they were.
    f.outHeight.setValue(2048);
    f.panel.UpdateImageSize();
    EXPECT_EQ(f.box("MinHeightText")->text(), "19.53");
    EXPECT_EQ(f.box("MinHeightPxText")->text(), "400");
    EXPECT_EQ(f.box("BorderPxText")->text(), "20");
    EXPECT_EQ(f.box("RoundedPxText")->text(), "10");

    // Smoothness refers to half the border's pixels.
    f.type("AntialiasPxText", "5");
    EXPECT_EQ(f.box("AntialiasText")->text(), "50");
    // A slider moved by the user brings its boxes along.
    f.OptionsTabFor(f.slider("BorderSlider"));
    f.slider("BorderSlider")->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.box("BorderText")->text(), "6");
    EXPECT_EQ(f.box("BorderPxText")->text(), "24");
    EXPECT_EQ(f.box("AntialiasPxText")->text(), "6");
}

TEST(OptionsWindow, TreeAndPagesStayInStep)
{
    PanelFixture f;
    QTreeWidget* tree = f.panel.TreeView1;
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "General Options");
    ASSERT_EQ(root->childCount(), 4);
    const QRect shape = tree->visualItemRect(root->child(1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, shape.center());
    EXPECT_EQ(f.panel.OptionsTab1->currentIndex(), 2);
    QTabBar* tabs = f.panel.OptionsTab1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(4).center());
    EXPECT_EQ(tree->currentItem(), root->child(3));
    tree->collapseItem(root);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_NEAR(tree->width(), f.panel.contentsRect().width() * 0.16, 1.0);
}

TEST(OptionsWindow, RandomIdTakesItsWholeRangeAndRandomizeStaysInIt)
{
    PanelFixture f;
    f.type("RandomText", "40000");
    EXPECT_EQ(f.slider("RandomSlider")->value(), 40000);
    f.type("RandomText", "65535");
    EXPECT_EQ(f.slider("RandomSlider")->value(), 65535);
    f.type("RandomText", "wall");
    EXPECT_EQ(f.slider("RandomSlider")->value(), 65535);
    EXPECT_EQ(f.box("RandomText")->text(), "65535");
    auto* randomize = f.panel.findChild<QPushButton*>("RandomButton");
    EXPECT_EQ(randomize->toolTip(), "Randomize");
    for (int i = 0; i < 50; ++i) {
        QTest::mouseClick(randomize, Qt::LeftButton);
        const int value = f.slider("RandomSlider")->value();
        EXPECT_GE(value, 1);
        EXPECT_LE(value, 65535);
        EXPECT_EQ(f.box("RandomText")->text(), QString::number(value));
    }
    // Typing is limited, text the program sets is not.
    f.type("RandomText", "1234567");
    EXPECT_EQ(f.slider("RandomSlider")->value(), 12345);
}

// The project's image i (from 1).
void addBrick(cBrickData& project, const std::string& name, int32_t w)
{
    auto image = std::make_shared<cInlineBitmap>();
    image->FileName = name;
    image->Bitmap.CreateFromScan0(w, 4, 0, platform::kFormat32bppARGB);
    project.BrickFiles->Add(image);
}

TEST(OptionsWindow, ImageDialogsWorkOnCopiesAndOnlyOkHandsThemOver)
{
    PanelFixture f;
    addBrick(f.project, "/w/a.png", 10);
    addBrick(f.project, "/w/b.png", 20);
    auto* bricks = f.panel.findChild<QPushButton*>("BrickFilesButton");
    {
        ModalDialogAnswerer answer(QStringLiteral("BrickFilesDialog"), [](QWidget* d) {
            d->findChild<QListWidget*>("InputFiles")->setCurrentRow(0);
            QTest::mouseClick(d->findChild<QPushButton*>("RemoveButton"), Qt::LeftButton);
            QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        });
        QTest::mouseClick(bricks, Qt::LeftButton);
    }
    EXPECT_EQ(f.project.BrickFiles->Count(), 2);
    EXPECT_EQ(bricks->text(), "&Select File(s)...");
    EXPECT_FALSE(f.changed);
    {
        ModalDialogAnswerer answer(QStringLiteral("BrickFilesDialog"), [](QWidget* d) {
            QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        });
        QTest::mouseClick(bricks, Qt::LeftButton);
    }
    EXPECT_EQ(bricks->text(), "2 File(s) &Selected...");
    ASSERT_EQ(f.project.BrickFiles->Count(), 2);
    EXPECT_EQ(f.project.BrickFiles->GetInlineBitmap(2)->Bitmap.Width(), 20);

    f.project.MortarFile->FileName = "/" + std::string(55, 'm') + ".png";
    f.project.MortarFile->Bitmap.CreateFromScan0(8, 8, 0, platform::kFormat32bppARGB);
    auto* mortar = f.panel.findChild<QPushButton*>("MortarFileButton");
    {
        ModalDialogAnswerer answer(QStringLiteral("MortarFileDialog"), [](QWidget* d) {
            QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        });
        QTest::mouseClick(mortar, Qt::LeftButton);
    }
    EXPECT_EQ(mortar->text().toStdString(), "..." + f.project.MortarFile->FileName.substr(13));
    EXPECT_EQ(f.project.MortarFile->Bitmap.Width(), 8);
}

}  // namespace
}  // namespace kalvora
