#pragma once

// A notification service for tests: it takes the name org.freedesktop.Notifications on the
// session bus, on a connection of its own, and keeps every Notify call it is sent.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace morvane::testing {

struct NotifyCall {
    QString appName;
    QString appIcon;
    QString summary;
    QString body;
    QVariantMap hints;
};

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    FakeNotifications();
    ~FakeNotifications() override;

    // Whether the service holds its name on the session bus.
    bool registered() const { return registered_; }
    const std::vector<NotifyCall>& calls() const { return calls_; }

signals:
    void notified(const morvane::testing::NotifyCall& call);

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);

private:
    bool registered_ = false;
    std::vector<NotifyCall> calls_;
};

}  // namespace morvane::testing
