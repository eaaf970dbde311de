#pragma once

// The real platform services: POSIX file system, system clock, ICU conversion and collation.

#include <memory>
#include <string>

#include "Platform.h"
#include "PosixFileSystem.h"

namespace morvane {

class SystemPlatform {
public:
    SystemPlatform();
    ~SystemPlatform();
    SystemPlatform(const SystemPlatform&) = delete;
    SystemPlatform& operator=(const SystemPlatform&) = delete;

    Platform platform();
    FileSystem& files();
    // The same file system, for threads that may outlive this object: it goes with the last
    // of them.
    std::shared_ptr<const FileSystem> sharedFiles() const;
    const TextCodec& codec() const;
    const Collator& collator() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace morvane
