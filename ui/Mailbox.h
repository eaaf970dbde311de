#pragma once

// How work on other threads hands its results to an object on the window's thread, for as
// long as that object lives.

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <memory>
#include <mutex>

namespace morvane {

class Mailbox {
public:
    explicit Mailbox(QObject* receiver) : receiver_(receiver) {}

    // Runs `delivery` on the receiver's thread: at once where called there, else at the next
    // turn of its event loop. Nothing runs once the mailbox is closed, nor after the receiver
    // is gone.
    void post(std::function<void()> delivery) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!receiver_) return;
        if (QThread::currentThread() == receiver_->thread()) {
            lock.unlock();
            delivery();
            return;
        }
        // A queued call still waiting when its receiver is destroyed is dropped with it.
        QMetaObject::invokeMethod(receiver_, std::move(delivery), Qt::QueuedConnection);
    }

    // The receiver's destructor closes its mailbox before anything it owns goes.
    void close() {
        const std::lock_guard<std::mutex> lock(mutex_);
        receiver_ = nullptr;
    }

private:
    std::mutex mutex_;
    QObject* receiver_;
};

}  // namespace morvane
