// The notification of changed files, through a real session bus to a service that keeps its
// calls. Run under dbus-run-session.

#include <QDBusConnection>
#include <QDialog>
#include <QTest>

#include "ChangeNotifier.h"
#include "CheckRunner.h"
#include "FakeNotifications.h"
#include "RealPlatform.h"
#include "WindowFixture.h"

namespace morvane::testing {
namespace {

class Notifications : public WindowTest {
protected:
    FakeNotifications service;

    void change(int file, const LocalDateTime& when) {
        files.files["/w/" + std::to_string(file) + ".txt"].modified = when;
        clock.set(when);
    }
    void refresh() { action("MenuRepaint")->trigger(); }
    // Rows of the records, each written anew or not at their check.
    static WatchRows rowsOf(const Records& records, bool writtenAnew) {
        WatchRows rows(records.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            rows[i].record = records[i];
            rows[i].writtenAnew = writtenAnew;
        }
        return rows;
    }
};

TEST_F(Notifications, OnlyARefreshThatChangesFilesSendsOneNotificationNamingThem) {
    ASSERT_TRUE(service.registered()) << "no session bus";
    std::string list;
    for (int i = 1; i <= 7; ++i) {
        files.put("/w/" + std::to_string(i) + ".txt", "x", {2024, 3, 1, 12, 0, 0});
        list += entry(sjis("ファイル" + std::to_string(i)), "/w/" + std::to_string(i) + ".txt");
    }
    files.put(ListPath, list);
    files.put(IniPath, "[List]\r\nNotify=1\r\n");
    open();
    onModal = [](QDialog&) { return 1; };
    action("MenuFileSet")->trigger();  // the editor's OK rebuilds
    refresh();                         // nothing changed

    for (int i = 1; i <= 7; ++i)
        files.files["/w/" + std::to_string(i) + ".txt"].modified = {2024, 3, 2, 9, 10, 0};
    clock.set({2024, 3, 2, 9, 10, 30});
    refresh();
    ASSERT_EQ(states(), "1111111");
    // A rebuild never notifies, whatever its records show.
    ChangeNotifier rebuilds(platform.codec);
    rebuilds.setOn(true);
    rebuilds.checkFinished({rowsOf(records(), true), {}, true, 0});

    action("MenuNotify")->trigger();  // off
    change(1, {2024, 3, 2, 9, 20, 0});
    refresh();
    action("MenuNotify")->trigger();  // on again
    change(2, {2024, 3, 2, 9, 30, 0});
    refresh();

    // The bus keeps the order of the calls on one connection: once a last call sent after all
    // of them has come, every call the window sent has come before it.
    std::string last(FixedFieldsLength, ' ');
    putField(last, StateCode, std::string(1, stateCode(RecordState::NewUp)));
    putField(last, DisplayName, "last");
    rebuilds.checkFinished({rowsOf({last}, true), {}, false, 0});
    // A file that stops answering keeps its record, "changed" and all: not told again.
    rebuilds.checkFinished({rowsOf({last}, false), {}, false, 0});
    putField(last, DisplayName, "later");
    rebuilds.checkFinished({rowsOf({last}, true), {}, false, 0});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !service.calls().empty() &&
                   service.calls().back().body == QStringLiteral("later");
        },
        10000));
    ASSERT_EQ(service.calls().size(), 4u);
    EXPECT_EQ(service.calls()[2].body, QStringLiteral("last"));
    const NotifyCall& first = service.calls()[0];
    EXPECT_EQ(first.appName, QStringLiteral("Morvane"));
    EXPECT_EQ(first.appIcon, QStringLiteral("morvane"));
    EXPECT_EQ(first.summary, QStringLiteral("ファイルが更新されました"));
    EXPECT_EQ(first.body, QStringLiteral("ファイル1\nファイル2\nファイル3\nファイル4\nファイル5\n"
                                         "他 2 件"));
    EXPECT_EQ(first.hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("org.morvane.Morvane"));
    EXPECT_EQ(service.calls()[1].body, QStringLiteral("ファイル2"));
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace morvane::testing
