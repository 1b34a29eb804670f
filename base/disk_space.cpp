#include "base/disk_space.h"

#include <sys/statvfs.h>

#include <cerrno>

#include "base/paths.h"

namespace zarvon::base {

bool freeSpaceAt(std::string folder, uint64_t &available)
{
    if (folder.empty())
        folder = ".";
    for (;;) {
        struct statvfs info {};
        if (::statvfs(folder.c_str(), &info) == 0) {
            available = static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
            return true;
        }
        // A missing folder, or a file where a folder of the path should be:
        // the parent still tells which file system the path is on.
        if ((errno != ENOENT && errno != ENOTDIR) || folder == "/" || folder == ".")
            return false;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        const std::string parent = parentFolder(folder);
        folder = parent.empty() ? std::string(".") : parent;
    }
}

} // namespace zarvon::base
