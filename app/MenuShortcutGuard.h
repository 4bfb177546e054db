#pragma once

#include <QObject>

class QKeyEvent;
class QMenuBar;
class QWidget;

namespace kalvora {

// Keeps a window's menu shortcuts acting while one of its text boxes has the
// focus. Qt's text boxes claim some shortcut keys for themselves (under
// X11's key scheme Ctrl+E moves to the end of the line); such a key, when it
// is a menu item's shortcut, is refused for the text box and so reaches the
// menu item. The standard editing keys (cut, copy, paste, undo, redo, select
// all) stay the text box's.
class MenuShortcutGuard : public QObject {
    Q_OBJECT
public:
    MenuShortcutGuard(const QMenuBar& menus, QObject* parent);

    // Watches every single- and multi-line text box inside the window.
    void watchTextBoxes(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isMenuShortcut(const QKeyEvent& key) const;
    static bool isEditingKey(const QKeyEvent& key);

    const QMenuBar& m_menus;
};

}  // namespace kalvora
