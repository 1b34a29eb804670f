// Finding an archive's end record by validation, and checking its central
// directory before minizip reads it.
#include "engine/internal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace zarvon::engine::detail {

namespace {

uint32_t le16(const unsigned char *p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }

uint32_t le32(const unsigned char *p) { return le16(p) | le16(p + 2) << 16; }

uint64_t le64(const unsigned char *p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }

bool readAt(const zlib_filefunc64_def &io, voidpf f, uint64_t at, unsigned char *buf, size_t n)
{
    if (io.zseek64_file(io.opaque, f, at, ZLIB_FILEFUNC_SEEK_SET) != 0)
        return false;
    size_t done = 0;
    while (done < n) {
        uLong got = io.zread_file(io.opaque, f, buf + done, static_cast<uLong>(n - done));
        if (got == 0)
            return false;
        done += got;
    }
    return true;
}

// Whether the end record at `pos` (bytes `rec`) describes a central
// directory that is really there; fills `out` when it does.
bool consistentAt(const zlib_filefunc64_def &io, voidpf f, uint64_t fileSize, uint64_t pos, const unsigned char *rec,
                  ArchiveLayout &out)
{
    uint64_t entries = le16(rec + 10);
    uint64_t cdSize = le32(rec + 12);
    uint64_t cdOffset = le32(rec + 16);
    const uint32_t commentLen = le16(rec + 20);
    if (pos + 22 + commentLen > fileSize)
        return false; // a comment running past the end of the file
    if (le16(rec + 4) != 0 || le16(rec + 6) != 0 || le16(rec + 8) != le16(rec + 10))
        return false;     // split archives are not read
    uint64_t cdEnd = pos; // where the central directory must end
    bool zip64 = false;
    if (pos >= 20) {
        unsigned char loc[20];
        if (readAt(io, f, pos - 20, loc, sizeof loc) && le32(loc) == 0x07064b50u) {
            // The ZIP64 end record sits just before its locator; its own
            // offset field is relative to the archive's start, so it is
            // found by its place and checked by its signature.
            unsigned char z[56];
            const uint64_t zpos = pos - 20 - 56;
            if (pos < 20 + 56 || !readAt(io, f, zpos, z, sizeof z) || le32(z) != 0x06064b50u)
                return false;
            entries = le64(z + 32);
            cdSize = le64(z + 40);
            cdOffset = le64(z + 48);
            cdEnd = zpos;
            zip64 = true;
        }
    }
    if (cdSize > cdEnd || (entries > 0 && cdSize < 46 * entries / 1) || (entries == 0 && cdSize != 0))
        return false;
    const uint64_t cdStart = cdEnd - cdSize;
    if (cdStart < cdOffset)
        return false; // the directory would begin before the file does
    if (entries > 0) {
        unsigned char sig[4];
        if (!readAt(io, f, cdStart, sig, 4) || le32(sig) != 0x02014b50u)
            return false;
    }
    out.found = true;
    out.fileSize = fileSize;
    out.endPos = pos;
    out.commentLength = commentLen;
    out.entries = entries;
    out.cdStart = cdStart;
    out.cdSize = cdSize;
    out.prefix = cdStart - cdOffset;
    out.zip64 = zip64;
    return true;
}

} // namespace

bool locateEndRecord(const zlib_filefunc64_def &io, voidpf f, ArchiveLayout &out)
{
    out = ArchiveLayout{};
    if (io.zseek64_file(io.opaque, f, 0, ZLIB_FILEFUNC_SEEK_END) != 0)
        return false;
    const uint64_t fileSize = io.ztell64_file(io.opaque, f);
    if (fileSize < 22)
        return false;
    // The record ends at most a full comment (65,535 bytes) before the end
    // of the file; some junk after that is tolerated too.
    const uint64_t span = std::min<uint64_t>(fileSize, 22 + 65535 + 4096);
    std::vector<unsigned char> tail(static_cast<size_t>(span));
    if (!readAt(io, f, fileSize - span, tail.data(), tail.size()))
        return false;
    // Scanned from the end backwards; the first candidate whose central
    // directory is consistent with it wins. When two self-consistent
    // records exist (an archive stored whole in another's comment), the one
    // nearer the end of the file is taken, as the other readers do; a
    // signature that is only text in a comment is never consistent.
    bool signatureSeen = false;
    for (size_t i = tail.size() - 22 + 1; i-- > 0;) {
        if (le32(&tail[i]) != 0x06054b50u)
            continue;
        const uint64_t pos = fileSize - span + i;
        if (consistentAt(io, f, fileSize, pos, &tail[i], out)) {
            out.lastSignature = !signatureSeen;
            return true;
        }
        signatureSeen = true;
    }
    return false;
}

int32_t scanCentralDirectory(const zlib_filefunc64_def &io, voidpf f, const ArchiveLayout &layout,
                             std::vector<CentralRecord> &records)
{
    records.clear();
    if (layout.cdSize == 0)
        return 0;
    // Not cleared first: every byte is read over.
    const size_t cdLen = static_cast<size_t>(layout.cdSize);
    std::unique_ptr<unsigned char[]> cdBytes(new (std::nothrow) unsigned char[cdLen]);
    if (!cdBytes)
        return kErrBadArchive;
    struct View {
        const unsigned char *p;
        size_t n;
        size_t size() const { return n; }
        const unsigned char &operator[](size_t i) const { return p[i]; }
    } cd{cdBytes.get(), cdLen};
    if (!readAt(io, f, layout.cdStart, cdBytes.get(), cdLen))
        return kErrBadArchive;
    records.reserve(static_cast<size_t>(std::min<uint64_t>(layout.entries, cd.size() / 46)));
    size_t pos = 0;
    for (uint64_t i = 0; i < layout.entries; ++i) {
        if (pos + 46 > cd.size() || le32(&cd[pos]) != 0x02014b50u)
            return kErrBadArchive;
        const unsigned char *h = &cd[pos];
        const size_t nameLen = le16(h + 28), extraLen = le16(h + 30), commentLen = le16(h + 32);
        if (pos + 46 + nameLen + extraLen + commentLen > cd.size())
            return kErrBadArchive;
        CentralRecord r;
        r.position = layout.cdStart - layout.prefix + pos;
        Zip64Fields z;
        z.compressedSize = le32(h + 20);
        z.uncompressedSize = le32(h + 24);
        z.diskNumber = le16(h + 34);
        z.localHeaderOffset = le32(h + 42);
        applyZip64Extra(std::string_view(reinterpret_cast<const char *>(h + 46 + nameLen), extraLen), z);
        r.localOffset = z.localHeaderOffset;
        r.rawLocalOffset = le32(h + 42);
        r.compressedSize = z.compressedSize;
        records.push_back(r);
        pos += 46 + nameLen + extraLen + commentLen;
    }
    return 0;
}

bool entriesOverlap(const std::vector<CentralRecord> &inOrder, uint64_t directoryOffset)
{
    // Each entry takes at least its 30-byte local header and its data; the
    // name and extra field, whose local lengths are not read here, only
    // make the span longer, so an overlap found this way is certain.
    // Writers nearly always list entries in the order of their data, so a
    // sorted copy is made only when they do not.
    auto byOffset = [](const CentralRecord &a, const CentralRecord &b) { return a.localOffset < b.localOffset; };
    std::vector<CentralRecord> sorted;
    const bool ordered = std::is_sorted(inOrder.begin(), inOrder.end(), byOffset);
    if (!ordered) {
        sorted = inOrder;
        std::sort(sorted.begin(), sorted.end(), byOffset);
    }
    const std::vector<CentralRecord> &records = ordered ? inOrder : sorted;
    for (size_t i = 0; i < records.size(); ++i) {
        // A local header that cannot lie before the directory (past the end
        // of the file, say) overlaps nothing: its entry simply cannot be
        // read, and fails alone when it is, while the others stay readable.
        if (records[i].localOffset > directoryOffset || directoryOffset - records[i].localOffset < 30)
            break;
        const uint64_t end = records[i].localOffset + 30 + records[i].compressedSize;
        if (end < records[i].localOffset)
            return true; // sizes that wrap around
        const uint64_t next =
            i + 1 < records.size() ? std::min(records[i + 1].localOffset, directoryOffset) : directoryOffset;
        if (end > next)
            return true;
    }
    return false;
}

} // namespace zarvon::engine::detail
