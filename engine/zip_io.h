// The I/O table through which the engine opens archive files. Tests use it to
// simulate a full disk or an I/O error; the fuzz target uses it to read
// archives from memory. Normal use never touches it.
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>

namespace zarvon::engine {

// Every archive opened or created after this call goes through `io` (the
// archive path is passed to its open function unchanged); nullptr restores
// the ordinary file functions. The table must outlive its use.
void setArchiveIo(const zlib_filefunc64_def *io);

namespace detail {

// The engine's own tables over the file system (engine/zip_io.cpp).

// Reads an existing archive through positioned reads and two buffered
// windows; it opens files for reading only and refuses a folder.
zlib_filefunc64_def fileReadingIo();

// Creates a new archive (an existing file of that name is truncated) and
// writes it through one large buffer; a write fault shows at the next flush,
// in the error call and in the result of close.
zlib_filefunc64_def fileCreatingIo();

// A view of an archive file that minizip is opened through when the file
// as it stands would mislead it. minizip takes the last end signature it
// finds, so a comment holding that signature, or junk after the archive,
// hides the real record: the view ends right after the record chosen by
// validation and shows its comment as empty. minizip also takes a record
// found at offset 0 for "not found", so an empty archive (nothing but that
// record) is shown behind four zero bytes, which minizip counts as data
// before the archive.
struct ArchiveView {
    zlib_filefunc64_def inner; // the table the file itself is read through
    uint64_t shift = 0;        // zero bytes shown before the file
    uint64_t length = 0;       // bytes of the file shown
    uint64_t patchAt = 0;      // the end record's comment length, shown as 0
    bool patch = false;
};

// The table of such a view. It points at view, which must last until minizip
// has opened the file: each stream keeps its own copy.
zlib_filefunc64_def viewIo(const ArchiveView &view);

} // namespace detail

} // namespace zarvon::engine
