// The UnRAR library's records and entry points, known to rar/ only. The
// records come from the library's own header (Debian: libunrar-headers), so
// their layout is the library's, never counted by hand.
#pragma once

#ifndef _UNIX
#define _UNIX
#endif
#include <unrar/dll.hpp>

// The header names a few Windows types as macros; keep them out of the code
// that includes this one.
#undef CALLBACK
#undef PASCAL
#undef LONG
#undef HANDLE
#undef LPARAM
#undef UINT

#include <memory>

namespace zarvon::rar::detail {

using ArchiveHandle = void *;
using LibraryParam = long;
using LibraryCallback = int (*)(unsigned int msg, LibraryParam userData, LibraryParam p1, LibraryParam p2);

// The library, loaded for one pass, with the entry points we call. Unloaded
// when the record goes.
class UnrarLibrary {
public:
    // Loads the library and looks up every entry point. nullptr when it
    // cannot be loaded or lacks one of them.
    static std::unique_ptr<UnrarLibrary> load();
    ~UnrarLibrary();
    UnrarLibrary(const UnrarLibrary &) = delete;
    UnrarLibrary &operator=(const UnrarLibrary &) = delete;

    ArchiveHandle (*openArchiveEx)(RAROpenArchiveDataEx *) = nullptr;
    int (*readHeaderEx)(ArchiveHandle, RARHeaderDataEx *) = nullptr;
    int (*processFileW)(ArchiveHandle, int operation, wchar_t *destPath, wchar_t *destName) = nullptr;
    void (*setPassword)(ArchiveHandle, char *password) = nullptr;
    int (*closeArchive)(ArchiveHandle) = nullptr;
    void (*setChangeVolProc)(ArchiveHandle, CHANGEVOLPROC) = nullptr;
    void (*setCallback)(ArchiveHandle, LibraryCallback, LibraryParam userData) = nullptr;

private:
    UnrarLibrary() = default;
    void *module_ = nullptr;
};

const char *unrarLibraryName();

} // namespace zarvon::rar::detail
