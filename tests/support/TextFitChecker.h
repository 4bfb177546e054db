#pragma once

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QToolButton>
#include <string>
#include <vector>

namespace kalvora::testing {

// A control's text and the room its style gives it; no text for a control
// that is not checked.
struct ShownText {
    QString text;
    QRect room;
    bool wraps = false;
};

inline ShownText shownText(const QWidget* w)
{
    ShownText t;
    if (auto* label = qobject_cast<const QLabel*>(w); label && label->textFormat() != Qt::RichText) {
        const int inset = label->margin() + std::max(label->indent(), 0);
        t = {label->text(), label->contentsRect().adjusted(inset, label->margin(), -inset, -label->margin()),
             label->wordWrap()};
    } else if (auto* box = qobject_cast<const QLineEdit*>(w); box && box->isReadOnly()) {
        // The box draws its text 2 px inside its frame and text margins, and
        // keeps the pixel after the text for its cursor: a text as wide as
        // that area is scrolled by a pixel.
        const int frame = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        t = {box->text(),
             box->contentsRect().marginsRemoved(box->textMargins() + QMargins(frame + 2, frame, frame + 3, frame))};
    } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        // A tool button showing only its icon keeps its text for the tooltip.
        auto* tool = qobject_cast<const QToolButton*>(w);
        if (!tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly) t.text = button->text().remove('&');
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = t.text;
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        const bool check = qobject_cast<const QCheckBox*>(w), radio = qobject_cast<const QRadioButton*>(w);
        const int margin = check || radio ? 0 : w->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, w);
        t.room = w->style()
                     ->subElementRect(check   ? QStyle::SE_CheckBoxContents
                                      : radio ? QStyle::SE_RadioButtonContents
                                              : QStyle::SE_PushButtonContents,
                                      &option, w)
                     .adjusted(0, 0, -2 * margin, 0);
    }
    return t;
}

// The texts of a shown window that a user cannot read whole: every visible
// label, link, check box, option button, push button and read-only one-line
// box whose text is wider (wrapped: taller) than the room its style gives
// it, and every control overlapping a visible sibling or reaching out of its
// parent (a scroll area's contents excepted). One line per fault.
inline std::vector<std::string> textFitFaults(const QWidget* parent)
{
    auto name = [](const QWidget* w) {
        return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName())
            .toStdString();
    };
    std::vector<std::string> found;
    std::vector<const QWidget*> shown;
    for (QObject* o : parent->children())
        if (auto* w = qobject_cast<const QWidget*>(o); w && !w->isWindow() && w->isVisible()) shown.push_back(w);
    auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
    const bool scrolled = area && area->viewport() == parent;
    for (size_t i = 0; i < shown.size(); ++i) {
        const QWidget* w = shown[i];
        const auto [text, room, wraps] = shownText(w);
        const QFontMetrics metrics = w->fontMetrics();
        const QSize need = wraps ? metrics.boundingRect(room, Qt::TextWordWrap, text).size()
                                 : QSize(metrics.horizontalAdvance(text), metrics.height());
        if (!text.isEmpty() && (need.width() > room.width() || need.height() > room.height()))
            found.push_back(name(w) + " \"" + text.toStdString() + "\" needs " + std::to_string(need.width()) + "x" +
                            std::to_string(need.height()) + " px, has " + std::to_string(room.width()) + "x" +
                            std::to_string(room.height()));
        if (!scrolled && !parent->rect().contains(w->geometry()))
            found.push_back(name(w) + " reaches out of " + name(parent));
        for (size_t j = i + 1; j < shown.size(); ++j)
            if (w->geometry().intersects(shown[j]->geometry())) found.push_back(name(w) + " overlaps " + name(shown[j]));
        for (const std::string& fault : textFitFaults(w)) found.push_back(fault);
    }
    return found;
}

}  // namespace kalvora::testing
