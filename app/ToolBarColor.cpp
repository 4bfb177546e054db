#include "app/ToolBarColor.h"

#include <QApplication>
#include <QPalette>
#include <QToolBar>

#include "views/PlatformColor.h"

namespace kalvora::ToolBarColor {

namespace {

// Marks a toolbar whose background has been taken over.
constexpr char kApplied[] = "kalvoraBackColorApplied";

}  // namespace

// Only the toolbar's own buttons live on it, so no control has to be moved
// off it onto its window before the background is taken over.
void SetToolbarBackColor(QToolBar* Toolbar, int32_t Color, int32_t Force)
{
    if (!Toolbar || (Force != 0 && Toolbar->property(kApplied).toBool())) return;
    const QColor colour = Color < 0 ? QApplication::palette().color(QPalette::Button) : qColorFromPlatform(Color);
    // A style sheet paints the background under every style, as replacing the
    // toolbar's erase-background handling would.
    Toolbar->setStyleSheet(QStringLiteral("QToolBar#%1 { background-color: %2; border: none; }")
                               .arg(Toolbar->objectName(), colour.name()));
    Toolbar->setProperty(kApplied, true);
}

}  // namespace kalvora::ToolBarColor
