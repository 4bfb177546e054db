#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "imaging/ui/UISupportUi.h"

using namespace kalvora::UISupport;

namespace {

// A window with one horizontal slider, a text box and a pixel box, as the
// settings panels have them; the tests use the English decimal point.
class SliderPair : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        auto* layout = new QVBoxLayout(&window);
        slider = new QSlider(Qt::Horizontal, &window);
        slider->setRange(-10000, 10000);
        box = new QLineEdit(&window);
        pxBox = new QLineEdit(&window);
        other = new QLineEdit(&window);
        layout->addWidget(slider);
        layout->addWidget(box);
        layout->addWidget(pxBox);
        layout->addWidget(other);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    QString afterTextToSlider(const QString& text, int value, int decimals)
    {
        slider->setValue(value);
        box->setText(text);
        TextToSlider(box, slider, decimals);
        return box->text();
    }

    QWidget window;
    QSlider* slider = nullptr;
    QLineEdit* box = nullptr;
    QLineEdit* pxBox = nullptr;
    QLineEdit* other = nullptr;
};

}  // namespace

TEST_F(SliderPair, SliderToTextWritesTheShortestNumber)
{
    const struct {
        int value;
        int decimals;
        const char* text;
    } cases[] = {
        {1050, 2, "10.5"}, {1000, 2, "10"}, {-37, 0, "-37"}, {1, 2, "0.01"},
        {0, 2, "0"},       {-5, 2, "-0.05"}, {1001, 2, "10.01"}, {9999, 2, "99.99"},
        {10000, 0, "10000"}, {77, 1, "7.7"},
    };
    for (const auto& c : cases) {
        slider->setValue(c.value);
        SliderToText(slider, box, c.decimals);
        EXPECT_EQ(box->text().toStdString(), c.text) << c.value << " with " << c.decimals;
    }
}

TEST_F(SliderPair, TextToSliderRoundsHalfToEvenAndRewritesTheText)
{
    EXPECT_EQ(afterTextToSlider("6.5", 0, 0), "6");
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(afterTextToSlider("7.5", 0, 0), "8");
    EXPECT_EQ(slider->value(), 8);
    EXPECT_EQ(afterTextToSlider("10.125", 0, 2), "10.12");
    EXPECT_EQ(slider->value(), 1012);
    EXPECT_EQ(afterTextToSlider("10.375", 0, 2), "10.38");
    EXPECT_EQ(slider->value(), 1038);
    EXPECT_EQ(afterTextToSlider("  -12  ", 0, 0), "-12");
    EXPECT_EQ(slider->value(), -12);
    EXPECT_EQ(afterTextToSlider("+3", 0, 0), "3");
    EXPECT_EQ(afterTextToSlider("5.", 0, 2), "5");
    EXPECT_EQ(afterTextToSlider(".25", 0, 2), "0.25");
    EXPECT_EQ(afterTextToSlider("42.50", 0, 2), "42.5");

    // Values beyond the slider are clamped by the slider itself.
    slider->setRange(0, 10000);
    EXPECT_EQ(afterTextToSlider("150", 500, 2), "100");
    EXPECT_EQ(afterTextToSlider("-3", 500, 2), "0");
}

TEST_F(SliderPair, TextThatIsNotANumberLeavesTheSliderAndIsRewritten)
{
    for (const char* text : {"abc", "", "   ", "-", ".", "1,000", "1e3", "12abc", "1.2.3", "0x10",
                             "nan", "inf", "- 5", "--5", "99999999999"}) {
        EXPECT_EQ(afterTextToSlider(QString::fromLatin1(text), 42, 0), "42") << '"' << text << '"';
        EXPECT_EQ(slider->value(), 42) << '"' << text << '"';
    }
    EXPECT_EQ(afterTextToSlider("12.5x", 1250, 2), "12.5");
    EXPECT_EQ(slider->value(), 1250);
}

TEST_F(SliderPair, NumbersFollowTheUsersDecimalSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    slider->setValue(1050);
    SliderToText(slider, box, 2);
    EXPECT_EQ(box->text(), "10,5");
    EXPECT_EQ(afterTextToSlider("7,25", 0, 2), "7,25");
    EXPECT_EQ(slider->value(), 725);
    // The English point is not the German decimal separator.
    EXPECT_EQ(afterTextToSlider("7.25", 300, 2), "3");
    EXPECT_EQ(slider->value(), 300);

    float value = 0.0f;
    EXPECT_TRUE(TextToNumber(NumberToText(-0.75f), value));
    EXPECT_EQ(value, -0.75f);
}

TEST_F(SliderPair, PercentAndPixelBoxesFollowTheSlider)
{
    slider->setValue(2500);
    SliderToPercentAndPx(slider, box, pxBox, 1024, 2);
    EXPECT_EQ(box->text(), "25");
    EXPECT_EQ(pxBox->text(), "256");

    slider->setValue(1250);
    SliderToPercentAndPx(slider, box, pxBox, 1024, 2);
    EXPECT_EQ(box->text(), "12.5");
    EXPECT_EQ(pxBox->text(), "128");

    // Whole pixels, half to even: 50 % of 5 is 2, of 7 is 4.
    slider->setValue(50);
    SliderToPercentAndPx(slider, box, pxBox, 5, 0);
    EXPECT_EQ(pxBox->text(), "2");
    SliderToPercentAndPx(slider, box, pxBox, 7, 0);
    EXPECT_EQ(pxBox->text(), "4");
    SliderToPercentAndPx(slider, box, pxBox, 0, 0);
    EXPECT_EQ(pxBox->text(), "0");
}

TEST_F(SliderPair, PercentAndPixelTextsSetTheSlider)
{
    box->setText("33.333");
    PercentTextToSlider(slider, box, pxBox, 1024, 2);
    EXPECT_EQ(slider->value(), 3333);
    EXPECT_EQ(box->text(), "33.33");
    EXPECT_EQ(pxBox->text(), "341");

    pxBox->setText("512");
    PxTextToSlider(slider, box, pxBox, 1024, 2);
    EXPECT_EQ(slider->value(), 5000);
    EXPECT_EQ(box->text(), "50");
    EXPECT_EQ(pxBox->text(), "512");

    pxBox->setText("100");
    PxTextToSlider(slider, box, pxBox, 300, 2);
    EXPECT_EQ(slider->value(), 3333);
    EXPECT_EQ(box->text(), "33.33");
    EXPECT_EQ(pxBox->text(), "100");

    pxBox->setText("3");
    PxTextToSlider(slider, box, pxBox, 8, 0);
    EXPECT_EQ(slider->value(), 38);  // 37.5 % rounds to 38
    EXPECT_EQ(pxBox->text(), "3");   // 38 % of 8 is 3.04

    box->setText("percent");
    PercentTextToSlider(slider, box, pxBox, 8, 0);
    EXPECT_EQ(slider->value(), 38);
    EXPECT_EQ(box->text(), "38");

    // A reference of 0 leaves the slider as it was.
    slider->setValue(1234);
    pxBox->setText("50");
    PxTextToSlider(slider, box, pxBox, 0, 2);
    EXPECT_EQ(slider->value(), 1234);
    EXPECT_EQ(box->text(), "12.34");
    EXPECT_EQ(pxBox->text(), "0");

    pxBox->setText("many");
    PxTextToSlider(slider, box, pxBox, 100, 2);
    EXPECT_EQ(slider->value(), 1234);
    EXPECT_EQ(pxBox->text(), "12");
}

TEST_F(SliderPair, ProgramWritesRunNoHandlersButUserActionsDo)
{
    slider->setRange(0, 100);
    slider->setSingleStep(1);
    int sliderHandlerRuns = 0;
    QObject::connect(slider, &QSlider::valueChanged, [&] {
        ++sliderHandlerRuns;
        SliderToText(slider, box, 0);
    });
    QObject::connect(box, &QLineEdit::editingFinished, [&] { TextToSlider(box, slider, 0); });
    QSignalSpy boxChanges(box, &QLineEdit::textChanged);

    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // The user types a value and leaves the box.
    box->setFocus();
    ASSERT_TRUE(box->hasFocus());
    box->selectAll();
    QTest::keyClicks(box, "37.5");
    const qsizetype typedChanges = boxChanges.count();
    EXPECT_GT(typedChanges, 0);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(slider->value(), 38);
    EXPECT_EQ(box->text(), "38");
    EXPECT_EQ(sliderHandlerRuns, 0);
    EXPECT_EQ(boxChanges.count(), typedChanges);

    // The user moves the slider: its handler runs and rewrites the box.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 39);
    EXPECT_EQ(sliderHandlerRuns, 1);
    EXPECT_EQ(box->text(), "39");

    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(sliderHandlerRuns, 2);
    EXPECT_EQ(box->text(), QString::number(slider->value()));

    // Not a number: the slider keeps its value and no handler runs.
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "wall");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(slider->value(), 49);
    EXPECT_EQ(box->text(), "49");
    EXPECT_EQ(sliderHandlerRuns, 2);
}

TEST(TextToDouble, ReadsTheSameNumbersAsTextToNumberInDoublePrecision)
{
    double value = 7;
    EXPECT_TRUE(TextToDouble("12.51", value));
    EXPECT_EQ(value, 12.51);
    EXPECT_NE(value, static_cast<double>(12.51f));
    EXPECT_TRUE(TextToDouble("-0.625", value));
    EXPECT_EQ(value, -0.625);
    EXPECT_TRUE(TextToDouble(" 3 ", value));
    EXPECT_EQ(value, 3.0);
    for (const char* text : {"1e3", "", "--1", "1.2.3", " ", "0x10", "1,5"}) {
        value = 7;
        EXPECT_FALSE(TextToDouble(QString::fromLatin1(text), value)) << '"' << text << '"';
        EXPECT_EQ(value, 7.0) << '"' << text << '"';
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(TextToDouble("0,5", value));
    EXPECT_EQ(value, 0.5);
    EXPECT_FALSE(TextToDouble("0.5", value));
    QLocale::setDefault(QLocale::c());
}
