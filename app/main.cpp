#include <QApplication>

#include "SystemPlatform.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));

    morvane::SystemPlatform system;
    morvane::Platform platform = system.platform();
    morvane::TForm1 form(platform, morvane::programDirectory());
    form.show();
    return QApplication::exec();
}
