// The running copy's bus object, called from a second connection as another start calls it.
// Run under dbus-run-session.

#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>

#include "QuitOnSignals.h"
#include "RealPlatform.h"
#include "SingleInstance.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

using RunningCopy = WindowTest;

TEST_F(RunningCopy, ActivateFromAnotherStartRestoresAndActivatesTheMinimisedWindow) {
    SingleInstance instance(AppDir);
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::Running) << "no session bus";
    open();
    instance.serve(*form, [this](const QStringList& paths) { form->addFiles(paths); });
    form->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMinimized(); }));

    QDBusConnection otherStart =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    const QDBusPendingCall call = otherStart.asyncCall(QDBusMessage::createMethodCall(
        instanceBusName(AppDir), QString::fromLatin1(InstanceObjectPath),
        QString::fromLatin1(InstanceInterface), QStringLiteral("Activate")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return call.isFinished(); }, 10000));
    EXPECT_FALSE(call.isError()) << call.error().message().toStdString();
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->isActiveWindow(); }));

    // Files handed over while a modal dialog is open wait until it has gone: the editor's OK
    // writes the list it read when it opened.
    QDialog editor(form.get());
    editor.open();
    // Two starts in quick succession: the files of both are added.
    for (const char* path : {"/w/a.txt", "/w/b.txt"}) {
        const QDBusPendingCall open = otherStart.asyncCall(
            QDBusMessage::createMethodCall(
                instanceBusName(AppDir), QString::fromLatin1(InstanceObjectPath),
                QString::fromLatin1(InstanceInterface), QStringLiteral("Open"))
            << QStringList{QString::fromLatin1(path)});
        EXPECT_TRUE(QTest::qWaitFor([&] { return open.isFinished(); }, 10000));
    }
    settle();
    EXPECT_EQ(records().size(), 0u);
    editor.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return records().size() == 2; }));
}

// The same folder named through a link or with another trailing separator is the same folder.
TEST_F(RunningCopy, AStartThroughALinkOrAnotherSlashFindsTheCopyThatRuns) {
    const TempFolder dir;
    const std::string link = dir / "link";  // to the folder itself
    std::filesystem::create_directory_symlink(dir.path(), link);
    SingleInstance running(dir.path());
    ASSERT_EQ(running.claim(), SingleInstance::Claim::Running) << "no session bus";
    for (const std::string& other : {link + "/", dir.path() + "/"}) {
        SingleInstance later(other);
        EXPECT_EQ(later.claim(), SingleInstance::Claim::OtherActivated) << other;
    }
}

// A window that cannot write its settings says so and stays, on a signal as after 終了.
TEST_F(RunningCopy, ASignalLeavesAWindowThatCannotCloseRunning) {
    struct StayingWindow : QWidget {
        void closeEvent(QCloseEvent* event) override {
            event->ignore();
            QTimer::singleShot(0, [] { QCoreApplication::exit(7); });
        }
    } window;
    const QuitOnSignals quitOnSignals(window);
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    EXPECT_EQ(QCoreApplication::exec(), 7) << "the program quit";
}

}  // namespace
}  // namespace morvane::testing
