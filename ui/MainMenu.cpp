#include "MainMenu.h"

#include <QActionGroup>
#include <QMenuBar>
#include <initializer_list>

namespace morvane {

namespace {

// The item of a radio group that stands for the value, or null.
QAction* itemFor(const QActionGroup* group, int value) {
    for (QAction* a : group->actions())
        if (a->data().toInt() == value) return a;
    return nullptr;
}

void check(const QActionGroup* group, int value) {
    if (QAction* item = itemFor(group, value)) item->setChecked(true);
}

}  // namespace

MainMenu::MainMenu(QMenuBar* bar) : QObject(bar) {
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption,
                       void (MainMenu::*chosen)() = nullptr) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (chosen) connect(a, &QAction::triggered, this, chosen);
        return a;
    };
    auto separator = [](QMenu* m, const char* name) {
        m->addSeparator()->setObjectName(QLatin1String(name));
    };
    // A radio group of items; each item holds the stored value it stands for.
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
    // Qt toggled it, and the state's owner decides.
    auto checkItem = [this, &item](QMenu* m, const char* name, const QString& caption,
                                   void (MainMenu::*chosen)()) {
        QAction* a = item(m, name, caption);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, chosen](bool checked) {
            a->setChecked(!checked);
            emit(this->*chosen)();
        });
        return a;
    };

    QMenu* file = menu("MenuFile", QStringLiteral("ファイル(&F)"));
    item(file, "MenuExit", QStringLiteral("終了(&X)"), &MainMenu::exitChosen);

    QMenu* view = menu("MenuView", QStringLiteral("表示(&V)"));
    contentViewItem_ = checkItem(view, "MenuFileView", QStringLiteral("内容表示(&D)"),
                                 &MainMenu::contentViewChosen);
    stayOnTopItem_ = checkItem(view, "MenuTop", QStringLiteral("常に手前に表示(&T)"),
                               &MainMenu::stayOnTopChosen);
    separator(view, "N1");
    item(view, "MenuRepaint", QStringLiteral("最新の情報に更新(&R)"), &MainMenu::refreshChosen);

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
    const auto seconds = [](CheckInterval i) { return storedInterval(i); };
    intervalGroup_ = radioGroup(
        setup, {{"Menu1s", QStringLiteral("1秒(&O)"), seconds(CheckInterval::OneSecond)},
                {"Menu10s", QStringLiteral("10秒(&T)"), seconds(CheckInterval::TenSeconds)},
                {"Menu30s", QStringLiteral("30秒(&H)"), seconds(CheckInterval::ThirtySeconds)},
                {"Menu60s", QStringLiteral("60秒(&M)"), seconds(CheckInterval::SixtySeconds)}});
    separator(setup, "N2");
    item(setup, "MenuFileSet", QStringLiteral("監視ファイル設定(&F)"),
         &MainMenu::editWatchListChosen);
    separator(setup, "N4");
    notifyItem_ = checkItem(setup, "MenuNotify", QStringLiteral("変更を通知する(&N)"),
                            &MainMenu::notifyChosen);

    QMenu* help = menu("MenuHelp", QStringLiteral("ヘルプ(&H)"));
    item(help, "MenuVersion", QStringLiteral("バージョン情報(&A)"), &MainMenu::versionChosen);

    connect(sortKeyGroup_, &QActionGroup::triggered, this,
            [this](QAction* a) { emit sortKeyChosen(sortKeyFromStored(a->data().toInt())); });
    connect(sortOrderGroup_, &QActionGroup::triggered, this,
            [this](QAction* a) { emit sortOrderChosen(sortOrderFromStored(a->data().toInt())); });
    connect(intervalGroup_, &QActionGroup::triggered, this, [this](QAction* a) {
        if (const std::optional<CheckInterval> i = intervalFromStored(a->data().toInt()))
            emit intervalChosen(*i);
    });

    showSort({});
    showInterval(CheckInterval::SixtySeconds);
}

void MainMenu::showSort(SortState sort) {
    check(sortKeyGroup_, storedSortKey(sort.key));
    check(sortOrderGroup_, storedSortOrder(sort.order));
}

void MainMenu::showInterval(CheckInterval item) {
    check(intervalGroup_, storedInterval(item));
}

void MainMenu::showContentView(bool open) {
    contentViewItem_->setChecked(open);
}

void MainMenu::showStayOnTop(bool on) {
    stayOnTopItem_->setChecked(on);
}

void MainMenu::showNotify(bool on) {
    notifyItem_->setChecked(on);
}

}  // namespace morvane
