#include "imaging/ui/UISupportUi.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>

#include "platform/Numeric.h"

namespace kalvora::UISupport {

namespace {

constexpr char16_t kMinusSign = u'\u2212';

int32_t scaleOf(int32_t decimals)
{
    return Pow10(10, decimals < 0 ? 0 : decimals);
}

void setSliderSilently(QSlider* slider, int32_t value)
{
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void setTextSilently(QLineEdit* textBox, const QString& text)
{
    const QSignalBlocker blocker(textBox);
    textBox->setText(text);
}

// A real slider value becomes an integer half to even; a value beyond the
// 32-bit range (or not finite) is refused, so the slider keeps its value.
bool toSliderValue(double value, int32_t& out)
{
    if (!std::isfinite(value)) return false;
    const double rounded = platform::roundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return false;
    }
    out = static_cast<int32_t>(rounded);
    return true;
}

// Moves the slider, without signals, to the value rounded half to even,
// unless toSliderValue refuses it.
void setSliderRounded(QSlider* slider, double value)
{
    int32_t sliderValue = 0;
    if (toSliderValue(value, sliderValue)) setSliderSilently(slider, sliderValue);
}

// The slider's number: value / 10^decimals in single precision, rounded to
// that many decimals half to even.
float sliderNumber(const QSlider* slider, int32_t decimals)
{
    const int32_t scale = scaleOf(decimals);
    const float quotient = static_cast<float>(slider->value()) / static_cast<float>(scale);
    const double rounded = platform::roundHalfEven(static_cast<double>(quotient) * scale) / scale;
    return static_cast<float>(rounded);
}

QString localiseDecimalPoint(const char* first, const char* last)
{
    const QString decimalPoint = QLocale().decimalPoint();
    QString text;
    for (const char* p = first; p != last; ++p) {
        if (*p == '.')
            text += decimalPoint;
        else
            text += QLatin1Char(*p);
    }
    return text;
}

QString wholeNumberToText(int64_t value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

}  // namespace

QString NumberToText(float value)
{
    if (value == 0.0f || !std::isfinite(value)) return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc()) return QStringLiteral("0");
    return localiseDecimalPoint(buffer, result.ptr);
}

namespace {

// The number in text as plain ASCII ("-12.5"): an optional sign, digits with
// at most one of the user's decimal separators, blanks around. False for
// anything else.
bool plainNumberText(const QString& text, std::string& ascii)
{
    const QLocale locale;
    const QString decimalPoint = locale.decimalPoint();
    const QString s = text.trimmed();

    qsizetype pos = 0;
    bool negative = false;
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QChar(kMinusSign))) {
        negative = true;
        pos = 1;
    } else if (!locale.negativeSign().isEmpty() && s.startsWith(locale.negativeSign())) {
        negative = true;
        pos = locale.negativeSign().size();
    } else if (s.startsWith(QLatin1Char('+'))) {
        pos = 1;
    } else if (!locale.positiveSign().isEmpty() && s.startsWith(locale.positiveSign())) {
        pos = locale.positiveSign().size();
    }

    ascii = negative ? "-0" : "0";
    bool seenPoint = false;
    bool seenDigit = false;
    while (pos < s.size()) {
        const QChar c = s.at(pos);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ascii += static_cast<char>(c.unicode());
            seenDigit = true;
            ++pos;
        } else if (!seenPoint && !decimalPoint.isEmpty() && QStringView(s).mid(pos).startsWith(decimalPoint)) {
            ascii += '.';
            seenPoint = true;
            pos += decimalPoint.size();
        } else {
            return false;
        }
    }
    return seenDigit;
}

template <typename Real>
bool parseNumber(const QString& text, Real& value)
{
    std::string ascii;
    if (!plainNumberText(text, ascii)) return false;
    Real parsed = 0;
    const char* last = ascii.data() + ascii.size();
    const auto result = std::from_chars(ascii.data(), last, parsed, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

}  // namespace

bool TextToNumber(const QString& text, float& value) { return parseNumber(text, value); }

bool TextToDouble(const QString& text, double& value) { return parseNumber(text, value); }

void SliderToText(QSlider* slider, QLineEdit* textBox, int32_t decimals)
{
    if (!slider || !textBox) return;
    setTextSilently(textBox, NumberToText(sliderNumber(slider, decimals)));
}

void TextToSlider(QLineEdit* textBox, QSlider* slider, int32_t decimals)
{
    if (!slider || !textBox) return;
    float number = 0.0f;
    if (TextToNumber(textBox->text(), number))
        setSliderRounded(slider, static_cast<double>(number) * scaleOf(decimals));
    SliderToText(slider, textBox, decimals);
}

void SliderToPercentAndPx(QSlider* slider, QLineEdit* percentBox, QLineEdit* pxBox,
                          int32_t referencePx, int32_t decimals)
{
    if (!slider || !percentBox || !pxBox) return;
    const float percent = sliderNumber(slider, decimals);
    const double pixels = platform::roundHalfEven(static_cast<double>(percent) / 100.0 * referencePx);
    setTextSilently(percentBox, NumberToText(percent));
    setTextSilently(pxBox, wholeNumberToText(static_cast<int64_t>(pixels)));
}

void PercentTextToSlider(QSlider* slider, QLineEdit* percentBox, QLineEdit* pxBox,
                         int32_t referencePx, int32_t decimals)
{
    if (!slider || !percentBox || !pxBox) return;
    float percent = 0.0f;
    if (TextToNumber(percentBox->text(), percent))
        setSliderRounded(slider, static_cast<double>(percent) * scaleOf(decimals));
    SliderToPercentAndPx(slider, percentBox, pxBox, referencePx, decimals);
}

void PxTextToSlider(QSlider* slider, QLineEdit* percentBox, QLineEdit* pxBox,
                    int32_t referencePx, int32_t decimals)
{
    if (!slider || !percentBox || !pxBox) return;
    float pixels = 0.0f;
    if (referencePx != 0 && TextToNumber(pxBox->text(), pixels))
        setSliderRounded(slider, static_cast<double>(pixels) / referencePx * 100.0 * scaleOf(decimals));
    SliderToPercentAndPx(slider, percentBox, pxBox, referencePx, decimals);
}

}  // namespace kalvora::UISupport
