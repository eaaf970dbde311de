#pragma once

// The desktop notification of files changed at a check, sent on the session bus when the user
// has asked for it (設定 → 変更を通知する).

#include <QObject>

#include "Platform.h"
#include "StatusRecord.h"

namespace morvane {

struct CheckOutcome;

// The icon the notification shows: the one the menu entry names.
inline constexpr const char* NotificationIconName = "morvane";

class ChangeNotifier : public QObject {
    Q_OBJECT
public:
    explicit ChangeNotifier(const TextCodec& codec, QObject* parent = nullptr)
        : QObject(parent), codec_(codec) {}

    // Whether checks notify: the one home of that choice.
    void setOn(bool on) { on_ = on; }
    bool isOn() const { return on_; }

    // Called after every check. While on, a check that is no rebuild and changed one or more
    // files (state NewUp, in a record written anew at this check) sends one notification
    // naming them. The call goes out without waiting for the bus to answer; without a session bus
    // or a notification service nothing is shown and nothing fails.
    void checkFinished(const CheckOutcome& outcome);

private:
    const TextCodec& codec_;
    bool on_ = false;
};

}  // namespace morvane
