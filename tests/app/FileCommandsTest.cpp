// The copy between the panels and the project, and the project file
// commands, through the real main window, its file dialogs and the fake
// message box.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>

#include "app/DescriptionTextBox.h"
#include "app/DisplayWindow.h"
#include "app/MainWindow.h"
#include "app/OptionsWindow.h"
#include "engine/BrickDefaults.h"
#include "platform/PixelFormat.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/FakeServices.h"
#include "tests/support/FileDialogTyping.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/MenuClicks.h"
#include "tests/support/ModalDialogAnswerer.h"

namespace kalvora {
namespace {

using testing::ModalDialogAnswerer;

ModalDialogAnswerer::Answer typeName(const QString& title, const QString& name)
{
    return [title, name](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), title);
        testing::typeIntoFileDialog(d, name);
    };
}

ModalDialogAnswerer::Answer cancel()
{
    return [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); };
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A freshly started program without images.
struct FileFixture {
    testing::ScopedFakeServices services;
    QTemporaryDir folder;
    MainWindow window;

    explicit FileFixture(const QString& commandLine = {})
    {
        window.setSplashPause([](int) {});
        window.MDIForm_Load(commandLine);
    }

    // The settings panel, found by its name, and its text boxes.
    QWidget* panel() { return window.findChild<QWidget*>("OptionsWindow"); }
    QLineEdit* control(const char* name) { return panel()->findChild<QLineEdit*>(name); }
    QString text(const char* name) { return control(name)->text(); }
    QString caption(const char* name) { return panel()->findChild<QPushButton*>(name)->text(); }
    // Chooses the entry of the File menu with the mouse.
    void file(const char* entry) { testing::clickMenuPath(window.menuBar(), {"FileMenu", entry}); }
    QString path(const QString& name) const { return folder.path() + "/" + name; }

    // Writes a project with the given settings, as another session saved it.
    void writeProject(const QString& name, const std::function<void(cBrickData&)>& change)
    {
        cBrickData p;
        BrickDefaults::reset(p);
        change(p);
        ASSERT_TRUE(p.SaveBrickFile(path(name).toStdString()));
    }
    // The name as a user types it: the whole path until a file of the
    // folder is current, then the name alone.
    QString typed(const QString& name) const { return window.CurrentDirectory.isEmpty() ? path(name) : name; }
    void open(const QString& name)
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("Open File", typed(name)));
        file("OpenFileMenu");
    }
    void saveAs(const QString& name)
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("Save File As", typed(name)));
        file("SaveFileAsMenu");
    }
};

TEST(FileCommands, StartUpShowsTheDefaultsAndACopyChangesNothing)
{
    FileFixture f;
    EXPECT_EQ(f.window.windowTitle(), "Kalvora");
    EXPECT_EQ(f.text("NameText"), "Untitled");
    EXPECT_EQ(f.text("MinWidthPxText"), "102");
    EXPECT_EQ(f.text("MaxWidthPxText"), "154");
    EXPECT_EQ(f.text("MinHeightPxText"), "205");
    EXPECT_EQ(f.text("MaxHeightPxText"), "256");
    EXPECT_EQ(f.text("BorderPxText"), "10");
    EXPECT_EQ(f.text("RoundedPxText"), "5");
    EXPECT_EQ(f.text("AntialiasPxText"), "0");
    EXPECT_EQ(f.text("StrengthPxText"), "0");
    EXPECT_EQ(f.text("HueText"), "5");
    EXPECT_EQ(f.text("RepXText"), "1");
    EXPECT_EQ(f.caption("BrickFilesButton"), "0 File(s) &Selected...");
    EXPECT_EQ(f.caption("MortarFileButton"), "&Select File...");
    f.window.UpdateBrickData();
    EXPECT_FALSE(f.window.HasChangedFlag);
    EXPECT_EQ(f.window.BrickData.settings(), BrickDefaults::settings());
}

TEST(FileCommands, CopiesCompareWithTheProjectAndKeepWhatTheFileHeld)
{
    FileFixture f;
    auto* name = f.control("NameText");
    name->setText("Garden wall");
    f.window.UpdateBrickData();
    EXPECT_TRUE(f.window.HasChangedFlag);
    name->setText("Untitled");
    f.window.UpdateBrickData();
    EXPECT_TRUE(f.window.HasChangedFlag);

    f.writeProject("fine.bricks", [](cBrickData& p) {
        p.MinWidth = 10.123f;
        p.Description = "first line\r\nsecond line";
    });
    f.services.messageBox.answers = {platform::AnswerNo};
    f.open("fine.bricks");
    EXPECT_FALSE(f.window.HasChangedFlag);
    EXPECT_EQ(f.text("MinWidthText"), "10.12");
    EXPECT_EQ(f.window.windowTitle(), "fine.bricks - Kalvora");
    EXPECT_EQ(f.window.CurrentFile, f.path("fine.bricks"));
    f.window.UpdateBrickData();
    EXPECT_EQ(f.window.BrickData.MinWidth, 10.12f);
    EXPECT_EQ(f.window.BrickData.Description, "first line\r\nsecond line");
    EXPECT_TRUE(f.window.HasChangedFlag);
}

TEST(FileCommands, EveryFieldSurvivesSaveNewAndOpen)
{
    FileFixture f;
    BrickSettings wanted = BrickDefaults::settings();
    wanted.Width = 2048;
    wanted.Height = 1024;
    wanted.MaintainAspectRatio = false;
    wanted.PreviewWidth = 640;
    wanted.PreviewHeight = 320;
    wanted.PreviewQuality = 2;
    wanted.Name = "Cellar";
    wanted.Description = "rough\nold";
    wanted.RowOffset = 2;
    wanted.RandomSeed = 4321;
    wanted.RandomBrickDistribution = true;
    wanted.MinWidth = 11.5f;
    wanted.MaxWidth = 16.25f;
    wanted.MinHeight = 21;
    wanted.MaxHeight = 26;
    wanted.BorderSize = 6;
    wanted.RoundedBorder = 7;
    wanted.NoiseStrength = 8;
    wanted.NoiseFrequency = 9;
    wanted.AntiAlias = 10;
    wanted.FlipH = false;
    wanted.FlipV = true;
    wanted.ChangeHue = 1.5f;
    wanted.ChangeSaturation = 2.5f;
    wanted.ChangeLuminance = 3.5f;
    wanted.RepeatX = 3;
    wanted.RepeatY = 4;
    wanted.SeamlessH = true;
    wanted.SeamlessV = true;
    wanted.BlendBorders = 12.75f;
    static_cast<BrickSettings&>(f.window.BrickData) = wanted;
    f.window.UpdateUserControls();
    f.saveAs("all");
    EXPECT_TRUE(QFile::exists(f.path("all.bricks")));
    EXPECT_FALSE(f.window.HasChangedFlag);
    f.file("NewFileMenu");
    EXPECT_EQ(f.window.windowTitle(), "Kalvora");
    EXPECT_EQ(f.text("NameText"), "Untitled");
    f.open("all.bricks");
    EXPECT_FALSE(f.window.HasChangedFlag);
    f.window.UpdateBrickData();
    EXPECT_EQ(f.window.BrickData.settings(), wanted);
    EXPECT_FALSE(f.window.HasChangedFlag);
    EXPECT_EQ(f.text("RandomText"), "4321");
}

TEST(FileCommands, TheSaveQuestionGuardsNewAndOpen)
{
    FileFixture f;
    f.file("NewFileMenu");
    EXPECT_TRUE(f.services.messageBox.shown.empty());

    f.control("NameText")->setText("Changed");
    f.services.messageBox.answers = {platform::AnswerCancel};
    f.file("NewFileMenu");
    EXPECT_EQ(f.services.messageBox.shown.back().text, "Save changed Data?");
    EXPECT_EQ(f.services.messageBox.shown.back().title, "Save to File");
    EXPECT_EQ(f.services.messageBox.shown.back().style, 35);
    EXPECT_EQ(f.text("NameText"), "Changed");

    // Yes, then a cancelled save dialog: nothing is reset.
    f.services.messageBox.answers = {platform::AnswerYes};
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), cancel());
        f.file("NewFileMenu");
    }
    EXPECT_EQ(f.text("NameText"), "Changed");
    EXPECT_TRUE(f.window.HasChangedFlag);

    f.services.messageBox.answers = {platform::AnswerNo};
    f.file("NewFileMenu");
    EXPECT_EQ(f.text("NameText"), "Untitled");
    EXPECT_FALSE(f.window.HasChangedFlag);
    EXPECT_EQ(f.window.windowTitle(), "Kalvora");

    // Save untitled: the dialog adds the extension and names the file.
    f.control("NameText")->setText("Wall");
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("Save File As", f.path("wall")));
        f.file("SaveFileMenu");
    }
    EXPECT_TRUE(QFile::exists(f.path("wall.bricks")));
    EXPECT_EQ(f.window.windowTitle(), "wall.bricks - Kalvora");
    EXPECT_FALSE(f.window.HasChangedFlag);
    f.control("NameText")->setText("Wall again");
    f.services.messageBox.answers = {platform::AnswerNo};
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), cancel());
        f.file("OpenFileMenu");
    }
    EXPECT_EQ(f.services.messageBox.shown.back().text, "Save changed Data to \"wall.bricks\"?");
    EXPECT_EQ(f.text("NameText"), "Wall again");
    EXPECT_EQ(f.window.CurrentFile, f.path("wall.bricks"));
}

TEST(FileCommands, AFailedSaveKeepsTheFlagAndTheOldFile)
{
    FileFixture f;
    f.control("NameText")->setText("First");
    f.saveAs("kept.bricks");
    const QByteArray before = fileBytes(f.path("kept.bricks"));
    f.window.BrickData.BrickFiles->Add(testing::brickImage(400, 400, 0xFF806040u));
    f.control("NameText")->setText("Second");

    f.services.messageBox.answers = {platform::AnswerYes};
    {
        testing::FileSizeLimit limit(static_cast<rlim_t>(before.size()) + 100);
        EXPECT_FALSE(f.window.ExitApplication());
    }
    EXPECT_TRUE(f.window.HasChangedFlag);
    EXPECT_EQ(fileBytes(f.path("kept.bricks")), before);
    ASSERT_FALSE(f.services.messageBox.shown.empty());
    EXPECT_EQ(f.services.messageBox.shown.back().text,
              "Could not save File " + f.path("kept.bricks").toStdString() + "\n" + std::strerror(EFBIG));
}

TEST(FileCommands, AFailedSaveAsKeepsTheNameTheNextSaveUses)
{
    FileFixture f;
    const QString unwritable = f.path("missing/wall.bricks");
    const auto saveAsUnwritable = [&] {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("Save File As", unwritable));
        f.file("SaveFileAsMenu");
    };
    const std::string failed = "Could not save File " + unwritable.toStdString() + "\n" + std::strerror(ENOENT);

    // Untitled: the project stays untitled, and Save asks for a name again.
    f.control("NameText")->setText("Wall");
    saveAsUnwritable();
    ASSERT_FALSE(f.services.messageBox.shown.empty());
    EXPECT_EQ(f.services.messageBox.shown.back().text, failed);
    EXPECT_EQ(f.window.windowTitle(), "Kalvora");
    EXPECT_TRUE(f.window.HasChangedFlag);
    {
        ModalDialogAnswerer answer(QStringLiteral("CommonDialog1"), typeName("Save File As", f.path("wall.bricks")));
        f.file("SaveFileMenu");
    }
    EXPECT_EQ(f.window.windowTitle(), "wall.bricks - Kalvora");
    EXPECT_FALSE(f.window.HasChangedFlag);

    // Titled: caption and save question keep the old file, and Save writes it.
    f.control("NameText")->setText("Wall two");
    saveAsUnwritable();
    EXPECT_EQ(f.services.messageBox.shown.back().text, failed);
    EXPECT_EQ(f.window.windowTitle(), "wall.bricks - Kalvora");
    f.services.messageBox.answers = {platform::AnswerCancel};
    EXPECT_FALSE(f.window.ExitApplication());
    EXPECT_EQ(f.services.messageBox.shown.back().text, "Save changed Data to \"wall.bricks\"?");
    const size_t shown = f.services.messageBox.shown.size();
    f.file("SaveFileMenu");
    EXPECT_EQ(f.services.messageBox.shown.size(), shown);
    EXPECT_FALSE(f.window.HasChangedFlag);
    cBrickData saved;
    ASSERT_TRUE(saved.LoadBrickFile(f.path("wall.bricks").toStdString()));
    EXPECT_EQ(saved.Name, "Wall two");
}

TEST(FileCommands, ARefusedFileChangesNothingAndTheNextSaveLeavesIt)
{
    FileFixture f;
    f.writeProject("good.bricks", [](cBrickData& p) { p.Name = "Good"; });
    f.open("good.bricks");
    cBitmap picture;
    picture.CreateFromScan0(8, 8, 0, platform::kFormat32bppARGB);
    platform::EncoderClsid jpeg{};
    ASSERT_TRUE(cGDIP().GetEncoderClsid("image/jpeg", jpeg));
    ASSERT_EQ(picture.SaveToFile(f.path("photo.jpg").toStdString(), jpeg), platform::Ok);
    const QByteArray photo = fileBytes(f.path("photo.jpg"));
    // Any file can be chosen by its name; the dialog starts in the folder of
    // the current file.
    f.open("photo.jpg");
    ASSERT_FALSE(f.services.messageBox.shown.empty());
    EXPECT_EQ(f.services.messageBox.shown.back().text, "Could not open photo.jpg");
    EXPECT_EQ(f.window.CurrentFile, f.path("good.bricks"));
    EXPECT_EQ(f.window.windowTitle(), "good.bricks - Kalvora");
    EXPECT_EQ(f.text("NameText"), "Good");
    f.control("NameText")->setText("Better");
    f.file("SaveFileMenu");
    EXPECT_EQ(fileBytes(f.path("photo.jpg")), photo);
}

TEST(FileCommands, TheCommandLineOpensWithoutMakingTheFileCurrent)
{
    QTemporaryDir folder;
    const QString path = folder.path() + "/side wall.bricks";
    {
        testing::ScopedFakeServices services;
        cBrickData p;
        BrickDefaults::reset(p);
        p.Name = "Side";
        p.Width = 2048;
        p.Height = 1024;
        ASSERT_TRUE(p.SaveBrickFile(path.toStdString()));
    }
    FileFixture f("\"" + path + "\"");
    EXPECT_EQ(f.window.windowTitle(), "side wall.bricks - Kalvora");
    EXPECT_EQ(f.text("NameText"), "Side");
    EXPECT_TRUE(f.window.CurrentFile.isEmpty());
    EXPECT_FALSE(f.window.HasChangedFlag);
    // The ratio lock keeps the opened project's shape.
    const testing::DisplayControls d(f.window.displayWindow());
    EXPECT_EQ(d.window.AspectRatio(), 2.0f);
    testing::clickTab(d.DisplayTab1, 1);
    d.OutWidthSlider->setFocus();
    QTest::keyClick(d.OutWidthSlider, Qt::Key_Right);
    EXPECT_EQ(d.OutHeightSlider->value() * 2, d.OutWidthSlider->value());

    FileFixture missing(folder.path() + "/gone.bricks");
    EXPECT_EQ(missing.window.windowTitle(), "Kalvora");
}

TEST(FileCommands, ValuesTheControlsCannotHoldAndHalfTypedTexts)
{
    FileFixture f;
    f.writeProject("odd.bricks", [](cBrickData& p) {
        p.RowOffset = 7;
        p.RepeatX = 5000;
        p.MaxWidth = 250;
    });
    auto* rowOffset = f.panel()->findChild<QComboBox*>("RowOffsetCombo");
    rowOffset->setCurrentIndex(1);
    f.services.messageBox.answers = {platform::AnswerNo};
    f.open("odd.bricks");
    EXPECT_EQ(rowOffset->currentIndex(), 1);
    EXPECT_EQ(f.text("RepXText"), "1000");
    EXPECT_EQ(f.text("MaxWidthText"), "100");

    // A copy from the toolbar, with a box half typed: the slider's value.
    auto* minWidth = f.control("MinWidthText");
    minWidth->setText("12a");
    f.window.UpdateBrickData();
    EXPECT_EQ(f.window.BrickData.MinWidth, 10.0f);
}

TEST(FileCommands, CommandsAndImageButtonsWaitForARunToEnd)
{
    testing::AppFixture f;
    QWidget* panel = f.window.findChild<QWidget*>(QStringLiteral("OptionsWindow"));
    auto* bricks = panel->findChild<QPushButton*>("BrickFilesButton");
    bool checked = false;
    f.onReport = [&](const testing::ShownReport&) {
        if (checked || !f.window.isRunning()) return;
        checked = true;
        EXPECT_FALSE(bricks->isEnabled());
        panel->findChild<QLineEdit*>("NameText")->setText("During");
        f.window.NewFileMenu_Click();
        EXPECT_TRUE(f.services.messageBox.shown.empty());
    };
    f.window.GenerateBricks(0);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(bricks->isEnabled());
}

}  // namespace
}  // namespace kalvora

namespace kalvora {
namespace {

TEST(FileCommands, ACommaDecimalLocaleShowsAndReadsPercentagesItsWay)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        FileFixture f;
        f.writeProject("komma.bricks", [](cBrickData& p) { p.MinWidth = 12.5f; });
        f.open("komma.bricks");
        EXPECT_EQ(f.text("MinWidthText"), "12,5");
        f.window.UpdateBrickData();
        EXPECT_EQ(f.window.BrickData.MinWidth, 12.5f);
        EXPECT_FALSE(f.window.HasChangedFlag);
        f.control("HueText")->setText("7,25");
        f.window.UpdateBrickData();
        EXPECT_EQ(f.window.BrickData.ChangeHue, 7.25f);
        EXPECT_TRUE(f.window.HasChangedFlag);
    }
    QLocale::setDefault(QLocale::c());
}

}  // namespace
}  // namespace kalvora
