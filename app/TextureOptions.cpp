#include "app/TextureOptions.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QWindow>

#include "app/SizeSlider.h"
#include "app/TypedLengthValidator.h"
#include "engine/BrickLayout.h"
#include "engine/BrickSettings.h"
#include "engine/TextureOptionsModel.h"
#include "imaging/ui/UISupportUi.h"

namespace kalvora {

namespace {

constexpr int kTextLength = 5;

TextureOptions* g_instance = nullptr;

void deleteInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

QLabel* newLabel(QWidget* parent, const QString& text, const char* name = nullptr)
{
    auto* label = new QLabel(text, parent);
    if (name) label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* newPicture(QWidget* parent, const char* name, const char* resource)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(QPixmap(QString::fromLatin1(resource)));
    return picture;
}

QString captionFor(int32_t brickStyle)
{
    switch (brickStyle) {
    case LeftBorder:
    case RightBorder:
    case BothBorders: return QStringLiteral("Border Texture Options");
    case ArchTexture: return QStringLiteral("Arch Texture Options");
    case ColumnTexture: return QStringLiteral("Column Texture Options");
    default: return QStringLiteral("Texture Options");
    }
}

QString number(int32_t value) { return QString::number(value); }

}  // namespace

TextureOptions& TextureOptions::instance()
{
    if (!g_instance) {
        g_instance = new TextureOptions();
        // Made once for the program's life: it goes with the application.
        qAddPostRoutine(deleteInstance);
    }
    return *g_instance;
}

TextureOptions::TextureOptions()
{
    setObjectName(QStringLiteral("TextureOptions"));
    setWindowTitle(QStringLiteral("Texture Options"));

    Label1 = newLabel(this, QStringLiteral("Please specify the options for the current Texture Type"), "Label1");
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = newLabel(this,
                      QStringLiteral("You can modify the size of the texture as well as the blend size of the "
                                     "transparency channel. This allows you to use different textures in layers "
                                     "without visible seams."),
                      "Label2");
    Label2->setWordWrap(true);

    WidthFrame = makeSizeFrame("WidthFrame", "Texture Width", "Width:", nullptr, WidthText, "WidthText", WidthSlider,
                               "WidthSlider");
    HeightFrame = makeSizeFrame("HeightFrame", "Texture Height", "Height:", "HeightLabel", HeightText, "HeightText",
                                HeightSlider, "HeightSlider");
    TranspFrame = makeSizeFrame("TranspFrame", "Transparency", "Blend Size:", nullptr, AntialiasText,
                                "AntialiasText", AntialiasSlider, "AntialiasSlider");
    WidthSlider->setMinimum(16);
    HeightSlider->setMinimum(16);
    AntialiasSlider->setMinimum(0);
    OffsetFrame = makeFrame("OffsetFrame", "Brick Offset");
    BrickOffset = new QComboBox(OffsetFrame);
    BrickOffset->setObjectName(QStringLiteral("BrickOffset"));
    BrickOffset->addItems({QStringLiteral("Random"), QStringLiteral("50% "), QStringLiteral("None")});
    (new QVBoxLayout(OffsetFrame))->addWidget(BrickOffset);

    DefaultButton = new QPushButton(QStringLiteral("Defaults"), this);
    DefaultButton->setObjectName(QStringLiteral("DefaultButton"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    // Enter presses OK only, wherever the focus is.
    DefaultButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);
    OKButton->setAutoDefault(false);
    OKButton->setDefault(true);

    Picture1 = newPicture(this, "Picture1", ":/pictures/layers.png");
    Picture2 = newPicture(this, "Picture2", ":/pictures/blend.png");

    layOut(WidthFrame, HeightFrame, TranspFrame, OffsetFrame);
    connectHandlers();
}

QGroupBox* TextureOptions::makeFrame(const char* name, const char* caption)
{
    auto* frame = new QGroupBox(QString::fromLatin1(caption), this);
    frame->setObjectName(QString::fromLatin1(name));
    return frame;
}

QGroupBox* TextureOptions::makeSizeFrame(const char* name, const char* caption, const char* label,
                                         const char* labelName, QLineEdit*& text, const char* textName,
                                         QSlider*& slider, const char* sliderName)
{
    QGroupBox* frame = makeFrame(name, caption);
    text = new QLineEdit(QStringLiteral("4096"), frame);
    text->setObjectName(QString::fromLatin1(textName));
    new TypedLengthValidator(text, kTextLength);
    slider = newSizeSlider(frame, sliderName, 0, 16384);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(newLabel(frame, QString::fromLatin1(label), labelName), 0, 0);
    grid->addWidget(text, 0, 1);
    grid->addWidget(newLabel(frame, QStringLiteral("px")), 0, 2);
    grid->addWidget(slider, 1, 0, 1, 3);
    return frame;
}

void TextureOptions::layOut(QGroupBox* width, QGroupBox* height, QGroupBox* transparency, QGroupBox* offset)
{
    auto* texts = new QVBoxLayout;
    texts->addWidget(Label1);
    texts->addWidget(Label2);
    auto* top = new QHBoxLayout;
    top->addWidget(Picture1, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* frames = new QGridLayout;
    frames->addWidget(width, 0, 0);
    frames->addWidget(height, 0, 1);
    frames->addWidget(transparency, 1, 0);
    frames->addWidget(offset, 1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Picture2);
    buttons->addWidget(DefaultButton);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

void TextureOptions::connectHandlers()
{
    connect(DefaultButton, &QPushButton::clicked, this, &TextureOptions::DefaultButton_Click);
    connect(OKButton, &QPushButton::clicked, this, &TextureOptions::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &TextureOptions::reject);
    connect(WidthText, &QLineEdit::editingFinished, this, &TextureOptions::WidthText_LostFocus);
    connect(HeightText, &QLineEdit::editingFinished, this, &TextureOptions::HeightText_LostFocus);
    connect(AntialiasText, &QLineEdit::editingFinished, this, &TextureOptions::AntialiasText_LostFocus);
    connect(WidthSlider, &QSlider::valueChanged, this, [this] { UISupport::SliderToText(WidthSlider, WidthText, 0); });
    connect(HeightSlider, &QSlider::valueChanged, this,
            [this] { UISupport::SliderToText(HeightSlider, HeightText, 0); });
    connect(AntialiasSlider, &QSlider::valueChanged, this,
            [this] { UISupport::SliderToText(AntialiasSlider, AntialiasText, 0); });
}

int32_t TextureOptions::ShowDialog(TextureOptionsModel& model, const BrickSettings& aBrickData, int32_t aBrickStyle,
                                   QWidget* owner)
{
    if (!model.prepareShowing(aBrickData, aBrickStyle)) return TextureOptionsModel::kResultOk;
    m_model = &model;
    ShowValues();
    EnableFrames(aBrickStyle);
    setWindowTitle(captionFor(aBrickStyle));
    showOver(owner);
    const int32_t result = exec() == TextureOptionsModel::kResultOk ? TextureOptionsModel::kResultOk
                                                                     : TextureOptionsModel::kResultCancel;
    StoreValues();
    m_model = nullptr;
    if (windowHandle()) windowHandle()->setTransientParent(nullptr);
    return result;
}

void TextureOptions::showOver(QWidget* owner)
{
    setWindowModality(Qt::ApplicationModal);
    if (!owner || !owner->window()->windowHandle()) return;
    winId();
    windowHandle()->setTransientParent(owner->window()->windowHandle());
}

void TextureOptions::ShowValues()
{
    const TextureOptionsModel::StyleValues values = m_model->styleValues();
    WidthText->setText(number(values.width));
    HeightText->setText(number(values.height));
    AntialiasText->setText(number(values.blend));
    BrickOffset->setCurrentIndex(values.offset);

    const TextureOptionsModel::SliderLimits limits = m_model->sliderLimits();
    {
        // Ranges change without the sliders' handlers: a value held to a new
        // range must not overwrite the texts just set.
        const QSignalBlocker width(WidthSlider);
        const QSignalBlocker height(HeightSlider);
        const QSignalBlocker blend(AntialiasSlider);
        WidthSlider->setRange(limits.widthMin, limits.widthMax);
        HeightSlider->setRange(limits.heightMin, limits.heightMax);
        AntialiasSlider->setRange(limits.blendMin, limits.blendMax);
        AntialiasSlider->setTickInterval(limits.blendTickFrequency);
    }
    UISupport::TextToSlider(WidthText, WidthSlider, 0);
    UISupport::TextToSlider(HeightText, HeightSlider, 0);
    UISupport::TextToSlider(AntialiasText, AntialiasSlider, 0);
}

void TextureOptions::StoreValues()
{
    m_model->StoreValues(
        {WidthSlider->value(), HeightSlider->value(), AntialiasSlider->value(), BrickOffset->currentIndex()});
}

void TextureOptions::EnableFrames(int32_t brickStyle)
{
    const bool border = brickStyle >= LeftBorder && brickStyle <= BothBorders;
    if (!border && brickStyle != ArchTexture && brickStyle != ColumnTexture) return;
    EnableFrame(WidthFrame, !border);
    EnableFrame(HeightFrame, !border);
    EnableFrame(TranspFrame, brickStyle != ArchTexture);
    EnableFrame(OffsetFrame, brickStyle != ColumnTexture);
}

void TextureOptions::EnableFrame(QGroupBox* frame, bool enabled)
{
    for (QWidget* control : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        control->setEnabled(enabled);
    frame->setEnabled(enabled);
}

void TextureOptions::DefaultButton_Click()
{
    m_model->restoreDefaults();
    ShowValues();
}

void TextureOptions::OKButton_Click()
{
    // A value typed but not yet committed counts.
    WidthText_LostFocus();
    HeightText_LostFocus();
    AntialiasText_LostFocus();
    done(TextureOptionsModel::kResultOk);
}

void TextureOptions::reject() { done(TextureOptionsModel::kResultCancel); }

void TextureOptions::WidthText_LostFocus() { UISupport::TextToSlider(WidthText, WidthSlider, 0); }

void TextureOptions::HeightText_LostFocus() { UISupport::TextToSlider(HeightText, HeightSlider, 0); }

void TextureOptions::AntialiasText_LostFocus() { UISupport::TextToSlider(AntialiasText, AntialiasSlider, 0); }

}  // namespace kalvora
