#include "app/MainMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/InfoDialog.h"
#include "app/MainWindow.h"
#include "app/WebSupport.h"
#include "views/PreviewDialog.h"
#include "views/PreviewWindow.h"

namespace kalvora {

namespace {

constexpr float kZoomStep = 10.0f;

}  // namespace

MainMenus::MainMenus(MainWindow& window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("MainMenus"));
    QMenuBar* bar = window.menuBar();
    buildFileMenu(bar);
    buildEditMenu(bar);
    buildViewMenu(bar);
    buildZoomMenu(bar);
    buildOptionsMenu(bar);
    buildHelpMenu(bar);
}

QMenu* MainMenus::addMenu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QMenu* MainMenus::addSubmenu(QMenu* menu, const char* name, const QString& caption)
{
    QMenu* submenu = menu->addMenu(caption);
    submenu->setObjectName(QString::fromLatin1(name));
    submenu->menuAction()->setObjectName(QString::fromLatin1(name));
    return submenu;
}

QAction* MainMenus::addItem(QMenu* menu, const char* name, const QString& caption, Handler handler)
{
    return addItem(menu, name, caption, QKeySequence(), handler);
}

QAction* MainMenus::addItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                            Handler handler)
{
    QAction* item = newItem(menu, name, caption, shortcut);
    connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return item;
}

QAction* MainMenus::addWindowItem(QMenu* menu, const char* name, const QString& caption,
                                  const QKeySequence& shortcut, void (MainWindow::*handler)())
{
    QAction* item = newItem(menu, name, caption, shortcut);
    connect(item, &QAction::triggered, this, [window = &m_window, handler] { (window->*handler)(); });
    return item;
}

QAction* MainMenus::newItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    return item;
}

void MainMenus::addSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void MainMenus::buildFileMenu(QMenuBar* bar)
{
    QMenu* file = addMenu(bar, "FileMenu", tr("&File"));
    m_runBoundItems = {
        addWindowItem(file, "NewFileMenu", tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
                      &MainWindow::NewFileMenu_Click),
        addWindowItem(file, "OpenFileMenu", tr("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O),
                      &MainWindow::OpenFileMenu_Click),
        addWindowItem(file, "SaveFileMenu", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                      &MainWindow::SaveFileMenu_Click),
        addWindowItem(file, "SaveFileAsMenu", tr("Save &As..."), QKeySequence(), &MainWindow::SaveFileAsMenu_Click),
    };
    addSeparator(file, "MenuSpacer2");
    m_runBoundItems.push_back(addItem(file, "ExportImageMenu", tr("E&xport Image..."),
                                      QKeySequence(Qt::CTRL | Qt::Key_X), &MainMenus::ExportImageMenu_Click));
    addSeparator(file, "MenuSpacer4");
    addWindowItem(file, "ExitMenu", tr("Exi&t"), QKeySequence(), &MainWindow::ExitMenu_Click);
}

void MainMenus::buildEditMenu(QMenuBar* bar)
{
    QMenu* edit = addMenu(bar, "EditMenu", tr("&Edit"));
    m_runBoundItems.push_back(addItem(edit, "EditImageMenu", tr("&Edit Image..."), QKeySequence(Qt::CTRL | Qt::Key_E),
                                      &MainMenus::EditImageMenu_Click));
    addSeparator(edit, "MenuSpacer19");
    m_runBoundItems.push_back(addItem(edit, "CopyToClipboardMenu", tr("&Copy to Clipboard"),
                                      QKeySequence(Qt::CTRL | Qt::Key_C), &MainMenus::CopyToClipboardMenu_Click));
}

void MainMenus::buildViewMenu(QMenuBar* bar)
{
    QMenu* view = addMenu(bar, "ViewMenu", tr("&View"));
    addItem(view, "CenterImageMenu", tr("&Center Image"), QKeySequence(Qt::Key_F9),
            &MainMenus::CenterImageMenu_Click);
    addItem(view, "OptimalViewMenu", tr("&Optimal View"), &MainMenus::OptimalViewMenu_Click);
    addSeparator(view, "MenuSpacer10");
    addItem(view, "ShowTilesMenu", tr("Show &Tiles"), QKeySequence(Qt::CTRL | Qt::Key_T),
            &MainMenus::ShowTilesMenu_Click);
}

void MainMenus::buildZoomMenu(QMenuBar* bar)
{
    QMenu* zoom = addMenu(bar, "ZoomMenu", tr("&Zoom"));
    addItem(zoom, "FitToWindowMenu", tr("&Fit to Window"), QKeySequence(Qt::Key_F5),
            &MainMenus::FitToWindowMenu_Click);
    addItem(zoom, "NoZoomMenu", tr("&No Zoom (1:1)"), QKeySequence(Qt::Key_F6), &MainMenus::NoZoomMenu_Click);
    addSeparator(zoom, "MenuSpacer5");
    buildDirectZoomMenu(zoom);
    addSeparator(zoom, "MenuSpacer22");
    addItem(zoom, "ZoomOutMenu", tr("Zoom&Out"), QKeySequence(Qt::Key_F7), &MainMenus::ZoomOutMenu_Click);
    addItem(zoom, "ZoomInMenu", tr("Zoom &In"), QKeySequence(Qt::Key_F8), &MainMenus::ZoomInMenu_Click);
}

void MainMenus::buildDirectZoomMenu(QMenu* zoom)
{
    struct Level {
        const char* name;
        const char* caption;
        Handler handler;
        // A separator follows the item.
        const char* spacer;
    };
    static const Level levels[] = {
        {"Zoom10", "10 %", &MainMenus::Zoom10_Click, nullptr},
        {"Zoom20", "20 %", &MainMenus::Zoom20_Click, nullptr},
        {"Zoom30", "30 %", &MainMenus::Zoom30_Click, nullptr},
        {"Zoom40", "40 %", &MainMenus::Zoom40_Click, nullptr},
        {"Zoom50", "50 %", &MainMenus::Zoom50_Click, nullptr},
        {"zoom60", "60 %", &MainMenus::zoom60_Click, nullptr},
        {"Zoom70", "70 %", &MainMenus::Zoom70_Click, nullptr},
        {"Zoom80", "80 %", &MainMenus::Zoom80_Click, nullptr},
        {"zoom90", "90 %", &MainMenus::zoom90_Click, "MenuSpacer20"},
        {"Zoom100", "100 %", &MainMenus::Zoom100_Click, "MenuSpacer21"},
        {"zoom110", "110 %", &MainMenus::zoom110_Click, nullptr},
        {"Zoom120", "120 %", &MainMenus::Zoom120_Click, nullptr},
        {"Zoom130", "130 %", &MainMenus::Zoom130_Click, nullptr},
        {"Zoom140", "140 %", &MainMenus::Zoom140_Click, nullptr},
        {"zoom150", "150 %", &MainMenus::zoom150_Click, nullptr},
        {"Zoom200", "200 %", &MainMenus::Zoom200_Click, nullptr},
        {"Zoom300", "300 %", &MainMenus::Zoom300_Click, nullptr},
        {"Zoom400", "400 %", &MainMenus::Zoom400_Click, nullptr},
        {"Zoom500", "500 %", &MainMenus::Zoom500_Click, nullptr},
    };
    QMenu* direct = addSubmenu(zoom, "DirectZoomMenu", tr("&Zoom"));
    for (const Level& level : levels) {
        addItem(direct, level.name, QString::fromLatin1(level.caption), level.handler);
        if (level.spacer) addSeparator(direct, level.spacer);
    }
}

void MainMenus::buildOptionsMenu(QMenuBar* bar)
{
    QMenu* options = addMenu(bar, "OptionsMenu", tr("&Options"));
    QMenu* background = addSubmenu(options, "BackgroundMenu", tr("&Background Color"));
    addItem(background, "BackgroundBlack", tr("&Black"), QKeySequence(Qt::CTRL | Qt::Key_B),
            &MainMenus::BackgroundBlack_Click);
    addItem(background, "BackgroundWhite", tr("&White"), QKeySequence(Qt::CTRL | Qt::Key_W),
            &MainMenus::BackgroundWhite_Click);
    addSeparator(background, "MenuSpacer14");
    addItem(background, "BackgroundCustom", tr("&Custom Color..."), &MainMenus::BackgroundCustom_Click);
}

void MainMenus::buildHelpMenu(QMenuBar* bar)
{
    QMenu* help = addMenu(bar, "HelpMenu", tr("&Help"));
    addItem(help, "ViewHelpMenu", tr("View &Help..."), QKeySequence(Qt::Key_F1), &MainMenus::ViewHelpMenu_Click);
    addSeparator(help, "MenuSpacer30");
    addItem(help, "MenuHomepage", tr("Kalvora &Homepage"), QKeySequence(Qt::CTRL | Qt::Key_F1),
            &MainMenus::MenuHomepage_Click);
    addItem(help, "MenuForum", tr("Online &Forum"), QKeySequence(Qt::CTRL | Qt::Key_F), &MainMenus::MenuForum_Click);
    addItem(help, "MenuFAQs", tr("Frequently Asked &Questions (FAQ)"), &MainMenus::MenuFAQs_Click);
    addItem(help, "MenuTutorials", tr("Kalvora &Tutorials"), &MainMenus::MenuTutorials_Click);
    addItem(help, "MenuGalleries", tr("Kalvora& Galleries"), &MainMenus::MenuGalleries_Click);
    addSeparator(help, "MenuSpacer1");
    addItem(help, "ViewInfoMenu", tr("&Info..."), QKeySequence(Qt::CTRL | Qt::Key_I), &MainMenus::ViewInfoMenu_Click);
}

void MainMenus::ExportImageMenu_Click() { m_window.previewWindow().SaveBitmapFile(); }

void MainMenus::EditImageMenu_Click()
{
    // The editor works on its own copy: the preview keeps its image.
    PreviewDialog& editor = PreviewDialog::instance();
    editor.SetBitmap(m_window.previewWindow().Bitmap());
    editor.setWindowTitle(QStringLiteral("Output Brick Texture"));
    editor.exec();
}

void MainMenus::CopyToClipboardMenu_Click() { m_window.previewWindow().Bitmap().CopyToClipboard(); }

void MainMenus::CenterImageMenu_Click() { m_window.previewWindow().CenterImage(); }

void MainMenus::OptimalViewMenu_Click() { m_window.previewWindow().OptimalView(); }

void MainMenus::ShowTilesMenu_Click() { m_window.previewWindow().ShowTiles(); }

void MainMenus::FitToWindowMenu_Click() { m_window.previewWindow().FitWindowView(); }

void MainMenus::zoomTo(float percent)
{
    // The preview keeps at least 2 %; nothing else limits the zoom.
    PreviewWindow& preview = m_window.previewWindow();
    preview.SetZoom(percent);
    preview.ShowPicture();
}

void MainMenus::NoZoomMenu_Click() { zoomTo(100); }

void MainMenus::ZoomOutMenu_Click() { zoomTo(m_window.previewWindow().Zoom() - kZoomStep); }

void MainMenus::ZoomInMenu_Click() { zoomTo(m_window.previewWindow().Zoom() + kZoomStep); }

void MainMenus::Zoom10_Click() { zoomTo(10); }

void MainMenus::Zoom20_Click() { zoomTo(20); }

void MainMenus::Zoom30_Click() { zoomTo(30); }

void MainMenus::Zoom40_Click() { zoomTo(40); }

void MainMenus::Zoom50_Click() { zoomTo(50); }

void MainMenus::zoom60_Click() { zoomTo(60); }

void MainMenus::Zoom70_Click() { zoomTo(70); }

void MainMenus::Zoom80_Click() { zoomTo(80); }

void MainMenus::zoom90_Click() { zoomTo(90); }

void MainMenus::Zoom100_Click() { zoomTo(100); }

void MainMenus::zoom110_Click() { zoomTo(110); }

void MainMenus::Zoom120_Click() { zoomTo(120); }

void MainMenus::Zoom130_Click() { zoomTo(130); }

void MainMenus::Zoom140_Click() { zoomTo(140); }

void MainMenus::zoom150_Click() { zoomTo(150); }

void MainMenus::Zoom200_Click() { zoomTo(200); }

void MainMenus::Zoom300_Click() { zoomTo(300); }

void MainMenus::Zoom400_Click() { zoomTo(400); }

void MainMenus::Zoom500_Click() { zoomTo(500); }

void MainMenus::BackgroundBlack_Click() { m_window.previewWindow().Background_Black(); }

void MainMenus::BackgroundWhite_Click() { m_window.previewWindow().Background_White(); }

void MainMenus::BackgroundCustom_Click() { m_window.previewWindow().Background_Custom(); }

void MainMenus::ViewHelpMenu_Click()
{
    // One string, blanks and all: the desktop opens it as one file.
    WebSupport::OpenURL(WebSupport::userManual());
}

void MainMenus::MenuHomepage_Click() { WebSupport::OpenURL(WebSupport::homePage()); }

void MainMenus::MenuForum_Click() { WebSupport::OpenURL(WebSupport::forum()); }

void MainMenus::MenuFAQs_Click() { WebSupport::OpenURL(WebSupport::faqForum()); }

void MainMenus::MenuTutorials_Click() { WebSupport::OpenURL(WebSupport::tutorialsForum()); }

void MainMenus::MenuGalleries_Click() { WebSupport::OpenURL(WebSupport::galleriesForum()); }

void MainMenus::ViewInfoMenu_Click() { InfoDialog::showInfo(&m_window); }

}  // namespace kalvora
