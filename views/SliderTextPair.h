#pragma once

#include <QObject>
#include <QPointer>
#include <QLineEdit>
#include <QSlider>
#include <cstdint>

class QGridLayout;

namespace kalvora {

// One slider and its text box on a filter dialog's page: the label left of
// the slider, the text box right of it (and a "%" label after it for
// percentages). Moving the slider rewrites the text; the text takes effect
// when its box loses the focus or the user presses Enter in it. The filters
// read the text, never the slider.
class SliderTextPair : public QObject {
public:
    struct Definition {
        const char* label;
        const char* sliderName;
        const char* textName;
        int32_t minimum;
        int32_t maximum;
        int32_t start;
        int32_t digits;
        int32_t largeStep;
        int32_t tickSpacing;
        bool percent;
    };

    // Adds the pair's controls to row `row` of the grid.
    SliderTextPair(const Definition& definition, QGridLayout* grid, int row, QObject* owner);

    QSlider* slider() const { return m_slider; }
    QLineEdit* textBox() const { return m_text; }

    // The focus-loss handler: a number within the slider's range moves the
    // slider; then the text is rewritten from the slider. Anything else, a
    // number outside the range included, leaves the slider as it was.
    void commitText();

    // The text as the filters take it. The whole-number conversions round
    // half to even and stay within the pair's range; a text that is not a
    // number counts as the slider's value.
    double asDouble() const;
    float asSingle() const;
    int32_t asInteger() const;
    uint8_t asByte() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int32_t scale() const;
    double sliderNumber() const;

    // Guarded: while a window is torn down the slider goes first.
    QPointer<QSlider> m_slider;
    QPointer<QLineEdit> m_text;
    int32_t m_digits;
};

}  // namespace kalvora
