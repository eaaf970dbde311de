#include "MainWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSessionManager>
#include <QSizeGrip>
#include <QTimer>
#include <QVBoxLayout>

#include "ErrorReport.h"
#include "Messages.h"
#include "QtText.h"
#include "RecordDrawing.h"
#include "RecordList.h"
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

QFrame* makePanel(const char* name, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    return panel;
}

StatusPanel* makeStatusPanel(QWidget* parent, int width, bool bevel) {
    auto* label = new StatusPanel(parent);
    if (bevel) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // A panel of fixed size takes a new text without the status bar being laid out again.
    if (width > 0) label->setFixedSize(width, StatusBarHeight);
    label->setIndent(2);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The item of a radio group that stands for the value, or null.
QAction* itemFor(const QActionGroup* group, int value) {
    for (QAction* a : group->actions())
        if (a->data().toInt() == value) return a;
    return nullptr;
}

void setColour(QWidget* widget, QPalette::ColorRole role, std::int32_t bgr) {
    QPalette palette = widget->palette();
    palette.setColor(role, colourFromBgr(bgr));
    widget->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(Platform& platform, std::string appDir, UiHooks hooks, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      hooks_(std::move(hooks)),
      appDir_(std::move(appDir)),
      iniPath_(appDir_ + SettingsFileName) {
    if (!hooks_.reportError)
        hooks_.reportError = [this](const std::string& message) { showErrorBox(this, message); };
    if (!hooks_.runModal) hooks_.runModal = [](QDialog& dialog) { return dialog.exec(); };

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

    tablePanel_ = makePanel("Panel1", client);
    auto* tableLayout = new QVBoxLayout(tablePanel_);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(0);
    header_ = new SectionHeader(ColumnCount, tablePanel_);
    header_->setObjectName(QStringLiteral("HeaderLog"));
    header_->setFixedHeight(HeaderHeight);
    header_->setFont(headerFont());
    list_ = new RecordListView(RowHeight, tablePanel_);
    list_->setObjectName(QStringLiteral("ListLog"));
    list_->setFont(recordListFont());
    list_->setAutoFillBackground(true);
    setColour(list_, QPalette::Base, 0);
    tableLayout->addWidget(header_);
    tableLayout->addWidget(list_, 1);

    viewPanel_ = makePanel("PanelView", client);
    auto* viewLayout = new QVBoxLayout(viewPanel_);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewText_ = new QPlainTextEdit(viewPanel_);
    viewText_->setObjectName(QStringLiteral("MemoList"));
    viewText_->setReadOnly(true);
    viewText_->setFrameShape(QFrame::NoFrame);
    viewText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    viewText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewText_->setFont(recordListFont());
    setColour(viewText_, QPalette::Base, 0);
    setColour(viewText_, QPalette::Text, 0x00FF00);
    viewLayout->addWidget(viewText_);
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
    statusPanels_ = {makeStatusPanel(statusBar, 120, true), makeStatusPanel(statusBar, 170, true),
                     makeStatusPanel(statusBar, 0, false)};
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

    list_->setRowPainter([this](QPainter& painter, int row, const QRect& rect, bool selected) {
        drawRow(painter, row, rect, selected);
    });
    connect(list_, &RecordListView::rowSelectedByUser, this, &MainWindow::onRowSelected);

    header_->setSectionPainter([this](QPainter& painter, const QRect& rect, int section) {
        drawHeaderSection(painter, section, rect);
    });
    connect(header_, &QHeaderView::sectionClicked, this, &MainWindow::onHeaderClicked);
    connect(header_, &QHeaderView::sectionResized, this, &MainWindow::onHeaderResized);

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

    QStringList captions;
    for (int n = 0; n < ColumnCount; ++n) {
        header_->resizeSection(n, settings.columnWidth(n));
        captions.append(headerCaption(n));
    }
    header_->setCaptions(captions);

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
    showSortChecks();

    colours_ = settings.colours;
    setColour(list_, QPalette::Base, colours_.listBack);
    setColour(viewText_, QPalette::Base, colours_.memoBack);
    setColour(viewText_, QPalette::Text, colours_.memoFont);
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
    records_.clear();
    watchList_.clear();
    loadWatchList(platform_.files, appDir_ + WatchListFileName, watchList_);
    runCheckAndShow(true);
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

void MainWindow::runCheckAndShow(bool rebuild) {
    const CheckTimes times = runCheck(platform_, watchList_, records_, rebuild, sort_);
    list_->refill(records_);
    statusPanels_[0]->showText(lastCheckText(times.started));
    statusPanels_[1]->showText(clockText(times.finished));
}

void MainWindow::checkNow() {
    guarded([this] { runCheckAndShow(false); });
}

void MainWindow::onTimerTick() {
    checkNow();
}

void MainWindow::reorderAndRefill() {
    orderRecords(records_, sort_, platform_.collator);
    list_->refill(records_);
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

void MainWindow::showSortChecks() {
    itemFor(sortKeyGroup_, storedSortKey(sort_.key))->setChecked(true);
    itemFor(sortOrderGroup_, storedSortOrder(sort_.order))->setChecked(true);
}

void MainWindow::sortFromMenu(QAction* item) {
    if (item->actionGroup() == sortKeyGroup_)
        sort_.key = sortKeyFromStored(item->data().toInt());
    else
        sort_.order = sortOrderFromStored(item->data().toInt());
    item->setChecked(true);
    guarded([this] { reorderAndRefill(); });
}

void MainWindow::editWatchList() {
    WatchListDialog dialog(platform_, appDir_, hooks_, this);
    if (hooks_.runModal(dialog) != WatchListDialog::ResultOk) return;
    guarded([this] {
        // A file that cannot be read leaves the old list, and the records that stand for it,
        // as they were: the error ends the command here.
        loadWatchList(platform_.files, appDir_ + WatchListFileName, watchList_);
        records_.clear();
        runCheckAndShow(true);
    });
}

void MainWindow::showVersion() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("バージョン情報"),
                    QStringLiteral("Morvane Version " MORVANE_VERSION), QMessageBox::Ok, this);
    hooks_.runModal(box);
}

void MainWindow::drawRow(QPainter& painter, int row, const QRect& rect, bool selected) {
    if (row < 0 || std::size_t(row) >= records_.size()) {
        painter.fillRect(rect, colourFromBgr(colours_.listBack));
        return;
    }
    paintRecordRow(painter, rect, records_[std::size_t(row)], selected, sectionWidths(), colours_,
                   platform_.codec, list_->font());
}

void MainWindow::drawHeaderSection(QPainter& painter, int section, const QRect& rect) {
    const QPalette& palette = header_->palette();
    paintHeaderSection(painter, rect, section, sort_, header_->font(),
                       palette.color(QPalette::WindowText), palette.color(QPalette::Button));
}

void MainWindow::onHeaderClicked(int section) {
    const SortKey key = columnSortKey(section);
    if (sort_.key == key)
        sort_.order =
            sort_.order == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    sort_.key = key;
    showSortChecks();
    guarded([this] { reorderAndRefill(); });
}

void MainWindow::onHeaderResized() {
    list_->viewport()->repaint();
}

}  // namespace morvane
