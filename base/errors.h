// What a failure carries up through the layers: the layer's own result code
// and the system's errno at the moment of the failure, so that a message can
// name the cause ("No space left on device") instead of guessing.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

namespace zarvon::base {

// The system's description of errnoValue in the C library's wording, e.g.
// "No space left on device" for ENOSPC (in the language of the process's
// LC_MESSAGES locale, English until the program sets one). "" for 0, which is
// no error. Safe from any thread (strerror_r); errno is left as it was.
std::string systemErrorText(int errnoValue);

// A failure as a report keeps it. code is the result code of the layer that
// failed (negative; 0 for none); sysErrno is errno when the system refused
// something, 0 when the failure was the program's own finding (a bad CRC, a
// name refused as unsafe).
struct SystemError {
    int32_t code = 0;
    int sysErrno = 0;

    // A failure with code and the current errno: call it right after the
    // system call that failed, before anything else can change errno.
    static SystemError fromErrno(int32_t code) { return SystemError{code, errno}; }

    bool failed() const { return code != 0; }
    // systemErrorText(sysErrno): "" when the system was not the cause.
    std::string text() const { return systemErrorText(sysErrno); }
};

// Keeps errno across a scope: clean-up after a failure (closing a file,
// removing a temporary one) may set errno again, and the cause the caller
// reports is the first failure's. Saves errno when made, restores it when
// destroyed.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper &) = delete;
    ErrnoKeeper &operator=(const ErrnoKeeper &) = delete;
    int saved() const { return saved_; }

private:
    int saved_;
};

} // namespace zarvon::base
