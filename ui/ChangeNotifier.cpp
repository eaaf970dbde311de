#include "ChangeNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "Messages.h"
#include "QtText.h"
#include "SjisPath.h"
#include "Watch.h"

namespace morvane {

void ChangeNotifier::checkFinished(const CheckOutcome& outcome) {
    if (!on_ || outcome.rebuild) return;
    // A file that has not answered keeps its record, "changed" and all: only a record written
    // anew at this check tells of a change.
    QStringList names;
    for (const WatchRow& row : outcome.rows)
        if (row.writtenAnew && stateOf(row.record) == RecordState::NewUp)
            names << fromSjis(codec_, withoutFillingSpaces(cutField(row.record, DisplayName)));
    if (names.isEmpty()) return;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints = {
        {QStringLiteral("desktop-entry"), QStringLiteral("org.morvane.Morvane")}};
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    notify << QStringLiteral("Morvane") << 0u << QString::fromLatin1(NotificationIconName)
           << QString::fromUtf8(ChangeNotificationSummary) << changedFilesText(names)
           << QStringList() << hints << -1;
    // Sent, not called: the answer, or the error of a bus without the service, is dropped.
    bus.send(notify);
}

}  // namespace morvane
