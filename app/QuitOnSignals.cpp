#include "QuitOnSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <cerrno>
#include <csignal>

namespace morvane {

namespace {

constexpr std::array<int, 3> EndingSignals = {SIGTERM, SIGINT, SIGHUP};
// Set before the handler is installed, read by it; no other state is shared with it.
std::array<bool, 3> caught = {};
int pipeEnds[2] = {-1, -1};  // read, write

void restoreDefaults() {
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (std::size_t i = 0; i < EndingSignals.size(); ++i)
        if (caught[i]) sigaction(EndingSignals[i], &byDefault, nullptr);
}

// Runs on whichever thread the signal comes to: only calls that are safe in a signal handler.
void onEndingSignal(int number) {
    const int savedErrno = errno;
    restoreDefaults();
    const auto byte = static_cast<unsigned char>(number);
    // The pipe cannot be full: this writes one byte once.
    [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

QuitOnSignals::QuitOnSignals(QWidget& window, QObject* parent) : QObject(parent), window_(window) {
    // Without the pipe the signals keep their default action.
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::onSignal);

    struct sigaction handler = {};
    handler.sa_handler = onEndingSignal;
    sigemptyset(&handler.sa_mask);
    for (int number : EndingSignals) sigaddset(&handler.sa_mask, number);
    handler.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < EndingSignals.size(); ++i) {
        struct sigaction old = {};
        if (sigaction(EndingSignals[i], nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        caught[i] = sigaction(EndingSignals[i], &handler, nullptr) == 0;
    }
}

QuitOnSignals::~QuitOnSignals() {
    restoreDefaults();
    caught = {};
    for (int& end : pipeEnds) {
        if (end >= 0) close(end);
        end = -1;
    }
}

void QuitOnSignals::onSignal() {
    notifier_->setEnabled(false);
    unsigned char byte;
    while (read(pipeEnds[0], &byte, 1) == 1) {
    }
    // An open menu or dialog goes first, as Escape would close it; their loops end with the
    // program's.
    while (QWidget* popup = QApplication::activePopupWidget())
        if (!popup->close()) break;
    while (QWidget* modal = QApplication::activeModalWidget())
        if (!modal->close()) break;
    // A window that cannot write its settings says so and stays, as after ファイル → 終了.
    if (window_.close()) QCoreApplication::quit();
}

}  // namespace morvane
