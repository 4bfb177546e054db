#include "app/DisplayWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "app/OptionsWindow.h"
#include "app/SizeSlider.h"
#include "app/SteadyTextHolder.h"
#include "app/TypedLengthValidator.h"
#include "imaging/ui/UISupportUi.h"
#include "platform/Numeric.h"
#include "platform/Services.h"
#include "uicore/ProgressText.h"

namespace kalvora {

namespace {

const QString kUpdateCaption = QStringLiteral("&Update");
const QString kCancelCaption = QStringLiteral("&Cancel");
constexpr int kPreviewTab = 0;
constexpr int kFinalImageTab = 1;
constexpr int kBrickFilesPage = 3;
constexpr int kSizeTextLength = 5;

QLabel* newLabel(QWidget* parent, const char* name, const char* text)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QComboBox* newList(QWidget* parent, const char* name, std::initializer_list<const char*> items)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    for (const char* item : items) list->addItem(QString::fromLatin1(item));
    return list;
}

}  // namespace

DisplayWindow::DisplayWindow(MainWindow& main, QWidget* parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("DisplayWindow"));
    setWindowTitle(QStringLiteral("Display Settings"));

    DisplayTab1 = new QTabWidget(this);
    DisplayTab1->setObjectName(QStringLiteral("DisplayTab1"));
    DisplayTab1->addTab(makePreviewPage(), QStringLiteral("Preview"));
    DisplayTab1->addTab(makeFinalImagePage(), QStringLiteral("Final Image"));

    UpdateButton = new QPushButton(kUpdateCaption, this);
    UpdateButton->setObjectName(QStringLiteral("UpdateButton"));
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DisplayTab1);
    layout->addWidget(makeProgressArea());
    layout->addWidget(UpdateButton);
    // The description, then the percentage and the time left.
    layout->addWidget(new SteadyTextHolder(ProgressLabel, 2, this));
    layout->addStretch(1);

    connectHandlers();
}

QWidget* DisplayWindow::makeFinalImagePage()
{
    auto* page = new QWidget(DisplayTab1);
    addSizePair(page, 0, {"OutWidthSlider", "OutWidthText", "Label14", "Width:", "Label16"}, OutWidthSlider,
                OutWidthText);
    addSizePair(page, 2, {"OutHeightSlider", "OutHeightText", "Label15", "Height:", "Label17"}, OutHeightSlider,
                OutHeightText);
    AspectRatioCheck = new QCheckBox(QStringLiteral("Maintain Aspect Ratio"), page);
    AspectRatioCheck->setObjectName(QStringLiteral("AspectRatioCheck"));
    static_cast<QGridLayout*>(page->layout())->addWidget(AspectRatioCheck, 4, 0, 1, 3);
    return page;
}

QWidget* DisplayWindow::makePreviewPage()
{
    auto* page = new QWidget(DisplayTab1);
    addSizePair(page, 0, {"PreviewWidthSlider", "PreviewWidthText", "Label5", "Width:", "Label3"},
                PreviewWidthSlider, PreviewWidthText);
    addSizePair(page, 2, {"PreviewHeightSlider", "PreviewHeightText", "Label4", "Height:", "Label2"},
                PreviewHeightSlider, PreviewHeightText);
    PreviewQualityCombo = newList(page, "PreviewQualityCombo", {"Low Quality", "Medium Quality", "High Quality"});
    static_cast<QGridLayout*>(page->layout())->addWidget(PreviewQualityCombo, 4, 0, 1, 3);
    return page;
}

void DisplayWindow::addSizePair(QWidget* page, int row, const SizeNames& names, QSlider*& slider, QLineEdit*& text)
{
    auto* grid = static_cast<QGridLayout*>(page->layout());
    if (!grid) grid = new QGridLayout(page);
    text = new QLineEdit(QStringLiteral("4096"), page);
    text->setObjectName(QString::fromLatin1(names.text));
    new TypedLengthValidator(text, kSizeTextLength);
    slider = newSizeSlider(page, names.slider, 256, 16384);
    grid->addWidget(newLabel(page, names.label, names.labelText), row, 0);
    grid->addWidget(text, row, 1);
    grid->addWidget(newLabel(page, names.pxLabel, "px"), row, 2);
    grid->addWidget(slider, row + 1, 0, 1, 3);
}

QWidget* DisplayWindow::makeProgressArea()
{
    // The texture type list and the progress bar take the same place; one
    // of them shows at a time.
    auto* area = new QWidget(this);
    TextureTypeCombo = newList(area, "TextureTypeCombo",
                               {"Seamless Texture", "Left Border", "Right Border", "Both Borders", "Arch Texture",
                                "Column Texture"});
    ProgressBar = new QProgressBar(area);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);
    // Its own background, so each new value repaints the bar alone.
    ProgressBar->setAutoFillBackground(true);
    ProgressBar->hide();
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(TextureTypeCombo, 0, 0);
    grid->addWidget(ProgressBar, 0, 0);
    return area;
}

void DisplayWindow::connectHandlers()
{
    connect(UpdateButton, &QPushButton::clicked, this, &DisplayWindow::UpdateButton_Click);
    connect(OutWidthSlider, &QSlider::valueChanged, this, &DisplayWindow::OutWidthSlider_Change);
    connect(OutWidthText, &QLineEdit::editingFinished, this, &DisplayWindow::OutWidthText_LostFocus);
    connect(OutHeightSlider, &QSlider::valueChanged, this, &DisplayWindow::OutHeightSlider_Change);
    connect(OutHeightText, &QLineEdit::editingFinished, this, &DisplayWindow::OutHeightText_LostFocus);
    connect(PreviewWidthSlider, &QSlider::valueChanged, this, &DisplayWindow::PreviewWidthSlider_Change);
    connect(PreviewWidthText, &QLineEdit::editingFinished, this, &DisplayWindow::PreviewWidthText_LostFocus);
    connect(PreviewHeightSlider, &QSlider::valueChanged, this, &DisplayWindow::PreviewHeightSlider_Change);
    connect(PreviewHeightText, &QLineEdit::editingFinished, this, &DisplayWindow::PreviewHeightText_LostFocus);
}

void DisplayWindow::UpdateButton_Click() { UpdateCancel(); }

void DisplayWindow::UpdateCancel()
{
    // While a run is on the stack every request cancels (the button reads
    // "&Cancel" until the run's final report, unless a cancel came first).
    if (m_main.isRunning()) {
        showRunning(false);
        ProgressLabel->clear();
        m_main.CancelBrickGenerator();
        return;
    }
    m_main.UpdateBrickData();
    if (noBrickImage()) return;
    showRunning(true);
    ProgressLabel->setText(QString::fromLatin1(ProgressText::kAtStart));
    m_main.GenerateBricks(textureType());
}

bool DisplayWindow::noBrickImage()
{
    const auto& bricks = m_main.BrickData.BrickFiles;
    if (bricks && bricks->Count() >= 1) return false;
    const int answer = platform::Services::messageBox().show(
        "Please select at least one brick file", "No File Selected",
        platform::ButtonsOkCancel + platform::IconInformation);
    if (answer == platform::AnswerOk) {
        OptionsWindow& options = m_main.optionsWindow();
        options.OptionsTab1->setCurrentIndex(kBrickFilesPage);
        options.ShowBrickFiles();
    }
    return true;
}

void DisplayWindow::showRunning(bool running)
{
    TextureTypeCombo->setVisible(!running);
    ProgressBar->setVisible(running);
    ProgressLabel->setVisible(running);
    UpdateButton->setText(running ? kCancelCaption : kUpdateCaption);
}

void DisplayWindow::showProgress(const QString& text, int32_t percent)
{
    ProgressLabel->setText(text);
    // Most reports keep the percentage. A new one would redraw the bar at
    // once; it is drawn with the rest of the window when the event queue
    // next runs.
    if (ProgressBar->value() == percent) return;
    ProgressBar->setUpdatesEnabled(false);
    ProgressBar->setValue(percent);
    ProgressBar->setUpdatesEnabled(true);
}

QSize DisplayWindow::outputSize() const { return {OutWidthSlider->value(), OutHeightSlider->value()}; }

QSize DisplayWindow::previewSize() const { return {PreviewWidthSlider->value(), PreviewHeightSlider->value()}; }

bool DisplayWindow::previewTabShown() const { return DisplayTab1->currentIndex() == kPreviewTab; }

int32_t DisplayWindow::previewQualityIndex() const { return PreviewQualityCombo->currentIndex(); }

int32_t DisplayWindow::textureType() const { return TextureTypeCombo->currentIndex(); }

void DisplayWindow::recomputeAspectRatio() { m_aspectRatio = outputRatio(); }

void DisplayWindow::Form_Load()
{
    recomputeAspectRatio();
    m_main.optionsWindow().UpdateImageSize();
    PreviewQualityCombo->setCurrentIndex(0);
    TextureTypeCombo->setCurrentIndex(0);
    DisplayTab1->setCurrentIndex(kFinalImageTab);
}

void DisplayWindow::closeEvent(QCloseEvent* event)
{
    // The panel goes only with the program: its close is the frame's close.
    event->ignore();
    m_main.close();
}

void DisplayWindow::OutWidthSlider_Change()
{
    UISupport::SliderToText(OutWidthSlider, OutWidthText, 0);
    outputWidthChanged();
}

void DisplayWindow::OutWidthText_LostFocus()
{
    UISupport::TextToSlider(OutWidthText, OutWidthSlider, 0);
    outputWidthChanged();
}

void DisplayWindow::OutHeightSlider_Change()
{
    UISupport::SliderToText(OutHeightSlider, OutHeightText, 0);
    outputHeightChanged(false);
}

void DisplayWindow::OutHeightText_LostFocus()
{
    UISupport::TextToSlider(OutHeightText, OutHeightSlider, 0);
    outputHeightChanged(true);
}

void DisplayWindow::PreviewWidthSlider_Change()
{
    UISupport::SliderToText(PreviewWidthSlider, PreviewWidthText, 0);
    previewWidthChanged();
}

void DisplayWindow::PreviewWidthText_LostFocus()
{
    UISupport::TextToSlider(PreviewWidthText, PreviewWidthSlider, 0);
    previewWidthChanged();
}

void DisplayWindow::PreviewHeightSlider_Change()
{
    UISupport::SliderToText(PreviewHeightSlider, PreviewHeightText, 0);
    previewHeightChanged();
}

void DisplayWindow::PreviewHeightText_LostFocus()
{
    UISupport::TextToSlider(PreviewHeightText, PreviewHeightSlider, 0);
    previewHeightChanged();
}

void DisplayWindow::outputWidthChanged()
{
    if (AspectRatioCheck->isChecked())
        setSize(OutHeightSlider, OutHeightText, OutWidthSlider->value() / static_cast<double>(m_aspectRatio));
    else
        m_aspectRatio = outputRatio();
    setSize(PreviewWidthSlider, PreviewWidthText, static_cast<double>(m_aspectRatio) * PreviewHeightSlider->value());
    m_main.optionsWindow().UpdateImageSize();
}

void DisplayWindow::outputHeightChanged(bool typed)
{
    const double ratio = m_aspectRatio;
    if (AspectRatioCheck->isChecked()) {
        setSize(OutWidthSlider, OutWidthText, ratio * OutHeightSlider->value());
        // A typed height also brings the preview width in line first.
        if (typed) setSize(PreviewWidthSlider, PreviewWidthText, ratio * PreviewHeightSlider->value());
    } else {
        m_aspectRatio = outputRatio();
    }
    setSize(PreviewHeightSlider, PreviewHeightText, PreviewWidthSlider->value() / static_cast<double>(m_aspectRatio));
    m_main.optionsWindow().UpdateImageSize();
}

void DisplayWindow::previewWidthChanged()
{
    setSize(PreviewHeightSlider, PreviewHeightText, PreviewWidthSlider->value() / static_cast<double>(m_aspectRatio));
}

void DisplayWindow::previewHeightChanged()
{
    setSize(PreviewWidthSlider, PreviewWidthText, static_cast<double>(m_aspectRatio) * PreviewHeightSlider->value());
}

void DisplayWindow::setSize(QSlider* slider, QLineEdit* text, double value)
{
    {
        const QSignalBlocker blocker(slider);
        slider->setValue(platform::roundToInt32(value));
    }
    UISupport::SliderToText(slider, text, 0);
}

float DisplayWindow::outputRatio() const
{
    return static_cast<float>(static_cast<double>(OutWidthSlider->value()) / OutHeightSlider->value());
}

}  // namespace kalvora
