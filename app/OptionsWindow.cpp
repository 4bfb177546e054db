#include "app/OptionsWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>

#include "app/BrickFilesDialog.h"
#include "app/DescriptionTextBox.h"
#include "app/MortarFileDialog.h"
#include "app/OptionsPage.h"
#include "app/TypedLengthValidator.h"
#include "engine/cBrickData.h"
#include "imaging/ui/UISupportUi.h"
#include "platform/Numeric.h"
#include "platform/RandomGenerator.h"
#include "uicore/SettingsCopyTable.h"

namespace kalvora {

namespace {

constexpr int kPercentDecimals = 2;
constexpr int kPercentTyped = 6;
constexpr int kPixelsTyped = 5;
constexpr double kTreeShare = 0.16;

QLabel* unitLabel(const QString& unit, QWidget* parent) { return new QLabel(unit, parent); }

}  // namespace

OptionsWindow::OptionsWindow(std::function<void()> closeRequest, QWidget* parent)
    : QWidget(parent), m_closeRequest(std::move(closeRequest))
{
    setObjectName(QStringLiteral("OptionsWindow"));
    setWindowTitle(tr("Options"));
    makeTree();
    OptionsTab1 = new QTabWidget(this);
    OptionsTab1->setObjectName(QStringLiteral("OptionsTab1"));
    OptionsTab1->addTab(makeGeneralPage()->inScrollArea(), tr("General"));
    OptionsTab1->addTab(makeBrickSizePage()->inScrollArea(), tr("Brick Size"));
    OptionsTab1->addTab(makeBrickShapePage()->inScrollArea(), tr("Brick Shape"));
    OptionsTab1->addTab(makeBrickFilesPage()->inScrollArea(), tr("Brick Files"));
    OptionsTab1->addTab(makeMortarFilePage()->inScrollArea(), tr("Mortar File"));
    connect(OptionsTab1, &QTabWidget::currentChanged, this, [this](int tab) { OptionsTab1_Click(tab); });
}

void OptionsWindow::bind(cBrickData& project, bool& changedFlag, std::function<QSize()> outputSize)
{
    m_project = &project;
    m_changedFlag = &changedFlag;
    m_outputSize = std::move(outputSize);
}

void OptionsWindow::makeTree()
{
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(TreeView1, {tr("General Options")});
    root->setData(0, Qt::UserRole, 1);
    int index = 2;
    for (const QString& text : {tr("Brick Size"), tr("Brick Shape"), tr("Brick Files"), tr("Mortar File")}) {
        auto* node = new QTreeWidgetItem(root, {text});
        node->setData(0, Qt::UserRole, index++);
    }
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { TreeView1_NodeClick(node); });
    connect(TreeView1, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        // The tree always shows all five pages.
        if (node->data(0, Qt::UserRole).toInt() == 1) ExpandAllNodes();
    });
}

QGroupBox* OptionsWindow::frame(const QString& caption, QGridLayout*& grid, QWidget* page)
{
    auto* box = new QGroupBox(caption, page);
    grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    page->layout()->addWidget(box);
    return box;
}

void OptionsWindow::addNote(QGridLayout* grid, const QString& note)
{
    auto* label = new QLabel(note, grid->parentWidget());
    label->setWordWrap(true);
    grid->addWidget(label, grid->rowCount(), 0, 1, -1);
}

OptionsWindow::PercentPair* OptionsWindow::addPercent(QGridLayout* grid, const QString& label, const char* name,
                                                      bool withPixels, int largeChange, int tickFrequency)
{
    auto pair = std::make_unique<PercentPair>();
    QWidget* parent = grid->parentWidget();
    const QString base = QString::fromLatin1(name);
    pair->slider = new QSlider(Qt::Horizontal, parent);
    pair->slider->setObjectName(base + QStringLiteral("Slider"));
    pair->slider->setRange(0, 10000);
    pair->slider->setSingleStep(1);
    pair->slider->setPageStep(largeChange);
    pair->slider->setTickInterval(tickFrequency);
    pair->slider->setTickPosition(QSlider::TicksBelow);
    pair->text = new QLineEdit(parent);
    pair->text->setObjectName(base + QStringLiteral("Text"));
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(label, parent), row, 0);
    grid->addWidget(pair->slider, row, 1);
    grid->addWidget(pair->text, row, 2);
    grid->addWidget(unitLabel(QStringLiteral("%"), parent), row, 3);
    if (withPixels) {
        new TypedLengthValidator(pair->text, kPercentTyped);
        pair->pixels = new QLineEdit(parent);
        pair->pixels->setObjectName(base + QStringLiteral("PxText"));
        new TypedLengthValidator(pair->pixels, kPixelsTyped);
        grid->addWidget(pair->pixels, row, 4);
        grid->addWidget(unitLabel(QStringLiteral("px"), parent), row, 5);
        pair->pixels->installEventFilter(this);
    }
    PercentPair* p = pair.get();
    connect(p->slider, &QSlider::valueChanged, this, [this, p] { percentSliderMoved(*p); });
    p->text->installEventFilter(this);
    m_percents.push_back(std::move(pair));
    return p;
}

OptionsWindow::PlainPair* OptionsWindow::addPlain(QGridLayout* grid, const QString& label, const char* name,
                                                  int minimum, int maximum, int largeChange, int tickFrequency,
                                                  int maxTyped)
{
    auto pair = std::make_unique<PlainPair>();
    QWidget* parent = grid->parentWidget();
    pair->slider = new QSlider(Qt::Horizontal, parent);
    pair->slider->setObjectName(QString::fromLatin1(name) + QStringLiteral("Slider"));
    pair->slider->setRange(minimum, maximum);
    pair->slider->setPageStep(largeChange);
    pair->slider->setTickInterval(tickFrequency);
    pair->slider->setTickPosition(QSlider::TicksBelow);
    pair->text = new QLineEdit(parent);
    pair->text->setObjectName(QString::fromLatin1(name) + QStringLiteral("Text"));
    new TypedLengthValidator(pair->text, maxTyped);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(label, parent), row, 0);
    grid->addWidget(pair->slider, row, 1);
    grid->addWidget(pair->text, row, 2);
    PlainPair* p = pair.get();
    connect(p->slider, &QSlider::valueChanged, this, [p] { UISupport::SliderToText(p->slider, p->text, 0); });
    p->text->installEventFilter(this);
    m_plains.push_back(std::move(pair));
    return p;
}

QCheckBox* OptionsWindow::addCheck(QGridLayout* grid, const char* name, const QString& caption)
{
    auto* check = new QCheckBox(caption, grid->parentWidget());
    check->setObjectName(QString::fromLatin1(name));
    grid->addWidget(check, grid->rowCount(), 0, 1, -1);
    return check;
}

OptionsPage* OptionsWindow::makeGeneralPage()
{
    auto* page = new OptionsPage(this);
    new QHBoxLayout(page);
    QGridLayout* grid = nullptr;
    frame(tr("File Description"), grid, page);
    auto* name = new QLineEdit(tr("Untitled"), page);
    name->setObjectName(QStringLiteral("NameText"));
    grid->addWidget(new QLabel(tr("Name:"), page), 0, 0);
    grid->addWidget(name, 0, 1);
    auto* description = new DescriptionTextBox(page);
    description->setObjectName(QStringLiteral("DescriptionText"));
    grid->addWidget(new QLabel(tr("Description:"), page), 1, 0, Qt::AlignTop);
    grid->addWidget(description, 1, 1);

    frame(tr("Brick Pattern"), grid, page);
    m_rowOffset = new QComboBox(page);
    m_rowOffset->setObjectName(QStringLiteral("RowOffsetCombo"));
    m_rowOffset->addItems({tr("Random"), tr("50% "), tr("None")});
    grid->addWidget(new QLabel(tr("Row Offset:"), page), 0, 0);
    grid->addWidget(m_rowOffset, 0, 1, 1, 2);
    m_random = addPlain(grid, tr("Random ID:"), "Random", 1, 65535, 100, 6553, 5);
    m_random->text->setText(QStringLiteral("1"));
    auto* randomize = new QPushButton(page);
    randomize->setObjectName(QStringLiteral("RandomButton"));
    randomize->setIcon(QIcon(QStringLiteral(":/toolbar/randomize.png")));
    randomize->setToolTip(tr("Randomize"));
    grid->addWidget(randomize, grid->rowCount() - 1, 3);
    connect(randomize, &QPushButton::clicked, this, [this] { RandomButton_Click(); });
    addCheck(grid, "BrickDistributionCheck", tr("Rearrange Brick Files"));
    addNote(grid, tr("Note: Initializes the Random Generator - the same value will reproduce the same brick "
                     "pattern. Rearrange Brick Files causes re-sorting the brick files on each update."));
    return page;
}

OptionsPage* OptionsWindow::makeBrickSizePage()
{
    auto* page = new OptionsPage(this);
    new QHBoxLayout(page);
    QGridLayout* grid = nullptr;
    frame(tr("Random Row Height"), grid, page);
    m_minHeight = addPercent(grid, tr("Min Height:"), "MinHeight", true, 100, 1000);
    m_maxHeight = addPercent(grid, tr("Max Height:"), "MaxHeight", true, 100, 1000);
    addNote(grid, tr("Note: Choose different values for Min and Max to apply random generated row height."));
    frame(tr("Random Brick Width"), grid, page);
    m_minWidth = addPercent(grid, tr("Min Width:"), "MinWidth", true, 100, 1000);
    m_maxWidth = addPercent(grid, tr("Max Width:"), "MaxWidth", true, 100, 1000);
    addNote(grid, tr("Note: Choose different values for Min and Max to apply random generated brick width. For "
                     "Example: If you want to have between 3 and 5 bricks per row enter 20% as Min value and 33% "
                     "as Max value."));
    auto outputHeight = [this] { return m_outputSize ? m_outputSize().height() : 0; };
    auto outputWidth = [this] { return m_outputSize ? m_outputSize().width() : 0; };
    m_minHeight->reference = outputHeight;
    m_maxHeight->reference = outputHeight;
    m_minWidth->reference = outputWidth;
    m_maxWidth->reference = outputWidth;
    m_minHeight->after = [this] { RefreshShapePx(); };
    return page;
}

OptionsPage* OptionsWindow::makeBrickShapePage()
{
    auto* page = new OptionsPage(this);
    new QHBoxLayout(page);
    QGridLayout* grid = nullptr;
    frame(tr("Irregularity"), grid, page);
    m_strength = addPercent(grid, tr("Strength:"), "Strength", true, 100, 1000);
    m_frequency = addPercent(grid, tr("Frequency:"), "Freq", true, 100, 1000);
    addNote(grid, tr("Note: By changing these values you can define brick shapes from simple rectangular to "
                     "irregular shapes."));
    frame(tr("Brick Borders"), grid, page);
    m_border = addPercent(grid, tr("Distance:"), "Border", true, 100, 1000);
    m_rounded = addPercent(grid, tr("Rounded:"), "Rounded", true, 100, 1000);
    m_antialias = addPercent(grid, tr("Smoothness:"), "Antialias", true, 100, 1000);
    addNote(grid, tr("Note: Defines the size of the seam between adjoining bricks and the size of the rounded "
                     "corner of each brick."));
    auto smallestBrick = [this] { return pixelsIn(m_minHeight->pixels); };
    m_border->reference = smallestBrick;
    m_strength->reference = smallestBrick;
    m_frequency->reference = smallestBrick;
    m_rounded->reference = [this] { return pixelsIn(m_minHeight->pixels) / 2; };
    m_antialias->reference = [this] { return pixelsIn(m_border->pixels) / 2; };
    m_border->after = [this] { RefreshSmoothnessPx(); };
    return page;
}

OptionsPage* OptionsWindow::makeBrickFilesPage()
{
    auto* page = new OptionsPage(this);
    new QHBoxLayout(page);
    QGridLayout* grid = nullptr;
    frame(tr("Random Brick Color"), grid, page);
    for (auto [label, name] : {std::pair{tr("Change Hue:"), "Hue"}, std::pair{tr("Change Saturation:"), "Sat"},
                               std::pair{tr("Change Luminance:"), "Lum"}})
        new TypedLengthValidator(addPercent(grid, label, name, false, 1000, 1250)->text, kPercentTyped);
    addNote(grid, tr("Note: Setting the values for changing the Hue, Saturation and Luminance creates a slightly "
                     "different appearance of each brick."));
    frame(tr("Brick Files"), grid, page);
    addCheck(grid, "FlipHCheck", tr("Allow Horizontal Flip"));
    addCheck(grid, "FlipVCheck", tr("Allow Vertical Flip"));
    m_brickFilesButton = new QPushButton(tr("&Select File(s)..."), page);
    m_brickFilesButton->setObjectName(QStringLiteral("BrickFilesButton"));
    grid->addWidget(m_brickFilesButton, grid->rowCount(), 0, 1, -1);
    connect(m_brickFilesButton, &QPushButton::clicked, this, [this] { ShowBrickFiles(); });
    addNote(grid, tr("Note: Select at least one image file that will be used as brick color."));
    return page;
}

OptionsPage* OptionsWindow::makeMortarFilePage()
{
    auto* page = new OptionsPage(this);
    new QHBoxLayout(page);
    QGridLayout* grid = nullptr;
    frame(tr("Mortar Image File"), grid, page);
    m_mortarFileButton = new QPushButton(tr("&Select File..."), page);
    m_mortarFileButton->setObjectName(QStringLiteral("MortarFileButton"));
    grid->addWidget(m_mortarFileButton, 0, 0, 1, -1);
    connect(m_mortarFileButton, &QPushButton::clicked, this, [this] { MortarFileButton_Click(); });
    addPlain(grid, tr("Repeat X:"), "RepX", 1, 1000, 10, 100, 4)->text->setText(QStringLiteral("1"));
    addPlain(grid, tr("Repeat Y:"), "RepY", 1, 1000, 10, 100, 4)->text->setText(QStringLiteral("1"));
    addNote(grid, tr("Note: Choose an image file and define how often the mortar image will be repeated in the "
                     "output image."));
    frame(tr("Make Seamless"), grid, page);
    addCheck(grid, "SeamlessHCheck", tr("Horizontally Seamless"));
    addCheck(grid, "SeamlessVCheck", tr("Vertically Seamless"));
    addPercent(grid, tr("Blend Borders Area:"), "Seamless", false, 100, 1000)->text->setText(QStringLiteral("0"));
    addNote(grid, tr("Note: Make the image seamless to avoid visible seams between individual tiles."));
    return page;
}

// A user's move of a percentage slider: the boxes follow, and the pixel
// boxes that refer to this one.
void OptionsWindow::percentSliderMoved(PercentPair& pair)
{
    if (pair.pixels)
        UISupport::SliderToPercentAndPx(pair.slider, pair.text, pair.pixels, pair.reference(), kPercentDecimals);
    else
        UISupport::SliderToText(pair.slider, pair.text, kPercentDecimals);
    if (pair.after) pair.after();
}

void OptionsWindow::percentTextLeft(PercentPair& pair, QLineEdit* box)
{
    if (!pair.pixels)
        UISupport::TextToSlider(pair.text, pair.slider, kPercentDecimals);
    else if (box == pair.pixels)
        UISupport::PxTextToSlider(pair.slider, pair.text, pair.pixels, pair.reference(), kPercentDecimals);
    else
        UISupport::PercentTextToSlider(pair.slider, pair.text, pair.pixels, pair.reference(), kPercentDecimals);
    if (pair.after) pair.after();
}

bool OptionsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusOut) return QWidget::eventFilter(watched, event);
    for (auto& pair : m_percents)
        if (watched == pair->text || watched == pair->pixels) percentTextLeft(*pair, static_cast<QLineEdit*>(watched));
    for (auto& pair : m_plains)
        if (watched == pair->text) UISupport::TextToSlider(pair->text, pair->slider, 0);
    return QWidget::eventFilter(watched, event);
}

// The pixel boxes that refer to the smallest brick follow it.
void OptionsWindow::RefreshShapePx()
{
    for (PercentPair* pair : {m_border, m_frequency, m_rounded, m_strength})
        UISupport::SliderToPercentAndPx(pair->slider, pair->text, pair->pixels, pair->reference(), kPercentDecimals);
    RefreshSmoothnessPx();
}

void OptionsWindow::RefreshSmoothnessPx()
{
    UISupport::SliderToPercentAndPx(m_antialias->slider, m_antialias->text, m_antialias->pixels,
                                    m_antialias->reference(), kPercentDecimals);
}

void OptionsWindow::UpdateImageSize()
{
    for (PercentPair* pair : {m_minHeight, m_maxHeight, m_minWidth, m_maxWidth}) percentSliderMoved(*pair);
    RefreshShapePx();
}

int32_t OptionsWindow::pixelsIn(const QLineEdit* box) const
{
    float number = 0;
    if (!UISupport::TextToNumber(box->text(), number)) return 0;
    return platform::roundToInt32(number);
}

void OptionsWindow::RandomButton_Click()
{
    QSlider* slider = m_random->slider;
    const double r = platform::RandomGenerator::processDefault().next();
    const int value = slider->minimum() + platform::roundToInt32(r * (slider->maximum() - static_cast<double>(slider->minimum())));
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
    UISupport::SliderToText(slider, m_random->text, 0);
}

void OptionsWindow::ShowBrickFiles()
{
    if (m_running || !m_project || !m_changedFlag) return;
    BrickFilesDialog& dialog = BrickFilesDialog::instance();
    dialog.InlineBitmaps.RemoveAll();
    // The dialog works on copies: the project's images stay as they are
    // unless the user leaves with OK.
    for (const auto& image : m_project->BrickFiles->InlineBitmaps) {
        auto copy = std::make_shared<cInlineBitmap>();
        copy->Clone(*image);
        dialog.InlineBitmaps.Add(copy);
    }
    if (dialog.ShowDialog(*m_changedFlag) == 1) {
        m_project->BrickFiles->Clone(dialog.InlineBitmaps);
        showImageCaptions();
    }
    dialog.InlineBitmaps.RemoveAll();
}

void OptionsWindow::showImageCaptions()
{
    if (!m_project) return;
    m_brickFilesButton->setText(QString::fromStdString(brickFilesCaption(m_project->BrickFiles->Count())));
    m_mortarFileButton->setText(QString::fromStdString(mortarFileCaption(m_project->MortarFile->FileName)));
}

void OptionsWindow::setRunning(bool running)
{
    m_running = running;
    m_brickFilesButton->setEnabled(!running);
    m_mortarFileButton->setEnabled(!running);
}

void OptionsWindow::MortarFileButton_Click()
{
    if (m_running || !m_project || !m_changedFlag) return;
    MortarFileDialog& dialog = MortarFileDialog::instance();
    dialog.InlineBitmap.Clone(*m_project->MortarFile);
    if (dialog.ShowDialog(*m_changedFlag) == 1) {
        m_project->MortarFile->Clone(dialog.InlineBitmap);
        showImageCaptions();
    }
    dialog.InlineBitmap.Remove();
}

void OptionsWindow::TreeView1_NodeClick(QTreeWidgetItem* node)
{
    OptionsTab1->setCurrentIndex(node->data(0, Qt::UserRole).toInt() - 1);
}

void OptionsWindow::OptionsTab1_Click(int tab)
{
    QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    QTreeWidgetItem* node = tab == 0 ? root : root->child(tab - 1);
    if (node) TreeView1->setCurrentItem(node);
}

void OptionsWindow::ExpandAllNodes() { TreeView1->expandAll(); }

void OptionsWindow::Form_Load()
{
    ExpandAllNodes();
    m_rowOffset->setCurrentIndex(0);
    OptionsTab1->setCurrentIndex(0);
    OptionsTab1_Click(0);
}

// The tree takes 16 % of the width, the pages the rest, both the full height.
void OptionsWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect inner = contentsRect();
    const int treeWidth = platform::roundToInt32(inner.width() * kTreeShare);
    TreeView1->setGeometry(inner.x(), inner.y(), treeWidth, inner.height());
    OptionsTab1->setGeometry(inner.x() + treeWidth, inner.y(), inner.width() - treeWidth, inner.height());
}

void OptionsWindow::closeEvent(QCloseEvent* event)
{
    // The panel goes only with the program: its close is the frame's close.
    event->ignore();
    if (m_closeRequest) m_closeRequest();
}

}  // namespace kalvora
