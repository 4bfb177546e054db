#include <QApplication>
#include <QtCore/qresource.h>

// Starts the program. The main window is not built yet: the program starts
// its event system and exits at once.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(kalvora);
    QApplication::setApplicationName("Kalvora");
    return 0;
}
