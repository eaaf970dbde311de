#include "CheckRunner.h"

#include "Mailbox.h"
#include "Messages.h"
#include "RecordList.h"

namespace morvane {

CheckRunner::CheckRunner(Platform& platform, const RecordTableModel& shown,
                         std::shared_ptr<const FileSystem> files, const MakeLookups& makeLookups,
                         QObject* parent)
    : QObject(parent),
      platform_(platform),
      shown_(shown),
      mailbox_(std::make_shared<Mailbox>(this)),
      check_(platform, [&]() -> std::unique_ptr<FileLookups> {
          std::function<void()> notify = [this, mailbox = mailbox_] {
              mailbox->post([this] { onAnswers(); });
          };
          if (makeLookups) return makeLookups(std::move(notify));
          return std::make_unique<LookupWorkers>(std::move(files), std::move(notify));
      }()) {
    deadline_.setObjectName(QStringLiteral("CheckDeadline"));
    deadline_.setSingleShot(true);
    // The timer runs twice in a check whose files have not all answered: the pending paths
    // are set apart, then the check ends.
    connect(&deadline_, &QTimer::timeout, this, [this] {
        if (settingApart_) {
            settingApart_ = false;
            check_.setPendingApart();
            deadline_.start(CheckDeadline - SetApartAfter);
        } else {
            finish();
        }
    });
}

CheckRunner::~CheckRunner() {
    mailbox_->close();
}

void CheckRunner::start(bool rebuild) {
    if (check_.inFlight() && !rebuild) return;
    check_.start(watched_, shown_.records(), rebuild);
    if (check_.takeAnswers()) {
        finish();
        return;
    }
    settingApart_ = true;
    deadline_.start(SetApartAfter);
}

void CheckRunner::onAnswers() {
    // Answers that come between checks wait in the check for the next one.
    if (check_.takeAnswers()) finish();
}

void CheckRunner::finish() {
    deadline_.stop();
    if (!check_.inFlight()) return;
    try {
        CheckOutcome outcome;
        outcome.rebuild = check_.rebuilding();
        outcome.records = shown_.records();
        outcome.times = check_.finish(watched_, outcome.records, shown_.sortState());

        std::map<std::string, LocalDateTime> unanswered;
        if (check_.lookups().pendingCount() > 0) {
            for (const std::string& record : outcome.records) {
                std::optional<std::string> path =
                    recordNativePath(platform_.codec, watched_, record);
                if (!path || !check_.lookups().isPending(*path)) continue;
                const auto since = unansweredSince_.find(*path);
                unanswered.emplace(std::move(*path), since != unansweredSince_.end()
                                                         ? since->second
                                                         : outcome.times.started);
            }
        }
        unansweredSince_ = std::move(unanswered);
        outcome.unanswered = unansweredSince_.size();
        emit finished(outcome);
    } catch (const std::exception& e) {
        emit failed(userMessage(e));
    }
}

const LocalDateTime* CheckRunner::unansweredSince(std::string_view record) const {
    if (unansweredSince_.empty()) return nullptr;
    const std::optional<std::string> path = recordNativePath(platform_.codec, watched_, record);
    const auto since = path ? unansweredSince_.find(*path) : unansweredSince_.end();
    return since != unansweredSince_.end() ? &since->second : nullptr;
}

}  // namespace morvane
