#include "views/FilterDialogFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/ScopeExit.h"
#include "platform/Status.h"
#include "platform/VectorState.h"
#include "uicore/FilterInputImage.h"
#include "views/ImageViewer.h"

namespace kalvora {

namespace {

// The progress panel is repainted at most this often while a filter runs
// (the run does not let the event queue run, so nothing else paints it).
constexpr qint64 kRepaintIntervalMs = 16;
constexpr int32_t kLastProgress = 100;

QPushButton* addButton(QHBoxLayout* row, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    // Enter in a text box commits that box only; it never presses a button.
    button->setAutoDefault(false);
    button->setDefault(false);
    row->addWidget(button);
    return button;
}

}  // namespace

FilterDialogFrame::FilterDialogFrame(const QString& name, const QString& caption)
{
    setObjectName(name);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    Tab1 = new QTabWidget(this);
    Tab1->setObjectName(QStringLiteral("Tab1"));
    layout->addWidget(Tab1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    SetButton = addButton(buttons, "SetButton", tr("OK"));
    ApplyButton = addButton(buttons, "ApplyButton", tr("Preview"));
    CancelButton = addButton(buttons, "CancelButton", tr("Cancel"));
    layout->addLayout(buttons);

    connect(SetButton, &QPushButton::clicked, this, [this] {
        commitFocusedText();
        CloseWindow(true);
    });
    connect(ApplyButton, &QPushButton::clicked, this, [this] {
        commitFocusedText();
        ApplySelectedEffect();
        UpdatePreviewImage();
    });
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        commitFocusedText();
        CloseWindow(false);
    });
    showProgress(true);
}

FilterDialogFrame::~FilterDialogFrame()
{
    if (Parent) Parent->unregisterToolDialog(this);
}

QGridLayout* FilterDialogFrame::addPage(const QString& title)
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    Tab1->addTab(page, title);
    return grid;
}

SliderTextPair* FilterDialogFrame::addPair(const SliderTextPair::Definition& definition, QGridLayout* grid)
{
    auto* pair = new SliderTextPair(definition, grid, grid->rowCount(), this);
    m_pairs.push_back(pair);
    return pair;
}

void FilterDialogFrame::showProgress(bool on)
{
    if (on)
        cFilter.Progess = [this](int32_t& Value) { cFilter_Progess(Value); };
    else
        cFilter.Progess = nullptr;
}

void FilterDialogFrame::Init(ImageViewer& parent)
{
    if (Parent && Parent != &parent) Parent->unregisterToolDialog(this);
    Parent = &parent;
    parent.registerToolDialog(this);
    m_panel1 = parent.StatusBar1() ? parent.StatusBar1()->findChild<QLabel*>(QStringLiteral("Panel1")) : nullptr;
    cBitmap& image = parent.Bitmap();
    // A failed conversion leaves the image in its own format; the filter
    // input and the backup are then taken from it as it is.
    convertToFilterInput(image);
    cFilter.SetBitmapIn(image);
    BackupBitmap.Dispose();
    BackupBitmap.CreateFromClone(image.Width(), image.Height(), image.Handle(), image.PixelFormat());
}

void FilterDialogFrame::unbind(ImageViewer& opener)
{
    if (Parent == &opener) Parent = nullptr;
}

void FilterDialogFrame::ApplySelectedEffect()
{
    if (!Parent) return;
    // The busy cursor over the dialog until the filter has run, on every way out.
    setCursor(Qt::WaitCursor);
    const platform::ScopeExit normalCursor([this] { setCursor(Qt::ArrowCursor); });
    m_shownProgress = -1;
    m_repaintClock.invalidate();
    // The window's image stays until a result replaces it, so a failing
    // filter leaves it an image: the backup.
    cBitmap& image = Parent->Bitmap();
    platform::Image* result = runPageFilters();
    if (!result ||
        image.CreateFromClone(image.Width(), image.Height(), result, image.PixelFormat()) != platform::Ok)
        restoreBackup();
    cFilter.SetBitmapIn(BackupBitmap);
}

bool FilterDialogFrame::takeIntermediate(platform::Image* result)
{
    cBitmap& image = Parent->Bitmap();
    if (!result ||
        image.CreateFromClone(image.Width(), image.Height(), result, image.PixelFormat()) != platform::Ok)
        return false;
    cFilter.SetBitmapIn(image);
    return true;
}

void FilterDialogFrame::UpdatePreviewImage()
{
    if (Parent) Parent->ShowPicture();
}

void FilterDialogFrame::cFilter_Progess(int32_t Value)
{
    if (!Parent || Value == m_shownProgress) return;
    m_shownProgress = Value;
    Parent->setPanel1Text(QString::number(Value) + QStringLiteral("% done..."));
    repaintProgress(Value);
}

void FilterDialogFrame::repaintProgress(int32_t Value)
{
    if (!m_panel1) return;
    const bool due = !m_repaintClock.isValid() || m_repaintClock.elapsed() >= kRepaintIntervalMs;
    if (!due && Value != kLastProgress) return;
    m_panel1->repaint();
    // The painting may leave the vector registers in a state that slows the
    // filter's own loops for the rest of the run.
    platform::clearUpperVectorState();
    m_repaintClock.start();
}

void FilterDialogFrame::reject() { CloseWindow(false); }

void FilterDialogFrame::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (isVisible()) reject();
}

void FilterDialogFrame::CloseWindow(bool apply)
{
    if (!Parent) {
        hide();
        return;
    }
    if (apply)
        ApplySelectedEffect();
    else
        restoreBackup();
    UpdatePreviewImage();
    hide();
    ImageViewer* opener = Parent;
    opener->SetFocus();
    opener->unregisterToolDialog(this);
    Parent = nullptr;
}

void FilterDialogFrame::restoreBackup()
{
    Parent->Bitmap().CreateFromClone(BackupBitmap.Width(), BackupBitmap.Height(), BackupBitmap.Handle(),
                                     BackupBitmap.PixelFormat());
}

void FilterDialogFrame::commitFocusedText()
{
    QWidget* focused = QApplication::focusWidget();
    for (SliderTextPair* pair : m_pairs)
        if (pair->textBox() == focused) pair->commitText();
}

}  // namespace kalvora
