// fake-notifications LOG: a notification service for the end-to-end tests, run on a session
// bus of its own (dbus-run-session). Once it holds its name it writes its process id and the
// bus address to LOG.ready, a line each; then it appends one line to LOG per Notify call:
// the icon, the summary and the body, separated by tabs, with each line end of the body as
// "\n". It runs until it is ended.

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "FakeNotifications.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: fake-notifications LOG\n", stderr);
        return 2;
    }
    const QString log = QString::fromLocal8Bit(argv[1]);
    morvane::testing::FakeNotifications service;
    if (!service.registered()) {
        std::fputs("fake-notifications: cannot take the name on the session bus\n", stderr);
        return 1;
    }
    QObject::connect(
        &service, &morvane::testing::FakeNotifications::notified,
        [&log](const morvane::testing::NotifyCall& call) {
            QFile file(log);
            if (!file.open(QIODevice::Append)) return;
            QString body = call.body;
            body.replace(u'\n', QStringLiteral("\\n"));
            file.write((call.appIcon + u'\t' + call.summary + u'\t' + body + u'\n').toUtf8());
        });
    // Written whole under another name first, so that a reader never sees half of it.
    QFile ready(log + QStringLiteral(".ready.part"));
    if (!ready.open(QIODevice::WriteOnly)) return 1;
    ready.write(QByteArray::number(qint64(getpid())) + '\n' + qgetenv("DBUS_SESSION_BUS_ADDRESS") +
                '\n');
    ready.close();
    if (!QFile::rename(ready.fileName(), log + QStringLiteral(".ready"))) return 1;
    return QCoreApplication::exec();
}
