#include "app/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QWindow>
#include <algorithm>
#include <array>

#include "app/BrickFilesDialog.h"
#include "app/ChildWindowFrame.h"
#include "app/DisplayWindow.h"
#include "app/InfoDialog.h"
#include "app/MainMenus.h"
#include "app/MainToolbar.h"
#include "app/MortarFileDialog.h"
#include "app/OptionsWindow.h"
#include "app/SplashScreen.h"
#include "app/TextureOptions.h"
#include "app/ToolBarColor.h"
#include "engine/BrickDefaults.h"
#include "imaging/UISupport.h"
#include "imaging/ui/UISupportUi.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "uicore/ChildWindowDocking.h"
#include "views/ImageFilterWindow.h"
#include "views/PreviewDialog.h"
#include "views/PreviewWindow.h"
#include "views/ResizeImageWindow.h"
#include "views/TextureFilterWindow.h"

namespace kalvora {

namespace {

const QString kCaption = QStringLiteral("Kalvora");
constexpr int kPreviewQualityItems = 3;

void setSliderAndText(QSlider* slider, QLineEdit* text, int32_t value)
{
    {
        const QSignalBlocker blocker(slider);
        slider->setValue(value);
    }
    UISupport::SliderToText(slider, text, 0);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), m_tickSource(platform::tickCountMs)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(kCaption);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    m_statusPanel1 = new QLabel(status);
    m_statusPanel1->setObjectName(QStringLiteral("Panel1"));
    m_statusPanel1->setMinimumWidth(1);
    status->addWidget(m_statusPanel1, 1);

    m_clientArea = new QWidget(this);
    m_clientArea->setObjectName(QStringLiteral("ClientArea"));
    m_clientArea->installEventFilter(this);
    setCentralWidget(m_clientArea);

    const auto closeFrame = [this] { close(); };
    m_preview = new PreviewWindow;
    m_preview->setClosePermission([this] {
        close();
        return false;
    });
    m_display = new DisplayWindow(*this);
    m_options = new OptionsWindow(closeFrame);
    m_options->bind(BrickData, HasChangedFlag, m_display->OutWidthSlider, m_display->OutHeightSlider);
    m_previewFrame = new ChildWindowFrame(m_preview, closeFrame, m_clientArea);
    m_displayFrame = new ChildWindowFrame(m_display, closeFrame, m_clientArea);
    m_optionsFrame = new ChildWindowFrame(m_options, closeFrame, m_clientArea);
    for (ChildWindowFrame* frame : {m_previewFrame, m_displayFrame, m_optionsFrame}) frame->hide();

    BrickGenerator.Progress = [this](int32_t& Progress, int32_t& SecondsLeft, std::string& Description,
                                     bool IsFinal) { BrickGenerator_Progress(Progress, SecondsLeft, Description, IsFinal); };

    m_menus = new MainMenus(*this);
    m_toolbar = new MainToolbar(*this, *m_menus);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
}

MainWindow::~MainWindow() { BrickGenerator.Progress = nullptr; }

QStatusBar* MainWindow::StatusBar1() const { return statusBar(); }

void MainWindow::MDIForm_Load([[maybe_unused]] const QString& commandLine)
{
    // The splash belongs to the frame and closes itself after loading.
    auto* splash = new SplashScreen(this);
    if (m_splashPause) splash->setPause(m_splashPause);
    splash->showWithoutBlocking();
    splash->StartTimer([this](const std::function<void()>& step) { LoadWindows(step); });
    placeOverWorkArea();
    // The generator and the project live as long as the window.
    ResetBrickData();
    UpdateUserControls();
    ToolBarColor::SetToolbarBackColor(m_toolbar, MainToolbar::BackColor, 1);
    show();
    MDIForm_Resize();
    for (ChildWindowFrame* frame : {m_previewFrame, m_displayFrame, m_optionsFrame}) frame->show();
}

void MainWindow::LoadWindows(const std::function<void()>& afterEachStep)
{
    // Each window is made through its accessor. The three children exist
    // from the frame's construction on, so the output panel's load finds the
    // settings panel made.
    const std::array<std::function<void()>, 12> steps = {{
        [] { BrickFilesDialog::instance(); },
        [] { ImageFilterWindow::instance(); },
        [this] { InfoDialog::instance(this); },
        [] { MortarFileDialog::instance(); },
        [] { PreviewDialog::instance(); },
        [] { ResizeImageWindow::instance(); },
        [] { TextureFilterWindow::instance(); },
        [] { TextureOptions::instance(); },
        [] {},  // the frame itself, already loading
        [] {},  // the preview window, loaded with the frame
        [this] { m_display->Form_Load(); },
        [this] { m_options->Form_Load(); },
    }};
    for (const std::function<void()>& step : steps) {
        step();
        if (afterEachStep) afterEachStep();
    }
}

void MainWindow::placeOverWorkArea()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The frame, decorations included, covers the work area.
    winId();
    const QMargins decorations = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    setGeometry(area.marginsRemoved(decorations));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_clientArea && event->type() == QEvent::Resize) MDIForm_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Restored from the task bar: the children are docked again.
    if (event->type() == QEvent::WindowStateChange) MDIForm_Resize();
}

void MainWindow::MDIForm_Resize()
{
    if (isMinimized()) return;
    const ChildWindowDocking docking(logicalDpiX());
    ClientWidth = docking.toTwips(m_clientArea->width());
    ClientHeight = docking.toTwips(m_clientArea->height());
    if (ClientWidth >= 1 && ClientHeight >= 1) ArrangeChildWindows();
}

void MainWindow::ArrangeChildWindows()
{
    const ChildWindowDocking::Children c = ChildWindowDocking(logicalDpiX()).ArrangeChildWindows(ClientWidth, ClientHeight);
    const auto place = [](ChildWindowFrame* frame, const ChildWindowDocking::Placement& p) {
        frame->setGeometry(p.x, p.y, p.width, p.height);
    };
    place(m_optionsFrame, c.settingsPanel);
    place(m_displayFrame, c.outputPanel);
    place(m_previewFrame, c.preview);
}

void MainWindow::ResetBrickData() { BrickDefaults::reset(BrickData); }

void MainWindow::UpdateBrickData()
{
    const DisplayWindow& d = *m_display;
    BrickData.Width = TrackValueChange(BrickData.Width, d.OutWidthSlider->value());
    BrickData.Height = TrackValueChange(BrickData.Height, d.OutHeightSlider->value());
    BrickData.MaintainAspectRatio = TrackValueChange(BrickData.MaintainAspectRatio, d.AspectRatioCheck->isChecked());
    BrickData.PreviewWidth = TrackValueChange(BrickData.PreviewWidth, d.PreviewWidthSlider->value());
    BrickData.PreviewHeight = TrackValueChange(BrickData.PreviewHeight, d.PreviewHeightSlider->value());
    BrickData.PreviewQuality = TrackValueChange(BrickData.PreviewQuality, d.PreviewQualityCombo->currentIndex());
}

void MainWindow::UpdateUserControls()
{
    DisplayWindow& d = *m_display;
    setSliderAndText(d.OutWidthSlider, d.OutWidthText, BrickData.Width);
    setSliderAndText(d.OutHeightSlider, d.OutHeightText, BrickData.Height);
    {
        const QSignalBlocker blocker(d.AspectRatioCheck);
        d.AspectRatioCheck->setChecked(UISupport::BoolToCheckValue(BrickData.MaintainAspectRatio) != 0);
    }
    setSliderAndText(d.PreviewWidthSlider, d.PreviewWidthText, BrickData.PreviewWidth);
    setSliderAndText(d.PreviewHeightSlider, d.PreviewHeightText, BrickData.PreviewHeight);
    // A quality the list cannot show keeps the nearest item.
    const QSignalBlocker blocker(d.PreviewQualityCombo);
    d.PreviewQualityCombo->setCurrentIndex(std::min<int>(BrickData.PreviewQuality, kPreviewQualityItems - 1));
}

bool MainWindow::IsDataChanged()
{
    UpdateBrickData();
    return HasChangedFlag;
}

bool MainWindow::QuerySaveChanges()
{
    if (!IsDataChanged()) return true;
    const std::string prompt =
        CurrentFile.isEmpty()
            ? std::string("Save changed Data?")
            : "Save changed Data to \"" + UISupport::FileTitleFromPath(CurrentFile.toStdString()) + "\"?";
    const int answer = platform::Services::messageBox().show(prompt, "Save to File",
                                                             platform::ButtonsYesNoCancel + platform::IconQuestion);
    if (answer == platform::AnswerYes) {
        SaveFileMenu_Click();
        return !HasChangedFlag;
    }
    return answer == platform::AnswerNo;
}

void MainWindow::SaveFileMenu_Click() {}

void MainWindow::NewFileMenu_Click() {}

void MainWindow::OpenFileMenu_Click() {}

void MainWindow::SaveFileAsMenu_Click() {}

bool MainWindow::OpenFile(const QString&) { return false; }

bool MainWindow::ExitApplication()
{
    if (!ExitApplicationFlag) ExitApplicationFlag = QuerySaveChanges();
    return ExitApplicationFlag;
}

void MainWindow::ExitMenu_Click()
{
    if (ExitApplication()) close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Inside a run the close waits: the run is cancelled, and the close
    // comes again once the project holds its own sizes.
    if (m_running) {
        event->ignore();
        m_closeAfterRun = true;
        m_display->UpdateCancel();
        return;
    }
    if (ExitApplication())
        event->accept();
    else
        event->ignore();
}

}  // namespace kalvora
