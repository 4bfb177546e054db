// The texture options dialog as the user sees it: its values, ranges,
// captions and frames per texture type, and OK, Cancel, Esc, the close box,
// Defaults and Enter.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <functional>

#include "app/TextureOptions.h"
#include "engine/BrickDefaults.h"
#include "engine/BrickLayout.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

template <typename T>
T* control(QWidget* dialog, const char* name)
{
    T* c = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QLineEdit* text(QWidget* d, const char* name) { return control<QLineEdit>(d, name); }
QSlider* slider(QWidget* d, const char* name) { return control<QSlider>(d, name); }

void click(QWidget* d, const char* button) { QTest::mouseClick(control<QPushButton>(d, button), Qt::LeftButton); }

// Types into a text box without committing it.
void typeInto(QWidget* d, const char* box, const QString& value)
{
    QLineEdit* edit = text(d, box);
    edit->selectAll();
    QTest::keyClicks(edit, value);
}

struct DialogFixture : ::testing::Test {
    TextureOptionsModel model;
    cBrickData project;

    void SetUp() override { BrickDefaults::reset(project); }

    // Shows the dialog for the type; answer acts in it as the user.
    int32_t show(int32_t style, std::function<void(QWidget*)> answer)
    {
        ModalDialogAnswerer answerer(QStringLiteral("TextureOptions"), std::move(answer));
        return TextureOptions::instance().ShowDialog(model, project, style, nullptr);
    }
};

struct Shown {
    QString width, height, blend;
    int blendMax = -1;
    int blendTicks = -1;
};

Shown shownIn(QWidget* d)
{
    return {text(d, "WidthText")->text(), text(d, "HeightText")->text(), text(d, "AntialiasText")->text(),
            slider(d, "AntialiasSlider")->maximum(), slider(d, "AntialiasSlider")->tickInterval()};
}

TEST_F(DialogFixture, WorkedExamplesShowAndStoreAsTheModelComputes)
{
    struct Example {
        int32_t size;
        float noise, antiAlias;
        Shown border, arch, column;
    };
    const Example examples[] = {
        {1024, 0, 0, {"241", "1024", "0", 77, 9}, {"166", "1036", "1", 51, 6}, {"154", "1024", "0", 154, 19}},
        {512, 0, 0, {"121", "512", "0", 38, 4}, {"85", "520", "1", 25, 3}, {"77", "512", "0", 77, 9}},
        {1024, 10, 50, {"263", "1024", "4", 77, 9}, {"250", "1120", "23", 51, 6}, {"154", "1024", "4", 154, 19}},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.size);
        for (int32_t style : {BothBorders, ArchTexture, ColumnTexture}) {
            SCOPED_TRACE(style);
            TextureOptionsModel fresh;
            model = TextureOptionsModel();
            project.Width = project.Height = e.size;
            project.NoiseStrength = e.noise;
            project.AntiAlias = e.antiAlias;
            Shown seen;
            EXPECT_EQ(show(style,
                           [&](QWidget* d) {
                               seen = shownIn(d);
                               click(d, "OKButton");
                           }),
                      1);
            const Shown& want = style == BothBorders ? e.border : style == ArchTexture ? e.arch : e.column;
            EXPECT_EQ(seen.width, want.width);
            EXPECT_EQ(seen.height, want.height);
            EXPECT_EQ(seen.blend, want.blend);
            EXPECT_EQ(seen.blendMax, want.blendMax);
            EXPECT_EQ(seen.blendTicks, want.blendTicks);
            // OK without edits stores what the headless model gives.
            fresh.ShowDialog(project, style);
            EXPECT_EQ(model.values(), fresh.values());
        }
    }
}

TEST_F(DialogFixture, OkStoresTheBlendHeldToItsMaximum)
{
    // "Distance" and "Smoothness" 100 % at 1024 x 1024: a border blend of
    // 204 is proposed, above the slider's 77.
    project.BorderSize = 100;
    project.AntiAlias = 100;
    QString blendShown;
    EXPECT_EQ(show(LeftBorder,
                   [&](QWidget* d) {
                       blendShown = text(d, "AntialiasText")->text();
                       click(d, "OKButton");
                   }),
              1);
    EXPECT_EQ(blendShown, "77");
    EXPECT_EQ(model.BorderAntialias, 77);
    TextureOptionsModel headless;
    headless.ShowDialog(project, LeftBorder);
    EXPECT_EQ(model.values(), headless.values());
}

TEST_F(DialogFixture, CaptionAndEditableFramesFollowTheTextureType)
{
    struct Expect {
        int32_t style;
        const char* caption;
        bool width, height, transparency, offset;
    };
    const Expect expected[] = {
        {LeftBorder, "Border Texture Options", false, false, true, true},
        {RightBorder, "Border Texture Options", false, false, true, true},
        {BothBorders, "Border Texture Options", false, false, true, true},
        {ArchTexture, "Arch Texture Options", true, true, false, true},
        {ColumnTexture, "Column Texture Options", true, true, true, false},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.style);
        show(e.style, [&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), e.caption);
            const std::pair<const char*, bool> frames[] = {
                {"WidthFrame", e.width}, {"HeightFrame", e.height}, {"TranspFrame", e.transparency},
                {"OffsetFrame", e.offset}};
            for (const auto& [name, enabled] : frames) {
                QGroupBox* frame = control<QGroupBox>(d, name);
                EXPECT_EQ(frame->isEnabled(), enabled) << name;
                for (QWidget* c : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                    EXPECT_EQ(c->isEnabled(), enabled) << name << " " << c->objectName().toStdString();
            }
            click(d, "CancelButton");
        });
    }
}

TEST_F(DialogFixture, CancelEscAndTheCloseBoxCancelAndStillStoreTheSliders)
{
    EXPECT_EQ(show(ArchTexture, [](QWidget* d) { click(d, "OKButton"); }), 1);
    EXPECT_EQ(model.ArcWidth, 166);

    // A slider moved before Cancel is stored and shown next time.
    EXPECT_EQ(show(ArchTexture,
                   [](QWidget* d) {
                       QSlider* width = slider(d, "WidthSlider");
                       width->setFocus();
                       QTest::keyClick(width, Qt::Key_PageUp);
                       EXPECT_EQ(text(d, "WidthText")->text(), "1190");
                       click(d, "CancelButton");
                   }),
              2);
    EXPECT_EQ(model.ArcWidth, 1190);

    // A text typed but not committed is not taken by Esc.
    QString shownWidth;
    EXPECT_EQ(show(ArchTexture,
                   [&](QWidget* d) {
                       shownWidth = text(d, "WidthText")->text();
                       typeInto(d, "WidthText", "500");
                       QTest::keyClick(d, Qt::Key_Escape);
                   }),
              2);
    EXPECT_EQ(shownWidth, "1190");
    EXPECT_EQ(model.ArcWidth, 1190);

    // The close box is Cancel too.
    EXPECT_EQ(show(ColumnTexture,
                   [](QWidget* d) {
                       QSlider* height = slider(d, "HeightSlider");
                       height->setFocus();
                       QTest::keyClick(height, Qt::Key_PageDown);
                       d->close();
                   }),
              2);
    // 1024 less a page of 1024 stops at the slider's minimum, 16.
    EXPECT_EQ(model.ColumnHeight, 16);
    EXPECT_EQ(model.ArcWidth, 1190);
}

TEST_F(DialogFixture, EnterPressesOkAfterTheTextsAreCommitted)
{
    // Two texts typed, Enter in the second: both count.
    EXPECT_EQ(show(ArchTexture,
                   [](QWidget* d) {
                       typeInto(d, "WidthText", "300");
                       typeInto(d, "HeightText", "1200");
                       QTest::keyClick(text(d, "HeightText"), Qt::Key_Return);
                   }),
              1);
    EXPECT_EQ(model.ArcWidth, 300);
    EXPECT_EQ(model.ArcHeight, 1200);

    // With the focus on "Defaults" Enter still presses OK: nothing is reset.
    EXPECT_EQ(show(ArchTexture,
                   [](QWidget* d) {
                       typeInto(d, "WidthText", "400");
                       auto* defaults = control<QPushButton>(d, "DefaultButton");
                       defaults->setFocus();
                       QTest::keyClick(defaults, Qt::Key_Return);
                   }),
              1);
    EXPECT_EQ(model.ArcWidth, 400);
    EXPECT_EQ(model.ArcHeight, 1200);
}

TEST_F(DialogFixture, ASizeChangeRecomputesSizesButKeepsTheChosenOffset)
{
    show(ArchTexture, [](QWidget* d) {
        QComboBox* offset = control<QComboBox>(d, "BrickOffset");
        EXPECT_EQ(offset->currentText(), "Random");
        offset->setFocus();
        QTest::keyClick(offset, Qt::Key_Down);
        QTest::keyClick(offset, Qt::Key_Down);
        EXPECT_EQ(offset->currentText(), "None");
        typeInto(d, "WidthText", "300");
        click(d, "OKButton");
    });
    EXPECT_EQ(model.ArcBrickOffset, RowOffsetNone);
    EXPECT_EQ(model.ArcWidth, 300);

    project.Width = project.Height = 512;
    Shown seen;
    int offsetShown = -1;
    show(ArchTexture, [&](QWidget* d) {
        seen = shownIn(d);
        offsetShown = control<QComboBox>(d, "BrickOffset")->currentIndex();
        click(d, "OKButton");
    });
    EXPECT_EQ(seen.width, "85");
    EXPECT_EQ(seen.height, "520");
    EXPECT_EQ(offsetShown, RowOffsetNone);
}

TEST_F(DialogFixture, DefaultsResetAllTwelveValues)
{
    show(BothBorders, [](QWidget* d) {
        control<QComboBox>(d, "BrickOffset")->setCurrentIndex(RowOffsetHalf);
        typeInto(d, "AntialiasText", "30");
        click(d, "OKButton");
    });
    show(ArchTexture, [](QWidget* d) {
        typeInto(d, "WidthText", "999");
        click(d, "OKButton");
    });
    ASSERT_EQ(model.BorderBrickOffset, RowOffsetHalf);
    ASSERT_EQ(model.BorderAntialias, 30);
    ASSERT_EQ(model.ArcWidth, 999);

    show(ColumnTexture, [](QWidget* d) {
        click(d, "DefaultButton");
        EXPECT_EQ(text(d, "WidthText")->text(), "154");
        click(d, "OKButton");
    });
    TextureOptionsModel fresh;
    fresh.ShowDialog(project, ColumnTexture);
    EXPECT_EQ(model.values(), fresh.values());
}

TEST_F(DialogFixture, SeamlessTexturesShowNothing)
{
    EXPECT_EQ(TextureOptions::instance().ShowDialog(model, project, SeamlessTexture, nullptr), 1);
    EXPECT_FALSE(model.Initialized());
    EXPECT_EQ(model.LastWidth(), 0);
    EXPECT_FALSE(TextureOptions::instance().isVisible());
}

TEST_F(DialogFixture, ALargeValueIsHeldToItsSliderNotCut)
{
    // A project height from a file, far beyond the slider: the text box
    // takes it whole from the program, and the slider holds its maximum.
    project.Height = 123456;
    QString heightShown;
    show(ColumnTexture, [&](QWidget* d) {
        heightShown = text(d, "HeightText")->text();
        click(d, "OKButton");
    });
    EXPECT_EQ(heightShown, "16384");
    EXPECT_EQ(model.ColumnHeight, 16384);
}

}  // namespace
}  // namespace kalvora
