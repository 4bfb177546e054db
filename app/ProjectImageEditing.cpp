#include "app/ProjectImageEditing.h"

#include <QFileDialog>
#include <memory>

#include "imaging/cBitmap.h"
#include "platform/Services.h"
#include "views/PreviewDialog.h"

namespace kalvora::ProjectImageEditing {

namespace {

constexpr int kKeepChangesStyle = platform::ButtonsYesNo + platform::IconQuestion;

}  // namespace

QStringList chooseImageFiles(QWidget* parent, const std::string& folder, bool several)
{
    // Made for this use and deleted after it.
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Open Brick Tile(s)"),
                                                QString::fromStdString(folder));
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog->setNameFilters({QStringLiteral("Images Files (*.bmp *.gif *.jpg *.png *.tif)"),
                            QStringLiteral("All Files (*)")});
    if (dialog->exec() != QDialog::Accepted) return {};
    return dialog->selectedFiles();
}

bool editImage(cBitmap& image, const QString& caption, const std::string& question)
{
    if (image.Width() < 1 || image.Height() < 1) return false;
    PreviewDialog& editor = PreviewDialog::instance();
    editor.SetBitmap(image);
    editor.setWindowTitle(caption);
    editor.exec();
    cBitmap& edited = editor.Bitmap();
    if (edited.Width() < 1) return false;
    if (platform::Services::messageBox().show(question, "Keep Changes", kKeepChangesStyle) != platform::AnswerYes)
        return false;
    // Replaces the pixels only when the copy succeeds.
    return image.CreateFromClone(edited.Width(), edited.Height(), edited.Handle(), edited.PixelFormat()) ==
           platform::Ok;
}

}  // namespace kalvora::ProjectImageEditing
