#pragma once

#include <QSize>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;

namespace kalvora {

class MainWindow;

// The output panel, docked along the right edge and captioned "Display
// Settings": the sizes of the final texture and of the preview, the aspect
// ratio lock, the preview quality, the texture type, and the one button that
// starts a generation and cancels a running one, with the progress bar and
// text beneath it. It owns no project data: the main window copies its
// controls into the project and back (finding them by name), asks it for the
// sizes and choices of a run and hands it the progress reports while one runs.
class DisplayWindow : public QWidget {
    Q_OBJECT
public:
    explicit DisplayWindow(MainWindow& main, QWidget* parent = nullptr);

    // The sizes of the "Final Image" and the "Preview" tab, in pixels.
    QSize outputSize() const;
    QSize previewSize() const;
    // Whether the "Preview" tab is shown: a run then draws the preview size.
    bool previewTabShown() const;
    // The item index of the preview quality list (0 low, 1 medium, 2 high).
    int32_t previewQualityIndex() const;
    // The texture type a run draws: the item index of the texture type list.
    int32_t textureType() const;

    // One progress report: its text under the button, its share in the bar.
    void showProgress(const QString& text, int32_t percent);

    // The output width divided by the output height, as the panel last
    // computed it.
    float AspectRatio() const { return m_aspectRatio; }
    // The ratio taken anew from the output sliders (after the project was
    // copied into them).
    void recomputeAspectRatio();

    // Every generate and cancel request: cancels while a run is on, else
    // copies the settings into the project and starts a run of the chosen
    // texture type (unless there is no brick image).
    void UpdateCancel();

    // The running look (the button reads "&Cancel", the progress bar and
    // text show, the texture type list hides) or the idle look.
    void showRunning(bool running);

    void Form_Load();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The names of one size pair's controls and of its two labels.
    struct SizeNames {
        const char* slider;
        const char* text;
        const char* label;
        const char* labelText;
        const char* pxLabel;
    };

    QWidget* makeFinalImagePage();
    QWidget* makePreviewPage();
    QWidget* makeProgressArea();
    // Adds "Width:" [text] "px" over its slider to the page's grid at row.
    void addSizePair(QWidget* page, int row, const SizeNames& names, QSlider*& slider, QLineEdit*& text);
    void connectHandlers();

    void UpdateButton_Click();
    void OutWidthSlider_Change();
    void OutWidthText_LostFocus();
    void OutHeightSlider_Change();
    void OutHeightText_LostFocus();
    void PreviewWidthSlider_Change();
    void PreviewWidthText_LostFocus();
    void PreviewHeightSlider_Change();
    void PreviewHeightText_LostFocus();

    // What follows a change of each size, by the aspect ratio rules.
    void outputWidthChanged();
    void outputHeightChanged(bool typed);
    void previewWidthChanged();
    void previewHeightChanged();

    // Sets the slider to the value rounded half to even (held to its range)
    // and rewrites its text box; none of the panel's handlers run.
    static void setSize(QSlider* slider, QLineEdit* text, double value);
    float outputRatio() const;
    bool noBrickImage();

    MainWindow& m_main;
    float m_aspectRatio = 1.0f;

    // Tab 0 "Preview", tab 1 "Final Image".
    QTabWidget* DisplayTab1 = nullptr;
    QSlider* OutWidthSlider = nullptr;
    QSlider* OutHeightSlider = nullptr;
    QLineEdit* OutWidthText = nullptr;
    QLineEdit* OutHeightText = nullptr;
    QCheckBox* AspectRatioCheck = nullptr;
    QSlider* PreviewWidthSlider = nullptr;
    QSlider* PreviewHeightSlider = nullptr;
    QLineEdit* PreviewWidthText = nullptr;
    QLineEdit* PreviewHeightText = nullptr;
    QComboBox* PreviewQualityCombo = nullptr;
    QComboBox* TextureTypeCombo = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* UpdateButton = nullptr;
    QLabel* ProgressLabel = nullptr;
};

}  // namespace kalvora
