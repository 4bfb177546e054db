#include "app/MortarFileDialog.h"

#include <QBoxLayout>
#include <QPushButton>

#include "app/ImagePreviewBox.h"
#include "app/ProjectImageEditing.h"
#include "imaging/UISupport.h"
#include "imaging/cGDIP.h"
#include "platform/Services.h"
#include "uicore/ImageFiles.h"

namespace kalvora {

namespace {

constexpr int32_t kShownPathLength = 65;

}  // namespace

MortarFileDialog::MortarFileDialog(QWidget* parent)
    : ProjectImageDialog(tr("Mortar File"), tr("Select one image file "),
                         tr("The selected file will be used as mortar color. You can adjust some image parameters "
                            "such as brightness, contrast or color and resize it by clicking the Edit button."),
                         parent)
{
    setObjectName(QStringLiteral("MortarFileDialog"));
    AddButton = addButton("AddButton", tr("&Select File..."));
    AddButton->setMinimumWidth(420);
    connect(AddButton, &QPushButton::clicked, this, [this] { AddButton_Click(); });
    connect(addButton("EditButton", tr("&Edit...")), &QPushButton::clicked, this, [this] { EditButton_Click(); });
    connect(addButton("RemoveButton", tr("&Remove")), &QPushButton::clicked, this,
            [this] { RemoveButton_Click(); });
    controlsArea()->addStretch(1);
}

MortarFileDialog& MortarFileDialog::instance()
{
    static MortarFileDialog* dialog = new MortarFileDialog;
    return *dialog;
}

void MortarFileDialog::showFileName()
{
    if (InlineBitmap.FileName.empty())
        AddButton->setText(tr("&Select File..."));
    else
        AddButton->setText(QString::fromStdString(UISupport::ShortenText(InlineBitmap.FileName, kShownPathLength)));
}

void MortarFileDialog::prepareShowing()
{
    PreviewPicture->clear();
    showFileName();
    if (!InlineBitmap.FileName.empty()) ShowMortar();
}

void MortarFileDialog::AddButton_Click()
{
    const QStringList paths = ProjectImageEditing::chooseImageFiles(this, ImageDirectory, false);
    if (paths.isEmpty()) return;
    const QString& path = paths.front();
    rememberFolder(path);
    // Loaded aside first, so a file that cannot be read leaves the mortar.
    cInlineBitmap loaded;
    loaded.LoadFromFile(path.toStdString());
    if (!loaded.Bitmap.Handle()) {
        platform::Services::messageBox().show(
            ImageFiles::openFailedText(UISupport::FileTitleFromPath(path.toStdString())),
            ImageFiles::openFailedTitle(), ImageFiles::kOpenFailedStyle);
        return;
    }
    InlineBitmap.Clone(loaded);
    showFileName();
    ShowMortar();
    markChanged();
}

void MortarFileDialog::EditButton_Click()
{
    if (InlineBitmap.FileName.empty()) return;
    if (ProjectImageEditing::editImage(InlineBitmap.Bitmap, QString::fromStdString(InlineBitmap.FileName),
                                       "Update Mortar Image?"))
        markChanged();
    ShowMortar();
}

void MortarFileDialog::RemoveButton_Click()
{
    if (!InlineBitmap.FileName.empty()) {
        InlineBitmap.Remove();
        markChanged();
    }
    PreviewPicture->clear();
    showFileName();
}

void MortarFileDialog::ShowMortar()
{
    if (!InlineBitmap.Bitmap.Handle()) return;
    // A session of its own for this drawing, which receives any failure.
    auto session = std::make_shared<cGDIP>();
    showSize(InlineBitmap.Bitmap.Width(), InlineBitmap.Bitmap.Height());
    FittedPreview preview = PreviewPicture->fit(InlineBitmap.Bitmap);
    preview.pixels.gdip = session;
    PreviewPicture->show(&preview);
}

}  // namespace kalvora
