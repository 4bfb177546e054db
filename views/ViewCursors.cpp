#include "views/ViewCursors.h"

#include <QPixmap>
#include <QString>

namespace kalvora {

QCursor viewCursor(int id)
{
    struct HotSpot {
        int id, x, y;
    };
    static constexpr HotSpot kHotSpots[] = {{101, 12, 1}, {102, 16, 14}, {103, 9, 8}};
    for (const HotSpot& h : kHotSpots) {
        if (h.id != id) continue;
        const QPixmap picture(QStringLiteral(":/cursors/%1.png").arg(id));
        if (picture.isNull()) break;
        return QCursor(picture, h.x, h.y);
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace kalvora
