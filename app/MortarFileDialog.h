#pragma once

#include "app/ProjectImageDialog.h"
#include "imaging/cInlineBitmap.h"

class QPushButton;

namespace kalvora {

// "Mortar File": the project's one mortar image, chosen from a file, edited
// in the image editor or removed, with a preview. Works on the opener's copy
// (InlineBitmap); an image is present while its FileName is not empty.
class MortarFileDialog : public ProjectImageDialog {
    Q_OBJECT
public:
    explicit MortarFileDialog(QWidget* parent = nullptr);

    // The program's one mortar file dialog, made on the first call.
    static MortarFileDialog& instance();

    cInlineBitmap InlineBitmap;

protected:
    void prepareShowing() override;

private:
    void AddButton_Click();
    void EditButton_Click();
    void RemoveButton_Click();
    void ShowMortar();
    void showFileName();

    QPushButton* AddButton = nullptr;
};

}  // namespace kalvora
