#include "app/ToolBarColor.h"

#include <QApplication>
#include <QPalette>
#include <QToolBar>

#include "views/PlatformColor.h"

namespace kalvora::ToolBarColor {

namespace {

// Set once the background has been taken over.
bool& applied()
{
    static bool done = false;
    return done;
}

}  // namespace

void SetToolbarBackColor(QToolBar* Toolbar, int32_t Color, int32_t Force)
{
    if (!Toolbar || (Force != 0 && applied())) return;
    const QColor colour = Color < 0 ? QApplication::palette().color(QPalette::Button) : qColorFromPlatform(Color);
    // A style sheet paints the background under every style, as replacing the
    // toolbar's erase-background handling would.
    Toolbar->setStyleSheet(QStringLiteral("QToolBar#%1 { background-color: %2; border: none; }")
                               .arg(Toolbar->objectName(), colour.name()));
    applied() = true;
}

}  // namespace kalvora::ToolBarColor
