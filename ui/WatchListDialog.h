#pragma once

// The watch list editor: a modal dialog over every line of "Filelst.txt".

#include <QDialog>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "Platform.h"
#include "UiHooks.h"
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
    // What exec() returns: OK, or cancel and the close box.
    enum Result { ResultOk = 1, ResultCancel = 2 };

    // appDir: the folder of "Filelst.txt", native path with a trailing separator. The hooks'
    // pickFile and showMessage stand in for the file picker and the message boxes when set.
    WatchListDialog(Platform& platform, std::string appDir, UiHooks hooks = {},
                    QWidget* parent = nullptr);

    void reject() override;  // the close box and cancel: result 2

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private Q_SLOTS:
    void browseForFile();
    void addEntry();
    void deleteSelected();
    void moveUp();
    void moveDown();
    void saveAndClose();

private:
    void loadEntries();
    void createControls();
    void addItem(const std::string& sjisText, bool ticked);
    // Adds a ticked entry for the name and the path as 追加 does. What it returns says which of
    // the two Shift-JIS cannot hold, the user told; None when the entry was added.
    enum class Refused { None, Path, Name };
    Refused addTicked(const QString& name, const QString& path);
    // The list as OK writes it: every item's Shift-JIS text and tick, in list order.
    std::vector<EditorEntry> entries() const;
    int selectedRow() const;
    void moveSelected(int by);
    void reportError(const std::string& utf8Message);
    std::optional<QString> runFileDialog(const QString& startFile);

    Platform& platform_;
    UiHooks hooks_;
    std::string listPath_;
    bool shown_ = false;
    bool loadFailed_ = false;  // the file exists but could not be read when the dialog opened
    QString lastChosen_;

    QLineEdit* nameEdit_;                // EditName
    QLineEdit* fileEdit_;                // EditFile
    QListWidget* list_;                  // ListFile
    QFileDialog* fileDialog_ = nullptr;  // OpenDialog1, made when first needed
};

}  // namespace morvane
