#include <QApplication>

#include "MainWindow.h"
#include "SystemPlatform.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));

    morvane::SystemPlatform system;
    morvane::Platform platform = system.platform();
    morvane::MainWindow form(platform, morvane::programDirectory());
    form.show();
    return QApplication::exec();
}
