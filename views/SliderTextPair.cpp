#include "views/SliderTextPair.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "imaging/ui/UISupportUi.h"
#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr int kTextWidth = 64;
constexpr int kSliderWidth = 220;

}  // namespace

SliderTextPair::SliderTextPair(const Definition& definition, QGridLayout* grid, int row, QObject* owner)
    : QObject(owner), m_digits(definition.digits)
{
    QWidget* page = grid->parentWidget();
    auto* label = new QLabel(QString::fromLatin1(definition.label), page);
    m_slider = new QSlider(Qt::Horizontal, page);
    m_slider->setObjectName(QString::fromLatin1(definition.sliderName));
    m_slider->setRange(definition.minimum, definition.maximum);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(definition.largeStep);
    m_slider->setTickInterval(definition.tickSpacing);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setMinimumWidth(kSliderWidth);
    m_slider->setValue(definition.start);
    m_text = new QLineEdit(page);
    m_text->setObjectName(QString::fromLatin1(definition.textName));
    m_text->setFixedWidth(kTextWidth);
    UISupport::SliderToText(m_slider, m_text, m_digits);

    grid->addWidget(label, row, 0);
    grid->addWidget(m_slider, row, 1);
    grid->addWidget(m_text, row, 2);
    if (definition.percent) grid->addWidget(new QLabel(QStringLiteral("%"), page), row, 3);

    connect(m_slider, &QSlider::valueChanged, this,
            [this] { UISupport::SliderToText(m_slider, m_text, m_digits); });
    connect(m_text, &QLineEdit::returnPressed, this, [this] { commitText(); });
    m_text->installEventFilter(this);
}

bool SliderTextPair::eventFilter(QObject* watched, QEvent* event)
{
    // A box that is being destroyed loses the focus too; it is then no
    // longer a text box, and nothing is committed.
    if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(watched) && m_slider) commitText();
    return QObject::eventFilter(watched, event);
}

int32_t SliderTextPair::scale() const { return UISupport::Pow10(10, m_digits); }

double SliderTextPair::sliderNumber() const { return static_cast<double>(m_slider->value()) / scale(); }

void SliderTextPair::commitText()
{
    float number = 0.0f;
    if (UISupport::TextToNumber(m_text->text(), number)) {
        const double position = platform::roundHalfEven(static_cast<double>(number) * scale());
        if (position < m_slider->minimum() || position > m_slider->maximum()) {
            UISupport::SliderToText(m_slider, m_text, m_digits);
            return;
        }
    }
    UISupport::TextToSlider(m_text, m_slider, m_digits);
}

double SliderTextPair::asDouble() const
{
    double value = 0.0;
    return UISupport::TextToDouble(m_text->text(), value) ? value : sliderNumber();
}

float SliderTextPair::asSingle() const
{
    float value = 0.0f;
    return UISupport::TextToNumber(m_text->text(), value) ? value : static_cast<float>(sliderNumber());
}

int32_t SliderTextPair::asInteger() const
{
    const int32_t low = m_slider->minimum() / scale();
    const int32_t high = m_slider->maximum() / scale();
    return std::clamp(platform::roundToInt32(asDouble()), low, high);
}

uint8_t SliderTextPair::asByte() const { return platform::roundToByte(asInteger()); }

}  // namespace kalvora
