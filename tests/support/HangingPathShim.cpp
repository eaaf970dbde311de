// Loaded with LD_PRELOAD by the end-to-end tests: a stat (Qt's statx too) or an open of the path
// named by MORVANE_HANG_PATH never returns, as on a network share that has stopped answering. Every
// other path goes to the C library as usual.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

bool hangs(const char* path) {
    static const char* const hanging = std::getenv("MORVANE_HANG_PATH");
    return hanging && path && std::strcmp(path, hanging) == 0;
}

[[noreturn]] void hangForever() {
    for (;;) pause();
}

template <class Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The mode argument of an open that creates a file; 0 for any other.
mode_t modeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

}  // namespace

extern "C" {

int stat(const char* path, struct stat* facts) noexcept {
    if (hangs(path)) hangForever();
    static const auto real = next<int (*)(const char*, struct stat*)>("stat");
    return real(path, facts);
}

int stat64(const char* path, struct stat64* facts) noexcept {
    if (hangs(path)) hangForever();
    static const auto real = next<int (*)(const char*, struct stat64*)>("stat64");
    return real(path, facts);
}

int statx(int dir, const char* path, int flags, unsigned int mask, struct statx* facts) noexcept {
    if (hangs(path)) hangForever();
    static const auto real =
        next<int (*)(int, const char*, int, unsigned int, struct statx*)>("statx");
    return real(dir, path, flags, mask, facts);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (hangs(path)) hangForever();
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (hangs(path)) hangForever();
    static const auto real = next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

}  // extern "C"
