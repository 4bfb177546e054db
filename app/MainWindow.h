#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/GeneratorHost.h"
#include "engine/TextureOptionsModel.h"
#include "engine/cBrickData.h"
#include "engine/cBrickGenerator.h"
#include "uicore/PreviewCopyThrottle.h"

class QLabel;
class QStatusBar;

namespace kalvora {

class ChildWindowFrame;
class DisplayWindow;
class MainMenus;
class MainToolbar;
class OptionsWindow;
class PreviewWindow;

// The program's frame window, captioned "Kalvora". It owns the one project
// and the one brick generator, docks its three children (the preview window,
// the output panel along the right edge and the settings panel along the
// bottom), runs generations with live progress and cancel, and decides with
// the save question whether the program may end.
//
// A run takes place inside GenerateBricks on the one thread: the generator
// reports progress and asks to let the event queue run, and clicks (a
// cancel, a close) are handled in those yields. The queue runs at most once
// per kQueueSpacingMs of a run: a run reports hundreds of times a second,
// and every queue run repaints the progress texts and bar, which at 100
// times a second costs a tenth of a one-thread run; 25 times a second is as
// often as the eye follows them and keeps clicks prompt. Nothing
// else runs the event queue by hand, so the progress handler is never
// entered twice.
class MainWindow : public QMainWindow, public GeneratorHost {
    Q_OBJECT
public:
    // The least time between two runs of the event queue during a run.
    static constexpr int64_t kQueueSpacingMs = 40;
    // The pixels one report copies to the preview per thread that copies
    // (128 MiB, some 10 to 40 ms on one thread): a larger drawn area comes
    // over in bands, one per report. A band takes every brick it touches
    // whole, so it may reach to the end of one more row of bricks.
    static constexpr int64_t kCopyBandPixels = int64_t(32) << 20;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The one project, shared by all panels and dialogs.
    cBrickData BrickData;
    // The current project file and its folder; empty for an untitled project.
    QString CurrentFile;
    QString CurrentDirectory;
    // Set once the save question has allowed the program to end; never reset.
    bool ExitApplicationFlag = false;
    // The project changed since it was last new, opened or saved.
    bool HasChangedFlag = false;

    // The start-up: loads every window, places the frame over the desktop's
    // work area, gives the project its defaults and the controls its values,
    // opens the project the command line names (when it is not empty), shows
    // the frame and docks and shows the three children.
    void MDIForm_Load(const QString& commandLine = {});
    // Loads the program's windows one after the other, calling afterEachStep
    // after each of the twelve steps.
    void LoadWindows(const std::function<void()>& afterEachStep);

    PreviewWindow& previewWindow() const { return *m_preview; }
    DisplayWindow& displayWindow() const { return *m_display; }
    OptionsWindow& optionsWindow() const { return *m_options; }
    MainMenus& mainMenus() const { return *m_menus; }
    MainToolbar& Toolbar1() const { return *m_toolbar; }
    // The pause of each loading step of the splash (tests make it instant).
    void setSplashPause(std::function<void(int milliseconds)> pause) { m_splashPause = std::move(pause); }
    // The frame's status bar; its first panel shows the run's status text.
    QStatusBar* StatusBar1() const;
    const cBrickGenerator& brickGenerator() const { return BrickGenerator; }
    // Which reports of the current or last run were copied to the preview.
    const PreviewCopyThrottle& previewCopies() const { return m_previewCopies; }

    // Runs one generation of the project with the texture type and returns
    // when it has ended, completed or aborted. Refused while a run is on.
    void GenerateBricks(int32_t BrickStyle);
    // Asks the running generator to stop; ends the busy cursor at once.
    void CancelBrickGenerator();
    // From the start of GenerateBricks until its end.
    bool isRunning() const { return m_running; }

    // Settings controls to the project, setting the changed flag for every
    // value that differs (nothing while a run reads the project), and the
    // project back to the controls.
    void UpdateBrickData();
    void UpdateUserControls();
    // The project's default values; controls and changed flag stay.
    void ResetBrickData();

    // Whether the program may end: the save question, asked once at most.
    // During a run it is asked at once, and an end it allows waits for the
    // run, which is cancelled: Yes saves once the run has ended and ends
    // the program only when the file was written.
    bool ExitApplication();
    void ExitMenu_Click();

    // The project file commands of the File menu and the toolbar. While a
    // run is on they do nothing.
    void NewFileMenu_Click();
    void OpenFileMenu_Click();
    void SaveFileMenu_Click();
    void SaveFileAsMenu_Click();
    // Reads a project file into the project; on success the controls show
    // it and the changed flag is cleared. False leaves everything as it was.
    bool OpenFile(const QString& path);

    // The millisecond clock of a run: the generator's time estimates and
    // the timing of the preview's copies. Tests put a fake here.
    void setTickSource(std::function<int64_t()> tickSource);

    // GeneratorHost: the texture options dialog, the output panel's state
    // and the event queue (run at most once per kQueueSpacingMs of a run).
    int32_t showTextureOptions(cBrickData& project, int32_t brickStyle) override;
    TextureOptionsValues textureOptions() const override;
    bool previewTabShown() const override;
    int32_t previewQualityIndex() const override;
    void processEvents() override;

signals:
    void runningChanged(bool running);
    // After every progress report has been shown.
    void progressShown(int Progress, int SecondsLeft, const QString& Description);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MDIForm_Resize();
    void ArrangeChildWindows();
    void placeOverWorkArea();

    // What happens once the run on the stack has ended.
    enum class AfterRun { Nothing, Close, SaveThenClose };
    // The save question's answer; Unchanged when it was not asked.
    enum class SaveAnswer { Unchanged, Yes, No, Cancel };

    template <typename T, typename U>
    T TrackValueChange(const T& oldValue, const U& newValue);
    bool IsDataChanged();
    SaveAnswer askSaveChanges();
    bool QuerySaveChanges();
    bool exitDuringRun();
    // Cancels the run and has next done once it has ended.
    void stopRunThen(AfterRun next);
    void doAfterRun();
    void NewFile();
    void SaveFile(const QString& path);
    // The chosen path, or empty when the dialog was cancelled. A chosen
    // file becomes current only once it has been written or read.
    QString ShowSaveFileDialog();
    QString ShowOpenFileDialog();
    QString askProjectFile(bool forSaving);
    void makeCurrent(const QString& path);
    void showFileTitle(const QString& path);
    void openCommandLine(const QString& commandLine);

    void BrickGenerator_Progress(int32_t Progress, int32_t SecondsLeft, const std::string& Description, bool IsFinal);
    // The run itself, with the project's size, the cursor and the running
    // flag given back on every way out.
    void runGenerator(int32_t BrickStyle);
    void showProgressLook(int32_t Progress, bool IsFinal);
    // False when the preview could get no memory for its copy.
    bool showPreview(bool phaseStart, bool isFinal);
    // Tells the user, once, of a run that failed for lack of memory.
    void tellRunFailure();
    static int64_t copyBandPixels();
    void setRunning(bool running);
    // The one place that decides which commands wait for a run.
    void enableRunBoundCommands(bool on);
    int64_t now() const;
    // Whether a yield now lets the event queue run.
    bool queueDue(int64_t nowMs) const;

    cBrickGenerator BrickGenerator;
    // The values of the texture options dialog, kept for the program's life.
    TextureOptionsModel m_textureOptions;
    PreviewCopyThrottle m_previewCopies;
    std::function<int64_t()> m_tickSource;

    // The client area in twips.
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;

    QWidget* m_clientArea = nullptr;
    PreviewWindow* m_preview = nullptr;
    DisplayWindow* m_display = nullptr;
    OptionsWindow* m_options = nullptr;
    ChildWindowFrame* m_previewFrame = nullptr;
    ChildWindowFrame* m_displayFrame = nullptr;
    ChildWindowFrame* m_optionsFrame = nullptr;
    QLabel* m_statusPanel1 = nullptr;

    bool m_running = false;
    // The project's settings as the run on the stack started, before the
    // preview's size replaced the output size.
    BrickSettings m_runStartSettings;
    // The run's final report has been shown: a cancel comes too late.
    bool m_finalShown = false;
    // When the event queue last ran in this run; below 0 before its first run.
    int64_t m_queueRunAtMs = -1;
    AfterRun m_afterRun = AfterRun::Nothing;
    bool m_insideYield = false;
    bool m_insideProgress = false;

    // The menu bar, the toolbar and the splash at start-up.
    MainMenus* m_menus = nullptr;
    MainToolbar* m_toolbar = nullptr;
    std::function<void(int milliseconds)> m_splashPause;
};

template <typename T, typename U>
T MainWindow::TrackValueChange(const T& oldValue, const U& newValue)
{
    const T value = static_cast<T>(newValue);
    if (static_cast<U>(oldValue) != newValue) HasChangedFlag = true;
    return value;
}

}  // namespace kalvora
