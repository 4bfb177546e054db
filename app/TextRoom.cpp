#include "app/TextRoom.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>

namespace kalvora::TextRoom {

namespace {

// A line edit keeps this many pixels free on each side of its text.
constexpr int kLineEditTextMargin = 2;
// ... and one more after the text for its cursor: without it a text as wide
// as the room is scrolled by a pixel.
constexpr int kLineEditCursorWidth = 1;

}  // namespace

void holdWidest(QLabel* label, const QStringList& texts)
{
    const QFontMetrics metrics = label->fontMetrics();
    int widest = 0;
    for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
    const QMargins m = label->contentsMargins();
    label->setMinimumWidth(widest + m.left() + m.right() + 2 * label->margin());
}

void fitLineEdit(QLineEdit* box)
{
    const int frame = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QMargins text = box->textMargins();
    const QMargins m = box->contentsMargins();
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(box->text()) + kLineEditCursorWidth +
                         2 * (kLineEditTextMargin + frame) + text.left() + text.right() + m.left() + m.right());
}

}  // namespace kalvora::TextRoom
