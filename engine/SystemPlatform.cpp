#include "SystemPlatform.h"

#include "IcuText.h"
#include "PosixFileSystem.h"

namespace morvane {

struct SystemPlatform::Impl {
    // Shared with the threads that read watched files, which may outlive this object.
    std::shared_ptr<FileSystem> files = makePosixFileSystem();
    std::unique_ptr<Clock> clock = makeLocalClock();
    IcuText text = makeIcuText();
};

SystemPlatform::SystemPlatform() : impl_(std::make_unique<Impl>()) {}
SystemPlatform::~SystemPlatform() = default;

Platform SystemPlatform::platform() {
    return Platform{*impl_->files, *impl_->clock, *impl_->text.codec, *impl_->text.collator};
}
FileSystem& SystemPlatform::files() {
    return *impl_->files;
}
std::shared_ptr<const FileSystem> SystemPlatform::sharedFiles() const {
    return impl_->files;
}
const TextCodec& SystemPlatform::codec() const {
    return *impl_->text.codec;
}
const Collator& SystemPlatform::collator() const {
    return *impl_->text.collator;
}

}  // namespace morvane
