#include "views/ResizeImageWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "imaging/ui/UISupportUi.h"
#include "platform/ImageLimits.h"
#include "platform/Services.h"
#include "platform/Surface.h"
#include "uicore/ResizeRules.h"
#include "views/ImageViewer.h"

namespace kalvora {

namespace {

constexpr int kMessageStyle = 48;

QString localDecimal(const std::string& ascii)
{
    QString text = QString::fromStdString(ascii);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

}  // namespace

ResizeImageWindow::ResizeImageWindow(QWidget* parent) : ImageToolDialog(parent)
{
    setObjectName(QStringLiteral("ResizeImageWindow"));
    setWindowTitle(QString::fromStdString(ResizeRules::dialogTitle()));
    auto* layout = new QVBoxLayout(this);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    layout->addWidget(SSTab1);
    buildPixelTab();
    buildPercentTab();
    buildOptions();
    buildButtons();
    SSTab1->setCurrentIndex(0);
}

ResizeImageWindow& ResizeImageWindow::instance()
{
    static ResizeImageWindow* dialog = new ResizeImageWindow;
    return *dialog;
}

QLineEdit* ResizeImageWindow::addBox(const char* name)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(name));
    // Every focus loss validates, also when the text did not change.
    box->installEventFilter(this);
    return box;
}

QLabel* ResizeImageWindow::addLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

void ResizeImageWindow::buildPixelTab()
{
    auto* page = new QWidget(SSTab1);
    auto* grid = new QGridLayout(page);
    PixelWidth = addBox("PixelWidth");
    PixelHeight = addBox("PixelHeight");
    PixelAspectText = addBox("PixelAspectText");
    PixelAspectCheck = new QCheckBox(tr("Maintain Aspect Ratio:"), page);
    PixelAspectCheck->setObjectName(QStringLiteral("PixelAspectCheck"));
    PixelAspectCheck->setChecked(true);
    connect(PixelAspectCheck, &QCheckBox::clicked, this, [this] { AspectCheck_Click(PixelAspectCheck); });
    grid->addWidget(addLabel("Label6", tr("Width:")), 0, 0);
    grid->addWidget(PixelWidth, 0, 1);
    grid->addWidget(addLabel("Label9", tr("px")), 0, 2);
    grid->addWidget(addLabel("Label7", tr("Height:")), 1, 0);
    grid->addWidget(PixelHeight, 1, 1);
    grid->addWidget(addLabel("Label10", tr("px")), 1, 2);
    grid->addWidget(PixelAspectCheck, 2, 0);
    grid->addWidget(PixelAspectText, 2, 1);
    SSTab1->addTab(page, tr("Pixel"));
}

void ResizeImageWindow::buildPercentTab()
{
    auto* page = new QWidget(SSTab1);
    auto* grid = new QGridLayout(page);
    PercentWidth = addBox("PercentWidth");
    PercentHeight = addBox("PercentHeight");
    PercentAspectText = addBox("PercentAspectText");
    PercentAspectCheck = new QCheckBox(tr("Maintain Aspect Ratio:"), page);
    PercentAspectCheck->setObjectName(QStringLiteral("PercentAspectCheck"));
    PercentAspectCheck->setChecked(true);
    connect(PercentAspectCheck, &QCheckBox::clicked, this, [this] { AspectCheck_Click(PercentAspectCheck); });
    grid->addWidget(addLabel("Label1", tr("Width:")), 0, 0);
    grid->addWidget(PercentWidth, 0, 1);
    grid->addWidget(addLabel("Label4", tr("%")), 0, 2);
    grid->addWidget(addLabel("Label2", tr("Height:")), 1, 0);
    grid->addWidget(PercentHeight, 1, 1);
    grid->addWidget(addLabel("Label5", tr("%")), 1, 2);
    grid->addWidget(PercentAspectCheck, 2, 0);
    grid->addWidget(PercentAspectText, 2, 1);
    SSTab1->addTab(page, tr("Percent"));
}

void ResizeImageWindow::buildOptions()
{
    auto* group = new QGroupBox(this);
    auto* column = new QVBoxLayout(group);
    auto option = [&](const char* name, const QString& caption) {
        auto* button = new QRadioButton(caption, group);
        button->setObjectName(QString::fromLatin1(name));
        column->addWidget(button);
        return button;
    };
    Option1 = option("Option1", tr("Pixel Resize / Nearest Neighbor"));
    Option2 = option("Option2", tr("Bilinear Interpolation"));
    Option3 = option("Option3", tr("Bicubic Interpolation (Best Quality)"));
    Option3->setChecked(true);
    layout()->addWidget(group);
}

void ResizeImageWindow::buildButtons()
{
    auto* row = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        row->addWidget(b);
        return b;
    };
    PreviewButton = button("PreviewButton", tr("Preview"));
    SetButton = button("SetButton", tr("OK"));
    CancelButton = button("CancelButton", tr("Cancel"));
    // Enter presses OK; Esc is Cancel through reject().
    SetButton->setAutoDefault(true);
    SetButton->setDefault(true);
    connect(PreviewButton, &QPushButton::clicked, this, [this] { PreviewButton_Click(); });
    connect(SetButton, &QPushButton::clicked, this, [this] { SetButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void ResizeImageWindow::Init(ImageViewer& ParentPreviewWindow)
{
    Parent = &ParentPreviewWindow;
    cBitmap& image = Parent->Bitmap();
    writeWhole(PixelWidth, image.Width());
    writeWhole(PixelHeight, image.Height());
    // In full here; every later change writes it to 5 decimals.
    if (image.Height() > 0) writeRatio(double(image.Width()) / image.Height());
    PercentWidth->setText(QStringLiteral("100"));
    PercentHeight->setText(QStringLiteral("100"));
    BackupBitmap.Dispose();
    BackupBitmap.CreateFromClone(image.Width(), image.Height(), image.Handle(), image.PixelFormat());
}

std::optional<double> ResizeImageWindow::number(const QLineEdit* box) const
{
    double value = 0;
    if (!UISupport::TextToDouble(box->text(), value)) return std::nullopt;
    return value;
}

void ResizeImageWindow::writeWhole(QLineEdit* box, std::optional<double> value)
{
    if (value) box->setText(QString::fromStdString(ResizeRules::wholeText(*value)));
}

// Both ratio boxes hold the one ratio.
void ResizeImageWindow::writeRatio(std::optional<double> value)
{
    if (!value) return;
    const QString text = localDecimal(ResizeRules::decimalText(*value));
    PixelAspectText->setText(text);
    PercentAspectText->setText(text);
}

bool ResizeImageWindow::locked() const { return PixelAspectCheck->isChecked(); }

bool ResizeImageWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) lostFocus(watched);
    return ImageToolDialog::eventFilter(watched, event);
}

void ResizeImageWindow::lostFocus(QObject* box)
{
    if (box == PixelWidth)
        PixelWidth_LostFocus();
    else if (box == PixelHeight)
        PixelHeight_LostFocus();
    else if (box == PercentWidth)
        PercentWidth_LostFocus();
    else if (box == PercentHeight)
        PercentHeight_LostFocus();
    else if (box == PixelAspectText || box == PercentAspectText)
        AspectText_LostFocus(static_cast<QLineEdit*>(box));
}

void ResizeImageWindow::runFocusedBoxHandler() { lostFocus(QApplication::focusWidget()); }

// With the ratio locked, a pixel box the step writes brings its percent box
// along, so the percent boxes always describe the pixel boxes.
void ResizeImageWindow::PixelWidth_LostFocus()
{
    writeWhole(PixelWidth, ResizeRules::validPixels(number(PixelWidth)));
    const double w0 = BackupBitmap.Width();
    const double h0 = BackupBitmap.Height();
    auto pw = number(PixelWidth);
    if (!pw) return;
    writeWhole(PercentWidth, ResizeRules::percentOf(*pw, w0));
    auto ph = number(PixelHeight);
    if (locked()) {
        if (auto r = number(PixelAspectText)) writeWhole(PixelHeight, ResizeRules::heightFor(*pw, *r));
        if ((ph = number(PixelHeight))) writeWhole(PercentHeight, ResizeRules::percentOf(*ph, h0));
    } else if (ph) {
        writeRatio(ResizeRules::ratioOf(*pw, *ph));
    }
}

void ResizeImageWindow::PixelHeight_LostFocus()
{
    writeWhole(PixelHeight, ResizeRules::validPixels(number(PixelHeight)));
    const double w0 = BackupBitmap.Width();
    const double h0 = BackupBitmap.Height();
    auto ph = number(PixelHeight);
    if (!ph) return;
    writeWhole(PercentHeight, ResizeRules::percentOf(*ph, h0));
    auto pw = number(PixelWidth);
    if (locked()) {
        if (auto r = number(PixelAspectText)) writeWhole(PixelWidth, ResizeRules::widthFor(*ph, *r));
        if ((pw = number(PixelWidth))) writeWhole(PercentWidth, ResizeRules::percentOf(*pw, w0));
    } else if (pw) {
        writeRatio(ResizeRules::ratioOf(*pw, *ph));
    }
}

void ResizeImageWindow::PercentWidth_LostFocus()
{
    writeWhole(PercentWidth, ResizeRules::validPercent(number(PercentWidth)));
    auto percent = number(PercentWidth);
    if (!percent) return;
    writeWhole(PixelWidth, ResizeRules::pixelsOf(BackupBitmap.Width(), *percent));
    auto pw = number(PixelWidth);
    if (locked()) {
        PercentHeight->setText(PercentWidth->text());
        auto r = number(PercentAspectText);
        if (pw && r) writeWhole(PixelHeight, ResizeRules::heightFor(*pw, *r));
    } else if (auto ph = number(PixelHeight); pw && ph) {
        writeRatio(ResizeRules::ratioOf(*pw, *ph));
    }
}

void ResizeImageWindow::PercentHeight_LostFocus()
{
    writeWhole(PercentHeight, ResizeRules::validPercent(number(PercentHeight)));
    auto percent = number(PercentHeight);
    if (!percent) return;
    writeWhole(PixelHeight, ResizeRules::pixelsOf(BackupBitmap.Height(), *percent));
    auto ph = number(PixelHeight);
    if (locked()) {
        PercentWidth->setText(PercentHeight->text());
        auto r = number(PercentAspectText);
        if (ph && r) writeWhole(PixelWidth, ResizeRules::widthFor(*ph, *r));
    } else if (auto pw = number(PixelWidth); pw && ph) {
        writeRatio(ResizeRules::ratioOf(*pw, *ph));
    }
}

void ResizeImageWindow::AspectText_LostFocus(QLineEdit* box)
{
    const auto r = ResizeRules::validRatio(number(box));
    if (r) writeRatio(r);
    auto pw = number(PixelWidth);
    if (!pw || !r) return;
    writeWhole(PixelHeight, ResizeRules::heightFor(*pw, *r));
    if (auto ph = number(PixelHeight)) writeWhole(PercentHeight, ResizeRules::percentOf(*ph, BackupBitmap.Height()));
}

// The two check boxes are one setting; the ratio boxes follow it. No number
// changes.
void ResizeImageWindow::AspectCheck_Click(QCheckBox* clicked)
{
    const bool on = clicked->isChecked();
    PixelAspectCheck->setChecked(on);
    PercentAspectCheck->setChecked(on);
    PixelAspectText->setEnabled(on);
    PercentAspectText->setEnabled(on);
}

platform::InterpolationMode ResizeImageWindow::interpolationMode() const
{
    if (Option1->isChecked()) return platform::InterpolationMode::NearestNeighbor;
    if (Option2->isChecked()) return platform::InterpolationMode::HighQualityBilinear;
    return platform::InterpolationMode::HighQualityBicubic;
}

void ResizeImageWindow::restoreBackup()
{
    cBitmap& image = Parent->Bitmap();
    image.Dispose();
    image.CreateFromClone(BackupBitmap.Width(), BackupBitmap.Height(), BackupBitmap.Handle(),
                          BackupBitmap.PixelFormat());
}

bool ResizeImageWindow::PreviewResize()
{
    if (!Parent) return false;
    setCursor(Qt::WaitCursor);
    restoreBackup();
    const auto w = number(PixelWidth);
    const auto h = number(PixelHeight);
    const bool fits = w && h && *w >= 1 && *h >= 1 && *w == std::floor(*w) && *h == std::floor(*h) &&
                      platform::ImageLimits::allows(int64_t(*w), int64_t(*h), 4);
    bool done = false;
    if (fits) {
        Parent->Bitmap().ResizePicture(static_cast<int32_t>(*w), static_cast<int32_t>(*h), interpolationMode());
        done = Parent->Bitmap().Width() == *w && Parent->Bitmap().Height() == *h;
        if (!done) restoreBackup();
    }
    UpdatePreviewImage();
    unsetCursor();
    if (!done)
        platform::Services::messageBox().show(
            ResizeRules::failedText(PixelWidth->text().toStdString(), PixelHeight->text().toStdString()),
            ResizeRules::dialogTitle(), kMessageStyle);
    return done;
}

void ResizeImageWindow::UpdatePreviewImage()
{
    if (!Parent) return;
    Parent->imgWidth() = Parent->Bitmap().Width();
    Parent->imgHeight() = Parent->Bitmap().Height();
    Parent->SetZoom(100);
    Parent->Zoom_CenterImage(100);
    Parent->ShowPicture();
}

void ResizeImageWindow::CloseWindow(bool Apply)
{
    if (Parent) {
        if (!Apply) restoreBackup();
        UpdatePreviewImage();
    }
    hide();
    if (Parent) Parent->SetFocus();
}

void ResizeImageWindow::PreviewButton_Click()
{
    runFocusedBoxHandler();
    PreviewResize();
}

void ResizeImageWindow::SetButton_Click()
{
    runFocusedBoxHandler();
    if (PreviewResize()) CloseWindow(true);
}

void ResizeImageWindow::CancelButton_Click() { CloseWindow(false); }

// Esc and the close box are Cancel: no preview is left behind unaccepted.
void ResizeImageWindow::reject() { CancelButton_Click(); }

void ResizeImageWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    CancelButton_Click();
}

}  // namespace kalvora
