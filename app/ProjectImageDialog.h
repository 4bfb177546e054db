#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class QBoxLayout;
class QLabel;
class QPushButton;

namespace kalvora {

class ImagePreviewBox;

// The frame the brick files and mortar file dialogs share: a header, the
// dialog's own controls, a preview box with the image's size, and OK and
// Cancel. The opener hands the dialog copies of the project's images and
// takes them back only after OK; Cancel (also Esc and the close box) puts
// the opener's changed flag back to what it was. Made once, only hidden.
class ProjectImageDialog : public QDialog {
    Q_OBJECT
public:
    // The folder in which the open-file dialog starts; kept between uses.
    std::string ImageDirectory;

    // Shows the dialog modally; returns 1 after OK, 2 after Cancel. The
    // dialog sets HasChangedFlag when it adds, replaces or removes an image.
    int32_t ShowDialog(bool& HasChangedFlag);

protected:
    ProjectImageDialog(const QString& caption, const QString& selectText, const QString& explanation,
                       QWidget* parent);

    // Fills the controls from the working copy before the dialog shows.
    virtual void prepareShowing() = 0;

    // Where the dialog puts its own controls, left of the preview.
    QBoxLayout* controlsArea() const { return m_controls; }
    QPushButton* addButton(const char* name, const QString& caption);
    ImagePreviewBox* PreviewPicture = nullptr;
    // "W px" and "H px"; the labels keep their texts when the box is cleared.
    void showSize(int32_t width, int32_t height);
    void markChanged();
    // Where the open-file dialog chose files: their folder with "/".
    void rememberFolder(const QString& path);

    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OKButton_Click();
    void CancelButton_Click();

    QBoxLayout* m_controls = nullptr;
    QLabel* WidthLabel = nullptr;
    QLabel* HeightLabel = nullptr;
    bool* m_changedFlag = nullptr;
    bool SavedHasChanged = false;
    int32_t Result = 0;
};

}  // namespace kalvora
