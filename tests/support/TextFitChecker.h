#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QWidget>
#include <string>
#include <vector>

namespace kalvora::testing {

// Finds the texts of a shown window that the user cannot read whole: every
// visible label, link, check box, option button, push button and read-only
// one-line box whose text is wider (or, wrapped, taller) than the room its
// control gives it, and every control that overlaps a visible sibling or
// reaches out of its parent. Each fault is one line naming the controls.
class TextFitChecker {
public:
    static std::vector<std::string> faults(const QWidget* window)
    {
        std::vector<std::string> found;
        check(window, found);
        return found;
    }

private:
    static std::string nameOf(const QWidget* w)
    {
        const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName();
        return (name + QStringLiteral(" \"") + textOf(w) + QLatin1Char('"')).toStdString();
    }

    static QString textOf(const QWidget* w)
    {
        if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
        if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
        if (auto* box = qobject_cast<const QLineEdit*>(w)) return box->text();
        return {};
    }

    // The room the control's style gives the text, or an empty rectangle
    // for a control without a text to check.
    static QRect textRoom(const QWidget* w)
    {
        if (auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText) return {};
            const int inset = label->margin() + std::max(label->indent(), 0);
            return label->contentsRect().adjusted(inset, label->margin(), -inset, -label->margin());
        }
        if (auto* box = qobject_cast<const QLineEdit*>(w)) {
            if (!box->isReadOnly() || box->text().isEmpty()) return {};
            const int frame = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
            const QMargins m = box->textMargins() + QMargins(frame + 2, frame, frame + 2, frame);
            return box->rect().marginsRemoved(m);
        }
        auto* button = qobject_cast<const QAbstractButton*>(w);
        if (!button || button->text().isEmpty()) return {};
        // A tool button showing only its icon keeps its text for the tooltip.
        auto* tool = qobject_cast<const QToolButton*>(w);
        if (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly) return {};
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<const QCheckBox*>(w)) element = QStyle::SE_CheckBoxContents;
        if (qobject_cast<const QRadioButton*>(w)) element = QStyle::SE_RadioButtonContents;
        QRect room = button->style()->subElementRect(element, &option, button);
        if (element == QStyle::SE_PushButtonContents)
            room.adjust(0, 0, -2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button), 0);
        return room;
    }

    static void checkText(const QWidget* w, std::vector<std::string>& found)
    {
        const QRect room = textRoom(w);
        if (room.isNull()) return;
        QString text = textOf(w);
        if (!qobject_cast<const QLineEdit*>(w)) text.remove(QLatin1Char('&'));
        const QFontMetrics metrics = w->fontMetrics();
        auto* label = qobject_cast<const QLabel*>(w);
        const bool wraps = label && label->wordWrap();
        const QSize need = wraps ? metrics.boundingRect(room, Qt::TextWordWrap, text).size()
                                 : QSize(metrics.horizontalAdvance(text), metrics.height());
        if (need.width() > room.width() || need.height() > room.height())
            found.push_back(nameOf(w) + " needs " + std::to_string(need.width()) + "x" +
                            std::to_string(need.height()) + " px, has " + std::to_string(room.width()) + "x" +
                            std::to_string(room.height()));
    }

    static void check(const QWidget* parent, std::vector<std::string>& found)
    {
        std::vector<const QWidget*> shown;
        for (const QObject* o : parent->children()) {
            auto* w = qobject_cast<const QWidget*>(o);
            if (w && !w->isWindow() && w->isVisible()) shown.push_back(w);
        }
        // A scroll area's contents may be larger than its view: that is scrolling.
        auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
        const bool scrolled = area && area->viewport() == parent;
        for (size_t i = 0; i < shown.size(); ++i) {
            checkText(shown[i], found);
            if (!scrolled && !parent->rect().contains(shown[i]->geometry()))
                found.push_back(nameOf(shown[i]) + " reaches out of " + nameOf(parent));
            for (size_t j = i + 1; j < shown.size(); ++j)
                if (shown[i]->geometry().intersects(shown[j]->geometry()))
                    found.push_back(nameOf(shown[i]) + " overlaps " + nameOf(shown[j]));
            check(shown[i], found);
        }
    }
};

}  // namespace kalvora::testing
