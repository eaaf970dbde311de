#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "DataFolder.h"
#include "FakePlatform.h"

namespace morvane {
namespace {

using testing::permissionsOf;
using testing::TempFolder;
using Names = std::vector<std::string>;

// A program folder and a home. readOnlyProgram says the user may not write the program folder
// (the tests run as root, who may write anywhere).
struct Install {
    TempFolder program;
    TempFolder home;
    DataFolderPlaces places{program.path(), "", home.path()};
    WritableTest readOnlyProgram = [this](const std::string& folder) {
        return folder != program.path() && isWritableFolder(folder);
    };
};

TEST(DataFolder, AWritableProgramFolderIsUsedAsItIs) {
    Install install;
    install.program.write("Morvane.ini", "[Window]\r\n");
    const DataFolder data = chooseDataFolder(install.places);
    EXPECT_EQ(data.failure, DataFolderFailure::None);
    EXPECT_EQ(data.path, install.program.path());
    EXPECT_EQ(install.home.names(), Names{});
}

TEST(DataFolder, AReadOnlyProgramFolderGivesAPrivateConfigFolderWithCopiesMadeOnce) {
    Install install;
    const std::string ini = "[List]\r\nInterval=10\r\n";
    const std::string list = "1\x83\x8d\x83\x4f                " + std::string("/var/log/a\r\n");
    install.program.write("Morvane.ini", ini);
    install.program.write("Filelst.txt", list);
    // Parents that do not exist yet are made private too.
    install.places.configHome = install.home / "cfg/deep/";

    const DataFolder data = chooseDataFolder(install.places, install.readOnlyProgram);
    ASSERT_EQ(data.failure, DataFolderFailure::None) << data.failedPath;
    EXPECT_EQ(data.path, install.home / "cfg/deep/morvane/");
    EXPECT_EQ(permissionsOf(install.home / "cfg"), 0700u);
    EXPECT_EQ(permissionsOf(data.path), 0700u);
    EXPECT_EQ(install.home.read("cfg/deep/morvane/Morvane.ini"), ini);
    EXPECT_EQ(install.home.read("cfg/deep/morvane/Filelst.txt"), list);
    EXPECT_EQ(install.home.names("cfg/deep/morvane"), (Names{"Filelst.txt", "Morvane.ini"}));

    // The user's own files are never replaced by the program folder's; one the user lacks is
    // copied again.
    install.home.write("cfg/deep/morvane/Morvane.ini", "mine");
    install.program.write("Morvane.ini", "changed by the administrator");
    std::filesystem::remove(install.home / "cfg/deep/morvane/Filelst.txt");
    EXPECT_EQ(chooseDataFolder(install.places, install.readOnlyProgram).path, data.path);
    EXPECT_EQ(install.home.read("cfg/deep/morvane/Morvane.ini"), "mine");
    EXPECT_EQ(install.home.read("cfg/deep/morvane/Filelst.txt"), list);
    EXPECT_EQ(install.program.names(), (Names{"Filelst.txt", "Morvane.ini"}));
}

TEST(DataFolder, WhereTheConfigFolderIsAndWhenThereIsNone) {
    struct Row {
        std::string configHome;
        std::string home;
        std::string folder;  // "" for NoHome
    };
    const Row rows[] = {
        {"", "/HOME", "/HOME/.config/morvane/"},               // the default
        {"/HOME/xdg", "/HOME", "/HOME/xdg/morvane/"},          // $XDG_CONFIG_HOME
        {"relative/xdg", "/HOME/", "/HOME/.config/morvane/"},  // a relative one is ignored
        {"", "relative", ""},                                  // no absolute home
        {"", "", ""},                                          // no home at all
    };
    for (const Row& row : rows) {
        Install install;
        const auto real = [&](std::string path) {
            return path.replace(0, 5,
                                install.home.path().substr(0, install.home.path().size() - 1));
        };
        install.places.configHome =
            row.configHome.rfind("/HOME", 0) == 0 ? real(row.configHome) : row.configHome;
        install.places.home = row.home.rfind("/HOME", 0) == 0 ? real(row.home) : row.home;
        const DataFolder data = chooseDataFolder(install.places, install.readOnlyProgram);
        if (row.folder.empty()) {
            EXPECT_EQ(data.failure, DataFolderFailure::NoHome) << row.configHome << " " << row.home;
            EXPECT_EQ(data.path, "");
        } else {
            EXPECT_EQ(data.path, real(row.folder)) << row.configHome << " " << row.home;
        }
    }
}

// Sets or, for nullptr, unsets an environment variable for the life of the object.
class Variable {
public:
    Variable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~Variable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DataFolder, TheEnvironmentDecidesTheConfigFolderAndTheAccountOnlyWithoutHome) {
    const passwd* account = ::getpwuid(::geteuid());
    ASSERT_NE(account, nullptr);
    const std::string accountHome = account->pw_dir;
    const struct {
        const char* sentence;
        const char* configHome;  // $XDG_CONFIG_HOME, $HOME, $XDG_CONFIG_DIRS; nullptr: unset
        const char* home;
        const char* configDirs;
        std::string placesConfigHome;
        std::string placesHome;
    } rows[] = {
        {"both set", "/x/config", "/x/home", nullptr, "/x/config", "/x/home"},
        {"HOME alone", nullptr, "/x/home", nullptr, "", "/x/home"},
        {"HOME unset: the account's", nullptr, nullptr, nullptr, "", accountHome},
        {"XDG_CONFIG_DIRS is no config home", nullptr, "/x/home", "/x/dirs", "", "/x/home"},
        {"nor does it stand in for HOME", "/x/config", nullptr, "/x/dirs", "/x/config",
         accountHome},
    };
    for (const auto& row : rows) {
        const Variable configHome("XDG_CONFIG_HOME", row.configHome);
        const Variable home("HOME", row.home);
        const Variable configDirs("XDG_CONFIG_DIRS", row.configDirs);
        const DataFolderPlaces places = placesOfThisProcess("/opt/morvane/");
        EXPECT_EQ(places.configHome, row.placesConfigHome) << row.sentence;
        EXPECT_EQ(places.home, row.placesHome) << row.sentence;
        EXPECT_EQ(places.programDir, "/opt/morvane/") << row.sentence;
    }
}

TEST(DataFolder, AConfigFolderThatCannotBeMadeOrWrittenIsAFailureNotAFallBack) {
    Install install;
    install.program.write("Filelst.txt", "list");
    install.home.write("file", "in the way");
    install.places.configHome = install.home / "file";
    DataFolder data = chooseDataFolder(install.places, install.readOnlyProgram);
    EXPECT_EQ(data.failure, DataFolderFailure::CannotUseFolder);
    EXPECT_EQ(data.failedPath, install.home / "file/morvane/");
    EXPECT_EQ(data.path, "");

    install.places.configHome = install.home / "locked";
    data = chooseDataFolder(install.places, [&](const std::string& folder) {
        return folder != install.program.path() && folder != install.home / "locked/morvane/";
    });
    EXPECT_EQ(data.failure, DataFolderFailure::CannotUseFolder);
    EXPECT_EQ(install.home.names("locked/morvane"), Names{});
}

TEST(DataFolder, ACopyNeverWritesThroughWhatIsAlreadyThereAndLeavesNoTemporaryFile) {
    TempFolder folder;
    folder.write("source", "bytes");
    EXPECT_EQ(copyToNewFile(folder / "missing", folder / "copy"), CopyOutcome::NoSource);
    EXPECT_EQ(copyToNewFile(folder / "source", folder / "copy"), CopyOutcome::Copied);
    EXPECT_EQ(permissionsOf(folder / "copy"), 0600u);
    // A dangling link counts as the user's own: nothing is created where it points.
    std::filesystem::create_symlink(folder / "target", folder / "link");
    EXPECT_EQ(copyToNewFile(folder / "source", folder / "link"), CopyOutcome::TargetExists);
    EXPECT_EQ(folder.names(), (Names{"copy", "link", "source"}));
    EXPECT_EQ(folder.read("copy"), "bytes");
}

}  // namespace
}  // namespace morvane
