// The running copy's bus object, called from a second connection as another start calls it.
// Run under dbus-run-session.

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDialog>
#include <QTest>

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
    const QDBusPendingCall open =
        otherStart.asyncCall(QDBusMessage::createMethodCall(
                                 instanceBusName(AppDir), QString::fromLatin1(InstanceObjectPath),
                                 QString::fromLatin1(InstanceInterface), QStringLiteral("Open"))
                             << QStringList{QStringLiteral("/w/a.txt")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return open.isFinished(); }, 10000));
    settle();
    EXPECT_EQ(records().size(), 0u);
    editor.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return records().size() == 1; }));
}

}  // namespace
}  // namespace morvane::testing
