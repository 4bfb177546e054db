#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>
#include <initializer_list>

namespace kalvora::testing {

// The entry of a menu with that objectName (menus' entries and submenus).
inline QAction* menuEntry(QMenu* menu, const char* name)
{
    for (QAction* a : menu->actions())
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

// Chooses a menu entry with the mouse as a user does: opens the menu of the
// menu bar named first, then each submenu named after it, and clicks the
// last entry. Fails the test when an entry is missing or a menu does not
// open within 5 s.
inline void clickMenuPath(QMenuBar* bar, std::initializer_list<const char*> path)
{
    auto it = path.begin();
    QMenu* menu = bar->findChild<QMenu*>(QLatin1String(*it));
    ASSERT_NE(menu, nullptr) << *it;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000)) << *it << " did not open";
    for (++it; it != path.end(); ++it) {
        QAction* entry = menuEntry(menu, *it);
        ASSERT_NE(entry, nullptr) << *it;
        const QPoint at = menu->actionGeometry(entry).center();
        if (!entry->menu()) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, at);
            return;
        }
        QTest::mouseMove(menu, at);
        QTest::mouseClick(menu, Qt::LeftButton, {}, at);
        menu = entry->menu();
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000)) << *it << " did not open";
    }
}

}  // namespace kalvora::testing
