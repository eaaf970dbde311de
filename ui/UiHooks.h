#pragma once

// What the windows do with the user outside their own controls: error boxes, modal dialogs, the
// file picker and message boxes; and where their work on watched files runs. Each hook left
// empty is the real one; tests put recorders in their place.

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "LookupWorkers.h"

class QDialog;
class QUrl;

namespace morvane {

struct UiHooks {
    // Shows an error that ended a command (UTF-8). The main window's box of showErrorBox().
    std::function<void(const std::string& utf8Message)> reportError;
    // Runs a modal dialog (the editor, the version box, the content view's error box) and
    // returns its result. QDialog::exec().
    std::function<int(QDialog& dialog)> runModal;
    // Lets the user pick a file in the editor, starting from startFile (empty the first time);
    // nullopt when the user cancels. A QFileDialog.
    std::function<std::optional<QString>(const QString& startFile)> pickFile;
    // Shows one of the editor's messages: a modal box captioned "Morvane".
    std::function<void(QMessageBox::Icon icon, const QString& text)> showMessage;
    // Where the window's checks look their files up; notify tells, from any thread, that
    // answers wait. LookupWorkers on the window's shared file system: threads of their own.
    std::function<std::unique_ptr<FileLookups>(std::function<void()> notify)> makeLookups;
    // Runs work that may wait for a watched file (a content load) away from the window's
    // thread. A detached thread; false where none could be started.
    std::function<bool(std::function<void()> work)> startWork;
    // Hands a file or folder to the desktop's opener; false when it could not be handed over.
    // QDesktopServices::openUrl().
    std::function<bool(const QUrl& url)> openUrl;
};

}  // namespace morvane
