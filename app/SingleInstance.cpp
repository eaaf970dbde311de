#include "SingleInstance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QWidget>
#include <utility>

namespace morvane {

namespace {

// How long a later start waits for the running copy to answer.
constexpr int AnswerTimeoutMs = 10000;

}  // namespace

void InstanceService::setWindow(QWidget* window, AddFiles addFiles) {
    window_ = window;
    addFiles_ = std::move(addFiles);
    if (!waiting_.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { addWaitingFiles(); }, Qt::QueuedConnection);
}

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

void InstanceService::Open(const QStringList& nativePaths) {
    // A flood of requests while a dialog is open waits in one copy of each path.
    for (const QString& path : nativePaths)
        if (!waiting_.contains(path)) waiting_ << path;
    // Queued: the call is answered before the list is read and before any message about a file.
    QMetaObject::invokeMethod(
        this, [this] { addWaitingFiles(); }, Qt::QueuedConnection);
    Activate();
}

void InstanceService::addWaitingFiles() {
    if (waiting_.isEmpty() || !addFiles_) return;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal != blocking_) {
            if (blocking_) blocking_->removeEventFilter(this);
            blocking_ = modal;
            modal->installEventFilter(this);
        }
        return;
    }
    addWaitingFilesNow();
}

void InstanceService::addWaitingFilesNow() {
    if (blocking_) blocking_->removeEventFilter(this);
    blocking_ = nullptr;
    if (!waiting_.isEmpty() && addFiles_) addFiles_(std::exchange(waiting_, {}));
}

bool InstanceService::eventFilter(QObject* watched, QEvent* event) {
    // Queued: a dialog's OK writes the list before it hides, and the dialog under it, if any,
    // is the modal one only once this one has gone.
    if (watched == blocking_ && event->type() == QEvent::Hide)
        QMetaObject::invokeMethod(
            this, [this] { addWaitingFiles(); }, Qt::QueuedConnection);
    return false;
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

SingleInstance::Claim SingleInstance::claim(const QStringList& files) {
    // The lock file holds the folder whatever the start has of a session bus: a copy started
    // without one (over ssh, from cron) or from another login has no other way to meet this one.
    lock_ = std::make_unique<QLockFile>(
        QFile::decodeName(QByteArray::fromStdString(folder_ + InstanceLockFileName)));
    // Held for as long as the program runs; only a lock whose process has gone is stale.
    lock_->setStaleLockTime(0);
    const bool locked = lock_->tryLock(0);
    const bool heldByOther = !locked && lock_->error() == QLockFile::LockFailedError;
    if (!locked) lock_.reset();

    // The bus name is the channel for handing files over and raising the window.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool busUp = bus.isConnected() && bus.interface();
    if (locked) {
        if (busUp) claimBusName();
        return Claim::Running;
    }
    if (busUp) {
        // A folder whose lock file cannot be made keeps to one copy by the bus name alone.
        if (!heldByOther && claimBusName()) return Claim::Running;
        if (bus.interface()->isServiceRegistered(instanceBusName(folder_)))
            return callOther(files) ? Claim::OtherActivated : Claim::OtherSilent;
    }
    return heldByOther ? Claim::OtherLocked : Claim::Running;
}

void SingleInstance::addWaitingFiles() {
    if (service_) service_->addWaitingFilesNow();
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

bool SingleInstance::callOther(const QStringList& files) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        instanceBusName(folder_), QString::fromLatin1(InstanceObjectPath),
        QString::fromLatin1(InstanceInterface),
        files.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (!files.isEmpty()) call << files;
    return QDBusConnection::sessionBus().call(call, QDBus::Block, AnswerTimeoutMs).type() ==
           QDBusMessage::ReplyMessage;
}

void SingleInstance::serve(QWidget& window, AddFiles addFiles) {
    if (service_) service_->setWindow(&window, std::move(addFiles));
}

}  // namespace morvane
