#pragma once

// SIGTERM, SIGINT and SIGHUP end the program as ファイル → 終了 does: the window closes through
// its normal path, which writes the settings, and the program exits with status 0. The handler
// only writes the signal's number to a pipe; the window's thread reads it.

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace morvane {

class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    // Catches the three signals for the window, which must outlive this object; one object at
    // a time in a process. A signal the process was started ignoring (nohup) stays ignored.
    // Once one has come, each of them has its default action again: a second signal while the
    // window closes ends the program at once.
    explicit QuitOnSignals(QWidget& window, QObject* parent = nullptr);
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    void onSignal();

    QWidget& window_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace morvane
