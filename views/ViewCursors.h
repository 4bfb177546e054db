#pragma once

#include <QCursor>

namespace kalvora {

// The image view's mouse cursors by resource number: 101 open hand (hot spot
// 12, 1), 102 closed hand (16, 14), 103 magnifying glass (9, 8). Any other
// number gives the arrow.
QCursor viewCursor(int id);

}  // namespace kalvora
