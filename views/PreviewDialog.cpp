#include "views/PreviewDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <string>

#include "imaging/UISupport.h"
#include "platform/PixelFormat.h"
#include "platform/Services.h"
#include "uicore/ImageFiles.h"
#include "uicore/ToolDialogPlacement.h"
#include "views/ImageFilterWindow.h"
#include "views/ImageToolDialog.h"
#include "views/ResizeImageWindow.h"
#include "views/TextureFilterWindow.h"

namespace kalvora {

namespace {

const QString kCaption = QStringLiteral("Preview");

platform::PixelRect pixelRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

PreviewDialog::PreviewDialog(QWidget* parent) : QDialog(parent), ImageViewer(this, true)
{
    setObjectName(QStringLiteral("PreviewDialog"));
    setWindowTitle(kCaption);
    resize(800, 600);
    buildMenus();
    // Loading: nearest neighbour checked and applied, image menus off.
    chooseInterpolation(CheckedInterpolationItem, platform::InterpolationMode::NearestNeighbor);
    EnableMenus(false);
}

PreviewDialog& PreviewDialog::instance()
{
    // Lives as long as the program; windows are never made before the
    // application object, so it is made on first use.
    static PreviewDialog* editor = new PreviewDialog;
    return *editor;
}

void PreviewDialog::buildMenus()
{
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MenuBar"));
    m_menuBar->setNativeMenuBar(false);
    layout()->setMenuBar(m_menuBar);
    buildFileMenu();
    buildEditMenu();
    buildViewMenu();
    buildImageMenu();
    buildFilterMenus();
}

QMenu* PreviewDialog::addMenu(QMenuBar* bar, const char* name, const QString& caption, bool switched)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    if (switched) m_switchedMenus.push_back(menu);
    return menu;
}

QAction* PreviewDialog::addEntry(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut)
{
    QAction* entry = menu->addAction(caption);
    entry->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) entry->setShortcut(shortcut);
    return entry;
}

void PreviewDialog::addSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void PreviewDialog::buildFileMenu()
{
    QMenu* file = addMenu(m_menuBar, "FileMenu", tr("&File"), false);
    connect(addEntry(file, "OpenFile", tr("&Open..."), QKeySequence(tr("Ctrl+O"))), &QAction::triggered, this,
            [this] { OpenFile(); });
    m_saveFile = addEntry(file, "SaveFile", tr("&Save As..."), QKeySequence(tr("Ctrl+S")));
    connect(m_saveFile, &QAction::triggered, this, [this] { SaveBitmapFile(); });
    addSeparator(file, "MenuSpacer1");
    connect(addEntry(file, "CloseFile", tr("&Close"), QKeySequence(tr("Ctrl+F4"))), &QAction::triggered, this,
            [this] { hide(); });
}

void PreviewDialog::buildEditMenu()
{
    QMenu* edit = addMenu(m_menuBar, "EditMenu", tr("&Edit"), false);
    connect(addEntry(edit, "CopyMenu", tr("&Copy to Clipboard"), QKeySequence(tr("Ctrl+C"))), &QAction::triggered, this,
            [this] { Bitmap().CopyToClipboard(); });
    connect(addEntry(edit, "PasteMenu", tr("&Paste from Clipboard"), QKeySequence(tr("Ctrl+V"))), &QAction::triggered,
            this, [this] { Paste(); });
    addSeparator(edit, "MenuSpacer30");
    connect(addEntry(edit, "DeleteMenu", tr("&Delete")), &QAction::triggered, this,
            [this] { NewImage(imgWidth(), imgHeight()); });
}

void PreviewDialog::buildViewMenu()
{
    QMenu* menu = addMenu(m_menuBar, "ViewMenu", tr("&View"), true);
    connect(addEntry(menu, "CenterImage", tr("&Center Image"), QKeySequence(Qt::Key_F9)), &QAction::triggered, this,
            [this] {
                view().Zoom_CenterImage(view().Zoom);
                ShowPicture();
            });
    addSeparator(menu, "MenuSpacer10");
    connect(addEntry(menu, "FitWindowView", tr("&Fit to Window"), QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
            [this] {
                view().FitToWindow();
                ShowPicture();
            });
    connect(addEntry(menu, "NoZoom", tr("&No Zoom (1:1)"), QKeySequence(Qt::Key_F6)), &QAction::triggered, this,
            [this] { ZoomStep(100); });
    addSeparator(menu, "MenuSpacer5");
    buildZoomMenu(menu);
    addSeparator(menu, "MenuSpacer4");
    connect(addEntry(menu, "ZoomOutView", tr("Zoom &Out"), QKeySequence(Qt::Key_F7)), &QAction::triggered, this,
            [this] {
                view().ZoomOut();
                view().CenterSmallImage(true);
                ShowPicture();
            });
    connect(addEntry(menu, "ZoomInView", tr("Zoom &In"), QKeySequence(Qt::Key_F8)), &QAction::triggered, this, [this] {
        view().ZoomIn();
        view().CenterSmallImage(true);
        ShowPicture();
    });
    addSeparator(menu, "MenuSpacer13");
    QMenu* background = menu->addMenu(tr("&Background Color"));
    background->setObjectName(QStringLiteral("BackgroundMenu"));
    background->menuAction()->setObjectName(QStringLiteral("BackgroundMenu"));
    connect(addEntry(background, "BackgroundBlack", tr("&Black"), QKeySequence(tr("Ctrl+B"))), &QAction::triggered,
            this, [this] { Background_Black(); });
    connect(addEntry(background, "BackgroundWhite", tr("&White"), QKeySequence(tr("Ctrl+W"))), &QAction::triggered,
            this, [this] { Background_White(); });
    addSeparator(background, "MenuSpacer14");
    connect(addEntry(background, "BackgroundCustom", tr("&Custom Color...")), &QAction::triggered, this,
            [this] { Background_Custom(); });
    buildInterpolationMenu(menu);
    addSeparator(menu, "MenuSpacer9");
    m_showTiles = addEntry(menu, "ShowTiles", tr("Show &Tiles"), QKeySequence(tr("Ctrl+T")));
    m_showTiles->setCheckable(true);
    connect(m_showTiles, &QAction::triggered, this, [this](bool on) {
        view().TileMode = on;
        ShowPicture();
    });
}

void PreviewDialog::buildZoomMenu(QMenu* view)
{
    QMenu* zoom = view->addMenu(tr("&Zoom"));
    zoom->setObjectName(QStringLiteral("ZommView"));
    zoom->menuAction()->setObjectName(QStringLiteral("ZommView"));
    struct Step {
        const char* name;
        int value;
    };
    auto addSteps = [&](std::initializer_list<Step> steps) {
        for (const Step& s : steps)
            connect(addEntry(zoom, s.name, QStringLiteral("%1 %").arg(s.value)), &QAction::triggered, this,
                    [this, v = s.value] { ZoomStep(static_cast<float>(v)); });
    };
    addSteps({{"Zoom10", 10},
              {"Zoom20", 20},
              {"Zoom30", 30},
              {"Zoom40", 40},
              {"Zoom50", 50},
              {"zoom60", 60},
              {"Zoom70", 70},
              {"Zoom80", 80},
              {"zoom90", 90}});
    addSeparator(zoom, "MenuSpacer2");
    addSteps({{"Zoom100", 100}});
    addSeparator(zoom, "MenuSpacer3");
    addSteps({{"zoom110", 110},
              {"Zoom120", 120},
              {"Zoom130", 130},
              {"Zoom140", 140},
              {"zoom150", 150},
              {"Zoom200", 200},
              {"Zoom300", 300},
              {"Zoom400", 400},
              {"Zoom500", 500}});
}

void PreviewDialog::buildInterpolationMenu(QMenu* view)
{
    QMenu* menu = view->addMenu(tr("Interpolation &Mode"));
    menu->setObjectName(QStringLiteral("InterpolationMenu"));
    menu->menuAction()->setObjectName(QStringLiteral("InterpolationMenu"));
    m_interpolation = new QActionGroup(this);
    m_interpolation->setExclusive(true);
    using platform::InterpolationMode;
    struct Mode {
        const char* name;
        const char* caption;
        InterpolationMode mode;
    };
    for (const Mode& m : {Mode{"InterpolationNN", "&Nearest Neighbor", InterpolationMode::NearestNeighbor},
                          Mode{"InterpolationBL", "&Bilinear", InterpolationMode::Bilinear},
                          Mode{"InterpolationBC", "B&icubic", InterpolationMode::Bicubic},
                          Mode{"InterpolationHQBL", "High Quality Bi&linear", InterpolationMode::HighQualityBilinear},
                          Mode{"InterpolationHQBC", "High Quality Bi&cubic", InterpolationMode::HighQualityBicubic}}) {
        QAction* entry = addEntry(menu, m.name, tr(m.caption));
        entry->setCheckable(true);
        m_interpolation->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, entry, mode = m.mode] { chooseInterpolation(entry, mode); });
        if (m.mode == InterpolationMode::NearestNeighbor) CheckedInterpolationItem = entry;
    }
}

void PreviewDialog::buildImageMenu()
{
    QMenu* image = addMenu(m_menuBar, "ImageMenu", tr("&Image"), true);
    QMenu* rotate = image->addMenu(tr("&Rotate"));
    rotate->setObjectName(QStringLiteral("RotateMenu"));
    rotate->menuAction()->setObjectName(QStringLiteral("RotateMenu"));
    using platform::RotateFlipType;
    auto turn = [this](QMenu* menu, const char* name, const QString& caption, RotateFlipType type) {
        connect(addEntry(menu, name, caption), &QAction::triggered, this, [this, type] { RotateFlip(type); });
    };
    turn(rotate, "Rotate90", tr("Clockwise 90°"), RotateFlipType::Rotate90FlipNone);
    turn(rotate, "Rotate270", tr("Counter Clockwise 90°"), RotateFlipType::Rotate270FlipNone);
    addSeparator(rotate, "MenuSpacer16");
    turn(rotate, "Rotate180", tr("Rotate 180°"), RotateFlipType::Rotate180FlipNone);
    turn(image, "FlipH", tr("Flip &Horizontally"), RotateFlipType::RotateNoneFlipX);
    turn(image, "FlipV", tr("Flip &Vertically"), RotateFlipType::RotateNoneFlipY);
    addSeparator(image, "MenuSpacer18");
    connect(addEntry(image, "ResizeImage", tr("Resize &Image...")), &QAction::triggered, this,
            [this] { ShowResizeImage(); });
}

void PreviewDialog::buildFilterMenus()
{
    struct Entry {
        const char* name;
        const char* caption;
        int index;
    };
    auto addFilters = [this](QMenu* menu, std::initializer_list<Entry> entries, bool texture) {
        for (const Entry& e : entries)
            connect(addEntry(menu, e.name, tr(e.caption)), &QAction::triggered, this, [this, texture, i = e.index] {
                if (texture)
                    ShowTextureFilter(i);
                else
                    ShowImageFilter(i);
            });
    };
    addFilters(addMenu(m_menuBar, "ColorFilterMenu", tr("&Color"), true),
               {{"FilterContrast", "Adjust &Brightness / Contrast...", 0},
                {"FilterRGB", "Adjust &Red / Green / Blue...", 1},
                {"FilterHSL", "Adjust &Hue / Saturation / Luminance...", 2},
                {"FilterGamma", "Adjust &Gamma / Threshold...", 3}},
               false);
    addFilters(addMenu(m_menuBar, "EffectFilterMenu", tr("Effect&s"), true),
               {{"FilterGrayscale", "&Grayscale Image...", 6},
                {"FilterSepia", "&Sepia Toning...", 7},
                {"FilterEqualize", "Histogram &Equalize...", 8},
                {"FilterContours", "Show &Contours...", 9},
                {"FilterShowAlpha", "Show &Alpha Channel...", 10}},
               false);
    addFilters(addMenu(m_menuBar, "ImageFilterMenu", tr("I&mage Filters"), true),
               {{"FilterSharpen", "&Sharpen...", 4}, {"FilterNoise", "&Noise...", 5}}, false);
    addFilters(addMenu(m_menuBar, "TextureFilterMenu", tr("&Texture Filters"), true),
               {{"FilterSeamlessTexture", "Create &Seamless Texture...", 11},
                {"FilterTransparentBorders", "Create Transparent &Borders...", 12},
                {"FilterNormalMap", "Convert Height Map to Normal Map...", 13}},
               true);
}

void PreviewDialog::SetBitmap(cBitmap& NewBitmap, bool)
{
    if (NewBitmap.Width() <= 0 || NewBitmap.Height() <= 0 || !takeCopyOf(NewBitmap)) return;
    fitNewImage();
    // The openers give the image before they show the editor, whose drawing
    // area has its size on screen only then (the first time, none at all).
    m_fitWhenShown = !isVisible();
    setWindowTitle(kCaption);
    EnableMenus(true);
}

void PreviewDialog::fitNewImage()
{
    view().OptimalZoom();
    view().CenterSmallImage(true);
    ShowPicture();
}

void PreviewDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The layout has given the drawing area its size by now.
    if (!m_fitWhenShown) return;
    m_fitWhenShown = false;
    fitNewImage();
}

void PreviewDialog::takeNewImage(const QString& caption, bool centre)
{
    view().imgWidth = view().Bitmap.Width();
    view().imgHeight = view().Bitmap.Height();
    view().OptimalZoom();
    if (centre) view().CenterSmallImage(true);
    setWindowTitle(caption);
    showSizeText();
    EnableMenus(true);
    ShowPicture();
}

void PreviewDialog::showSizeText()
{
    view().setPanelText(2, "0, 0  [" + std::to_string(imgWidth()) + " x " + std::to_string(imgHeight()) + "]");
}

void PreviewDialog::OpenFile()
{
    const QString path = askFileName(false);
    if (path.isEmpty()) return;
    // A file that cannot be read leaves the image, the view and the caption.
    if (view().Bitmap.LoadFromFile(path.toStdString()) != platform::Ok) {
        platform::Services::messageBox().show(
            ImageFiles::openFailedText(UISupport::FileTitleFromPath(path.toStdString())), ImageFiles::openFailedTitle(),
            ImageFiles::kOpenFailedStyle);
        return;
    }
    takeNewImage(kCaption + QLatin1Char(' ') + path, true);
}

void PreviewDialog::Paste()
{
    // Without an image on the clipboard the shown image stays.
    if (!view().Bitmap.PasteFromClipboard()) return;
    takeNewImage(kCaption, true);
}

void PreviewDialog::NewImage(int32_t width, int32_t height)
{
    if (width < 1 || height < 1) return;
    cBitmap blank;
    if (blank.CreateFromScan0(width, height, 0, platform::kFormat24bppRGB) != platform::Ok) return;
    view().Bitmap = std::move(blank);
    takeNewImage(kCaption, false);
}

void PreviewDialog::RotateFlip(platform::RotateFlipType type)
{
    if (view().Bitmap.RotateFlip(type) != platform::Ok) return;
    if (type == platform::RotateFlipType::Rotate90FlipNone || type == platform::RotateFlipType::Rotate270FlipNone) {
        view().imgWidth = view().Bitmap.Width();
        view().imgHeight = view().Bitmap.Height();
    }
    ShowPicture();
}

void PreviewDialog::ZoomStep(float zoom)
{
    view().SetZoom(zoom);
    view().CenterSmallImage(true);
    ShowPicture();
}

void PreviewDialog::chooseInterpolation(QAction* entry, platform::InterpolationMode mode)
{
    CheckedInterpolationItem = entry;
    entry->setChecked(true);
    view().CurrentInterpolationMode = mode;
    ShowPicture();
}

void PreviewDialog::EnableMenus(bool on)
{
    // Every entry of a switched menu follows it, so a switched-off menu's
    // shortcuts do nothing either.
    m_saveFile->setEnabled(on);
    for (QMenu* menu : m_switchedMenus) {
        menu->menuAction()->setEnabled(on);
        for (QMenu* sub : menu->findChildren<QMenu*>()) sub->menuAction()->setEnabled(on);
        for (QAction* entry : menu->findChildren<QAction*>()) entry->setEnabled(on);
        for (QAction* entry : menu->actions()) entry->setEnabled(on);
    }
}

void PreviewDialog::ShowImageFilter(int FilterIndex) { openToolDialog(ImageFilterWindow::instance(), FilterIndex); }

void PreviewDialog::ShowTextureFilter(int FilterIndex) { openToolDialog(TextureFilterWindow::instance(), FilterIndex); }

void PreviewDialog::ShowResizeImage() { openToolDialog(ResizeImageWindow::instance(), -1); }

void PreviewDialog::openToolDialog(ImageToolDialog& dialog, int filterIndex)
{
    dialog.Init(*this);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int32_t screenWidth = screen ? screen->geometry().width() : 0;
    const ScreenPoint at = toolDialogPlacement(screenWidth, pixelRect(frameGeometry()),
                                               pixelRect(dialog.frameGeometry()));
    dialog.move(at.left, at.top);
    const bool progress = dialog.writesProgress();
    const QString panel1 = panel1Text();
    if (progress) dialog.selectFilter(filterIndex);
    dialog.exec();
    if (progress) setPanel1Text(panel1);
}

void PreviewDialog::keyPressEvent(QKeyEvent* event)
{
    // The editor has no Cancel: Esc does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PreviewDialog::closeEvent(QCloseEvent* event)
{
    // The close box only hides the editor, ending its modal showing.
    event->ignore();
    hide();
}

}  // namespace kalvora
