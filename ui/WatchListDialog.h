#pragma once

// The watch list editor: a modal dialog over every line of "Filelst.txt".

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform.h"
#include "WatchListFile.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace morvane {

class WatchListDialog : public QDialog {
    Q_OBJECT
public:
    enum Result { ResultOk = 1, ResultCancel = 2 };

    // appDir: the folder of "Filelst.txt", native path with a trailing separator.
    WatchListDialog(Platform& platform, std::string appDir, QWidget* parent = nullptr);

    // exec() returns 1 after OK, 2 after cancel or the close box.

    // Shows a message to the user: a modal box captioned "Morvane" unless replaced.
    std::function<void(QMessageBox::Icon icon, const QString& text)> showMessage;
    // Lets the user pick a file, starting from startFile (empty the first time); nullopt when
    // the user cancels. OpenDialog1 unless replaced.
    std::function<std::optional<QString>(const QString& startFile)> pickFile;

    // The list as OK would write it: every item's Shift-JIS text and tick, in list order.
    std::vector<EditorEntry> entries() const;

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* EditName;
    QLineEdit* EditFile;
    QListWidget* ListFile;
    QPushButton* BtnFile;
    QPushButton* BtnAdd;
    QPushButton* BtnDel;
    QPushButton* BtnUp;
    QPushButton* BtnDown;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;
    QFileDialog* OpenDialog1 = nullptr;  // made when first needed

public slots:
    void browseForFile();
    void addEntry();
    void deleteSelected();
    void moveUp();
    void moveDown();
    void saveAndClose();
    void reject() override;  // the close box and cancel: result 2

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadEntries();
    void createControls();
    void addItem(const std::string& sjisText, bool ticked);
    int selectedRow() const;
    void moveSelected(int by);
    void reportError(const std::string& utf8Message);
    std::optional<QString> runOpenDialog(const QString& startFile);

    Platform& platform_;
    std::string listPath_;
    bool shown_ = false;
    bool loadFailed_ = false;  // the file exists but could not be read at loadEntries
    QString lastChosen_;
};

}  // namespace morvane
