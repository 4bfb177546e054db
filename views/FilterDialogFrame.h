#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <cstdint>
#include <vector>

#include "filters/clsImageFilter.h"
#include "imaging/cBitmap.h"
#include "views/ImageToolDialog.h"
#include "views/SliderTextPair.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QTabWidget;

namespace kalvora {

// The frame both filter dialogs share: pages of sliders and boxes above the
// buttons "OK", "Preview" and "Cancel". The dialog binds to the window that
// opened it (Parent), turns that window's image into 32-bit ARGB and keeps a
// backup of it. Every run starts from the backup and puts its result into the
// window's image; Cancel puts the backup back. A run's progress shows in the
// window's first status panel. Each dialog is made once and only hidden, so
// its controls keep their values from one opening to the next.
class FilterDialogFrame : public ImageToolDialog {
    Q_OBJECT
public:
    explicit FilterDialogFrame(const QString& name, const QString& caption);
    ~FilterDialogFrame() override;

    // Binds to the window, converts its image and takes the backup.
    void Init(ImageViewer& parent) override;
    void unbind(ImageViewer& opener) override;
    bool writesProgress() const override { return true; }

    // Runs the page shown on the backup and puts the result into the
    // window's image, without redrawing it.
    void ApplySelectedEffect();
    // Redraws the window.
    void UpdatePreviewImage();
    // The filter's progress: Value followed by "% done..." in the window's
    // first status panel.
    void cFilter_Progess(int32_t Value);

    // Benchmarks compare a run with and without the progress display.
    void showProgress(bool on);

    // The window being edited; none while the dialog is not open and none
    // once that window is destroyed.
    ImageViewer* Parent = nullptr;

public slots:
    // Esc and the close box act as Cancel.
    void reject() override;

protected:
    // The close box acts as Cancel; the dialog is only ever hidden.
    void closeEvent(QCloseEvent* event) override;

    // Adds a page to Tab1 and gives its grid.
    QGridLayout* addPage(const QString& title);
    // Adds a slider and text-box pair to the next row of the grid.
    SliderTextPair* addPair(const SliderTextPair::Definition& definition, QGridLayout* grid);

    // Runs the filters of the page shown on the loaded image; the result's
    // handle, or nullptr when a filter failed.
    virtual platform::Image* runPageFilters() = 0;
    // Between two filters of one page: the window's image becomes the first
    // result and the filter's input. False when the result is missing.
    bool takeIntermediate(platform::Image* result);

    clsImageFilter cFilter;
    QTabWidget* Tab1 = nullptr;

private:
    void CloseWindow(bool apply);
    void restoreBackup();
    // Runs the text box that has the focus through its focus-loss handler,
    // so every button sees the texts as the boxes show them after it.
    void commitFocusedText();
    void repaintProgress(int32_t Value);

    cBitmap BackupBitmap;
    QPushButton* SetButton = nullptr;
    QPushButton* ApplyButton = nullptr;
    QPushButton* CancelButton = nullptr;
    std::vector<SliderTextPair*> m_pairs;
    QPointer<QLabel> m_panel1;
    QElapsedTimer m_repaintClock;
    int32_t m_shownProgress = -1;
};

}  // namespace kalvora
