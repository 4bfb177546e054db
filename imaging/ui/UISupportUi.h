#pragma once

#include <cstdint>

#include <QString>

#include "imaging/UISupport.h"

class QLineEdit;
class QSlider;

// Keeping a slider and its text boxes showing the same number. A slider holds
// a number with `decimals` decimals (0..2) as number x 10^decimals.
//
// Every value these procedures put into a slider or a text box is set with
// the control's signals blocked, so none of the control's handlers run: the
// handlers are for the user's own moves and edits only.
namespace kalvora::UISupport {

// The shortest decimal text of value: no exponent, no trailing zeros, no
// thousands separator, the user's decimal separator (10.5, 10, -37).
QString NumberToText(float value);

// Reads what NumberToText writes, with an optional sign and surrounding
// blanks. Anything else, or a value beyond single precision, is not a
// number: false, and value is left as it was.
bool TextToNumber(const QString& text, float& value);

// The same rules in double precision.
bool TextToDouble(const QString& text, double& value);

// text := slider value / 10^decimals, rounded to that many decimals.
void SliderToText(QSlider* slider, QLineEdit* textBox, int32_t decimals);

// slider value := the text's number x 10^decimals, rounded half to even; a
// text that is not a number leaves the slider as it was. Then the text is
// rewritten from the slider, so it always shows what the slider holds.
void TextToSlider(QLineEdit* textBox, QSlider* slider, int32_t decimals);

// The slider holds a percent: the percent box shows it, the pixel box shows
// that percent of referencePx, rounded half to even to whole pixels.
void SliderToPercentAndPx(QSlider* slider, QLineEdit* percentBox, QLineEdit* pxBox,
                          int32_t referencePx, int32_t decimals);

// slider value := the percent box's number x 10^decimals; then both boxes
// are rewritten from the slider.
void PercentTextToSlider(QSlider* slider, QLineEdit* percentBox, QLineEdit* pxBox,
                         int32_t referencePx, int32_t decimals);

// slider value := the pixel box's number / referencePx x 100 x 10^decimals;
// a reference of 0 leaves the slider as it was. Then both boxes are
// rewritten from the slider.
void PxTextToSlider(QSlider* slider, QLineEdit* percentBox, QLineEdit* pxBox,
                    int32_t referencePx, int32_t decimals);

}  // namespace kalvora::UISupport
