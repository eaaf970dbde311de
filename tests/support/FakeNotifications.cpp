#include "FakeNotifications.h"

#include <QDBusConnection>

namespace morvane::testing {

namespace {

constexpr const char* ConnectionName = "fake-notifications";

}  // namespace

FakeNotifications::FakeNotifications() {
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QLatin1String(ConnectionName));
    registered_ = bus.isConnected() &&
                  bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                     QDBusConnection::ExportAllSlots) &&
                  bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

FakeNotifications::~FakeNotifications() {
    QDBusConnection::disconnectFromBus(QLatin1String(ConnectionName));
}

uint FakeNotifications::Notify(const QString& appName, uint, const QString& appIcon,
                               const QString& summary, const QString& body, const QStringList&,
                               const QVariantMap& hints, int) {
    calls_.push_back({appName, appIcon, summary, body, hints});
    emit notified(calls_.back());
    return uint(calls_.size());
}

}  // namespace morvane::testing
