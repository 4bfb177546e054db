#include "views/ImageViewer.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <utility>

#include "imaging/UISupport.h"
#include "imaging/cGDIP.h"
#include "platform/SaveFailedText.h"
#include "platform/Services.h"
#include "platform/codecs/Codecs.h"
#include "uicore/ImageFiles.h"
#include "views/ActivationWatcher.h"
#include "views/ImageToolDialog.h"
#include "views/ImageViewCanvas.h"
#include "views/PlatformColor.h"

namespace kalvora {

ImageViewer::ImageViewer(QWidget* window, bool drawWhenEmpty) : m_window(window), m_view(drawWhenEmpty)
{
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_canvas = new ImageViewCanvas(m_view, window);
    layout->addWidget(m_canvas, 1);

    m_statusBar = new QStatusBar(window);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    m_panels[0] = addPanel("Panel1", QStringLiteral("Zoom"));
    m_panels[1] = addPanel("Panel2", QStringLiteral("Position and size of the current image"));
    m_panels[2] = addPanel("Panel3", QStringLiteral("Color of current pixel"));
    layout->addWidget(m_statusBar);

    for (int i = 0; i < 3; ++i) m_panels[i]->setText(QString::fromStdString(m_view.panelText(i + 1)));
    m_view.setPanelListener([this](int panel, const std::string& text) {
        m_panels[panel - 1]->setText(QString::fromStdString(text));
    });
    new ActivationWatcher(window, [this] { passFocusToToolDialog(); });
}

ImageViewer::~ImageViewer()
{
    m_view.setPanelListener(nullptr);
    // The dialogs still bound to the window let go of it, so none calls into
    // it once it is gone.
    for (const QPointer<QWidget>& dialog : std::exchange(m_toolDialogs, {}))
        if (auto* tool = qobject_cast<ImageToolDialog*>(dialog.data())) tool->unbind(*this);
}

QLabel* ImageViewer::addPanel(const char* name, const QString& toolTip)
{
    auto* panel = new QLabel(m_statusBar);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setToolTip(toolTip);
    // The panels may shrink with the window; their text is cut, never the window kept wide.
    panel->setMinimumWidth(1);
    m_statusBar->addWidget(panel, 1);
    return panel;
}

void ImageViewer::ShowPicture()
{
    if (m_view.ShowPicture()) m_canvas->update();
}

QString ImageViewer::panel1Text() const { return m_panels[0]->text(); }

void ImageViewer::setPanel1Text(const QString& text) { m_view.setPanelText(1, text.toStdString()); }

void ImageViewer::SetFocus()
{
    m_window->activateWindow();
    m_window->setFocus();
}

void ImageViewer::Background_Black()
{
    m_view.Background_Black();
    m_canvas->update();
}

void ImageViewer::Background_White()
{
    m_view.Background_White();
    m_canvas->update();
}

void ImageViewer::Background_Custom()
{
    // Made for this use and deleted after it, so it always starts from the
    // current colour.
    auto dialog = std::make_unique<QColorDialog>(qColorFromPlatform(m_view.BackColor()), m_window);
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    if (dialog->exec() != QDialog::Accepted) return;
    m_view.Background_Color(platformColorFromQt(dialog->selectedColor()));
    m_canvas->update();
}

void ImageViewer::SaveBitmapFile()
{
    for (;;) {
        const QString path = askFileName(true);
        if (path.isEmpty()) return;
        if (saveByExtension(path.toStdString())) return;
    }
}

QString ImageViewer::askFileName(bool forSaving)
{
    QStringList nameFilters;
    for (const std::string& f : ImageFiles::dialogFilters()) nameFilters << QString::fromStdString(f);
    const std::string title = forSaving ? ImageFiles::saveDialogTitle() : ImageFiles::openDialogTitle();
    // Made for this use and deleted after it.
    auto dialog = std::make_unique<QFileDialog>(m_window, QString::fromStdString(title),
                                                QString::fromStdString(m_view.lastDir()));
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilters(nameFilters);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    const QString path = dialog->selectedFiles().front();
    m_view.setLastDir(ImageFiles::folderOf(path.toStdString()));
    return path;
}

bool ImageViewer::saveByExtension(const std::string& path)
{
    const std::string extension = ImageFiles::extensionOf(UISupport::FileTitleFromPath(path));
    const std::string mime = ImageFiles::mimeTypeFor(extension);
    cGDIP session;
    platform::EncoderClsid encoder{};
    if (mime.empty() || !session.GetEncoderClsid(mime, encoder)) {
        platform::Services::messageBox().show(ImageFiles::noEncoderText(extension), ImageFiles::errorTitle(extension),
                                              ImageFiles::kMessageStyle);
        return false;
    }
    platform::EncoderParameters quality;
    quality.quality = ImageFiles::kQuality;
    if (m_view.Bitmap.SaveToFile(path, encoder, &quality) != platform::Ok) {
        platform::Services::messageBox().show(platform::saveFailedText(path, m_view.Bitmap.lastWriteError()),
                                              ImageFiles::errorTitle(extension), ImageFiles::kMessageStyle);
        return true;
    }
    m_window->setWindowTitle(QStringLiteral("Preview ") + QString::fromStdString(path));
    return true;
}

bool ImageViewer::takeCopyOf(cBitmap& NewBitmap)
{
    // An image the shown one's memory holds is copied into it: during a run
    // every report brings one, and fresh memory for each would cost more
    // than the copy itself.
    if (!copyAreaIntoShown(NewBitmap, {0, 0, NewBitmap.Width(), NewBitmap.Height()})) {
        // A fresh copy is made first, so a copy that fails leaves the shown image.
        cBitmap copy;
        if (copy.CreateFromClone(NewBitmap.Width(), NewBitmap.Height(), NewBitmap.Handle(),
                                 NewBitmap.PixelFormat()) != platform::Ok)
            return false;
        m_view.Bitmap = std::move(copy);
    }
    m_view.imgWidth = m_view.Bitmap.Width();
    m_view.imgHeight = m_view.Bitmap.Height();
    return true;
}

bool ImageViewer::copyAreaIntoShown(const cBitmap& NewBitmap, const platform::PixelRect& area)
{
    platform::Image* shown = m_view.Bitmap.Handle();
    const platform::Image* source = NewBitmap.Handle();
    if (!shown || !source) return false;
    const bool sameShape = shown->width() == source->width() && shown->height() == source->height() &&
                           shown->format() == source->format();
    if (sameShape) return shown->copyPixelsFrom(*source, area) == platform::Ok;
    // Another shape: the shown image's memory takes it when large enough,
    // and then all of it is copied.
    if (!reshapeShown(source->width(), source->height(), source->format())) return false;
    return m_view.Bitmap.Handle()->copyPixelsFrom(*source) == platform::Ok;
}

bool ImageViewer::reshapeShown(int32_t width, int32_t height, platform::PixelFormatId format)
{
    std::unique_ptr<platform::Image> image = m_view.Bitmap.releaseImage();
    const bool reshaped = image->reshape(width, height, format) == platform::Ok;
    m_view.Bitmap.adoptImage(std::move(image));
    m_view.imgWidth = m_view.Bitmap.Width();
    m_view.imgHeight = m_view.Bitmap.Height();
    return reshaped;
}

void ImageViewer::adoptMemory(std::unique_ptr<platform::Image> image)
{
    if (!image) return;
    m_view.Bitmap.adoptImage(std::move(image));
    m_view.imgWidth = m_view.Bitmap.Width();
    m_view.imgHeight = m_view.Bitmap.Height();
}

void ImageViewer::registerToolDialog(QWidget* dialog)
{
    if (!dialog) return;
    unregisterToolDialog(dialog);
    m_toolDialogs.emplace_back(dialog);
}

void ImageViewer::unregisterToolDialog(QWidget* dialog)
{
    std::erase_if(m_toolDialogs, [dialog](const QPointer<QWidget>& d) { return d.isNull() || d == dialog; });
}

void ImageViewer::passFocusToToolDialog()
{
    for (const QPointer<QWidget>& dialog : m_toolDialogs) {
        if (dialog.isNull() || !dialog->isVisible()) continue;
        dialog->activateWindow();
        dialog->setFocus();
        return;
    }
}

}  // namespace kalvora
