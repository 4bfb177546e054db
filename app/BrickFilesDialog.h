#pragma once

#include <vector>

#include "app/CLBHScroll.h"
#include "app/ImagePreviewBox.h"
#include "app/ProjectImageDialog.h"
#include "imaging/cInlineBitmapCollection.h"

class QLabel;
class QListWidget;

namespace kalvora {

// "Brick Files": the project's brick images as a list of paths, with
// buttons to add files, edit the selected image in the image editor, remove
// one or all, and a preview of the selected image. Works on the opener's
// copy (InlineBitmaps); line i of InputFiles is entry i + 1.
class BrickFilesDialog : public ProjectImageDialog {
    Q_OBJECT
public:
    explicit BrickFilesDialog(QWidget* parent = nullptr);

    // The program's one brick files dialog, made on the first call.
    static BrickFilesDialog& instance();

    cInlineBitmapCollection InlineBitmaps;
    CLBHScroll LBHS;

protected:
    void prepareShowing() override;
    void showEvent(QShowEvent* event) override;

private:
    void AddButton_Click();
    void EditButton_Click();
    void RemoveButton_Click();
    void RemoveAllButton_Click();
    void ShowSelectedBrick();
    void showCount();

    QListWidget* InputFiles = nullptr;
    QLabel* FileCountLabel = nullptr;
    // The fitted preview of each entry, in the entries' order.
    std::vector<FittedPreview> m_previews;
};

}  // namespace kalvora
