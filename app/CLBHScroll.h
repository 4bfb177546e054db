#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

class QListWidget;

namespace kalvora {

// Fills a list box line by line, keeps its horizontal scroll range as wide
// as the widest line added since Init, and shows the last line after each
// addition.
class CLBHScroll {
public:
    // Binds the list box, empties it and forgets the widest width.
    void Init(QListWidget* pListBox);
    // Appends a line, widens the scroll range when the line is the widest so
    // far, and scrolls to the last line.
    void AddItem(const QString& psItemText);

    // The width a list box's horizontal scroll range covers, in pixels; the
    // list box keeps it, as it keeps its lines.
    static int32_t extentOf(const QListWidget* listBox);

private:
    // The list box, also standing for its window.
    QListWidget* m_listBox = nullptr;
    // Width in pixels of the widest line added since Init.
    int32_t m_widest = 0;
    // The list box's font, taken at Init.
    QFont m_font;
};

}  // namespace kalvora
