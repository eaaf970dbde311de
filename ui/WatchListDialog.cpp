#include "WatchListDialog.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <algorithm>
#include <exception>

#include "ErrorReport.h"
#include "Messages.h"
#include "QtText.h"
#include "ShiftJis.h"
#include "SingleChoice.h"
#include "WatchLine.h"
#include "WatchListAdditions.h"

namespace morvane {

namespace {

constexpr int ItemHeight = 16;

// Keeps every row of the tick list at one fixed height.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(ItemHeight);
        return size;
    }
};

// The tick list: the item the user chose stays chosen until delete takes it away.
class TickList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        return keepChosen(QListWidget::selectionCommand(index, event), index);
    }
};

QFont dialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

// Fixed pitch, so that the 20-byte name fields line up as a column.
QFont fixedPitchFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    return font;
}

QByteArray toBytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string itemBytes(const QListWidgetItem* item) {
    const QByteArray bytes = item->data(Qt::UserRole).toByteArray();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// The name field and the path are shown apart, so that half a double-byte character left at
// the name's end neither swallows the path's first character nor moves the path's column.
QString displayText(const TextCodec& codec, const std::string& text) {
    const EntryFields fields = splitEntryText(text);
    if (fields.path.empty()) return fromSjis(codec, text);
    QString shown = fromSjis(codec, fields.name);
    if (completeLength(fields.name) < fields.name.size()) shown += QLatin1Char(' ');
    return shown + fromSjis(codec, fields.path);
}

bool isBlankAfterTrim(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
}

}  // namespace

WatchListDialog::WatchListDialog(Platform& platform, std::string appDir, UiHooks hooks,
                                 QWidget* parent)
    : QDialog(parent),
      platform_(platform),
      hooks_(std::move(hooks)),
      listPath_(std::move(appDir) + WatchListFileName) {
    setObjectName(QStringLiteral("DlgFileSet"));
    setWindowTitle(QStringLiteral("監視ファイル設定"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(dialogFont());
    setFixedSize(474, 241);
    // Files dropped from a file manager are added as 追加 adds them.
    setAcceptDrops(true);
    createControls();

    hooks_.showMessage = messageShower(hooks_, this);
    if (!hooks_.pickFile)
        hooks_.pickFile = [this](const QString& startFile) { return runFileDialog(startFile); };
}

void WatchListDialog::createControls() {
    const auto place = [this](QWidget* widget, const char* name, int left, int top, int width,
                              int height) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(left, top, width, height);
    };
    const auto button = [this, &place](const QString& caption, const char* name, int top) {
        auto* b = new QPushButton(caption, this);
        place(b, name, 376, top, 89, 20);
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };

    auto* const nameLabel = new QLabel(QStringLiteral("名前："), this);
    place(nameLabel, "Label2", 8, 8, 30, 12);
    auto* const fileLabel = new QLabel(QStringLiteral("ファイル名："), this);
    place(fileLabel, "Label1", 152, 8, 59, 12);

    nameEdit_ = new QLineEdit(this);
    place(nameEdit_, "EditName", 8, 24, 137, 20);
    // Qt has no hiragana mode to ask for; the input method is on and told the text is Japanese.
    nameEdit_->setAttribute(Qt::WA_InputMethodEnabled, true);
    nameEdit_->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    nameEdit_->setInputMethodHints(Qt::ImhNone);

    fileEdit_ = new QLineEdit(this);
    place(fileEdit_, "EditFile", 152, 24, 217, 20);
    fileEdit_->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoAutoUppercase |
                                   Qt::ImhNoPredictiveText);
    fileEdit_->setAttribute(Qt::WA_InputMethodEnabled, false);
    // Each box is named by its label, for a screen reader.
    nameLabel->setBuddy(nameEdit_);
    fileLabel->setBuddy(fileEdit_);

    list_ = new TickList(this);
    place(list_, "ListFile", 8, 48, 360, 185);
    list_->setFont(fixedPitchFont());
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    list_->setItemDelegate(new FixedRowDelegate(list_));

    QPushButton* const browse = button(QStringLiteral("参照(&B)"), "BtnFile", 24);
    QPushButton* const add = button(QStringLiteral("追加(&A)"), "BtnAdd", 56);
    QPushButton* const remove = button(QStringLiteral("削除(&D)"), "BtnDel", 80);
    QPushButton* const up = button(QStringLiteral("上へ(&U)"), "BtnUp", 120);
    QPushButton* const down = button(QStringLiteral("下へ(&N)"), "BtnDown", 144);
    QPushButton* const ok = button(QStringLiteral("OK"), "BtnOk", 184);
    QPushButton* const cancel = button(QStringLiteral("キャンセル"), "BtnCancel", 208);

    QWidget* const order[] = {nameEdit_, fileEdit_, list_, browse, add,
                              remove,    up,        down,  ok,     cancel};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(browse, &QPushButton::clicked, this, &WatchListDialog::browseForFile);
    connect(add, &QPushButton::clicked, this, &WatchListDialog::addEntry);
    connect(remove, &QPushButton::clicked, this, &WatchListDialog::deleteSelected);
    connect(up, &QPushButton::clicked, this, &WatchListDialog::moveUp);
    connect(down, &QPushButton::clicked, this, &WatchListDialog::moveDown);
    connect(ok, &QPushButton::clicked, this, &WatchListDialog::saveAndClose);
    connect(cancel, &QPushButton::clicked, this, &WatchListDialog::reject);
}

void WatchListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    nameEdit_->setFocus();
    loadEntries();
}

void WatchListDialog::keyPressEvent(QKeyEvent* event) {
    // Escape does not end the dialog: キャンセル is not its cancel button, so only a click on
    // キャンセル or the close box ends it without saving.
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void WatchListDialog::reject() {
    done(ResultCancel);
}

void WatchListDialog::loadEntries() {
    list_->clear();
    loadFailed_ = false;
    try {
        for (const EditorEntry& entry : loadEditorEntries(platform_.files, listPath_))
            addItem(entry.text, entry.ticked);
    } catch (const std::exception& error) {
        list_->clear();
        loadFailed_ = true;
        reportError(userMessage(error));
    }
}

void WatchListDialog::addItem(const std::string& sjisText, bool ticked) {
    auto* item = new QListWidgetItem(displayText(platform_.codec, sjisText));
    item->setData(Qt::UserRole, toBytes(sjisText));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    list_->addItem(item);
}

std::vector<EditorEntry> WatchListDialog::entries() const {
    std::vector<EditorEntry> list;
    list.reserve(std::size_t(list_->count()));
    for (int i = 0; i < list_->count(); ++i) {
        const QListWidgetItem* item = list_->item(i);
        list.push_back({itemBytes(item), item->checkState() == Qt::Checked});
    }
    return list;
}

int WatchListDialog::selectedRow() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->row(selected.first());
}

std::optional<QString> WatchListDialog::runFileDialog(const QString& startFile) {
    if (!fileDialog_) {
        fileDialog_ = new QFileDialog(this);
        fileDialog_->setObjectName(QStringLiteral("OpenDialog1"));
        fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
        fileDialog_->setFileMode(QFileDialog::AnyFile);
    }
    if (!startFile.isEmpty()) fileDialog_->selectFile(startFile);
    if (fileDialog_->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = fileDialog_->selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(files.first());
}

void WatchListDialog::browseForFile() {
    const std::optional<QString> chosen = hooks_.pickFile(lastChosen_);
    if (!chosen) return;
    lastChosen_ = *chosen;
    fileEdit_->setText(*chosen);
}

void WatchListDialog::addEntry() {
    const QString path = fileEdit_->text();
    if (isBlankAfterTrim(path)) return;
    switch (addTicked(nameEdit_->text(), path)) {
        case Refused::None:
            nameEdit_->clear();
            fileEdit_->clear();
            break;
        case Refused::Path:
            fileEdit_->setFocus();
            break;
        case Refused::Name:
            nameEdit_->setFocus();
            break;
    }
}

WatchListDialog::Refused WatchListDialog::addTicked(const QString& name, const QString& path) {
    std::string sjisPath;
    if (!toSjisExactly(platform_.codec, path, sjisPath)) {
        hooks_.showMessage(QMessageBox::Warning, PathNotSjisMessage);
        return Refused::Path;
    }
    std::string sjisName;
    if (!toSjis(platform_.codec, name, sjisName)) {
        hooks_.showMessage(QMessageBox::Warning, NameNotSjisMessage);
        return Refused::Name;
    }
    addItem(makeEntryText(sjisName, sjisPath), true);
    return Refused::None;
}

void WatchListDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!draggedFiles(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void WatchListDialog::dropEvent(QDropEvent* event) {
    for (const QString& path : markFolders(draggedFiles(*event->mimeData()), DropAnswerWait))
        if (const auto sjisPath = watchablePath(platform_.codec, path, hooks_.showMessage))
            addItem(makeFileEntryText(*sjisPath), true);
    event->acceptProposedAction();
}

void WatchListDialog::deleteSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    delete list_->takeItem(row);
    list_->selectionModel()->clear();
}

void WatchListDialog::moveSelected(int by) {
    const int row = selectedRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= list_->count()) return;
    // The item carries its text, bytes and tick to the new position.
    QListWidgetItem* item = list_->takeItem(row);
    list_->insertItem(target, item);
    list_->setCurrentRow(target, QItemSelectionModel::ClearAndSelect);
}

void WatchListDialog::moveUp() {
    moveSelected(-1);
}

void WatchListDialog::moveDown() {
    moveSelected(+1);
}

void WatchListDialog::saveAndClose() {
    if (loadFailed_) {
        // The list shown is empty because the file could not be read; writing it would throw
        // away every entry the file holds.
        hooks_.showMessage(QMessageBox::Warning, unreadListNotSavedMessage(fromUtf8(listPath_)));
        return;
    }
    const std::vector<EditorEntry> list = entries();
    try {
        saveTellingTicked(platform_.files, listPath_, list, hooks_.showMessage);
    } catch (const std::exception& error) {
        reportError(userMessage(error));
    }
    done(ResultOk);
}

void WatchListDialog::reportError(const std::string& utf8Message) {
    hooks_.showMessage(QMessageBox::Critical, fromUtf8(reportText(utf8Message)));
}

}  // namespace morvane
