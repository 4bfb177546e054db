#include "app/MenuShortcutGuard.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kalvora {

MenuShortcutGuard::MenuShortcutGuard(const QMenuBar& menus, QObject* parent) : QObject(parent), m_menus(menus) {}

void MenuShortcutGuard::watchTextBoxes(const QWidget& window)
{
    for (QLineEdit* box : window.findChildren<QLineEdit*>()) box->installEventFilter(this);
    for (QPlainTextEdit* box : window.findChildren<QPlainTextEdit*>()) box->installEventFilter(this);
    for (QTextEdit* box : window.findChildren<QTextEdit*>()) box->installEventFilter(this);
}

bool MenuShortcutGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (isEditingKey(key) || !isMenuShortcut(key)) return false;
    // Not accepted, the key is looked up among the shortcuts.
    event->ignore();
    return true;
}

bool MenuShortcutGuard::isMenuShortcut(const QKeyEvent& key) const
{
    const QKeySequence pressed(key.keyCombination());
    // A disabled item leaves its key to the text box.
    for (const QAction* item : m_menus.findChildren<QAction*>())
        if (item->isEnabled() && item->shortcuts().contains(pressed)) return true;
    return false;
}

bool MenuShortcutGuard::isEditingKey(const QKeyEvent& key)
{
    static constexpr QKeySequence::StandardKey kEditingKeys[] = {QKeySequence::Cut,  QKeySequence::Copy,
                                                                 QKeySequence::Paste, QKeySequence::Undo,
                                                                 QKeySequence::Redo, QKeySequence::SelectAll};
    for (QKeySequence::StandardKey editing : kEditingKeys)
        if (key.matches(editing)) return true;
    return false;
}

}  // namespace kalvora
