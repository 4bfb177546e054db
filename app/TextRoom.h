#pragma once

#include <QStringList>

class QLabel;
class QLineEdit;

namespace kalvora {

// Room for texts that change or that a layout would not measure: a control
// given this room shows its whole text with the window's font.
namespace TextRoom {

// The label keeps at least the width of the widest text it will show, so a
// later text needs no new layout (the splash changes its texts while the
// event queue does not run).
void holdWidest(QLabel* label, const QStringList& texts);

// The one-line box is at least wide enough to show its text unscrolled.
void fitLineEdit(QLineEdit* box);

}  // namespace TextRoom

}  // namespace kalvora
