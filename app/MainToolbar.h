#pragma once

#include <QToolBar>
#include <cstdint>
#include <vector>

namespace kalvora {

class MainMenus;
class MainWindow;

// The main window's toolbar Toolbar1: fifteen entries by 1-based index,
// icons with tooltips and no shortcuts, separators at 4, 8 and 13. Each
// button acts as its menu item; button 5 is the output panel's update
// button (generate, or cancel a running generation).
class MainToolbar : public QToolBar {
    Q_OBJECT
public:
    MainToolbar(MainWindow& window, MainMenus& menus);

    // The background the start-up gives it, 0x00BBGGRR: red 236, green 233,
    // blue 216.
    static constexpr int32_t BackColor = 0x00D8E9EC;

    // Runs the command of the button at Index (1-based).
    void Toolbar1_ButtonClick(int Index);

    // The buttons of the menu items that wait for a run: New, Open, Save
    // and Copy to Clipboard.
    std::vector<QAction*> runBoundButtons() const;

private:
    void addButton(const char* icon, const QString& toolTip);

    MainWindow& m_window;
    MainMenus& m_menus;
};

}  // namespace kalvora
