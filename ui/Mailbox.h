#pragma once

// How work on other threads hands its results to an object on the window's thread, for as
// long as that object lives.

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace morvane {

// Made on the receiver's thread. Posting asks nothing of Qt about the calling thread, so a
// plain std::thread posts without Qt adopting it.
class Mailbox {
public:
    explicit Mailbox(QObject* receiver)
        : receiver_(receiver), receiverThread_(std::this_thread::get_id()) {}

    // Runs `delivery` on the receiver's thread: at once where called there, else at the next
    // turn of its event loop (a queued call, which Qt drops if the receiver goes first).
    // Nothing runs once the mailbox is closed.
    void post(std::function<void()> delivery) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!receiver_) return;
        if (std::this_thread::get_id() == receiverThread_) {
            lock.unlock();
            delivery();
            return;
        }
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
    const std::thread::id receiverThread_;
};

}  // namespace morvane
