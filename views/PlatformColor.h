#pragma once

#include <QColor>
#include <cstdint>

namespace kalvora {

// A platform colour is 0x00BBGGRR: red in the lowest byte.
inline QColor qColorFromPlatform(int32_t color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

inline int32_t platformColorFromQt(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

}  // namespace kalvora
