#pragma once

// One Morvane per data folder. The first start on a folder takes a name of its own on the
// session bus and serves requests on it; a later start on the same folder hands that copy the
// files it was given, asks it to bring its window to the front, and ends. Without a session bus
// a lock file in the data folder stands in for the name, and a later start can only say that the
// folder is in use.

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addWaitingFiles();

    QPointer<QWidget> window_;
    AddFiles addFiles_;
    QStringList waiting_;         // handed over and not yet added
    QPointer<QWidget> blocking_;  // the modal dialog they wait for, watched for its hiding
};

inline constexpr const char* InstanceObjectPath = "/org/morvane/Morvane";
inline constexpr const char* InstanceInterface = "org.morvane.Morvane";
// Beside "Morvane.ini" while the program runs, when there is no session bus.
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
        OtherLocked,     // no session bus, and a live copy holds the folder's lock file
    };

    // dataFolder: the native path, with a trailing separator.
    explicit SingleInstance(std::string dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the folder's bus name, or, without a session bus, its lock file; when another copy
    // holds the name, asks it to Open the files (absolute native paths), or, without files, to
    // Activate. Needs the application object. Running when the folder can be held in neither
    // way: the program then runs without the rule.
    Claim claim(const QStringList& files = {});
    // The window that Activate brings to the front, and how Open adds files to its list.
    void serve(QWidget& window, AddFiles addFiles);

private:
    bool claimBusName();
    bool callOther(const QStringList& files);

    std::string folder_;
    std::unique_ptr<InstanceService> service_;  // while this start holds the bus name
    std::unique_ptr<QLockFile> lock_;           // while it holds the lock file
};

}  // namespace morvane
