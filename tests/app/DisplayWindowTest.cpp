// The output panel's sizes: the aspect ratio rules, typed and slid, and the
// text boxes' limits.

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSlider>

#include "AppTestSupport.h"

namespace kalvora {
namespace {

using testing::AppFixture;

struct Sizes {
    int outW, outH, previewW, previewH;
    bool operator==(const Sizes&) const = default;
};

Sizes sizesOf(const testing::DisplayControls& d)
{
    return {d.OutWidthSlider->value(), d.OutHeightSlider->value(), d.PreviewWidthSlider->value(),
            d.PreviewHeightSlider->value()};
}

std::ostream& operator<<(std::ostream& os, const Sizes& s)
{
    return os << s.outW << " x " << s.outH << ", preview " << s.previewW << " x " << s.previewH;
}

TEST(DisplayWindow, TheLockKeepsTheRatioAndThePreviewAlwaysFollows)
{
    AppFixture f;
    testing::DisplayControls& d = f.display;
    testing::clickTab(d.DisplayTab1, 1);
    ASSERT_TRUE(d.AspectRatioCheck->isChecked());

    // Unlocked, 1024 x 512 makes the ratio 2; the preview keeps its width.
    QTest::mouseClick(d.AspectRatioCheck, Qt::LeftButton, {}, QPoint(5, d.AspectRatioCheck->height() / 2));
    ASSERT_FALSE(d.AspectRatioCheck->isChecked());
    AppFixture::type(d.OutHeightText, "512");
    EXPECT_EQ(d.window.AspectRatio(), 2.0f);
    EXPECT_EQ(sizesOf(d), (Sizes{1024, 512, 512, 256}));
    EXPECT_EQ(d.PreviewHeightText->text(), "256");

    // Locked, a width of 1025 gives 512.5, so 512 (half to even).
    QTest::mouseClick(d.AspectRatioCheck, Qt::LeftButton, {}, QPoint(5, d.AspectRatioCheck->height() / 2));
    AppFixture::type(d.OutWidthText, "1025");
    EXPECT_EQ(sizesOf(d), (Sizes{1025, 512, 512, 256}));
    EXPECT_EQ(d.OutHeightText->text(), "512");
    EXPECT_EQ(d.window.AspectRatio(), 2.0f);

    // A preview height of 300 gives a width of 600, lock or not.
    testing::clickTab(d.DisplayTab1, 0);
    AppFixture::type(d.PreviewHeightText, "300");
    EXPECT_EQ(sizesOf(d), (Sizes{1025, 512, 600, 300}));
    EXPECT_EQ(d.PreviewWidthText->text(), "600");
    AppFixture::type(d.PreviewWidthText, "700");
    EXPECT_EQ(sizesOf(d), (Sizes{1025, 512, 700, 350}));

    // Locked, moving the height slider one step (256) moves the width by two.
    testing::clickTab(d.DisplayTab1, 1);
    d.OutHeightSlider->setFocus();
    QTest::keyClick(d.OutHeightSlider, Qt::Key_Right);
    EXPECT_EQ(sizesOf(d), (Sizes{1536, 768, 700, 350}));
    EXPECT_EQ(d.OutWidthText->text(), "1536");
    EXPECT_EQ(d.OutHeightText->text(), "768");
}

TEST(DisplayWindow, UnlockedEveryOutputChangeSetsANewRatio)
{
    AppFixture f;
    testing::DisplayControls& d = f.display;
    testing::clickTab(d.DisplayTab1, 1);
    QTest::mouseClick(d.AspectRatioCheck, Qt::LeftButton, {}, QPoint(5, d.AspectRatioCheck->height() / 2));
    // Width slider one step: 1280 x 1024 gives 1.25, the preview width
    // follows from its height.
    d.OutWidthSlider->setFocus();
    QTest::keyClick(d.OutWidthSlider, Qt::Key_Right);
    EXPECT_EQ(d.window.AspectRatio(), 1.25f);
    EXPECT_EQ(sizesOf(d), (Sizes{1280, 1024, 640, 512}));
    // The preview follows the ratio even with the lock off.
    testing::clickTab(d.DisplayTab1, 0);
    AppFixture::type(d.PreviewWidthText, "1000");
    EXPECT_EQ(sizesOf(d), (Sizes{1280, 1024, 1000, 800}));
    // Copying the project's sizes into the panel takes the ratio anew, so
    // an opened project keeps its own shape.
    f.window.BrickData.Width = 300;
    f.window.UpdateUserControls();
    EXPECT_EQ(d.window.AspectRatio(), 300.0f / 1024.0f);
}

TEST(DisplayWindow, SizeTextsAreHeldToTheSliderAndToFiveTypedCharacters)
{
    AppFixture f;
    testing::DisplayControls& d = f.display;
    testing::clickTab(d.DisplayTab1, 1);
    QTest::mouseClick(d.AspectRatioCheck, Qt::LeftButton, {}, QPoint(5, d.AspectRatioCheck->height() / 2));

    // Typing stops at five characters.
    d.OutWidthText->selectAll();
    QTest::keyClicks(d.OutWidthText, "204812");
    EXPECT_EQ(d.OutWidthText->text(), "20481");
    QTest::keyClick(d.OutWidthText, Qt::Key_Return);
    EXPECT_EQ(d.OutWidthSlider->value(), 16384);
    EXPECT_EQ(d.OutWidthText->text(), "16384");

    // Not a number: the slider stays and the text shows it again.
    AppFixture::type(d.OutHeightText, "wide");
    EXPECT_EQ(d.OutHeightSlider->value(), 1024);
    EXPECT_EQ(d.OutHeightText->text(), "1024");
    AppFixture::type(d.OutHeightText, "700.5");
    EXPECT_EQ(d.OutHeightSlider->value(), 700);

    // Pasting is typing too.
    d.OutHeightText->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("123456"));
    QTest::keyClick(d.OutHeightText, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(d.OutHeightText->text(), "700");
}

}  // namespace
}  // namespace kalvora
