#include "app/BrickFilesDialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ProjectImageEditing.h"

namespace kalvora {

BrickFilesDialog::BrickFilesDialog(QWidget* parent)
    : ProjectImageDialog(tr("Brick Files"), tr("Select at least one image file "),
                         tr("The selected files will be used as bricks by random. You can adjust some image "
                            "parameters such as brightness, contrast or color and resize it by clicking the Edit "
                            "button."),
                         parent)
{
    setObjectName(QStringLiteral("BrickFilesDialog"));
    InputFiles = new QListWidget(this);
    InputFiles->setObjectName(QStringLiteral("InputFiles"));
    InputFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    controlsArea()->addWidget(InputFiles, 1);
    connect(addButton("AddButton", tr("&Add File(s)...")), &QPushButton::clicked, this, [this] { AddButton_Click(); });
    connect(addButton("EditButton", tr("&Edit...")), &QPushButton::clicked, this, [this] { EditButton_Click(); });
    connect(addButton("RemoveButton", tr("&Remove")), &QPushButton::clicked, this,
            [this] { RemoveButton_Click(); });
    connect(addButton("RemoveAllButton", tr("Remove &All...")), &QPushButton::clicked, this,
            [this] { RemoveAllButton_Click(); });
    FileCountLabel = new QLabel(tr("0 files selected"), this);
    FileCountLabel->setObjectName(QStringLiteral("FileCountLabel"));
    controlsArea()->addWidget(FileCountLabel);
    connect(InputFiles, &QListWidget::currentRowChanged, this, [this] { ShowSelectedBrick(); });
    connect(InputFiles, &QListWidget::itemDoubleClicked, this, [this] { EditButton_Click(); });
    LBHS.Init(InputFiles);
}

BrickFilesDialog& BrickFilesDialog::instance()
{
    static BrickFilesDialog* dialog = new BrickFilesDialog;
    return *dialog;
}

void BrickFilesDialog::prepareShowing()
{
    // A reopened dialog never shows an image it no longer holds. The list is
    // emptied directly, so the widest line recorded by LBHS stays.
    PreviewPicture->clear();
    InputFiles->clear();
    m_previews.clear();
    for (const auto& entry : InlineBitmaps.InlineBitmaps) {
        LBHS.AddItem(QString::fromStdString(entry->FileName));
        m_previews.push_back(PreviewPicture->fit(entry->Bitmap));
    }
    if (InputFiles->count() > 0) InputFiles->setCurrentRow(0);
    showCount();
}

void BrickFilesDialog::showEvent(QShowEvent* event)
{
    ProjectImageDialog::showEvent(event);
    ShowSelectedBrick();
}

void BrickFilesDialog::showCount()
{
    FileCountLabel->setText(QString::number(InputFiles->count()) + tr(" files selected"));
}

void BrickFilesDialog::AddButton_Click()
{
    const QStringList paths = ProjectImageEditing::chooseImageFiles(this, ImageDirectory, true);
    if (paths.isEmpty()) return;
    rememberFolder(paths.front());
    for (const QString& path : paths) {
        LBHS.AddItem(path);
        InlineBitmaps.AddNewFromImage(path.toStdString());
        m_previews.push_back(PreviewPicture->fit(InlineBitmaps.InlineBitmaps.back()->Bitmap));
    }
    markChanged();
    showCount();
}

void BrickFilesDialog::EditButton_Click()
{
    const int row = InputFiles->currentRow();
    if (row < 0) return;
    const auto entry = InlineBitmaps.GetInlineBitmap(row + 1);
    if (!entry) return;
    if (!ProjectImageEditing::editImage(entry->Bitmap, QString::fromStdString(entry->FileTitle()),
                                        "Update Brick Image?"))
        return;
    m_previews[row] = PreviewPicture->fit(entry->Bitmap);
    ShowSelectedBrick();
    markChanged();
}

void BrickFilesDialog::RemoveButton_Click()
{
    const int row = InputFiles->currentRow();
    if (row < 0) return;
    {
        // The entry goes before the line, so no redraw sees a line without one.
        InlineBitmaps.Remove(row + 1);
        m_previews.erase(m_previews.begin() + row);
        const QSignalBlocker quiet(InputFiles);
        delete InputFiles->takeItem(row);
    }
    if (row > 0)
        InputFiles->setCurrentRow(row - 1);
    else if (InputFiles->count() > 0)
        InputFiles->setCurrentRow(0);
    else
        PreviewPicture->clear();
    ShowSelectedBrick();
    showCount();
    markChanged();
}

void BrickFilesDialog::RemoveAllButton_Click()
{
    LBHS.Init(InputFiles);
    PreviewPicture->clear();
    m_previews.clear();
    if (InlineBitmaps.Count() > 0) {
        InlineBitmaps.RemoveAll();
        markChanged();
    }
    showCount();
}

void BrickFilesDialog::ShowSelectedBrick()
{
    const int row = InputFiles->currentRow();
    if (row < 0 || row >= static_cast<int>(m_previews.size())) return;
    const auto entry = InlineBitmaps.GetInlineBitmap(row + 1);
    if (!entry) return;
    showSize(entry->Bitmap.Width(), entry->Bitmap.Height());
    PreviewPicture->show(&m_previews[row]);
}

}  // namespace kalvora
