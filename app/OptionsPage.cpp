#include "app/OptionsPage.h"

#include <QLayout>
#include <QScrollArea>

namespace kalvora {

OptionsPage::OptionsPage(QWidget* parent) : QWidget(parent) {}

QScrollArea* OptionsPage::inScrollArea()
{
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(this);
    return area;
}

int OptionsPage::heightForWidth(int width) const
{
    return layout() ? layout()->totalMinimumHeightForWidth(width) : QWidget::heightForWidth(width);
}

}  // namespace kalvora
