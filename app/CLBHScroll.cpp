#include "app/CLBHScroll.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QScrollBar>
#include <QStyle>

namespace kalvora {

namespace {

constexpr char kExtent[] = "horizontalExtent";
constexpr char kWatched[] = "horizontalExtentWatched";

// The list view sets its own horizontal range at every layout; this raises
// it again to cover the kept extent.
void raiseRange(QListWidget* list)
{
    const int needed = list->property(kExtent).toInt() - list->viewport()->width();
    QScrollBar* bar = list->horizontalScrollBar();
    if (needed > bar->maximum()) bar->setRange(0, needed);
}

void watch(QListWidget* list)
{
    if (list->property(kWatched).toBool()) return;
    list->setProperty(kWatched, true);
    QObject::connect(list->horizontalScrollBar(), &QScrollBar::rangeChanged, list, [list] { raiseRange(list); });
}

}  // namespace

void CLBHScroll::Init(QListWidget* pListBox)
{
    m_listBox = pListBox;
    m_listBox->clear();
    m_widest = 0;
    m_font = m_listBox->font();
    m_listBox->setProperty(kExtent, 0);
    watch(m_listBox);
}

void CLBHScroll::AddItem(const QString& psItemText)
{
    if (!m_listBox) return;
    m_listBox->addItem(psItemText);
    const int width = QFontMetrics(m_font).horizontalAdvance(psItemText);
    if (width > m_widest) {
        m_widest = width;
        m_listBox->doItemsLayout();
        const bool verticalBar = m_listBox->verticalScrollBar()->maximum() > 0;
        const int extent = width + (verticalBar ? m_listBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 4);
        m_listBox->setProperty(kExtent, extent);
        raiseRange(m_listBox);
    }
    m_listBox->scrollToBottom();
}

int32_t CLBHScroll::extentOf(const QListWidget* listBox) { return listBox->property(kExtent).toInt(); }

}  // namespace kalvora
