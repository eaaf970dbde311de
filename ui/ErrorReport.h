#pragma once

// The default error report: what the main window shows for an error that ends an event.

#include <functional>
#include <memory>
#include <string>

class QMessageBox;
class QWidget;

namespace morvane {

// Shows a UTF-8 error message to the user. Tests put a recorder in place of the message box.
using ErrorReporter = std::function<void(const std::string& utf8Message)>;

// The message as the report shows it: with "." appended when its last byte comes after "." in
// byte order (every byte of a multi-byte character does).
std::string reportText(const std::string& utf8Message);

// A message box modal to the whole application: caption "Morvane", the critical icon, the
// text by reportText() and one OK button.
void showErrorBox(QWidget* parent, const std::string& utf8Message);

// The content view's error box, to be run modal: captioned "ｴﾗｰ" with the error icon, the
// message and one OK button, centred on its screen rather than over its parent.
std::unique_ptr<QMessageBox> contentErrorBox(const std::string& utf8Message, QWidget* parent);

}  // namespace morvane
