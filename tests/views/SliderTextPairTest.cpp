#include <gtest/gtest.h>

#include <QGridLayout>
#include <QLineEdit>
#include <QLocale>
#include <QSlider>
#include <QTest>
#include <QWidget>

#include "views/SliderTextPair.h"

namespace kalvora {
namespace {

// Two pairs on a shown page: a byte-sized one and a percentage with two
// decimals, and a box to take the focus.
struct PairPage {
    QWidget page;
    QGridLayout* grid = new QGridLayout(&page);
    SliderTextPair strength{{"Strength:", "NoiseSlider", "NoiseText", 0, 255, 128, 0, 10, 32, false}, grid, 0, &page};
    SliderTextPair frequency{
        {"Noise Frequency:", "NoiseFrequencySlider", "NoiseFrequencyText", 0, 10000, 0, 2, 100, 1000, true}, grid, 1,
        &page};
    QLineEdit* other = new QLineEdit(&page);

    PairPage()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        grid->addWidget(other, 2, 0);
        page.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&page));
    }
    ~PairPage() { QLocale::setDefault(QLocale::c()); }

    void type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
};

TEST(SliderTextPair, TheSliderWritesTheTextAndLeavingTheBoxWritesTheSlider)
{
    PairPage p;
    EXPECT_EQ(p.strength.textBox()->text(), "128");
    QTest::keyClick(p.frequency.slider(), Qt::Key_PageUp);
    EXPECT_EQ(p.frequency.textBox()->text(), "1");

    p.type(p.frequency.textBox(), "12.375");
    p.other->setFocus();
    EXPECT_EQ(p.frequency.slider()->value(), 1238);
    EXPECT_EQ(p.frequency.textBox()->text(), "12.38");

    // Out of range or not a number: the slider stays, the text shows it.
    for (const char* typed : {"100.01", "-1", "many"}) {
        p.type(p.frequency.textBox(), typed);
        p.other->setFocus();
        EXPECT_EQ(p.frequency.slider()->value(), 1238) << typed;
        EXPECT_EQ(p.frequency.textBox()->text(), "12.38") << typed;
    }
    p.type(p.strength.textBox(), "255");
    QTest::keyClick(p.strength.textBox(), Qt::Key_Enter);
    EXPECT_EQ(p.strength.slider()->value(), 255);
}

TEST(SliderTextPair, WholeNumbersRoundHalfToEvenWithinTheRangeAndNonNumbersCountAsTheSlider)
{
    PairPage p;
    QLineEdit* box = p.strength.textBox();
    // Texts that no focus-loss handler has rewritten yet.
    box->setText("300");
    EXPECT_EQ(p.strength.asInteger(), 255);
    EXPECT_EQ(p.strength.asByte(), 255);
    box->setText("1e12");
    EXPECT_EQ(p.strength.asByte(), 128);
    box->setText("-7.5");
    EXPECT_EQ(p.strength.asInteger(), 0);
    box->setText("6.5");
    EXPECT_EQ(p.strength.asByte(), 6);
    EXPECT_EQ(p.strength.asDouble(), 6.5);

    box = p.frequency.textBox();
    box->setText("13.5");
    EXPECT_EQ(p.frequency.asByte(), 14);
    box->setText("250");
    EXPECT_EQ(p.frequency.asInteger(), 100);
    box->setText("12.51");
    EXPECT_EQ(p.frequency.asSingle(), 12.51f);
    box->setText("");
    EXPECT_EQ(p.frequency.asSingle(), 0.0f);
}

}  // namespace
}  // namespace kalvora
