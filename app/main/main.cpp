#include <QApplication>
#include <QStringList>
#include <QtCore/qresource.h>

#include "app/MainWindow.h"
#include "app/QtServices.h"

namespace {

// The command line after the program's name, its arguments joined by
// blanks: one project path, taken as it stands.
QString commandLine(const QStringList& arguments) { return arguments.mid(1).join(QLatin1Char(' ')); }

}  // namespace

// Starts the program: the services on Qt, then the main window's start-up
// (the splash while the windows load, the project the command line names,
// the toolbar's colour, the frame with its docked children), then the event
// loop.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(kalvora);
    QApplication::setApplicationName("Kalvora");
    kalvora::MainWindow window;
    const kalvora::QtServices services(&window);
    window.MDIForm_Load(commandLine(QApplication::arguments()));
    return QApplication::exec();
}
