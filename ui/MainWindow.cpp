#include "MainWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSessionManager>
#include <QSizeGrip>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <system_error>
#include <thread>

#include "ContentLoad.h"
#include "ContentView.h"
#include "ErrorReport.h"
#include "Mailbox.h"
#include "Messages.h"
#include "QtText.h"
#include "RecordDrawing.h"
#include "RecordList.h"
#include "RowActions.h"
#include "StatusPanel.h"
#include "WatchListDialog.h"
#include "WatchListFile.h"
#include "WindowPlacement.h"

namespace morvane {

namespace {

constexpr int StatusBarHeight = 19;
constexpr int DesignWidth = 480;
constexpr int DesignHeight = 341;
constexpr int DesignInterval = 60000;
// A content load still running after this shows that it is loading.
constexpr std::chrono::milliseconds LoadingNoticeDelay{1000};

// Runs the work on a thread of its own, which nobody waits for.
bool startDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

QFrame* makePanel(const char* name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    return panel;
}

// The item of a radio group that stands for the value, or null.
QAction* itemFor(const QActionGroup* group, int value) {
    for (QAction* a : group->actions())
        if (a->data().toInt() == value) return a;
    return nullptr;
}

// A message box that places itself in the middle of its screen rather than over its parent.
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

MainWindow::MainWindow(Platform& platform, std::string appDir, UiHooks hooks, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      hooks_(std::move(hooks)),
      appDir_(std::move(appDir)),
      iniPath_(appDir_ + SettingsFileName),
      notifier_(platform.codec) {
    if (!hooks_.reportError)
        hooks_.reportError = [this](const std::string& message) { showErrorBox(this, message); };
    if (!hooks_.runModal) hooks_.runModal = [](QDialog& dialog) { return dialog.exec(); };
    if (!hooks_.makeLookups)
        hooks_.makeLookups = [](const FileSystem& files, std::function<void()> notify) {
            return std::make_unique<LookupWorkers>(files, std::move(notify));
        };
    if (!hooks_.startWork) hooks_.startWork = startDetachedThread;
    mailbox_ = std::make_shared<Mailbox>(this);
    check_ = std::make_unique<BackgroundCheck>(
        platform_, hooks_.makeLookups(platform_.files, [this, mailbox = mailbox_] {
            mailbox->post([this] { onLookupAnswers(); });
        }));

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Morvane"));
    setFont(recordListFont());
    resize(DesignWidth, DesignHeight);
    createControls();
    createMenus();
    connectEvents();
    applySettings();
}

MainWindow::~MainWindow() {
    mailbox_->close();
}

void MainWindow::createControls() {
    auto* client = new QWidget(this);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);

    tablePanel_ = makePanel("Panel1", client);
    auto* tableLayout = new QVBoxLayout(tablePanel_);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(0);
    list_ = new RecordListView(platform_.codec, tablePanel_);
    list_->setObjectName(QStringLiteral("ListLog"));
    list_->setAccessibleName(QStringLiteral("監視ファイル"));
    list_->setFont(recordListFont());
    list_->table()->setToolTipOf([this](std::string_view record) { return rowToolTip(record); });
    new RowActions(list_, platform_.codec, hooks_,
                   [this](std::string_view record) { return recordPath(record, watched_); });
    header_ = list_->sectionHeader();
    header_->setObjectName(QStringLiteral("HeaderLog"));
    header_->setFont(headerFont());
    tableLayout->addWidget(list_, 1);

    viewPanel_ = new ContentView(client);
    // While open the view takes whatever height the table leaves, down to none at all.
    viewPanel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    viewPanel_->hide();

    // The status bar is built here rather than with QStatusBar, whose layout adds margins and
    // spacing between the panels and a frame around each one.
    auto* statusBar = new QWidget(client);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setFixedHeight(StatusBarHeight);
    auto* statusLayout = new QHBoxLayout(statusBar);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(0);
    statusPanels_ = {new StatusPanel(120, StatusBarHeight, true, statusBar),
                     new StatusPanel(170, StatusBarHeight, true, statusBar),
                     new StatusPanel(0, StatusBarHeight, false, statusBar)};
    for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i]->setObjectName(QStringLiteral("StatusBar1.Panel%1").arg(i));
        statusLayout->addWidget(statusPanels_[i], i == 2 ? 1 : 0);
    }
    statusLayout->addWidget(new QSizeGrip(statusBar), 0, Qt::AlignBottom | Qt::AlignRight);

    clientLayout->addWidget(tablePanel_, 1);
    clientLayout->addWidget(viewPanel_, 1);
    clientLayout->addWidget(statusBar);
    // The stored size applies as read, and the user may drag the window smaller than the
    // status panels: what does not fit is cut off, as the panels' text already is.
    client->setMinimumSize(1, 1);
    setCentralWidget(client);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->start(DesignInterval);
    intervalMs_ = DesignInterval;

    checkDeadline_ = new QTimer(this);
    checkDeadline_->setObjectName(QStringLiteral("CheckDeadline"));
    checkDeadline_->setSingleShot(true);
    checkDeadline_->setInterval(CheckDeadline);
    checkNudge_ = new QTimer(this);
    checkNudge_->setInterval(CheckNudgeInterval);
    loadingNotice_ = new QTimer(this);
    loadingNotice_->setSingleShot(true);
    loadingNotice_->setInterval(LoadingNoticeDelay);
}

void MainWindow::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption,
                       void (MainWindow::*command)() = nullptr) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (command) connect(a, &QAction::triggered, this, command);
        return a;
    };
    auto separator = [](QMenu* m, const char* name) {
        m->addSeparator()->setObjectName(QLatin1String(name));
    };
    // A radio group of items; its handler reads the chosen item's value from the item's data.
    struct RadioItem {
        const char* name;
        QString caption;
        int value;
    };
    auto radioGroup = [this, &item](QMenu* m, std::initializer_list<RadioItem> items) {
        auto* group = new QActionGroup(this);
        for (const RadioItem& r : items) {
            QAction* a = item(m, r.name, r.caption);
            a->setCheckable(true);
            a->setData(r.value);
            group->addAction(a);
        }
        return group;
    };
    // Selecting a check item changes no check by itself: it gets back the check it had before
    // Qt toggled it, and its command decides.
    auto checkItem = [this, &item](QMenu* m, const char* name, const QString& caption,
                                   void (MainWindow::*command)()) {
        QAction* a = item(m, name, caption);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, command](bool checked) {
            a->setChecked(!checked);
            (this->*command)();
        });
        return a;
    };

    QMenu* file = menu("MenuFile", QStringLiteral("ファイル(&F)"));
    QAction* exit = item(file, "MenuExit", QStringLiteral("終了(&X)"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menu("MenuView", QStringLiteral("表示(&V)"));
    contentViewItem_ = checkItem(view, "MenuFileView", QStringLiteral("内容表示(&D)"),
                                 &MainWindow::toggleContentView);
    stayOnTopItem_ = checkItem(view, "MenuTop", QStringLiteral("常に手前に表示(&T)"),
                               &MainWindow::toggleStayOnTop);
    separator(view, "N1");
    item(view, "MenuRepaint", QStringLiteral("最新の情報に更新(&R)"), &MainWindow::checkNow);

    QMenu* sort = menu("MenuSort", QStringLiteral("並べ替え(&S)"));
    const auto key = [](SortKey k) { return storedSortKey(k); };
    sortKeyGroup_ = radioGroup(
        sort, {{"MenuSortName", QStringLiteral("名前順(&N)"), key(SortKey::Name)},
               {"MenuSortFile", QStringLiteral("ファイル名順(&F)"), key(SortKey::FileName)},
               {"MenuSortSize", QStringLiteral("サイズ順(&Z)"), key(SortKey::Size)},
               {"MenuSortUpdate", QStringLiteral("更新日時順(&U)"), key(SortKey::Modified)},
               {"MenuSortPath", QStringLiteral("パス名順(&P)"), key(SortKey::Directory)},
               {"MenuSortUser", QStringLiteral("監視ファイル設定の指定順(&U)"),
                key(SortKey::WatchOrder)}});
    separator(sort, "N3");
    sortOrderGroup_ = radioGroup(
        sort,
        {{"MenuSortAsc", QStringLiteral("昇順(&A)"), storedSortOrder(SortOrder::Ascending)},
         {"MenuSortDec", QStringLiteral("降順(&D)"), storedSortOrder(SortOrder::Descending)}});

    QMenu* setup = menu("MenuSetup", QStringLiteral("設定(&E)"));
    const auto seconds = [](CheckInterval item) { return storedInterval(item); };
    intervalGroup_ = radioGroup(
        setup, {{"Menu1s", QStringLiteral("1秒(&O)"), seconds(CheckInterval::OneSecond)},
                {"Menu10s", QStringLiteral("10秒(&T)"), seconds(CheckInterval::TenSeconds)},
                {"Menu30s", QStringLiteral("30秒(&H)"), seconds(CheckInterval::ThirtySeconds)},
                {"Menu60s", QStringLiteral("60秒(&M)"), seconds(CheckInterval::SixtySeconds)}});
    separator(setup, "N2");
    item(setup, "MenuFileSet", QStringLiteral("監視ファイル設定(&F)"), &MainWindow::editWatchList);
    separator(setup, "N4");
    notifyItem_ = item(setup, "MenuNotify", QStringLiteral("変更を通知する(&N)"));
    notifyItem_->setCheckable(true);
    connect(notifyItem_, &QAction::toggled, this, [this](bool on) { notifier_.setOn(on); });

    QMenu* help = menu("MenuHelp", QStringLiteral("ヘルプ(&H)"));
    item(help, "MenuVersion", QStringLiteral("バージョン情報(&A)"), &MainWindow::showVersion);

    itemFor(sortKeyGroup_, storedSortKey(SortKey::WatchOrder))->setChecked(true);
    itemFor(sortOrderGroup_, storedSortOrder(SortOrder::Ascending))->setChecked(true);
    itemFor(intervalGroup_, storedInterval(CheckInterval::SixtySeconds))->setChecked(true);
}

void MainWindow::connectEvents() {
    connect(sortKeyGroup_, &QActionGroup::triggered, this, &MainWindow::sortFromMenu);
    connect(sortOrderGroup_, &QActionGroup::triggered, this, &MainWindow::sortFromMenu);
    connect(intervalGroup_, &QActionGroup::triggered, this, &MainWindow::setIntervalFromMenu);
    connect(timer_, &QTimer::timeout, this, &MainWindow::onTimerTick);
    connect(checkDeadline_, &QTimer::timeout, this, [this] { guarded([this] { finishCheck(); }); });
    connect(checkNudge_, &QTimer::timeout, this, [this] { check_->nudge(); });
    connect(loadingNotice_, &QTimer::timeout, this, &MainWindow::showLoadingNotice);

    connect(list_, &RecordListView::rowSelectedByUser, this, &MainWindow::onRowSelected);
    connect(header_, &QHeaderView::sectionClicked, this, &MainWindow::onHeaderClicked);

    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
                &MainWindow::onCommitDataRequest);
}

bool MainWindow::guarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        hooks_.reportError(userMessage(e));
        return false;
    }
}

std::array<int, ColumnCount> MainWindow::sectionWidths() const {
    std::array<int, ColumnCount> widths{};
    for (int i = 0; i < ColumnCount; ++i) widths[std::size_t(i)] = header_->sectionSize(i);
    return widths;
}

void MainWindow::applySettings() {
    const Settings settings = readSettings(platform_.files, iniPath_);

    storedTop_ = settings.top;
    storedLeft_ = settings.left;
    storedHeight_ = settings.height;
    storedWidth_ = settings.width;
    viewHeight_ = settings.viewHeight;

    for (int n = 0; n < ColumnCount; ++n) header_->resizeSection(n, settings.columnWidth(n));

    notifyItem_->setChecked(settings.notifiesChanges());
    if (settings.topMost()) {
        stayOnTopItem_->setChecked(true);
        setStayOnTop(true);
    }

    const std::optional<CheckInterval> interval = settings.intervalItem();
    guarded([&] {
        setInterval(interval ? itemFor(intervalGroup_, storedInterval(*interval)) : nullptr,
                    settings.timerMilliseconds());
    });

    sort_ = settings.sort;
    showSortState();

    list_->setColours(settings.colours);
    viewPanel_->setColours(settings.colours.memoBack, settings.colours.memoFont);
}

void MainWindow::setVisible(bool visible) {
    // The show step runs once, before the window first appears; Qt shows the window again
    // when the stay-on-top hint changes, and that must not run it a second time.
    if (visible && !shown_) {
        shown_ = true;
        guarded([this] { prepareFirstShow(); });
    }
    QMainWindow::setVisible(visible);
}

void MainWindow::prepareFirstShow() {
    const WindowPlacement placement =
        placeWindow({storedTop_, storedLeft_, storedHeight_, storedWidth_}, availableScreens());
    move(placement.place);
    resize(placement.size);
    watched_.clear();
    loadWatchedFiles();
    startCheck(true);
}

void MainWindow::loadWatchedFiles() {
    // Where there is no file, the list stays as it was.
    WatchList lines;
    if (loadWatchList(platform_.files, appDir_ + WatchListFileName, lines))
        watched_ = watchedFiles(platform_.codec, lines);
}

ClosingState MainWindow::closingState() const {
    ClosingState state;
    state.maximised = fillsScreen();
    // The normal geometry is that of the client area; the stored place is that of the frame.
    const StoredGeometry stored =
        closingGeometry(normalGeometry(), geometry().topLeft(), pos(),
                        contentViewItem_->isChecked() ? viewPanel_->height() : 0);
    state.left = stored.left;
    state.top = stored.top;
    state.width = stored.width;
    state.height = stored.height;
    state.viewHeight = viewHeight_;
    state.columnWidths = sectionWidths();
    state.topMost = stayOnTopItem_->isChecked();
    state.notifiesChanges = notifyItem_->isChecked();
    if (const QAction* checked = intervalGroup_->checkedAction())
        if (const auto item = intervalFromStored(checked->data().toInt()))
            state.intervalItem = *item;
    if (const QAction* checked = sortKeyGroup_->checkedAction())
        state.sort.key = sortKeyFromStored(checked->data().toInt());
    if (const QAction* checked = sortOrderGroup_->checkedAction())
        state.sort.order = sortOrderFromStored(checked->data().toInt());
    return state;
}

void MainWindow::saveSettings() {
    writeSettings(platform_.files, iniPath_, closingState());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (guarded([this] { saveSettings(); }))
        event->accept();
    else
        event->ignore();
}

bool MainWindow::sessionEnding(const std::function<bool()>& mayInteract) {
    try {
        saveSettings();
        return true;
    } catch (const std::exception& e) {
        // Without the user the session ends anyway; the settings of this run are lost then.
        if (!mayInteract()) return true;
        hooks_.reportError(userMessage(e));
        return false;
    }
}

void MainWindow::onCommitDataRequest(QSessionManager& manager) {
    if (!sessionEnding([&manager] { return manager.allowsInteraction(); })) manager.cancel();
}

void MainWindow::startCheck(bool rebuild) {
    if (check_->inFlight() && !rebuild) return;
    check_->start(watched_, list_->table()->records(), rebuild);
    if (check_->takeAnswers()) {
        finishCheck();
        return;
    }
    checkDeadline_->start();
    checkNudge_->start();
}

void MainWindow::onLookupAnswers() {
    // Answers that come between checks wait in the check for the next one.
    if (check_->takeAnswers()) guarded([this] { finishCheck(); });
}

void MainWindow::finishCheck() {
    checkDeadline_->stop();
    checkNudge_->stop();
    if (!check_->inFlight()) return;
    const bool rebuild = check_->rebuilding();
    Records records = list_->table()->records();
    const CheckTimes times = check_->finish(watched_, records, sort_);
    list_->refill(std::move(records));
    notifier_.checkFinished(list_->table()->records(), rebuild);
    statusPanels_[0]->showText(lastCheckText(times.started));
    statusPanels_[1]->showText(clockText(times.finished));

    std::map<std::string, LocalDateTime> unanswered;
    if (check_->lookups().pendingCount() > 0) {
        for (const std::string& record : list_->table()->records()) {
            const std::optional<std::string> path =
                recordNativePath(platform_.codec, watched_, record);
            if (!path || !check_->lookups().isPending(*path)) continue;
            const auto since = unansweredSince_.find(*path);
            unanswered[*path] = since != unansweredSince_.end() ? since->second : times.started;
        }
    }
    unansweredSince_ = std::move(unanswered);
    statusPanels_[2]->showText(unansweredText(unansweredSince_.size()));
    if (contentViewItem_->isChecked() && followed_.changedAt(list_->table()->records(), watched_))
        followViewedFile();
}

QString MainWindow::rowToolTip(std::string_view record) const {
    const std::optional<std::string> path = recordNativePath(platform_.codec, watched_, record);
    const auto since = path ? unansweredSince_.find(*path) : unansweredSince_.end();
    return recordToolTip(fromSjis(platform_.codec, recordPath(record, watched_)), stateOf(record),
                         since != unansweredSince_.end() ? &since->second : nullptr);
}

void MainWindow::checkNow() {
    guarded([this] { startCheck(false); });
}

void MainWindow::onTimerTick() {
    checkNow();
}

void MainWindow::reorderAndRefill() {
    Records records = list_->table()->records();
    orderRecords(records, sort_, platform_.collator);
    list_->refill(std::move(records));
    header_->viewport()->repaint();
    list_->viewport()->repaint();
}

void MainWindow::toggleStayOnTop() {
    const bool on = !stayOnTopItem_->isChecked();
    stayOnTopItem_->setChecked(on);
    setStayOnTop(on);
}

void MainWindow::setStayOnTop(bool on) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    // Changing a window hint hides the window; it comes back where it was, as it was.
    const bool wasVisible = isVisible();
    const QPoint place = pos();
    const QSize size = this->size();
    const Qt::WindowStates state = windowState();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (!wasVisible) return;
    move(place);
    resize(size);
    setWindowState(state);
    show();
}

void MainWindow::setIntervalFromMenu(QAction* item) {
    guarded([&] { setInterval(item, item->data().toInt() * 1000); });
}

void MainWindow::setInterval(QAction* item, int milliseconds) {
    if (item) item->setChecked(true);
    if (milliseconds == intervalMs_) return;
    intervalMs_ = milliseconds;
    // A period of 0 would fire at every turn of the event loop: no timed checks then.
    if (milliseconds <= 0) {
        timer_->stop();
        return;
    }
    timer_->start(milliseconds);
    if (!timer_->isActive()) throw std::runtime_error(TimerUnavailableMessage);
}

void MainWindow::showSortState() {
    list_->table()->setSortState(sort_);
    itemFor(sortKeyGroup_, storedSortKey(sort_.key))->setChecked(true);
    itemFor(sortOrderGroup_, storedSortOrder(sort_.order))->setChecked(true);
}

void MainWindow::sortFromMenu(QAction* item) {
    if (item->actionGroup() == sortKeyGroup_)
        sort_.key = sortKeyFromStored(item->data().toInt());
    else
        sort_.order = sortOrderFromStored(item->data().toInt());
    showSortState();
    guarded([this] { reorderAndRefill(); });
}

void MainWindow::editWatchList() {
    WatchListDialog dialog(platform_, appDir_, hooks_, this);
    if (hooks_.runModal(dialog) != WatchListDialog::ResultOk) return;
    guarded([this] {
        // A file that cannot be read leaves the old list, and the records that stand for it,
        // as they were: the error ends the command here.
        loadWatchedFiles();
        startCheck(true);
    });
}

void MainWindow::showVersion() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("バージョン情報"),
                    QStringLiteral("Morvane Version " MORVANE_VERSION), QMessageBox::Ok, this);
    hooks_.runModal(box);
}

void MainWindow::onHeaderClicked(int section) {
    const SortKey key = columnSortKey(section);
    if (sort_.key == key)
        sort_.order =
            sort_.order == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    sort_.key = key;
    showSortState();
    guarded([this] { reorderAndRefill(); });
}

void MainWindow::showViewError(const std::string& utf8Message) {
    ScreenCentredBox box(QMessageBox::Critical, QStringLiteral("ｴﾗｰ"), fromUtf8(utf8Message),
                         QMessageBox::Ok, this);
    hooks_.runModal(box);
}

void MainWindow::toggleContentView() {
    guarded([this] {
        const int row = list_->selectedRow();
        if (row < 0 || row >= list_->rowCount()) {
            showViewError("表示するファイルを選択されていません。");
            return;
        }
        if (contentViewItem_->isChecked()) {
            closeView();
            return;
        }
        startViewLoad(row, true);
    });
}

void MainWindow::onRowSelected() {
    if (!contentViewItem_->isChecked()) return;
    const int row = list_->selectedRow();
    if (row < 0 || row >= list_->rowCount()) return;
    guarded([&] { startViewLoad(row, false); });
}

void MainWindow::startViewLoad(int row, bool opening) {
    const std::string& record = list_->table()->records()[std::size_t(row)];
    followed_.follow(record, watched_);
    followAgain_ = false;
    // The record's own watch list line names the file whole; its fields may be cut short.
    loadIntoView(recordPath(record, watched_), opening, false);
}

void MainWindow::followViewedFile() {
    if (viewLoadRunning_) {
        followAgain_ = true;
        return;
    }
    followAgain_ = false;
    loadIntoView(followed_.sjisPath(), false, true);
}

void MainWindow::loadIntoView(const std::string& sjisPath, bool opening, bool following) {
    const unsigned load = ++viewLoads_;
    viewLoadRunning_ = true;
    viewLoadOpens_ = opening;
    viewLoadFollows_ = following;
    std::string nativePath;
    if (!platform_.codec.toUtf8(sjisPath, nativePath)) {
        finishViewLoad(load, {}, sjisPath);  // names no file
        return;
    }
    // A slow reload keeps the text shown: it says nothing of loading.
    if (!following) loadingNotice_->start();
    const bool started = hooks_.startWork(
        [this, mailbox = mailbox_, &files = platform_.files, load, nativePath, sjisPath] {
            auto read = std::make_shared<ContentRead>();
            try {
                *read = readContent(files, nativePath);
            } catch (const std::bad_alloc&) {
                read->status = ContentLoad::Failed;
            }
            mailbox->post([this, load, read, sjisPath] { finishViewLoad(load, *read, sjisPath); });
        });
    if (!started) finishViewLoad(load, {ContentLoad::Failed, {}}, sjisPath);
}

void MainWindow::finishViewLoad(unsigned load, const ContentRead& read,
                                const std::string& sjisPath) {
    if (load != viewLoads_ || !viewLoadRunning_) return;  // a later choice took its place
    viewLoadRunning_ = false;
    loadingNotice_->stop();
    guarded([&] {
        ContentLoad decoded;
        try {
            decoded = decodeContent(platform_.codec, read);
        } catch (const std::bad_alloc&) {
            decoded.status = ContentLoad::Failed;
        }
        if (decoded.status == ContentLoad::Failed) {
            // The followed file's row already says it cannot be read; its last text stays.
            if (viewLoadFollows_) return;
            showViewError(contentErrorMessage(platform_.codec, sjisPath));
            if (contentViewItem_->isChecked()) closeView();
            return;
        }
        if (decoded.status == ContentLoad::Loaded) {
            if (viewLoadFollows_)
                viewPanel_->reloadText(fromUtf8(decoded.utf8));
            else
                viewPanel_->showText(fromUtf8(decoded.utf8));
        }
        if (viewLoadOpens_ && !contentViewItem_->isChecked()) openView();
    });
    if (followAgain_ && contentViewItem_->isChecked()) followViewedFile();
}

void MainWindow::showLoadingNotice() {
    if (!viewLoadRunning_) return;
    viewPanel_->showText(LoadingText);
    if (viewLoadOpens_ && !contentViewItem_->isChecked()) openView();
}

bool MainWindow::fillsScreen() const {
    return windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

void MainWindow::openView() {
    contentViewItem_->setChecked(true);
    // The table keeps its height; the view takes what the window gains, and every later
    // change of the window's height. A maximised window cannot grow: there the table gives
    // the view its height, and the window stays maximised.
    if (fillsScreen()) {
        tablePanel_->setFixedHeight(std::max(0, tablePanel_->height() - viewHeight_));
    } else {
        tablePanel_->setFixedHeight(tablePanel_->height());
        resize(width(), height() + viewHeight_);
    }
    viewPanel_->show();
}

void MainWindow::closeView() {
    viewLoadRunning_ = false;  // a load still running no longer counts
    followAgain_ = false;
    loadingNotice_->stop();
    contentViewItem_->setChecked(false);
    if (!fillsScreen()) resize(width(), height() - viewPanel_->height());
    viewPanel_->hide();
    tablePanel_->setMinimumHeight(0);
    tablePanel_->setMaximumHeight(QWIDGETSIZE_MAX);
}

}  // namespace morvane
