#include "ErrorReport.h"

#include <QMessageBox>
#include <QScreen>

#include "Messages.h"
#include "QtText.h"

namespace morvane {

namespace {

class ScreenCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // settles the box's size
        if (const QScreen* s = screen())
            move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
};

}  // namespace

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

std::unique_ptr<QMessageBox> contentErrorBox(const std::string& utf8Message, QWidget* parent) {
    return std::make_unique<ScreenCentredBox>(QMessageBox::Critical, ContentErrorCaption,
                                              fromUtf8(utf8Message), QMessageBox::Ok, parent);
}

}  // namespace morvane
