// Recovering the entries of an archive whose central directory is lost, from
// their local headers alone.
#include "engine/internal.h"

#include "base/disk_space.h"
#include "base/dos_date.h"
#include "base/safe_output.h"
#include "base/whole_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace zarvon::engine {

namespace detail {

namespace {

using base::FolderError;

constexpr uint32_t kLocalSignature = 0x04034b50u;
constexpr uint32_t kDescriptorSignature = 0x08074b50u;
constexpr size_t kSearchWindow = 1 << 20;

uint32_t le16(const unsigned char *p) { return p[0] | p[1] << 8; }
uint32_t le32(const unsigned char *p) { return le16(p) | static_cast<uint32_t>(le16(p + 2)) << 16; }
uint64_t le64(const unsigned char *p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }

// The damaged file, read by position.
class Source {
public:
    explicit Source(const std::string &path) : fd_(fs::openForReading(path, true))
    {
        fs::FileStatus st;
        ok_ = fd_.fd >= 0 && fs::statusOf(fd_.fd, st) && st.isRegular();
        size_ = ok_ ? st.size : 0;
    }
    bool ok() const { return ok_; }
    uint64_t size() const { return size_; }

    // Exactly `n` bytes at `at`, or false.
    bool read(uint64_t at, unsigned char *buf, size_t n) const
    {
        return fs::preadFull(fd_.fd, buf, n, at) == static_cast<ssize_t>(n);
    }

    // The position of the next local header signature at or after `from`;
    // size() when there is none.
    uint64_t nextSignature(uint64_t from) const
    {
        // The next header usually starts where the last entry ended: a small
        // first read, larger ones while nothing is found.
        size_t want = 4096;
        while (from + 4 <= size_) {
            window_.resize(want);
            want = std::min(want * 2, kSearchWindow);
            const ssize_t got = fs::preadFull(fd_.fd, window_.data(), window_.size(), from);
            if (got < 4)
                break;
            for (size_t i = 0; i + 4 <= static_cast<size_t>(got); ++i)
                if (window_[i] == 'P' && le32(&window_[i]) == kLocalSignature)
                    return from + i;
            from += static_cast<uint64_t>(got) - 3;
        }
        return size_;
    }

private:
    fs::Fd fd_;
    mutable std::vector<unsigned char> window_;
    bool ok_ = false;
    uint64_t size_ = 0;
};

struct LocalHeader {
    uint32_t flag = 0;
    uint32_t method = 0;
    uint32_t dosDate = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    bool zip64 = false;
    std::string name;
    uint64_t dataStart = 0;
    bool sizesFollow() const { return (flag & 8) != 0; } // a data descriptor gives them after the data
};

bool readHeader(const Source &src, uint64_t at, LocalHeader &h)
{
    unsigned char fixed[30];
    if (!src.read(at, fixed, sizeof fixed))
        return false;
    h.flag = le16(fixed + 6);
    h.method = le16(fixed + 8);
    h.dosDate = le32(fixed + 10);
    h.crc = le32(fixed + 14);
    h.compressedSize = le32(fixed + 18);
    h.uncompressedSize = le32(fixed + 22);
    const size_t nameLen = le16(fixed + 26), extraLen = le16(fixed + 28);
    std::string variable(nameLen + extraLen, '\0');
    if (!src.read(at + 30, reinterpret_cast<unsigned char *>(variable.data()), variable.size()))
        return false;
    const std::string_view stored(variable.data(), nameLen);
    const std::string_view extra(variable.data() + nameLen, extraLen);
    // The ZIP64 field of a local header holds both sizes when either is full.
    for (size_t pos = 0; pos + 4 <= extra.size();) {
        const auto *p = reinterpret_cast<const unsigned char *>(extra.data() + pos);
        const size_t len = le16(p + 2);
        if (le16(p) == 1 && len >= 16 && pos + 4 + len <= extra.size()) {
            h.zip64 = true;
            if (h.uncompressedSize == 0xFFFFFFFFu)
                h.uncompressedSize = le64(p + 4);
            if (h.compressedSize == 0xFFFFFFFFu)
                h.compressedSize = le64(p + 12);
        }
        pos += 4 + len;
    }
    h.name = decodeStoredName(stored, (h.flag & 0x800) != 0, extra, 3);
    h.dataStart = at + 30 + nameLen + extraLen;
    return true;
}

// Copies one entry's data to `out` (-1: read and check only). Sets `end` to
// where its data (and descriptor) end. Result 0 or an engine code.
class EntryCopy {
public:
    EntryCopy(const Source &src, const LocalHeader &h, uint64_t outputLimit, const ProgressCallback &progress)
        : src_(src), h_(h), limit_(outputLimit), progress_(progress)
    {
    }

    int32_t run(int out, uint64_t &end)
    {
        if (h_.method != 0 && h_.method != 8)
            return kErrUnsupportedMethod;
        if (h_.sizesFollow() && h_.method == 0)
            return kErrUnsupportedMethod; // a stored entry's end cannot be found without its size
        const uint64_t available = src_.size() - std::min(src_.size(), h_.dataStart);
        if (!h_.sizesFollow() && h_.compressedSize > available)
            return kErrOutsideArchive;
        const uint64_t inputLimit = h_.sizesFollow() ? available : h_.compressedSize;
        const uint64_t outputLimit = h_.sizesFollow() ? limit_ : h_.uncompressedSize;
        int32_t r = h_.method == 0 ? copyStored(out, inputLimit) : inflateData(out, inputLimit, outputLimit);
        if (r != 0)
            return r;
        end = h_.dataStart + consumed_;
        uint32_t crc = h_.crc;
        uint64_t size = h_.uncompressedSize;
        if (h_.sizesFollow() && (r = readDescriptor(end, crc, size)) != 0)
            return r;
        if (size != produced_)
            return kErrData;
        return crc == crc_ ? 0 : kErrCrc;
    }

private:
    bool write(int out, const unsigned char *data, size_t n)
    {
        crc_ = static_cast<uint32_t>(crc32(crc_, data, static_cast<uInt>(n)));
        produced_ += n;
        return out < 0 || base::writeAll(out, data, n);
    }

    bool stopAsked()
    {
        if (!progress_)
            return false;
        const float share = src_.size() ? static_cast<float>((h_.dataStart + consumed_) * 100.0 / src_.size()) : 100.0f;
        return progress_(h_.name, share) == 1;
    }

    int32_t copyStored(int out, uint64_t length)
    {
        std::vector<unsigned char> buf(kBlockSize);
        while (consumed_ < length) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), length - consumed_));
            if (!src_.read(h_.dataStart + consumed_, buf.data(), n))
                return kErrOutsideArchive;
            consumed_ += n;
            if (!write(out, buf.data(), n))
                return kErrWrite;
            if (stopAsked())
                return kResultStopped;
        }
        return 0;
    }

    int32_t inflateData(int out, uint64_t inputLimit, uint64_t outputLimit)
    {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return kErrData;
        struct End {
            z_stream &z;
            ~End() { inflateEnd(&z); }
        } end{z};
        std::vector<unsigned char> in(kBlockSize), outBuf(kBlockSize);
        uint64_t fed = 0;
        int zr = Z_OK;
        while (zr != Z_STREAM_END) {
            if (z.avail_in == 0) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), inputLimit - fed));
                if (n == 0 || !src_.read(h_.dataStart + fed, in.data(), n))
                    return h_.sizesFollow() ? kErrData : kErrOutsideArchive;
                fed += n;
                z.next_in = in.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = outBuf.data();
            z.avail_out = static_cast<uInt>(outBuf.size());
            zr = inflate(&z, Z_NO_FLUSH);
            if (zr != Z_OK && zr != Z_STREAM_END)
                return kErrData;
            const size_t made = outBuf.size() - z.avail_out;
            if (produced_ + made > outputLimit)
                return h_.sizesFollow() ? kErrNoSpace : kErrData; // more than it declared: never written
            if (!write(out, outBuf.data(), made))
                return kErrWrite;
            consumed_ = fed - z.avail_in;
            if (stopAsked())
                return kResultStopped;
        }
        consumed_ = fed - z.avail_in;
        if (!h_.sizesFollow() && consumed_ != h_.compressedSize)
            return kErrData;
        return 0;
    }

    // The descriptor after the data: an optional signature, the CRC-32 and
    // both sizes (8 bytes each for a ZIP64 entry). Moves `end` past it.
    int32_t readDescriptor(uint64_t &end, uint32_t &crc, uint64_t &size)
    {
        unsigned char d[24];
        const size_t sizeBytes = h_.zip64 ? 8 : 4;
        const size_t body = 4 + 2 * sizeBytes;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(4 + body, src_.size() - end));
        if (n < body || !src_.read(end, d, n))
            return kErrOutsideArchive;
        const size_t at = le32(d) == kDescriptorSignature && n >= 4 + body ? 4 : 0;
        crc = le32(d + at);
        const uint64_t packed = sizeBytes == 8 ? le64(d + at + 4) : le32(d + at + 4);
        size = sizeBytes == 8 ? le64(d + at + 12) : le32(d + at + 8);
        if (packed != (sizeBytes == 8 ? consumed_ : (consumed_ & 0xFFFFFFFFu)))
            return kErrData;
        if (sizeBytes == 4)
            size |= produced_ & ~uint64_t{0xFFFFFFFFu}; // a 32-bit field holds the low bits only
        end += at + body;
        return 0;
    }

    const Source &src_;
    const LocalHeader &h_;
    uint64_t limit_;
    const ProgressCallback &progress_;
    uint64_t consumed_ = 0;
    uint64_t produced_ = 0;
    uint32_t crc_ = 0;
};

} // namespace

} // namespace detail

using namespace detail;

int32_t salvageEntries(const std::string &archivePath, const std::string &destination, bool replace,
                       const ProgressCallback &progress, SalvageResult &out)
{
    out = SalvageResult{};
    const Source src(archivePath);
    if (!src.ok())
        return kErrGeneral;
    base::OutputFolder dest(destination);
    const uint32_t mode = 0666 & ~static_cast<uint32_t>(fs::currentUmask());
    uint64_t pos = 0;
    for (;;) {
        const uint64_t at = src.nextSignature(pos);
        if (at >= src.size())
            break;
        LocalHeader h;
        if (!readHeader(src, at, h)) {
            out.entries.push_back({std::string(), kErrOutsideArchive, at});
            break;
        }
        SalvagedEntry entry{h.name, 0, at};
        // Past this entry when its extent is known, else just past the signature.
        pos = !h.sizesFollow() && h.compressedSize <= src.size() - std::min(src.size(), h.dataStart)
                  ? h.dataStart + h.compressedSize
                  : at + 4;

        std::vector<std::string> parts;
        bool isFolder = false;
        FolderError folderError = FolderError::None;
        int dirFd = -1;
        if (safeComponents(h.name, parts, isFolder) != 0) {
            entry.result = kErrUnsafeName;
        } else if (h.flag & 1) {
            entry.result = kErrPasswordNeeded;
        } else if (!dest.ensure()) {
            entry.result = kErrGeneral;
        } else if ((dirFd = dest.folderFor(parts, isFolder ? parts.size() : parts.size() - 1, folderError)) < 0) {
            entry.result = folderError == FolderError::Unsafe ? kErrUnsafeName : kErrGeneral;
        } else if (isFolder) {
            ++out.foldersMade;
            out.entries.push_back(entry);
            continue;
        }
        if (entry.result != 0) {
            out.entries.push_back(entry);
            continue;
        }

        const std::string &leaf = parts.back();
        fs::FileStatus existing;
        const bool exists = fs::statusAt(dirFd, leaf, existing);
        bool keep = exists && !replace;
        if (exists && existing.isFolder())
            entry.result = kErrGeneral;
        else if (exists && replace && existing.isRegular() && (existing.mode & 0222) == 0)
            entry.result = kErrReadOnlyTarget;
        std::string folderPath = destination.empty() ? std::string(".") : destination;
        for (size_t i = 0; i + 1 < parts.size(); ++i)
            folderPath += kSeparator + parts[i];
        base::WholeFile file;
        if (entry.result == 0 && !keep && !file.begin(dirFd, folderPath, leaf, mode, exists))
            entry.result = kErrGeneral;
        // The free space bounds an entry whose size only follows its data.
        uint64_t room = 0;
        if (!base::freeSpaceAt(folderPath, room))
            room = UINT64_MAX;
        uint64_t end = 0;
        if (entry.result == 0) {
            EntryCopy copy(src, h, room, progress);
            entry.result = copy.run(keep ? -1 : file.fd(), end);
        }
        if (entry.result == kResultStopped) {
            out.entries.push_back(entry);
            return kResultStopped;
        }
        if (entry.result == 0) {
            pos = end;
            int64_t when = 0;
            if (!keep && base::dosDateSeconds(h.dosDate, when))
                fs::setModifiedTime(file.fd(), when);
            entry.kept = keep;
            if (keep)
                ++out.kept;
            else if (file.commit())
                ++out.filesRecovered;
            else
                entry.result = kErrWrite;
        }
        out.entries.push_back(entry);
    }
    return out.filesRecovered;
}

} // namespace zarvon::engine
