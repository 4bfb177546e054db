#pragma once

#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QKeySequence;
class QMenu;
class QMenuBar;

namespace kalvora {

class MainWindow;

// The main window's menu bar and the commands behind its items: the file
// commands and Exit (the window's own), the preview's export, zoom, centring,
// tiles and backgrounds, the clipboard copy, the image editor on the preview's
// image, the user manual, the web links and the about box. Every item is a
// QAction named after its control; one handler per item. The toolbar calls
// the same handlers. The items that would replace or read the project or
// the preview's image, or run long work of their own, wait for a run: the
// main window disables them while one is on.
class MainMenus : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(MainWindow& window);

    void ExportImageMenu_Click();
    void EditImageMenu_Click();
    void CopyToClipboardMenu_Click();

    void CenterImageMenu_Click();
    void OptimalViewMenu_Click();
    void ShowTilesMenu_Click();

    void FitToWindowMenu_Click();
    void NoZoomMenu_Click();
    void ZoomOutMenu_Click();
    void ZoomInMenu_Click();
    void Zoom10_Click();
    void Zoom20_Click();
    void Zoom30_Click();
    void Zoom40_Click();
    void Zoom50_Click();
    void zoom60_Click();
    void Zoom70_Click();
    void Zoom80_Click();
    void zoom90_Click();
    void Zoom100_Click();
    void zoom110_Click();
    void Zoom120_Click();
    void Zoom130_Click();
    void Zoom140_Click();
    void zoom150_Click();
    void Zoom200_Click();
    void Zoom300_Click();
    void Zoom400_Click();
    void Zoom500_Click();

    void BackgroundBlack_Click();
    void BackgroundWhite_Click();
    void BackgroundCustom_Click();

    void ViewHelpMenu_Click();
    void MenuHomepage_Click();
    void MenuForum_Click();
    void MenuFAQs_Click();
    void MenuTutorials_Click();
    void MenuGalleries_Click();
    void ViewInfoMenu_Click();

    // New, Open, Save, Save As, Export, Edit Image and Copy to Clipboard.
    const std::vector<QAction*>& runBoundItems() const { return m_runBoundItems; }

private:
    using Handler = void (MainMenus::*)();

    void buildFileMenu(QMenuBar* bar);
    void buildEditMenu(QMenuBar* bar);
    void buildViewMenu(QMenuBar* bar);
    void buildZoomMenu(QMenuBar* bar);
    void buildDirectZoomMenu(QMenu* zoom);
    void buildOptionsMenu(QMenuBar* bar);
    void buildHelpMenu(QMenuBar* bar);

    QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption);
    QMenu* addSubmenu(QMenu* menu, const char* name, const QString& caption);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, Handler handler);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                     Handler handler);
    // An item whose handler is one of the main window's own.
    QAction* addWindowItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                           void (MainWindow::*handler)());
    static QAction* newItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut);
    static void addSeparator(QMenu* menu, const char* name);

    // Sets the preview's zoom and redraws.
    void zoomTo(float percent);
    MainWindow& m_window;
    std::vector<QAction*> m_runBoundItems;
};

}  // namespace kalvora
