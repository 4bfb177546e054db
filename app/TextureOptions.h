#pragma once

#include <QDialog>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace kalvora {

struct BrickSettings;
class TextureOptionsModel;

// The texture options dialog: the size, blend size and brick offset of the
// border, arch and column textures, shown once at the start of every run of
// those types. It is a view of the program's one TextureOptionsModel, which
// keeps the values from one run to the next; the dialog keeps nothing but
// its widgets. Made once by its accessor and only hidden after each showing.
class TextureOptions : public QDialog {
    Q_OBJECT
public:
    // The one dialog, made on the first call.
    static TextureOptions& instance();

    // Shows the values of the texture type modally over owner's window and
    // then stores what the sliders and the offset list hold into the model,
    // after OK and Cancel alike. Returns 1 for OK and 2 for Cancel (also Esc
    // and the close box); type 0 returns 1 at once and shows nothing.
    int32_t ShowDialog(TextureOptionsModel& model, const BrickSettings& aBrickData, int32_t aBrickStyle,
                       QWidget* owner);

    // Esc and the close box act as Cancel.
    void reject() override;

private:
    TextureOptions();

    QGroupBox* makeFrame(const char* name, const char* caption);
    // A frame holding a label, a text box, its slider and "px".
    QGroupBox* makeSizeFrame(const char* name, const char* caption, const char* label, const char* labelName,
                             QLineEdit*& text, const char* textName, QSlider*& slider, const char* sliderName);
    void layOut(QGroupBox* width, QGroupBox* height, QGroupBox* transparency, QGroupBox* offset);
    void connectHandlers();

    void ShowValues();
    void StoreValues();
    void EnableFrames(int32_t brickStyle);
    static void EnableFrame(QGroupBox* frame, bool enabled);
    void showOver(QWidget* owner);

    void DefaultButton_Click();
    void OKButton_Click();
    void WidthText_LostFocus();
    void HeightText_LostFocus();
    void AntialiasText_LostFocus();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* WidthFrame = nullptr;
    QGroupBox* HeightFrame = nullptr;
    QGroupBox* TranspFrame = nullptr;
    QGroupBox* OffsetFrame = nullptr;
    QLineEdit* WidthText = nullptr;
    QLineEdit* HeightText = nullptr;
    QLineEdit* AntialiasText = nullptr;
    QSlider* WidthSlider = nullptr;
    QSlider* HeightSlider = nullptr;
    QSlider* AntialiasSlider = nullptr;
    QComboBox* BrickOffset = nullptr;
    QPushButton* DefaultButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* Picture2 = nullptr;

    // The model of the current showing; none between showings.
    TextureOptionsModel* m_model = nullptr;
};

}  // namespace kalvora
