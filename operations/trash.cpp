#include "operations/file_operations.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>

namespace zarvon::operations {

namespace {

struct ObjectRelease {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorRelease {
    void operator()(GError *error) const { g_error_free(error); }
};

// GIO says why in its own codes, which it made from the errno of the call
// that failed; this gives that errno back for the failure record.
int errnoOf(const GError &error)
{
    if (error.domain != G_IO_ERROR)
        return 0;
    switch (error.code) {
    case G_IO_ERROR_NOT_FOUND: return ENOENT;
    case G_IO_ERROR_EXISTS: return EEXIST;
    case G_IO_ERROR_IS_DIRECTORY: return EISDIR;
    case G_IO_ERROR_NOT_DIRECTORY: return ENOTDIR;
    case G_IO_ERROR_NOT_EMPTY: return ENOTEMPTY;
    case G_IO_ERROR_FILENAME_TOO_LONG: return ENAMETOOLONG;
    case G_IO_ERROR_INVALID_ARGUMENT: return EINVAL;
    case G_IO_ERROR_PERMISSION_DENIED: return EACCES;
    case G_IO_ERROR_NOT_SUPPORTED: return EOPNOTSUPP;
    case G_IO_ERROR_NO_SPACE: return ENOSPC;
    case G_IO_ERROR_READ_ONLY: return EROFS;
    case G_IO_ERROR_BUSY: return EBUSY;
    case G_IO_ERROR_TOO_MANY_LINKS: return ELOOP;
    default: return 0;
    }
}

// The item itself, a folder given with its trailing "/" included.
std::string itemPath(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

Failure trashItem(const std::string &path)
{
    const std::string text = itemPath(path);
    struct stat info {};
    if (::lstat(text.c_str(), &info) != 0)
        return {};
    // The local file system's own GIO: no module is loaded and no session
    // service asked, so trashing works the same with or without a desktop.
    const std::unique_ptr<GFile, ObjectRelease> file(g_vfs_get_file_for_path(g_vfs_get_local(), text.c_str()));
    GError *raw = nullptr;
    if (g_file_trash(file.get(), nullptr, &raw))
        return {};
    const std::unique_ptr<GError, ErrorRelease> error(raw);
    if (!error)
        return {text, Reason::WriteFailed, 0, 0};
    const int sysErrno = errnoOf(*error);
    // Gone between the look and the move: what was asked is done.
    if (sysErrno == ENOENT && ::lstat(text.c_str(), &info) != 0)
        return {};
    // GIO says "not supported" when the file system has no trash it may use
    // (none can be made at its top, a system mount, another file system).
    return {text, sysErrno == EOPNOTSUPP ? Reason::NoTrash : Reason::WriteFailed, sysErrno, error->code};
}

Failure removeItemForGood(const std::string &path)
{
    const std::string text = itemPath(path);
    std::error_code error;
    std::filesystem::remove_all(text, error);
    if (!error)
        return {};
    return {text, Reason::WriteFailed, error.value(), 0};
}

} // namespace zarvon::operations
