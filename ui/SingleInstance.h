#pragma once

// One Morvane per data folder. The first start on a folder takes a name of its own on the
// session bus and serves requests on it; a later start on the same folder asks that copy to
// bring its window to the front and ends. Without a session bus a lock file in the data folder
// stands in for the name, and a later start can only say that the folder is in use.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>

class QLockFile;
class QWidget;

namespace morvane {

// The running copy's object on the session bus. Each public slot is one request a later start
// on the same data folder can make; a request that brings files would be one more slot here
// and one more call in SingleInstance.
class InstanceService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.morvane.Morvane")
public:
    // Requests that come before setWindow() find nothing to do: the window is about to show.
    void setWindow(QWidget* window) { window_ = window; }

public Q_SLOTS:
    // Shows the window, restored if minimised, raised and active.
    void Activate();

private:
    QPointer<QWidget> window_;
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
        OtherActivated,  // another copy runs on the folder and brought its window to the front
        OtherSilent,     // another copy holds the folder's bus name but did not answer
        OtherLocked,     // no session bus, and a live copy holds the folder's lock file
    };

    // dataFolder: the native path, with a trailing separator.
    explicit SingleInstance(std::string dataFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the folder's bus name, or, without a session bus, its lock file; when another copy
    // holds the name, asks it to Activate. Needs the application object. Running when the
    // folder can be held in neither way: the program then runs without the rule.
    Claim claim();
    // The window that Activate brings to the front.
    void serve(QWidget& window);

private:
    bool claimBusName();
    bool activateOther();

    std::string folder_;
    std::unique_ptr<InstanceService> service_;  // while this start holds the bus name
    std::unique_ptr<QLockFile> lock_;           // while it holds the lock file
};

}  // namespace morvane
