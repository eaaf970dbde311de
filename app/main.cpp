#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "DataFolder.h"
#include "ErrorReport.h"
#include "MainWindow.h"
#include "Messages.h"
#include "QuitOnSignals.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "SystemPlatform.h"
#include "WatchListAdditions.h"

int main(int argc, char** argv) {
    const morvane::CommandLine command =
        morvane::readCommandLine({argv, argv + argc}, MORVANE_VERSION);
    switch (command.action) {
        case morvane::CommandLine::ShowHelp:
        case morvane::CommandLine::ShowVersion:
            std::fputs(command.text.c_str(), stdout);
            return 0;
        case morvane::CommandLine::Misused:
            std::fputs(command.text.c_str(), stderr);
            return 2;
        case morvane::CommandLine::Run:
            break;
    }

    switch (
        morvane::chooseDisplayRoute(morvane::environmentOfThisProcess(), command.chosePlatform)) {
        case morvane::DisplayRoute::NoDisplay:
            std::fputs("morvane: no display: start Morvane from a desktop session\n", stderr);
            return 1;
        case morvane::DisplayRoute::ThroughXWayland:
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            break;
        case morvane::DisplayRoute::AsItIs:
            break;
    }
    // Qt's X11 backing store shares what it paints with the X server through shared memory, and
    // before painting again over a place it shared it waits a round trip for the server to have
    // read it. The status panel's time is painted at the same place at every check, so every
    // check would wait, and wake a second thread to hear the answer. Sent in the request itself,
    // the few kilobytes a check paints need no wait. A user's own setting wins.
    ::setenv("QT_XCB_NO_MITSHM", "1", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    QApplication::setApplicationVersion(QStringLiteral(MORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.morvane.Morvane"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/morvane-48.png"));
    icon.addFile(QStringLiteral(":/icons/morvane-256.png"));
    QApplication::setWindowIcon(icon);

    const morvane::DataFolder data =
        morvane::chooseDataFolder(morvane::placesOfThisProcess(morvane::programDirectory()));
    if (data.failure != morvane::DataFolderFailure::None) {
        // Without a folder it can write, the window could never be closed normally.
        const std::string message = morvane::dataFolderMessage(data);
        std::fprintf(stderr, "morvane: %s\n", message.c_str());
        morvane::showErrorBox(nullptr, message);
        return 1;
    }

    QStringList files;
    for (const std::string& file : command.files) files << QString::fromLocal8Bit(file);
    // Asked here, where waiting harms no window: the copy that adds the files asks no file
    // system about a path it is handed, which may be on a share that does not answer.
    files = morvane::markFolders(files, morvane::StartAnswerWait);
    // One copy per data folder: a second would undo the first one's edits when it closes.
    morvane::SingleInstance instance(data.path);
    switch (instance.claim(files)) {
        case morvane::SingleInstance::Claim::Running:
            break;
        case morvane::SingleInstance::Claim::OtherActivated:
            if (files.isEmpty())
                std::printf("Morvane already runs on %s; its window was brought to the front\n",
                            data.path.c_str());
            else
                std::printf(
                    "Morvane already runs on %s; the files were handed to it and its "
                    "window brought to the front\n",
                    data.path.c_str());
            return 0;
        case morvane::SingleInstance::Claim::OtherLocked:
            // Without a session bus on both sides, or from another login's, the running copy
            // cannot be reached.
            std::fprintf(stderr,
                         "morvane: Morvane already runs on %s (it holds %s%s) and cannot be "
                         "reached from here%s\n",
                         data.path.c_str(), data.path.c_str(), morvane::InstanceLockFileName,
                         files.isEmpty() ? "" : ": the files were not added");
            return files.isEmpty() ? 0 : 1;
        case morvane::SingleInstance::Claim::OtherSilent:
            std::fprintf(stderr, "morvane: Morvane already runs on %s but does not answer\n",
                         data.path.c_str());
            return 1;
    }

    morvane::SystemPlatform system;
    morvane::Platform platform = system.platform();
    morvane::MainWindow form(platform, system.sharedFiles(), data.path);
    form.addFiles(files);
    instance.serve(form, [&form](const QStringList& handedOver) { form.addFiles(handedOver); });
    QObject::connect(&form, &morvane::MainWindow::closing,
                     [&instance] { instance.addWaitingFiles(); });
    form.show();
    const morvane::QuitOnSignals quitOnSignals(form);
    return QApplication::exec();
}
