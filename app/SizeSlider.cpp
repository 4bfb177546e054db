#include "app/SizeSlider.h"

#include <QSlider>

namespace kalvora {

QSlider* newSizeSlider(QWidget* parent, const char* name, int minimum, int maximum)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(minimum, maximum);
    slider->setPageStep(1024);
    slider->setSingleStep(256);
    slider->setTickInterval(2048);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setValue(4096);
    return slider;
}

}  // namespace kalvora
