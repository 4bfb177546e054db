#include <QApplication>
#include <QtCore/qresource.h>

#include <gtest/gtest.h>

// Widget tests need one QApplication for the whole run; the offscreen
// platform keeps them headless. The program's resources (cursors, icons)
// are compiled into a static library and registered here.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(kalvora);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
