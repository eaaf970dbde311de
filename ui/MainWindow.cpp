#include "MainWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSessionManager>
#include <QSizeGrip>
#include <QTimer>
#include <QVBoxLayout>

#include "Messages.h"
#include "QtText.h"
#include "RecordDrawing.h"
#include "RecordList.h"
#include "WatchListDialog.h"
#include "WatchListFile.h"

namespace morvane {

namespace {

constexpr int StatusBarHeight = 19;
constexpr int DesignWidth = 480;
constexpr int DesignHeight = 341;
constexpr int DesignInterval = 60000;

// Sets the flag for one run of the check and clears it however the run ends.
class RebuildRun {
public:
    explicit RebuildRun(bool& flag) : flag_(flag) { flag_ = true; }
    ~RebuildRun() { flag_ = false; }
    RebuildRun(const RebuildRun&) = delete;
    RebuildRun& operator=(const RebuildRun&) = delete;

private:
    bool& flag_;
};

QFrame* makePanel(const char* name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    return panel;
}

QLabel* makeStatusPanel(QWidget* parent, int width, bool bevel) {
    auto* label = new QLabel(parent);
    if (bevel) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (width > 0) label->setFixedWidth(width);
    label->setIndent(2);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The stored place, unless the window would lie off every screen (a monitor since unplugged,
// say): then it comes back at the top left of the primary screen.
QPoint reachablePlace(const QPoint& place, const QSize& size) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return place;
    const QRect window(place, size);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(window);
        if (seen.width() >= 40 && seen.height() >= 20) return place;
    }
    return primary->availableGeometry().topLeft();
}

void setColour(QWidget* widget, QPalette::ColorRole role, std::int32_t bgr) {
    QPalette palette = widget->palette();
    palette.setColor(role, colourFromBgr(bgr));
    widget->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(Platform& platform, std::string dir, QWidget* parent)
    : QMainWindow(parent), appDir(std::move(dir)), platform_(platform) {
    reportError = [this](const std::string& message) { showErrorBox(this, message); };
    runModal = [](QDialog& dialog) { return dialog.exec(); };
    viewError = [this](const std::string& message) { showViewErrorBox(message); };

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Morvane"));
    setFont(recordListFont());
    resize(DesignWidth, DesignHeight);
    createControls();
    createMenus();
    connectEvents();
    applySettings();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    auto* client = new QWidget(this);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);

    Panel1 = makePanel("Panel1", client);
    auto* tableLayout = new QVBoxLayout(Panel1);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(0);
    HeaderLog = new SectionHeader(ColumnCount, Panel1);
    HeaderLog->setObjectName(QStringLiteral("HeaderLog"));
    HeaderLog->setFixedHeight(HeaderHeight);
    HeaderLog->setFont(headerFont());
    ListLog = new RecordListView(RowHeight, Panel1);
    ListLog->setObjectName(QStringLiteral("ListLog"));
    ListLog->setFont(recordListFont());
    ListLog->setAutoFillBackground(true);
    setColour(ListLog, QPalette::Base, 0);
    tableLayout->addWidget(HeaderLog);
    tableLayout->addWidget(ListLog, 1);

    PanelView = makePanel("PanelView", client);
    auto* viewLayout = new QVBoxLayout(PanelView);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    MemoList = new QPlainTextEdit(PanelView);
    MemoList->setObjectName(QStringLiteral("MemoList"));
    MemoList->setReadOnly(true);
    MemoList->setFrameShape(QFrame::NoFrame);
    MemoList->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoList->setFont(recordListFont());
    setColour(MemoList, QPalette::Base, 0);
    setColour(MemoList, QPalette::Text, 0x00FF00);
    viewLayout->addWidget(MemoList);
    // While open the view takes whatever height the table leaves, down to none at all.
    PanelView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    PanelView->hide();

    // The status bar is built here rather than with QStatusBar, whose layout adds margins and
    // spacing between the panels and a frame around each one.
    auto* statusBar = new QWidget(client);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setFixedHeight(StatusBarHeight);
    auto* statusLayout = new QHBoxLayout(statusBar);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(0);
    StatusPanels = {makeStatusPanel(statusBar, 120, true), makeStatusPanel(statusBar, 170, true),
                    makeStatusPanel(statusBar, 0, false)};
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanels[i]->setObjectName(QStringLiteral("StatusBar1.Panel%1").arg(i));
        statusLayout->addWidget(StatusPanels[i], i == 2 ? 1 : 0);
    }
    statusLayout->addWidget(new QSizeGrip(statusBar), 0, Qt::AlignBottom | Qt::AlignRight);

    clientLayout->addWidget(Panel1, 1);
    clientLayout->addWidget(PanelView, 1);
    clientLayout->addWidget(statusBar);
    // The stored size applies as read, and the user may drag the window smaller than the
    // status panels: what does not fit is cut off, as the panels' text already is.
    client->setMinimumSize(1, 1);
    setCentralWidget(client);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->start(DesignInterval);
    intervalMs_ = DesignInterval;
}

void MainWindow::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [](QMenu* m, const char* name, const QString& caption) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto separator = [](QMenu* m, const char* name) {
        QAction* a = m->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto radio = [&item](QMenu* m, QActionGroup* group, const char* name, const QString& caption) {
        QAction* a = item(m, name, caption);
        a->setCheckable(true);
        group->addAction(a);
        return a;
    };

    MenuFile = menu("MenuFile", QStringLiteral("ファイル(&F)"));
    MenuExit = item(MenuFile, "MenuExit", QStringLiteral("終了(&X)"));

    MenuView = menu("MenuView", QStringLiteral("表示(&V)"));
    MenuFileView = item(MenuView, "MenuFileView", QStringLiteral("内容表示(&D)"));
    MenuFileView->setCheckable(true);
    MenuTop = item(MenuView, "MenuTop", QStringLiteral("常に手前に表示(&T)"));
    MenuTop->setCheckable(true);
    N1 = separator(MenuView, "N1");
    MenuRepaint = item(MenuView, "MenuRepaint", QStringLiteral("最新の情報に更新(&R)"));

    MenuSort = menu("MenuSort", QStringLiteral("並べ替え(&S)"));
    sortKeyGroup_ = new QActionGroup(this);
    sortTypeGroup_ = new QActionGroup(this);
    MenuSortName = radio(MenuSort, sortKeyGroup_, "MenuSortName", QStringLiteral("名前順(&N)"));
    MenuSortFile =
        radio(MenuSort, sortKeyGroup_, "MenuSortFile", QStringLiteral("ファイル名順(&F)"));
    MenuSortSize = radio(MenuSort, sortKeyGroup_, "MenuSortSize", QStringLiteral("サイズ順(&Z)"));
    MenuSortUpdate =
        radio(MenuSort, sortKeyGroup_, "MenuSortUpdate", QStringLiteral("更新日時順(&U)"));
    MenuSortPath = radio(MenuSort, sortKeyGroup_, "MenuSortPath", QStringLiteral("パス名順(&P)"));
    MenuSortUser = radio(MenuSort, sortKeyGroup_, "MenuSortUser",
                         QStringLiteral("監視ファイル設定の指定順(&U)"));
    N3 = separator(MenuSort, "N3");
    MenuSortAsc = radio(MenuSort, sortTypeGroup_, "MenuSortAsc", QStringLiteral("昇順(&A)"));
    MenuSortDec = radio(MenuSort, sortTypeGroup_, "MenuSortDec", QStringLiteral("降順(&D)"));
    MenuSortUser->setChecked(true);
    MenuSortAsc->setChecked(true);

    MenuSetup = menu("MenuSetup", QStringLiteral("設定(&E)"));
    intervalGroup_ = new QActionGroup(this);
    Menu1s = radio(MenuSetup, intervalGroup_, "Menu1s", QStringLiteral("1秒(&O)"));
    Menu10s = radio(MenuSetup, intervalGroup_, "Menu10s", QStringLiteral("10秒(&T)"));
    Menu30s = radio(MenuSetup, intervalGroup_, "Menu30s", QStringLiteral("30秒(&H)"));
    Menu60s = radio(MenuSetup, intervalGroup_, "Menu60s", QStringLiteral("60秒(&M)"));
    Menu60s->setChecked(true);
    N2 = separator(MenuSetup, "N2");
    MenuFileSet = item(MenuSetup, "MenuFileSet", QStringLiteral("監視ファイル設定(&F)"));

    MenuHelp = menu("MenuHelp", QStringLiteral("ヘルプ(&H)"));
    MenuVersion = item(MenuHelp, "MenuVersion", QStringLiteral("バージョン情報(&A)"));
}

void MainWindow::connectEvents() {
    auto bind = [this](QAction* action, void (MainWindow::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    // Selecting an item changes no check by itself: a plain check item gets back the check it
    // had before Qt toggled it, and its command decides.
    auto bindCheckItem = [this](QAction* action, void (MainWindow::*handler)()) {
        connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
            action->setChecked(!checked);
            guarded([&] { (this->*handler)(); });
        });
    };

    bind(MenuExit, &MainWindow::MenuExitClick);
    bindCheckItem(MenuFileView, &MainWindow::toggleContentView);
    bindCheckItem(MenuTop, &MainWindow::toggleStayOnTop);
    bind(MenuRepaint, &MainWindow::checkNow);
    for (QAction* a : {MenuSortName, MenuSortFile, MenuSortSize, MenuSortUpdate, MenuSortPath,
                       MenuSortUser, MenuSortAsc, MenuSortDec})
        connect(a, &QAction::triggered, this, [this, a] { guarded([&] { sortFromMenu(a); }); });
    bind(Menu1s, &MainWindow::Menu1sClick);
    bind(Menu10s, &MainWindow::Menu10sClick);
    bind(Menu30s, &MainWindow::Menu30sClick);
    bind(Menu60s, &MainWindow::Menu60sClick);
    bind(MenuFileSet, &MainWindow::editWatchList);
    bind(MenuVersion, &MainWindow::showVersion);

    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { checkNow(); }); });

    ListLog->setRowPainter([this](QPainter& painter, int row, const QRect& rect, bool selected) {
        drawRow(painter, row, rect, selected);
    });
    connect(ListLog, &RecordListView::rowSelectedByUser, this,
            [this] { guarded([this] { onRowSelected(); }); });

    HeaderLog->setSectionPainter([this](QPainter& painter, const QRect& rect, int section) {
        drawHeaderSection(painter, section, rect, false);
    });
    connect(HeaderLog, &QHeaderView::sectionClicked, this,
            [this](int section) { guarded([&] { onHeaderClicked(section); }); });
    connect(HeaderLog, &QHeaderView::sectionResized, this,
            [this](int section) { onHeaderResized(section); });

    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
                &MainWindow::onCommitDataRequest);
}

bool MainWindow::guarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        reportError(userMessage(e));
        return false;
    }
}

QString MainWindow::statusText(int panel) const {
    if (panel < 0 || panel >= int(StatusPanels.size())) return {};
    return StatusPanels[std::size_t(panel)]->text();
}

std::array<int, ColumnCount> MainWindow::sectionWidths() const {
    std::array<int, ColumnCount> widths{};
    for (int i = 0; i < int(widths.size()); ++i) widths[std::size_t(i)] = HeaderLog->sectionSize(i);
    return widths;
}

void MainWindow::applySettings() {
    iniPath = appDir + SettingsFileName;
    const Settings settings = readSettings(platform_.files, iniPath);

    storedTop = settings.top;
    storedLeft = settings.left;
    storedHeight = settings.height;
    storedWidth = settings.width;
    viewHeight = settings.viewHeight;

    QStringList captions;
    for (int n = 0; n < ColumnCount; ++n) {
        HeaderLog->resizeSection(n, settings.columnWidth(n));
        captions.append(headerCaption(n));
    }
    HeaderLog->setCaptions(captions);

    if (settings.topMost()) {
        MenuTop->setChecked(true);
        setStayOnTop(true);
    }

    QAction* intervalItem = nullptr;
    const std::pair<QAction*, CheckInterval> intervals[] = {{Menu1s, CheckInterval::OneSecond},
                                                            {Menu10s, CheckInterval::TenSeconds},
                                                            {Menu30s, CheckInterval::ThirtySeconds},
                                                            {Menu60s, CheckInterval::SixtySeconds}};
    for (const auto& [action, item] : intervals)
        if (settings.intervalItem() == item) intervalItem = action;
    guarded([&] { setInterval(intervalItem, settings.timerMilliseconds()); });

    sort = settings.sort;
    showSortChecks();

    colours = settings.colours;
    setColour(ListLog, QPalette::Base, colours.listBack);
    setColour(MemoList, QPalette::Base, colours.memoBack);
    setColour(MemoList, QPalette::Text, colours.memoFont);
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
    // A width or height of none would leave nothing to see or grab: such a value gives way to
    // the usual size.
    const QSize size(storedWidth > 0 ? storedWidth : Settings{}.width,
                     storedHeight > 0 ? storedHeight : Settings{}.height);
    move(reachablePlace(QPoint(storedLeft, storedTop), size));
    resize(size);
    records.clear();
    watchList.clear();
    loadWatchList(platform_.files, appDir + WatchListFileName, watchList);
    RebuildRun rebuild(rebuildMode);
    checkNow();
}

ClosingState MainWindow::closingState() const {
    ClosingState state;
    state.maximised = fillsScreen();
    // The normal geometry is that of the client area; the stored place is that of the frame.
    const QRect normal = normalGeometry();
    const QPoint frameOffset = geometry().topLeft() - pos();
    state.left = normal.left() - frameOffset.x();
    state.top = normal.top() - frameOffset.y();
    state.width = normal.width();
    state.height = normal.height();
    if (MenuFileView->isChecked()) state.height -= PanelView->height();
    state.viewHeight = viewHeight;
    state.columnWidths = sectionWidths();
    state.topMost = MenuTop->isChecked();

    const std::pair<QAction*, CheckInterval> intervals[] = {{Menu1s, CheckInterval::OneSecond},
                                                            {Menu10s, CheckInterval::TenSeconds},
                                                            {Menu30s, CheckInterval::ThirtySeconds},
                                                            {Menu60s, CheckInterval::SixtySeconds}};
    for (const auto& [action, item] : intervals)
        if (action->isChecked()) {
            state.intervalItem = item;
            break;
        }
    const std::pair<QAction*, SortKey> keys[] = {
        {MenuSortName, SortKey::Name},      {MenuSortFile, SortKey::FileName},
        {MenuSortSize, SortKey::Size},      {MenuSortUpdate, SortKey::Modified},
        {MenuSortPath, SortKey::Directory}, {MenuSortUser, SortKey::WatchOrder}};
    for (const auto& [action, key] : keys)
        if (action->isChecked()) {
            state.sort.key = key;
            break;
        }
    state.sort.order = MenuSortAsc->isChecked() ? SortOrder::Ascending : SortOrder::Descending;
    return state;
}

void MainWindow::saveSettings(bool& canClose) {
    writeSettings(platform_.files, iniPath, closingState());
    canClose = true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    if (guarded([&] { saveSettings(canClose); }) && canClose)
        event->accept();
    else
        event->ignore();
}

bool MainWindow::sessionEnding(const std::function<bool()>& mayInteract) {
    bool canClose = true;
    try {
        saveSettings(canClose);
        return true;
    } catch (const std::exception& e) {
        // Without the user the session ends anyway; the settings of this run are lost then.
        if (!mayInteract()) return true;
        reportError(userMessage(e));
        return false;
    }
}

void MainWindow::onCommitDataRequest(QSessionManager& manager) {
    if (!sessionEnding([&manager] { return manager.allowsInteraction(); })) manager.cancel();
}

void MainWindow::checkNow() {
    const CheckTimes times = runCheck(platform_, watchList, records, rebuildMode, sort);
    ListLog->refill(rowTexts(records.size()));
    StatusPanels[0]->setText(lastCheckText(times.started));
    StatusPanels[1]->setText(clockText(times.finished));
}

void MainWindow::reorderAndRefill() {
    orderRecords(records, sort, platform_.collator);
    ListLog->refill(rowTexts(records.size()));
}

void MainWindow::MenuExitClick() {
    close();
}

void MainWindow::toggleStayOnTop() {
    const bool on = !MenuTop->isChecked();
    MenuTop->setChecked(on);
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

void MainWindow::Menu1sClick() {
    setInterval(Menu1s, 1000);
}
void MainWindow::Menu10sClick() {
    setInterval(Menu10s, 10000);
}
void MainWindow::Menu30sClick() {
    setInterval(Menu30s, 30000);
}
void MainWindow::Menu60sClick() {
    setInterval(Menu60s, 60000);
}

void MainWindow::setInterval(QAction* item, int milliseconds) {
    if (item) item->setChecked(true);
    if (milliseconds == intervalMs_) return;
    intervalMs_ = milliseconds;
    // A period of 0 would fire at every turn of the event loop: no timed checks then.
    if (milliseconds <= 0) {
        Timer1->stop();
        return;
    }
    Timer1->start(milliseconds);
    if (!Timer1->isActive()) throw std::runtime_error(TimerUnavailableMessage);
}

void MainWindow::showSortChecks() {
    const std::array<QAction*, 6> keys = {MenuSortUser, MenuSortName,   MenuSortFile,
                                          MenuSortSize, MenuSortUpdate, MenuSortPath};
    keys[std::size_t(storedSortKey(sort.key))]->setChecked(true);
    (sort.order == SortOrder::Ascending ? MenuSortAsc : MenuSortDec)->setChecked(true);
}

void MainWindow::sortFromMenu(QAction* sender) {
    const std::pair<QAction*, SortKey> keys[] = {
        {MenuSortUser, SortKey::WatchOrder}, {MenuSortName, SortKey::Name},
        {MenuSortFile, SortKey::FileName},   {MenuSortSize, SortKey::Size},
        {MenuSortUpdate, SortKey::Modified}, {MenuSortPath, SortKey::Directory}};
    for (const auto& [action, key] : keys)
        if (action == sender) sort.key = key;
    if (sender == MenuSortAsc) sort.order = SortOrder::Ascending;
    if (sender == MenuSortDec) sort.order = SortOrder::Descending;
    if (sender) sender->setChecked(true);
    reorderAndRefill();
    HeaderLog->viewport()->repaint();
    ListLog->viewport()->repaint();
}

void MainWindow::editWatchList() {
    WatchListDialog dialog(platform_, appDir, this);
    if (runModal(dialog) != WatchListDialog::ResultOk) return;
    // A file that cannot be read leaves the old list, and the records that stand for it, as
    // they were: the error ends the command here.
    loadWatchList(platform_.files, appDir + WatchListFileName, watchList);
    records.clear();
    RebuildRun rebuild(rebuildMode);
    checkNow();
}

void MainWindow::showVersion() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("バージョン情報"),
                    QStringLiteral("Morvane Version 1.01"), QMessageBox::Ok, this);
    runModal(box);
}

void MainWindow::drawRow(QPainter& painter, int index, const QRect& rect, bool selected) {
    if (index < 0 || std::size_t(index) >= records.size()) {
        painter.fillRect(rect, colourFromBgr(colours.listBack));
        return;
    }
    paintRecordRow(painter, rect, records[std::size_t(index)], selected, sectionWidths(), colours,
                   platform_.codec, ListLog->font());
}

void MainWindow::drawHeaderSection(QPainter& painter, int section, const QRect& rect, bool) {
    const QPalette& palette = HeaderLog->palette();
    paintHeaderSection(painter, rect, section, sort, HeaderLog->font(),
                       palette.color(QPalette::WindowText), palette.color(QPalette::Button));
}

void MainWindow::onHeaderClicked(int section) {
    const SortKey key = columnSortKey(section);
    if (sort.key == key)
        sort.order =
            sort.order == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    sort.key = key;
    showSortChecks();
    reorderAndRefill();
    HeaderLog->viewport()->repaint();
    ListLog->viewport()->repaint();
}

void MainWindow::onHeaderResized(int) {
    ListLog->viewport()->repaint();
}

}  // namespace morvane
