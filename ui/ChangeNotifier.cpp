#include "ChangeNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "CheckRunner.h"
#include "Messages.h"
#include "QtText.h"
#include "SjisPath.h"

namespace morvane {

void ChangeNotifier::checkFinished(const CheckOutcome& outcome) {
    // A file that has not answered keeps its record byte for byte, "changed" and all: only a
    // record written anew at this check tells of a change. The sort key before it may differ.
    std::set<std::string> changed;
    QStringList names;
    for (const std::string& record : outcome.records) {
        if (stateOf(record) != RecordState::NewUp) continue;
        std::string withoutKey = record.substr(std::size_t(FieldStart[StateCode] - 1));
        if (lastChanged_.count(withoutKey) == 0)
            names << fromSjis(codec_, withoutFillingSpaces(cutField(record, DisplayName)));
        changed.insert(std::move(withoutKey));
    }
    lastChanged_ = std::move(changed);
    if (!on_ || outcome.rebuild || names.isEmpty()) return;

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
