#include "ErrorReport.h"

#include <QMessageBox>

#include "QtText.h"

namespace morvane {

std::string reportText(const std::string& utf8Message) {
    if (!utf8Message.empty() && static_cast<unsigned char>(utf8Message.back()) > '.')
        return utf8Message + '.';
    return utf8Message;
}

void showErrorBox(QWidget* parent, const std::string& utf8Message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Morvane"),
                    fromUtf8(reportText(utf8Message)), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace morvane
