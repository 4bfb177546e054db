#pragma once

#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace kalvora {

class cBrickData;
class DescriptionTextBox;
class OptionsPage;

// The settings panel, docked along the bottom and captioned "Options": every
// brick setting that is not an output or preview size, on five pages that a
// tree beside them lists too. It holds values only in its controls (the main
// window copies them to and from the project); nine percentages show their
// pixels of a reference size beside them, recomputed whenever the output
// size or a reference changes. The brick and mortar images are edited in
// their dialogs on copies of the project's images.
class OptionsWindow : public QWidget {
    Q_OBJECT
public:
    // A close of the panel is passed to closeRequest (the main window's close).
    explicit OptionsWindow(std::function<void()> closeRequest, QWidget* parent = nullptr);

    // The project whose images the dialogs edit, the flag they set, and the
    // output panel's size (the pixel boxes' reference sizes).
    void bind(cBrickData& project, bool& changedFlag, std::function<QSize()> outputSize);

    // The pages: 0 "General", 1 "Brick Size", 2 "Brick Shape", 3 "Brick
    // Files", 4 "Mortar File".
    QTabWidget* OptionsTab1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;

    // Edits the project's brick images in the brick files dialog on copies;
    // the project takes them only after OK. Both dialogs refuse during a run.
    void ShowBrickFiles();
    void MortarFileButton_Click();
    // Recomputes every pixel box from the current output size.
    void UpdateImageSize();
    // The two image buttons show the project's brick count and mortar name.
    void showImageCaptions();
    // While a run is on the image buttons are off and the image dialogs
    // refuse to open: the run reads the project's images.
    void setRunning(bool running);
    void Form_Load();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One percentage: slider (value x 100), percent box and, for nine of
    // them, a pixel box with its reference size.
    struct PercentPair {
        QSlider* slider = nullptr;
        QLineEdit* text = nullptr;
        QLineEdit* pixels = nullptr;
        std::function<int32_t()> reference;
        std::function<void()> after;
    };
    // A whole-number pair: slider and text box.
    struct PlainPair {
        QSlider* slider = nullptr;
        QLineEdit* text = nullptr;
    };

    OptionsPage* makeGeneralPage();
    OptionsPage* makeBrickSizePage();
    OptionsPage* makeBrickShapePage();
    OptionsPage* makeBrickFilesPage();
    OptionsPage* makeMortarFilePage();
    void makeTree();

    QGroupBox* frame(const QString& caption, QGridLayout*& grid, QWidget* page);
    void addNote(QGridLayout* grid, const QString& note);
    PercentPair* addPercent(QGridLayout* grid, const QString& label, const char* name, bool withPixels,
                            int largeChange, int tickFrequency);
    PlainPair* addPlain(QGridLayout* grid, const QString& label, const char* name, int minimum, int maximum,
                        int largeChange, int tickFrequency, int maxTyped);
    QCheckBox* addCheck(QGridLayout* grid, const char* name, const QString& caption);

    void percentSliderMoved(PercentPair& pair);
    void percentTextLeft(PercentPair& pair, QLineEdit* box);
    void RefreshShapePx();
    void RefreshSmoothnessPx();
    int32_t pixelsIn(const QLineEdit* box) const;
    void RandomButton_Click();
    void TreeView1_NodeClick(QTreeWidgetItem* node);
    void OptionsTab1_Click(int tab);
    void ExpandAllNodes();

    std::function<void()> m_closeRequest;
    cBrickData* m_project = nullptr;
    bool* m_changedFlag = nullptr;
    std::function<QSize()> m_outputSize;
    bool m_running = false;

    std::vector<std::unique_ptr<PercentPair>> m_percents;
    std::vector<std::unique_ptr<PlainPair>> m_plains;
    PercentPair* m_minHeight = nullptr;
    PercentPair* m_maxHeight = nullptr;
    PercentPair* m_minWidth = nullptr;
    PercentPair* m_maxWidth = nullptr;
    PercentPair* m_border = nullptr;
    PercentPair* m_rounded = nullptr;
    PercentPair* m_antialias = nullptr;
    PercentPair* m_strength = nullptr;
    PercentPair* m_frequency = nullptr;
    PlainPair* m_random = nullptr;
    QPushButton* m_brickFilesButton = nullptr;
    QPushButton* m_mortarFileButton = nullptr;
    QComboBox* m_rowOffset = nullptr;
};

}  // namespace kalvora
