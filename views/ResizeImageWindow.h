#pragma once

#include <optional>

#include "imaging/cBitmap.h"
#include "views/ImageToolDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace kalvora {

// Changes the pixel size of the editor's image: the new size in pixels or in
// percent of the size it had when the dialog opened, optionally keeping the
// width-to-height ratio, with one of three interpolations. Preview tries the
// size on the editor's image, OK keeps it, Cancel (also Esc and the close
// box) brings the starting image back. Made once and only hidden, so the
// ratio lock and the interpolation choice carry over between uses.
class ResizeImageWindow : public ImageToolDialog {
    Q_OBJECT
public:
    explicit ResizeImageWindow(QWidget* parent = nullptr);

    // The program's one resize dialog, made on the first call.
    static ResizeImageWindow& instance();

    void Init(ImageViewer& ParentPreviewWindow) override;
    // Shows the opener's current image again, at 100 % and centred.
    void UpdatePreviewImage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPixelTab();
    void buildPercentTab();
    void buildOptions();
    void buildButtons();
    QLineEdit* addBox(const char* name);
    QLabel* addLabel(const char* name, const QString& text);

    // Focus-loss handlers of the six boxes.
    void PixelWidth_LostFocus();
    void PixelHeight_LostFocus();
    void PercentWidth_LostFocus();
    void PercentHeight_LostFocus();
    void AspectText_LostFocus(QLineEdit* box);
    void AspectCheck_Click(QCheckBox* clicked);
    void runFocusedBoxHandler();
    void lostFocus(QObject* box);

    void PreviewButton_Click();
    void SetButton_Click();
    void CancelButton_Click();
    // Resizes the opener's image from the backup; false (with a message and
    // the starting image back) when the boxes hold no size it can make.
    bool PreviewResize();
    void CloseWindow(bool Apply);
    void restoreBackup();
    platform::InterpolationMode interpolationMode() const;

    std::optional<double> number(const QLineEdit* box) const;
    void writeWhole(QLineEdit* box, std::optional<double> value);
    void writeRatio(std::optional<double> value);
    bool locked() const;

    cBitmap BackupBitmap;
    ImageViewer* Parent = nullptr;

    QTabWidget* SSTab1 = nullptr;
    QLineEdit* PixelWidth = nullptr;
    QLineEdit* PixelHeight = nullptr;
    QLineEdit* PixelAspectText = nullptr;
    QLineEdit* PercentWidth = nullptr;
    QLineEdit* PercentHeight = nullptr;
    QLineEdit* PercentAspectText = nullptr;
    QCheckBox* PixelAspectCheck = nullptr;
    QCheckBox* PercentAspectCheck = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QPushButton* PreviewButton = nullptr;
    QPushButton* SetButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

}  // namespace kalvora
