#include "app/ProjectImageDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ImagePreviewBox.h"
#include "uicore/ImageFiles.h"

namespace kalvora {

namespace {

constexpr int32_t kOk = 1;
constexpr int32_t kCancel = 2;

QLabel* namedLabel(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* picture(const char* name, const QString& resource, QWidget* parent)
{
    QLabel* label = namedLabel(name, QString(), parent);
    label->setPixmap(QPixmap(resource));
    return label;
}

}  // namespace

ProjectImageDialog::ProjectImageDialog(const QString& caption, const QString& selectText,
                                       const QString& explanation, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture("Picture1", QStringLiteral(":/pictures/header.png"), this));
    auto* heading = new QHBoxLayout;
    heading->addWidget(picture("Picture2", QStringLiteral(":/pictures/bricks48.png"), this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(namedLabel("Label1", selectText, this));
    QLabel* label2 = namedLabel("Label2", explanation, this);
    label2->setWordWrap(true);
    texts->addWidget(label2);
    heading->addLayout(texts, 1);
    layout->addLayout(heading);

    auto* middle = new QHBoxLayout;
    m_controls = new QVBoxLayout;
    middle->addLayout(m_controls, 1);
    auto* frame = new QGroupBox(tr("Preview:"), this);
    frame->setObjectName(QStringLiteral("PreviewFrame"));
    auto* grid = new QGridLayout(frame);
    PreviewPicture = new ImagePreviewBox(frame);
    grid->addWidget(PreviewPicture, 0, 0, 1, 2);
    WidthLabel = namedLabel("WidthLabel", tr("0 px"), frame);
    HeightLabel = namedLabel("HeightLabel", tr("0 px"), frame);
    grid->addWidget(namedLabel("Label4", tr("Width:"), frame), 1, 0);
    grid->addWidget(WidthLabel, 1, 1);
    grid->addWidget(namedLabel("Label5", tr("Height:"), frame), 2, 0);
    grid->addWidget(HeightLabel, 2, 1);
    middle->addWidget(frame);
    layout->addLayout(middle);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(cancel, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

QPushButton* ProjectImageDialog::addButton(const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    m_controls->addWidget(button);
    return button;
}

int32_t ProjectImageDialog::ShowDialog(bool& HasChangedFlag)
{
    m_changedFlag = &HasChangedFlag;
    SavedHasChanged = HasChangedFlag;
    Result = kCancel;
    prepareShowing();
    exec();
    m_changedFlag = nullptr;
    return Result;
}

void ProjectImageDialog::showSize(int32_t width, int32_t height)
{
    WidthLabel->setText(QString::number(width) + QStringLiteral(" px"));
    HeightLabel->setText(QString::number(height) + QStringLiteral(" px"));
}

void ProjectImageDialog::markChanged()
{
    if (m_changedFlag) *m_changedFlag = true;
}

void ProjectImageDialog::rememberFolder(const QString& path)
{
    ImageDirectory = ImageFiles::folderOf(path.toStdString());
}

void ProjectImageDialog::OKButton_Click()
{
    Result = kOk;
    hide();
}

void ProjectImageDialog::CancelButton_Click()
{
    if (m_changedFlag) *m_changedFlag = SavedHasChanged;
    Result = kCancel;
    hide();
}

// Esc and the close box are Cancel: only OK hands the working copy over.
void ProjectImageDialog::reject() { CancelButton_Click(); }

void ProjectImageDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    CancelButton_Click();
}

}  // namespace kalvora
