#include "SystemPlatform.h"

#include "IcuText.h"
#include "PosixFileSystem.h"

namespace morvane {

struct SystemPlatform::Impl {
    std::unique_ptr<FileSystem> files = makePosixFileSystem();
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
const TextCodec& SystemPlatform::codec() const {
    return *impl_->text.codec;
}
const Collator& SystemPlatform::collator() const {
    return *impl_->text.collator;
}

}  // namespace morvane
