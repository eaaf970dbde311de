#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>

#include "ChangeNotifier.h"
#include "CheckRunner.h"
#include "ContentView.h"
#include "ContentViewer.h"
#include "ErrorReport.h"
#include "MainMenu.h"
#include "Messages.h"
#include "QtText.h"
#include "RecordDrawing.h"
#include "RecordList.h"
#include "RowActions.h"
#include "SettingsKeeper.h"
#include "StatusPanel.h"
#include "WatchListAdditions.h"
#include "WatchListDialog.h"
#include "WatchListFile.h"
#include "WindowPlacement.h"

namespace morvane {

namespace {

constexpr int DesignWidth = 480;
constexpr int DesignHeight = 341;
constexpr int DesignInterval = 60000;

QFrame* makePanel(const char* name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    return panel;
}

}  // namespace

MainWindow::MainWindow(Platform& platform, std::shared_ptr<const FileSystem> watchedFiles,
                       std::string appDir, UiHooks hooks, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      hooks_(std::move(hooks)),
      appDir_(std::move(appDir)),
      settings_(new SettingsKeeper(
          platform_.files, appDir_ + SettingsFileName, [this] { return closingState(); }, this)) {
    if (!hooks_.reportError)
        hooks_.reportError = [this](const std::string& message) { showErrorBox(this, message); };
    if (!hooks_.runModal) hooks_.runModal = [](QDialog& dialog) { return dialog.exec(); };

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Morvane"));
    setFont(recordListFont());
    resize(DesignWidth, DesignHeight);
    createControls();
    menu_ = new MainMenu(menuBar());
    checks_ = new CheckRunner(platform_, watchedFiles, hooks_.makeLookups, this);
    viewer_ = new ContentViewer(*viewPanel_, *list_, checks_->watch(), platform_.codec,
                                std::move(watchedFiles), hooks_, this);
    notifier_ = new ChangeNotifier(platform_.codec, this);
    connectEvents();
    applySettings();
}

MainWindow::~MainWindow() = default;

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
    list_->table()->setToolTipOf([this](int row) { return rowToolTip(row); });
    new RowActions(list_, platform_.codec, hooks_, [this](int row) {
        return checks_->watch().rows()[std::size_t(row)].file->sjisPath;
    });
    header_ = list_->sectionHeader();
    header_->setObjectName(QStringLiteral("HeaderLog"));
    header_->setFont(headerFont());
    tableLayout->addWidget(list_, 1);

    viewPanel_ = new ContentView(client);
    // While open the view takes whatever height the table leaves, down to none at all.
    viewPanel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    viewPanel_->hide();

    statusBar_ = new StatusBar(client);

    clientLayout->addWidget(tablePanel_, 1);
    clientLayout->addWidget(viewPanel_, 1);
    clientLayout->addWidget(statusBar_);
    // The stored size applies as read, and the user may drag the window smaller than the
    // status panels: what does not fit is cut off, as the panels' text already is.
    client->setMinimumSize(1, 1);
    setCentralWidget(client);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->start(DesignInterval);
    intervalMs_ = DesignInterval;
}

void MainWindow::connectEvents() {
    connect(menu_, &MainMenu::exitChosen, this, &QWidget::close);
    connect(menu_, &MainMenu::contentViewChosen, this,
            [this] { guarded([this] { viewer_->toggle(); }); });
    connect(menu_, &MainMenu::stayOnTopChosen, this, &MainWindow::toggleStayOnTop);
    connect(menu_, &MainMenu::refreshChosen, this, &MainWindow::checkNow);
    connect(menu_, &MainMenu::sortKeyChosen, this, [this](SortKey key) {
        sortBy({key, checks_->watch().sortState().order});
    });
    connect(menu_, &MainMenu::sortOrderChosen, this, [this](SortOrder order) {
        sortBy({checks_->watch().sortState().key, order});
    });
    connect(menu_, &MainMenu::intervalChosen, this, [this](CheckInterval item) {
        intervalItem_ = item;
        guarded([&] { setInterval(storedInterval(item) * 1000); });
        settingsChanged();
    });
    connect(menu_, &MainMenu::editWatchListChosen, this, &MainWindow::editWatchList);
    connect(menu_, &MainMenu::notifyChosen, this, &MainWindow::toggleNotify);
    connect(menu_, &MainMenu::versionChosen, this, &MainWindow::showVersion);
    connect(timer_, &QTimer::timeout, this, &MainWindow::checkNow);
    connect(header_, &QHeaderView::sectionResized, this, &MainWindow::settingsChanged);

    connect(checks_, &CheckRunner::finished, this,
            [this](const CheckOutcome& outcome) { list_->refill(outcome.rows); });
    connect(checks_, &CheckRunner::finished, statusBar_, &StatusBar::showCheck);
    connect(checks_, &CheckRunner::finished, notifier_, &ChangeNotifier::checkFinished);
    connect(checks_, &CheckRunner::finished, viewer_, &ContentViewer::followFile);
    connect(checks_, &CheckRunner::failed, this,
            [this](const std::string& message) { hooks_.reportError(message); });

    connect(viewer_, &ContentViewer::openChanged, this, &MainWindow::placeContentView);
    connect(viewer_, &ContentViewer::openChanged, menu_, &MainMenu::showContentView);

    connect(list_, &RecordListView::rowSelectedByUser, this,
            [this] { guarded([this] { viewer_->showSelectedRow(); }); });
    // Queued: the drop ends, and the file manager that sent it goes on, before any message.
    connect(list_, &RecordListView::filesDropped, this, &MainWindow::addFiles,
            Qt::QueuedConnection);
    connect(header_, &QHeaderView::sectionClicked, this, [this](int section) {
        sortBy(sortAfterClickOn(section, checks_->watch().sortState()));
    });

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

void MainWindow::applySettings() {
    const Settings& settings = settings_->read();
    viewOpeningHeight_ = settings.viewHeight;

    for (int n = 0; n < ColumnCount; ++n) header_->resizeSection(n, settings.columnWidth(n));

    notifier_->setOn(settings.notifiesChanges());
    menu_->showNotify(notifier_->isOn());
    if (settings.topMost()) setStayOnTop(true);

    if (const std::optional<CheckInterval> item = settings.intervalItem()) {
        intervalItem_ = *item;
        menu_->showInterval(*item);
    }
    guarded([&] { setInterval(settings.timerMilliseconds()); });

    checks_->sort(settings.sort);
    list_->table()->setSortState(settings.sort);
    menu_->showSort(settings.sort);

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
        placeWindow({settings_->stored().top, settings_->stored().left, settings_->stored().height,
                     settings_->stored().width},
                    availableScreens());
    move(placement.place);
    resize(placement.size);
    rebuildFromWatchList();
}

void MainWindow::rebuildFromWatchList() {
    // Where there is no file, the list stays as it was.
    WatchList lines;
    if (loadWatchList(platform_.files, appDir_ + WatchListFileName, lines))
        checks_->setWatchedFiles(watchedFiles(platform_.codec, lines));
    checks_->start(true);
}

ClosingState MainWindow::closingState() const {
    ClosingState state;
    state.maximised = fillsScreen();
    // The normal geometry is that of the client area; the stored place is that of the frame.
    const StoredGeometry stored = closingGeometry(normalGeometry(), geometry().topLeft(), pos(),
                                                  viewer_->isOpen() ? viewPanel_->height() : 0);
    state.left = stored.left;
    state.top = stored.top;
    state.width = stored.width;
    state.height = stored.height;
    state.viewHeight = viewOpeningHeight_;
    for (int i = 0; i < ColumnCount; ++i)
        state.columnWidths[std::size_t(i)] = header_->sectionSize(i);
    state.topMost = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    state.notifiesChanges = notifier_->isOn();
    state.intervalItem = intervalItem_;
    state.sort = checks_->watch().sortState();
    return state;
}

void MainWindow::saveSettings() {
    closing_ = true;
    emit closing();
    closing_ = false;
    settings_->write();
}

void MainWindow::settingsChanged() {
    // Not for the moves and sizes that showing the window brings, before it is visible.
    if (shown_ && isVisible()) settings_->changed();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    settingsChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    settingsChanged();
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

void MainWindow::checkNow() {
    guarded([this] { checks_->start(false); });
}

QString MainWindow::rowToolTip(int row) const {
    const WatchRows& rows = checks_->watch().rows();
    if (row < 0 || std::size_t(row) >= rows.size()) return {};
    const WatchRow& shown = rows[std::size_t(row)];
    return recordToolTip(fromSjis(platform_.codec, shown.file->sjisPath), stateOf(shown.record),
                         cellText(shown.record, 2, platform_.codec),
                         shown.unansweredSince ? &*shown.unansweredSince : nullptr);
}

void MainWindow::sortBy(SortState sort) {
    list_->table()->setSortState(sort);
    menu_->showSort(sort);
    guarded([&] {
        checks_->sort(sort);
        list_->refill(checks_->watch().rows());
        header_->viewport()->repaint();
        list_->viewport()->repaint();
    });
    settingsChanged();
}

void MainWindow::toggleStayOnTop() {
    setStayOnTop(!windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    settingsChanged();
}

void MainWindow::setStayOnTop(bool on) {
    menu_->showStayOnTop(on);
    setStaysOnTop(*this, on);
}

void MainWindow::toggleNotify() {
    notifier_->setOn(!notifier_->isOn());
    menu_->showNotify(notifier_->isOn());
    settingsChanged();
}

void MainWindow::setInterval(int milliseconds) {
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

void MainWindow::editWatchList() {
    WatchListDialog dialog(platform_, appDir_, hooks_, this);
    if (hooks_.runModal(dialog) != WatchListDialog::ResultOk) return;
    guarded([this] {
        // A file that cannot be read leaves the old list, and the records that stand for it,
        // as they were: the error ends the command here.
        rebuildFromWatchList();
    });
}

void MainWindow::addFiles(const QStringList& nativePaths) {
    // While the window closes on a signal or the session's end nobody may be there to answer a
    // box: what it would say goes to the error output.
    const ShowMessage toStderr = [](QMessageBox::Icon, const QString& text) {
        std::fprintf(stderr, "morvane: %s\n", qUtf8Printable(text));
    };
    guarded([&] {
        if (addFilesToWatchList(platform_, appDir_ + WatchListFileName, nativePaths,
                                closing_ ? toStderr : messageShower(hooks_, this)) &&
            shown_) {
            rebuildFromWatchList();
        }
    });
}

void MainWindow::showVersion() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("バージョン情報"),
                    QStringLiteral("Morvane Version " MORVANE_VERSION), QMessageBox::Ok, this);
    hooks_.runModal(box);
}

void MainWindow::placeContentView(bool open) {
    // The table keeps its height; the view takes what the window gains, and every later
    // change of the window's height. A maximised window cannot grow: there the table gives
    // the view its height, and the window stays maximised.
    if (open) {
        if (fillsScreen()) {
            tablePanel_->setFixedHeight(std::max(0, tablePanel_->height() - viewOpeningHeight_));
        } else {
            tablePanel_->setFixedHeight(tablePanel_->height());
            resize(width(), height() + viewOpeningHeight_);
        }
        viewPanel_->show();
        return;
    }
    if (!fillsScreen()) resize(width(), height() - viewPanel_->height());
    viewPanel_->hide();
    tablePanel_->setMinimumHeight(0);
    tablePanel_->setMaximumHeight(QWIDGETSIZE_MAX);
}

bool MainWindow::fillsScreen() const {
    return windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

}  // namespace morvane
