#pragma once

// One Morvane per data folder. The first start on a folder holds a lock file in it, and takes a
// name of its own on the session bus to serve requests on; a later start on the same folder hands
// that copy the files it was given, asks it to bring its window to the front, and ends. A later
// start that cannot reach the copy holding the lock (no session bus on either side, or another
// login's) can only say that the folder is in use.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

class QLockFile;
class QWidget;

namespace morvane {

// Adds files, given by their native paths, to the running copy's watch list.
using AddFiles = std::function<void(const QStringList& nativePaths)>;

// The running copy's object on the session bus. Each public slot is one request a later start
// on the same data folder can make.
class InstanceService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.morvane.Morvane")
public:
    // An Activate that comes before setWindow() finds nothing to do: the window is about to
    // show. Files that come before wait for it.
    void setWindow(QWidget* window, AddFiles addFiles);

public Q_SLOTS:
    // Shows the window, restored if minimised, raised and active.
    void Activate();
    // Adds the files as a drop on the window's list does, and activates the window. Answers at
    // once: the files are added after the call, and while a modal dialog is open (the watch
    // list editor, whose OK writes the list it read when it opened) they wait until none is.
    void Open(const QStringList& nativePaths);

    // Adds the files that wait, a modal dialog open or not: the program is closing, and a
    // dialog's loop ends with it.
    void addWaitingFilesNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addWaitingFiles();

    QPointer<QWidget> window_;
    AddFiles addFiles_;
    QStringList waiting_;         // handed over and not yet added, each path once
    QPointer<QWidget> blocking_;  // the modal dialog they wait for, watched for its hiding
};

inline constexpr const char* InstanceObjectPath = "/org/morvane/Morvane";
inline constexpr const char* InstanceInterface = "org.morvane.Morvane";
// Beside "Morvane.ini" while the program runs.
inline constexpr const char* InstanceLockFileName = "Morvane.lock";

// The session bus name of the copy that runs on a data folder: "org.morvane.Morvane.Folder_"
// and the first 16 hexadecimal digits of the SHA-256 of the folder's canonical path.
QString instanceBusName(const std::string& dataFolder);

class SingleInstance {
public:
    enum class Claim {
        Running,         // this start holds the folder: it runs
        OtherActivated,  // another copy runs on the folder, took the files and brought its
                         // window to the front
        OtherSilent,     // another copy holds the folder's bus name but did not answer
        OtherLocked,     // a live copy holds the folder's lock file and cannot be reached
    };

    // dataFolder: the native path, with a trailing separator.
    explicit SingleInstance(std::string dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the folder's lock file and, where there is a session bus, its bus name; when
    // another copy holds the lock, asks it over the bus to Open the files (absolute native
    // paths), or, without files, to Activate. Needs the application object. Running when the
    // folder can be held in neither way: the program then runs without the rule.
    Claim claim(const QStringList& files = {});
    // The window that Activate brings to the front, and how Open adds files to its list.
    void serve(QWidget& window, AddFiles addFiles);
    // Adds the files handed over that still wait for a modal dialog: called as the window
    // closes, before it writes its settings.
    void addWaitingFiles();

private:
    bool claimBusName();
    bool callOther(const QStringList& files);

    std::string folder_;
    std::unique_ptr<InstanceService> service_;  // while this start holds the bus name
    std::unique_ptr<QLockFile> lock_;           // while it holds the lock file
};

}  // namespace morvane
