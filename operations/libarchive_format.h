// The formats read and written through libarchive: 7z, tar and its
// compressed forms, cab, iso9660, cpio, ar, and a lone compressed file
// (.gz, .bz2, .xz, .zst, .lz4). ZIP stays on the engine and RAR on the
// UnRAR library; these are the formats the program has no engine of its own
// for.
//
// libarchive's own extraction would restore links, devices and owners as
// stored; it is not used. Entries are written by operations/ under the
// same rules as ZIP's: nothing outside the destination, every file written
// to a temporary beside its place and renamed in only when whole, no
// devices, FIFOs, set-id bits or owners. Symbolic links whose target stays
// inside the destination are made as links (after every other entry, so no
// entry is ever written through one); hard links inside it as hard links.
#pragma once

#include <string>

#include "operations/archive_format.h"
#include "operations/jobs.h"

namespace zarvon::operations {

// What formatOf found in a file's first bytes (or, failing them, its name).
enum class LibarchiveKind {
    SevenZip,
    Tar, // tar, plain or inside gzip/bzip2/xz/zstd/lz4 (a cpio inside one reads here too)
    Cab,
    Iso,
    Cpio,
    Ar,
    LoneStream, // one compressed file, not an archive: one entry
};

const ArchiveFormat &libarchiveFormat(LibarchiveKind kind);

// The kind of the file at `path` by its content, for the formats above; false
// when its first bytes name none of them. `head` holds the file's first
// bytes (at least 512 when the file has them).
bool libarchiveKindByContent(const std::string &path, const unsigned char *head, size_t size, LibarchiveKind &kind);

// The kind named by the file's suffix, when its content said nothing (an
// empty or cut file is still reported by the format its name gives).
bool libarchiveKindByName(const std::string &path, LibarchiveKind &kind);

// The name a lone compressed file's one entry takes: the archive's own name
// without its compression suffix ("notes.txt.gz" gives "notes.txt"), never a
// name stored in the stream's header.
std::string loneStreamEntryName(const std::string &archivePath);

// Creating

// Archives created through libarchive, chosen by the suffix of their name.
enum class CreatedKind {
    None,   // not one of them (ZIP, or a suffix no writer takes)
    TarGz,  // .tar.gz, .tgz
    TarBz2, // .tar.bz2, .tbz2
    TarXz,  // .tar.xz, .txz
    TarZst, // .tar.zst, .tzst
    SevenZip,
};
CreatedKind createdKindOf(const std::string &archivePath);

// Creates a tar.* or 7z archive from the request's items, named as
// compressFiles names them for ZIP (a password is refused: these writers
// have none). Written to a temporary beside the archive and renamed in only
// when complete; a stop or a failure leaves an earlier file of that name
// untouched. zstd and xz compress on request.threads threads (0: one per
// core).
CompressReport compressWithLibarchive(const CompressRequest &request, CreatedKind kind, JobProgress &progress);

} // namespace zarvon::operations
