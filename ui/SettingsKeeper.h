#pragma once

// The window's settings file: read once at the start, written at the close and, quietly,
// SettingsSaveDelay after the last change of a setting where the file's bytes would change.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

#include "Platform.h"
#include "Settings.h"

namespace morvane {

// Settings changed are written this long after the last change, so that a drag of the window
// writes once.
inline constexpr std::chrono::milliseconds SettingsSaveDelay{2000};

class SettingsKeeper : public QObject {
    Q_OBJECT
public:
    // current: the settings as the window holds them now.
    SettingsKeeper(FileSystem& files, std::string iniPath, std::function<ClosingState()> current,
                   QObject* parent);

    // Reads the file; what it held stays as stored() until the next read.
    const Settings& read();
    const Settings& stored() const { return stored_; }

    // A setting changed: the settings are written SettingsSaveDelay after the last change.
    void changed() { saveTimer_->start(); }
    // Writes the settings now; throws where they cannot be written.
    void write();

private:
    void writeChanged();

    FileSystem& files_;
    const std::string iniPath_;
    std::function<ClosingState()> current_;
    Settings stored_;
    QTimer*
        saveTimer_;  // "SettingsSave": runs only between a change of the settings and their save
};

}  // namespace morvane
