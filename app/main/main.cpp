#include <QApplication>
#include <QtCore/qresource.h>

#include "app/MainWindow.h"
#include "app/QtServices.h"

// Starts the program: the services on Qt, then the main window's start-up,
// which shows the frame with its docked children.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(kalvora);
    QApplication::setApplicationName("Kalvora");
    kalvora::MainWindow window;
    const kalvora::QtServices services(&window);
    window.MDIForm_Load();
    return QApplication::exec();
}
