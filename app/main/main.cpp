#include <QApplication>

// Starts the program. The windows are not built yet: the program starts its
// event system and exits at once.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kalvora");
    return 0;
}
