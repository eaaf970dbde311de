#include "SettingsKeeper.h"

#include <utility>

namespace morvane {

SettingsKeeper::SettingsKeeper(FileSystem& files, std::string iniPath,
                               std::function<ClosingState()> current, QObject* parent)
    : QObject(parent),
      files_(files),
      iniPath_(std::move(iniPath)),
      current_(std::move(current)),
      saveTimer_(new QTimer(this)) {
    saveTimer_->setObjectName(QStringLiteral("SettingsSave"));
    saveTimer_->setSingleShot(true);
    saveTimer_->setInterval(SettingsSaveDelay);
    connect(saveTimer_, &QTimer::timeout, this, &SettingsKeeper::writeChanged);
}

const Settings& SettingsKeeper::read() {
    stored_ = readSettings(files_, iniPath_);
    return stored_;
}

void SettingsKeeper::write() {
    saveTimer_->stop();
    writeSettings(files_, iniPath_, current_());
}

void SettingsKeeper::writeChanged() {
    // Quietly: a box every time the window moves would be worse than the one the close shows
    // when it cannot write the same file.
    try {
        writeChangedSettings(files_, iniPath_, current_());
    } catch (const std::exception&) {
    }
}

}  // namespace morvane
