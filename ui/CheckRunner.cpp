#include "CheckRunner.h"

#include "Mailbox.h"
#include "Messages.h"

namespace morvane {

namespace {

Instant now() {
    return std::chrono::steady_clock::now();
}

}  // namespace

CheckRunner::CheckRunner(Platform& platform, std::shared_ptr<const FileSystem> files,
                         const MakeLookups& makeLookups, QObject* parent)
    : QObject(parent),
      mailbox_(std::make_shared<Mailbox>(this)),
      watch_(platform, [&]() -> std::unique_ptr<FileLookups> {
          std::function<void()> notify = [this, mailbox = mailbox_] {
              mailbox->post([this] {
                  // Answers that come between checks wait in the watch for the next one.
                  watch_.answer();
                  poll();
              });
          };
          if (makeLookups) return makeLookups(std::move(notify));
          return std::make_unique<LookupWorkers>(std::move(files), std::move(notify));
      }()) {
    wake_.setObjectName(QStringLiteral("CheckDeadline"));
    wake_.setSingleShot(true);
    connect(&wake_, &QTimer::timeout, this, &CheckRunner::poll);
}

CheckRunner::~CheckRunner() {
    mailbox_->close();
}

void CheckRunner::start(bool rebuild) {
    watch_.start(rebuild, now());
    poll();
}

void CheckRunner::poll() {
    try {
        const Instant at = now();
        const Watch::Polled polled = watch_.poll(at);
        if (polled.next) {
            wake_.start(std::chrono::ceil<std::chrono::milliseconds>(*polled.next - at));
        } else {
            wake_.stop();
        }
        if (polled.finished) emit finished(watch_.outcome());
    } catch (const std::exception& e) {
        emit failed(userMessage(e));
    }
}

}  // namespace morvane
