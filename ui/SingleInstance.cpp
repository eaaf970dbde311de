#include "SingleInstance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QWidget>

namespace morvane {

namespace {

// How long a later start waits for the running copy to answer.
constexpr int ActivateTimeoutMs = 10000;

}  // namespace

void InstanceService::Activate() {
    if (!window_) return;
    window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window_->show();
    window_->raise();
    window_->activateWindow();
    // A dialog open over the window keeps the keyboard.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

QString instanceBusName(const std::string& dataFolder) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(dataFolder));
    // Two paths to one folder (a link, a trailing separator) name one copy.
    QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty()) canonical = path;
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(canonical), QCryptographicHash::Sha256);
    return QStringLiteral("org.morvane.Morvane.Folder_") +
           QString::fromLatin1(hash.toHex().left(16));
}

SingleInstance::SingleInstance(std::string dataFolder) : folder_(std::move(dataFolder)) {}

SingleInstance::~SingleInstance() {
    if (service_) QDBusConnection::sessionBus().unregisterService(instanceBusName(folder_));
}

SingleInstance::Claim SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        if (claimBusName()) return Claim::Running;
        if (bus.interface()->isServiceRegistered(instanceBusName(folder_)))
            return activateOther() ? Claim::OtherActivated : Claim::OtherSilent;
    }
    lock_ = std::make_unique<QLockFile>(
        QFile::decodeName(QByteArray::fromStdString(folder_ + InstanceLockFileName)));
    // Held for as long as the program runs; only a lock whose process has gone is stale.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return Claim::Running;
    const bool held = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
    return held ? Claim::OtherLocked : Claim::Running;
}

bool SingleInstance::claimBusName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The object is there before the name, so a start that finds the name finds the object.
    auto service = std::make_unique<InstanceService>();
    if (!bus.registerObject(QString::fromLatin1(InstanceObjectPath), service.get(),
                            QDBusConnection::ExportAllSlots))
        return false;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(instanceBusName(folder_),
                                         QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(InstanceObjectPath));
        return false;
    }
    service_ = std::move(service);
    return true;
}

bool SingleInstance::activateOther() {
    const QDBusMessage call = QDBusMessage::createMethodCall(
        instanceBusName(folder_), QString::fromLatin1(InstanceObjectPath),
        QString::fromLatin1(InstanceInterface), QStringLiteral("Activate"));
    return QDBusConnection::sessionBus().call(call, QDBus::Block, ActivateTimeoutMs).type() ==
           QDBusMessage::ReplyMessage;
}

void SingleInstance::serve(QWidget& window) {
    if (service_) service_->setWindow(&window);
}

}  // namespace morvane
