#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>
#include <array>
#include <memory>
#include <utility>

#include "app/BrickFilesDialog.h"
#include "app/ChildWindowFrame.h"
#include "app/DisplayWindow.h"
#include "app/InfoDialog.h"
#include "app/MainMenus.h"
#include "app/MainToolbar.h"
#include "app/MenuShortcutGuard.h"
#include "app/MortarFileDialog.h"
#include "app/OptionsWindow.h"
#include "app/SettingsCopier.h"
#include "app/SplashScreen.h"
#include "app/SteadyTextHolder.h"
#include "app/TextureOptions.h"
#include "app/ToolBarColor.h"
#include "engine/BrickDefaults.h"
#include "imaging/UISupport.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "uicore/ChildWindowDocking.h"
#include "uicore/ImageFiles.h"
#include "views/ImageFilterWindow.h"
#include "views/PreviewDialog.h"
#include "views/PreviewWindow.h"
#include "views/ResizeImageWindow.h"
#include "views/TextureFilterWindow.h"

namespace kalvora {

namespace {

const QString kCaption = QStringLiteral("Kalvora");

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), m_tickSource(platform::tickCountMs)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(kCaption);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    m_statusPanel1 = new QLabel(status);
    m_statusPanel1->setObjectName(QStringLiteral("Panel1"));
    status->addWidget(new SteadyTextHolder(m_statusPanel1, 1, status), 1);

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
    m_options->bind(BrickData, HasChangedFlag, [this] { return m_display->outputSize(); });
    m_previewFrame = new ChildWindowFrame(m_preview, closeFrame, m_clientArea);
    m_displayFrame = new ChildWindowFrame(m_display, closeFrame, m_clientArea);
    m_optionsFrame = new ChildWindowFrame(m_options, closeFrame, m_clientArea);
    for (ChildWindowFrame* frame : {m_previewFrame, m_displayFrame, m_optionsFrame}) frame->hide();

    BrickGenerator.Progress = [this](int32_t& Progress, int32_t& SecondsLeft, std::string& Description,
                                     bool IsFinal) { BrickGenerator_Progress(Progress, SecondsLeft, Description, IsFinal); };

    m_menus = new MainMenus(*this);
    m_toolbar = new MainToolbar(*this, *m_menus);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    // The menus' shortcuts act from the panels' text boxes too.
    (new MenuShortcutGuard(*menuBar(), this))->watchTextBoxes(*this);
}

MainWindow::~MainWindow() { BrickGenerator.Progress = nullptr; }

QStatusBar* MainWindow::StatusBar1() const { return statusBar(); }

void MainWindow::MDIForm_Load(const QString& commandLine)
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
    if (!commandLine.isEmpty()) openCommandLine(commandLine);
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
    // A run reads the project: the controls reach it once the run has ended.
    if (m_running) return;
    SettingsCopier(*m_display, *m_options).toProject(BrickData, HasChangedFlag);
}

void MainWindow::UpdateUserControls()
{
    SettingsCopier(*m_display, *m_options).toControls(BrickData);
    m_options->showImageCaptions();
    // The lock keeps the opened project's ratio, not the one before it.
    m_display->recomputeAspectRatio();
}

bool MainWindow::IsDataChanged()
{
    if (!m_running) {
        UpdateBrickData();
        return HasChangedFlag;
    }
    // A run reads the project: the controls are compared with a copy of the
    // project as the run started, and nothing is written.
    BrickSettings asStarted = m_runStartSettings;
    bool changed = HasChangedFlag;
    SettingsCopier(*m_display, *m_options).toProject(asStarted, changed);
    return changed;
}

MainWindow::SaveAnswer MainWindow::askSaveChanges()
{
    if (!IsDataChanged()) return SaveAnswer::Unchanged;
    const std::string prompt =
        CurrentFile.isEmpty()
            ? std::string("Save changed Data?")
            : "Save changed Data to \"" + UISupport::FileTitleFromPath(CurrentFile.toStdString()) + "\"?";
    const int answer = platform::Services::messageBox().show(prompt, "Save to File",
                                                             platform::ButtonsYesNoCancel + platform::IconQuestion);
    if (answer == platform::AnswerYes) return SaveAnswer::Yes;
    return answer == platform::AnswerNo ? SaveAnswer::No : SaveAnswer::Cancel;
}

bool MainWindow::QuerySaveChanges()
{
    switch (askSaveChanges()) {
    case SaveAnswer::Unchanged:
    case SaveAnswer::No: return true;
    case SaveAnswer::Yes: SaveFileMenu_Click(); return !HasChangedFlag;
    case SaveAnswer::Cancel: break;
    }
    return false;
}

void MainWindow::NewFile()
{
    if (!QuerySaveChanges()) return;
    ResetBrickData();
    UpdateUserControls();
    CurrentFile.clear();
    setWindowTitle(kCaption);
    HasChangedFlag = false;
}

void MainWindow::NewFileMenu_Click()
{
    if (!m_running) NewFile();
}

void MainWindow::OpenFileMenu_Click()
{
    if (m_running || !QuerySaveChanges()) return;
    const QString path = ShowOpenFileDialog();
    // The file becomes the current one only once it has been read.
    if (!OpenFile(path)) return;
    makeCurrent(path);
}

bool MainWindow::OpenFile(const QString& path)
{
    if (path.isEmpty()) return false;
    // A file the loader refuses leaves project, controls and flag alone.
    if (!BrickData.LoadBrickFile(path.toStdString())) return false;
    UpdateUserControls();
    HasChangedFlag = false;
    return true;
}

void MainWindow::SaveFileMenu_Click()
{
    if (m_running) return;
    SaveFile(CurrentFile.isEmpty() ? ShowSaveFileDialog() : CurrentFile);
}

void MainWindow::SaveFileAsMenu_Click()
{
    if (!m_running) SaveFile(ShowSaveFileDialog());
}

void MainWindow::SaveFile(const QString& path)
{
    if (path.isEmpty()) return;
    UpdateBrickData();
    // Only a save that wrote the file makes the project unchanged and the
    // file current: a failed one keeps the name, caption and folder as they
    // were, so the next Save does not retry the unwritten path unasked.
    if (!BrickData.SaveBrickFile(path.toStdString())) return;
    HasChangedFlag = false;
    makeCurrent(path);
}

QString MainWindow::ShowSaveFileDialog() { return askProjectFile(true); }

QString MainWindow::ShowOpenFileDialog() { return askProjectFile(false); }

QString MainWindow::askProjectFile(bool forSaving)
{
    // Made for this use and deleted after it.
    auto dialog = std::make_unique<QFileDialog>(this, forSaving ? tr("Save File As") : tr("Open File"),
                                                CurrentDirectory);
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilters({tr("Brick Files (*.bricks)"), tr("All Files (*)")});
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (forSaving) dialog->setDefaultSuffix(QStringLiteral("bricks"));
    if (!CurrentFile.isEmpty()) dialog->selectFile(CurrentFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().front();
}

// The file the program works on from now on: its folder starts the file
// dialogs, its title heads the caption.
void MainWindow::makeCurrent(const QString& path)
{
    CurrentFile = path;
    CurrentDirectory = QString::fromStdString(ImageFiles::folderOf(path.toStdString()));
    showFileTitle(path);
}

void MainWindow::showFileTitle(const QString& path)
{
    setWindowTitle(QString::fromStdString(UISupport::FileTitleFromPath(path.toStdString())) + QStringLiteral(" - ") +
                   kCaption);
}

void MainWindow::openCommandLine(const QString& commandLine)
{
    QString path = commandLine;
    // One enclosing pair of quotes is the shell's, not the name's.
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    // Opened, but not made current: a later Save asks for a name. A file
    // that could not be read leaves the untitled project's caption.
    if (OpenFile(path)) showFileTitle(path);
}

bool MainWindow::ExitApplication()
{
    if (!ExitApplicationFlag) ExitApplicationFlag = m_running ? exitDuringRun() : QuerySaveChanges();
    return ExitApplicationFlag;
}

// The question comes at once, while the run waits in its yield. The run
// reads the project, so a save waits for its end: Yes cancels the run and
// saves afterwards, and only a written file lets the program end.
bool MainWindow::exitDuringRun()
{
    switch (askSaveChanges()) {
    case SaveAnswer::Unchanged:
    case SaveAnswer::No: return true;
    case SaveAnswer::Yes: stopRunThen(AfterRun::SaveThenClose); break;
    case SaveAnswer::Cancel: break;
    }
    return false;
}

void MainWindow::ExitMenu_Click()
{
    if (ExitApplication()) close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Inside a run an allowed close waits: the run is cancelled, and the
    // close comes again once the project holds its own sizes.
    if (m_running) {
        event->ignore();
        if (ExitApplication()) stopRunThen(AfterRun::Close);
        return;
    }
    event->setAccepted(ExitApplication());
}

void MainWindow::stopRunThen(AfterRun next)
{
    m_afterRun = next;
    m_display->UpdateCancel();
}

void MainWindow::doAfterRun()
{
    const AfterRun next = std::exchange(m_afterRun, AfterRun::Nothing);
    if (next == AfterRun::Nothing) return;
    if (next == AfterRun::SaveThenClose) {
        SaveFileMenu_Click();
        // Not written (the dialog cancelled, or the save failed and said
        // why): the program stays open.
        if (HasChangedFlag) return;
        ExitApplicationFlag = true;
    }
    close();
}

}  // namespace kalvora
