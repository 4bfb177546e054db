#pragma once

#include <QDialog>
#include <vector>

#include "views/ImageViewer.h"

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

namespace kalvora {

class ImageToolDialog;

// The modal image editor: one image view with a menu bar to open, save,
// copy, paste and blank the image, every view command, rotations and flips,
// and the entries that open the resize and filter dialogs on its image.
// There is one editor for the program's life: closing only hides it, and the
// background, interpolation, tiles and last folder stay for the next opening.
class PreviewDialog : public QDialog, public ImageViewer {
    Q_OBJECT
public:
    explicit PreviewDialog(QWidget* parent = nullptr);

    // The program's one editor, made on the first call.
    static PreviewDialog& instance();

    // Shows a copy of the bitmap (kept in its pixel format) and resets the
    // view to the optimal zoom, centred; an empty bitmap is ignored. Given
    // while the editor is hidden, the reset is made again when it is shown,
    // for the drawing area's size on screen.
    void SetBitmap(cBitmap& NewBitmap, bool ChangePosition = true) override;

    // Opens a tool dialog on this window's image: binds it, places it beside
    // the editor, picks the filter's page (filterIndex, or -1 for none) and
    // shows it modally; a filter's progress text in the first status panel is
    // put back afterwards.
    void openToolDialog(ImageToolDialog& dialog, int filterIndex);

    // Filter indexes of the menus: 0..5 the image filter dialog's pages,
    // 6..10 its effects, 11..13 the texture filter dialog's pages.
    void ShowImageFilter(int FilterIndex);
    void ShowTextureFilter(int FilterIndex);
    void ShowResizeImage();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildZoomMenu(QMenu* view);
    void buildInterpolationMenu(QMenu* view);
    void buildImageMenu();
    void buildFilterMenus();
    QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption, bool switched);
    QAction* addEntry(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {});
    void addSeparator(QMenu* menu, const char* name);

    void OpenFile();
    void Paste();
    void NewImage(int32_t width, int32_t height);
    void RotateFlip(platform::RotateFlipType type);
    void ZoomStep(float zoom);
    void chooseInterpolation(QAction* entry, platform::InterpolationMode mode);
    void EnableMenus(bool on);
    // After a new image: its size, the reset view, caption, size text, menus.
    void takeNewImage(const QString& caption, bool centre);
    void showSizeText();
    // The optimal zoom for the drawing area's size, a small image centred.
    void fitNewImage();

    QMenuBar* m_menuBar = nullptr;
    QAction* m_saveFile = nullptr;
    QAction* m_showTiles = nullptr;
    QActionGroup* m_interpolation = nullptr;
    QAction* CheckedInterpolationItem = nullptr;
    std::vector<QMenu*> m_switchedMenus;
    bool m_fitWhenShown = false;
};

}  // namespace kalvora
