#include "engine/internal.h"

#include "base/paths.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace zarvon::engine {

namespace detail {

namespace {

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { if (fd >= 0) ::close(fd); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

// One level-9 Deflate stream kept for the process and reset per entry:
// setting one up allocates and clears some 300 KB, which showed when adding
// thousands of small files.
struct SharedDeflater {
    z_stream z{};
    bool live = false;
    bool busy = false;
    ~SharedDeflater() { if (live) deflateEnd(&z); }
};

class Deflater {
public:
    ~Deflater()
    {
        if (shared_)
            shared_->busy = false;
        if (ownLive_)
            deflateEnd(&own_);
    }
    // Result: the stream ready for a new entry, or nullptr.
    z_stream *start()
    {
        static SharedDeflater s;
        if (!s.busy) {
            if (s.live ? deflateReset(&s.z) != Z_OK
                       : deflateInit2(&s.z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                return nullptr;
            s.live = true;
            s.busy = true;
            shared_ = &s;
            return &s.z;
        }
        if (deflateInit2(&own_, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return nullptr;
        ownLive_ = true;
        return &own_;
    }

private:
    SharedDeflater *shared_ = nullptr;
    z_stream own_{};
    bool ownLive_ = false;
};

mode_t currentUmask()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

// read() that retries after a signal and fills the buffer unless the file ends.
ssize_t readFull(int fd, unsigned char *buf, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, buf + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool copyFile(const std::string &from, const std::string &to)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    Fd out(::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (in.fd < 0 || out.fd < 0)
        return false;
    std::vector<unsigned char> buf(1 << 20);
    for (;;) {
        ssize_t n = readFull(in.fd, buf.data(), buf.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        for (ssize_t off = 0; off < n;) {
            ssize_t w = ::write(out.fd, buf.data() + off, static_cast<size_t>(n - off));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            off += w;
        }
    }
    return ::close(std::exchange(out.fd, -1)) == 0;
}

// The entry's date: local time, clamped to what a DOS date can hold.
zip_fileinfo fileInfoFor(const struct stat &st)
{
    zip_fileinfo zi{};
    struct tm t{};
    time_t when = st.st_mtime;
    localtime_r(&when, &t);
    int year = t.tm_year + 1900;
    if (year < 1980) {
        t = tm{};
        t.tm_mday = 1;
        year = 1980;
    } else if (year > 2107) {
        t = tm{};
        t.tm_mday = 31;
        t.tm_mon = 11;
        t.tm_hour = 23;
        t.tm_min = 59;
        t.tm_sec = 58;
        year = 2107;
    }
    zi.tmz_date.tm_sec = t.tm_sec;
    zi.tmz_date.tm_min = t.tm_min;
    zi.tmz_date.tm_hour = t.tm_hour;
    zi.tmz_date.tm_mday = t.tm_mday;
    zi.tmz_date.tm_mon = t.tm_mon;
    zi.tmz_date.tm_year = year;
    zi.dosDate = 0;
    zi.internal_fa = 0;
    // Unix mode in the high half (read back when the host is Unix), and the
    // Windows read-only bit when nobody may write the file.
    zi.external_fa = (static_cast<uLong>(st.st_mode & 0xFFFF) << 16) | ((st.st_mode & 0222) == 0 ? 0x01 : 0);
    return zi;
}

// Info-ZIP's Unicode path field, so that tools which do not read CP850 names
// still find the real name.
std::string unicodePathExtra(const std::string &stored, const std::string &utf8Name)
{
    std::string extra;
    size_t len = 5 + utf8Name.size();
    if (len > 0xFFFF - 4)
        return extra;
    uint32_t crc = crc32Of(stored);
    extra += static_cast<char>(0x75);
    extra += static_cast<char>(0x70);
    extra += static_cast<char>(len & 0xFF);
    extra += static_cast<char>(len >> 8);
    extra += static_cast<char>(1);
    for (int k = 0; k < 4; ++k)
        extra += static_cast<char>((crc >> (8 * k)) & 0xFF);
    extra += utf8Name;
    return extra;
}

void put16(unsigned char *p, uint64_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char *p, uint64_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void put64(unsigned char *p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t get32(const unsigned char *p)
{
    return p[0] | static_cast<uint64_t>(p[1]) << 8 | static_cast<uint64_t>(p[2]) << 16 |
           static_cast<uint64_t>(p[3]) << 24;
}

// minizip writes the entry count of 65,535 entries and more into the 16-bit
// field of the end record without the ZIP64 end records, which leaves other
// tools unable to read the archive. Adds them: the ZIP64 end record and its
// locator go where the end record was, followed by the end record again.
bool addZip64EndRecords(const std::string &path, uint64_t entries)
{
    Fd f(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (f.fd < 0)
        return false;
    struct stat st{};
    if (::fstat(f.fd, &st) != 0 || st.st_size < 22 + 20)
        return false;
    const off_t endPos = st.st_size - 22;
    unsigned char tail[42];
    if (::pread(f.fd, tail, sizeof tail, endPos - 20) != static_cast<ssize_t>(sizeof tail))
        return false;
    const unsigned char *end = tail + 20;
    if (get32(end) != 0x06054b50u)
        return false;
    if (get32(tail) == 0x07064b50u)
        return true; // minizip wrote them itself (an archive past 4 GiB)
    const uint64_t cdSize = get32(end + 12);
    const uint64_t cdOffset = get32(end + 16);
    unsigned char rec[56 + 20 + 22] = {};
    unsigned char *z = rec;
    put32(z, 0x06064b50u);
    put64(z + 4, 44);
    put16(z + 12, 45);
    put16(z + 14, 45);
    put64(z + 24, entries);
    put64(z + 32, entries);
    put64(z + 40, cdSize);
    put64(z + 48, cdOffset);
    unsigned char *loc = rec + 56;
    put32(loc, 0x07064b50u);
    put64(loc + 8, static_cast<uint64_t>(endPos));
    put32(loc + 16, 1);
    unsigned char *e = rec + 76;
    std::memcpy(e, end, 22);
    put16(e + 8, 0xFFFF);
    put16(e + 10, 0xFFFF);
    return ::pwrite(f.fd, rec, sizeof rec, endPos) == static_cast<ssize_t>(sizeof rec) &&
           ::close(std::exchange(f.fd, -1)) == 0;
}

uint64_t get64(const unsigned char *p)
{
    return get32(p) | get32(p + 4) << 32;
}

// minizip rewrites "version made by" of a ZIP64 entry as 45 with the host
// MS-DOS, which would hide the Unix mode stored with it. Puts the Unix host
// back on the entries this run added.
bool restoreUnixHost(const std::string &path, uint64_t skipEntries)
{
    Fd f(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    struct stat st{};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || st.st_size < 22)
        return false;
    unsigned char end[22];
    if (::pread(f.fd, end, 22, st.st_size - 22) != 22 || get32(end) != 0x06054b50u)
        return false;
    uint64_t cdSize = get32(end + 12), cdOffset = get32(end + 16);
    if (cdOffset == 0xFFFFFFFFu || cdSize == 0xFFFFFFFFu) {
        unsigned char loc[20], rec[56];
        if (::pread(f.fd, loc, 20, st.st_size - 42) != 20 || get32(loc) != 0x07064b50u ||
            ::pread(f.fd, rec, 56, static_cast<off_t>(get64(loc + 8))) != 56 || get32(rec) != 0x06064b50u)
            return false;
        cdSize = get64(rec + 40);
        cdOffset = get64(rec + 48);
    }
    std::vector<unsigned char> cd(cdSize);
    if (cdSize == 0 || ::pread(f.fd, cd.data(), cdSize, static_cast<off_t>(cdOffset)) != static_cast<ssize_t>(cdSize))
        return cdSize == 0;
    size_t pos = 0;
    for (uint64_t i = 0; pos + 46 <= cd.size() && get32(&cd[pos]) == 0x02014b50u; ++i) {
        if (i >= skipEntries && cd[pos + 4] == 45 && cd[pos + 5] == 0)
            cd[pos + 5] = 3;
        pos += 46 + (cd[pos + 28] | cd[pos + 29] << 8) + (cd[pos + 30] | cd[pos + 31] << 8) +
               (cd[pos + 32] | cd[pos + 33] << 8);
    }
    return ::pwrite(f.fd, cd.data(), cdSize, static_cast<off_t>(cdOffset)) == static_cast<ssize_t>(cdSize) &&
           ::close(std::exchange(f.fd, -1)) == 0;
}

} // namespace

// Closes the writer slot: the temporary file becomes the archive when it is
// complete, and is removed otherwise.
int32_t closeWriter()
{
    EngineState &s = state();
    WriterExtra &w = writerExtra();
    if (!s.writer)
        return 0;
    zipFile zf = static_cast<zipFile>(s.writer);
    s.writer = nullptr;
    int err = zipClose(zf, nullptr);
    int32_t result = 0;
    if (w.stopped || w.addingEntry)
        result = kResultStopped;
    else if (w.failed)
        result = kErrWrite;
    else if (err != ZIP_OK)
        result = err == ZIP_ERRNO ? kErrWrite : err;
    if (result == 0 && w.addedZip64 && !restoreUnixHost(w.tempPath, w.keptEntries))
        result = kErrWrite;
    if (result == 0 && w.entries >= 0xFFFF && !addZip64EndRecords(w.tempPath, w.entries))
        result = kErrWrite;
    if (result == 0 && std::rename(w.tempPath.c_str(), s.writerPath.c_str()) != 0)
        result = kErrWrite;
    if (result != 0)
        ::unlink(w.tempPath.c_str());
    s.writerPath.clear();
    w = WriterExtra{};
    return result;
}

int32_t closeReader();

} // namespace detail

using namespace detail;

int32_t closeArchives()
{
    int32_t result = closeWriter();
    closeReader();
    return result;
}

int32_t createArchive(const std::string &path, int32_t append)
{
    closeWriter();
    EngineState &s = state();
    WriterExtra &w = writerExtra();
    if (path.empty())
        return 0;
    // The temporary file sits beside the archive, so that the final rename
    // stays on one file system.
    std::string folder = base::parentFolder(path);
    std::string name = base::lastPathComponent(path);
    struct stat target{};
    if (name.empty() || (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)))
        return 0;
    std::string temp = (folder.empty() ? std::string("./") : folder) + "." + name + ".zarvon-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return 0;
    ::fchmod(fd, 0666 & ~currentUmask());
    struct stat st{};
    ::fstat(fd, &st);
    ::close(fd);
    w = WriterExtra{};
    int mode = APPEND_STATUS_CREATE;
    struct stat existing{};
    if (append && ::stat(path.c_str(), &existing) == 0 && existing.st_size > 0) {
        if (!copyFile(path, temp)) {
            ::unlink(temp.c_str());
            return 0;
        }
        mode = APPEND_STATUS_ADDINZIP;
        int32_t existingEntries = entryCount(path);
        if (existingEntries < 0) {
            ::unlink(temp.c_str());
            return 0;
        }
        w.entries = static_cast<uint64_t>(existingEntries);
        w.keptEntries = w.entries;
    }
    zipFile zf = openZip(temp, mode);
    if (!zf) {
        ::unlink(temp.c_str());
        return 0;
    }
    s.writer = zf;
    s.writerPath = path;
    w.tempPath = temp;
    w.tempDevice = static_cast<uint64_t>(st.st_dev);
    w.tempInode = static_cast<uint64_t>(st.st_ino);
    return 1;
}

int32_t addFile(const std::string &path, int32_t keepFullPath)
{
    EngineState &s = state();
    WriterExtra &w = writerExtra();
    if (!s.writer)
        return kErrGeneral;
    zipFile zf = static_cast<zipFile>(s.writer);

    // Opened without blocking, so that a named pipe given by mistake is
    // refused instead of waiting for a writer forever.
    Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.fd < 0)
        return kErrGeneral;
    struct stat st{};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return kErrGeneral;
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    if (static_cast<uint64_t>(st.st_dev) == w.tempDevice && static_cast<uint64_t>(st.st_ino) == w.tempInode)
        return kAddSkippedSelf;
    struct stat dest{};
    if (::stat(s.writerPath.c_str(), &dest) == 0 && dest.st_dev == st.st_dev && dest.st_ino == st.st_ino)
        return kAddSkippedSelf;

    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const bool encrypt = s.passwordSet;
    const int method = s.compressionMethod == 0 ? 0 : 8;
    ScratchBuffer block(kBlockSize);

    // With a password, the encryption header carries the CRC's high byte,
    // so the CRC must be known before the first byte is written.
    uint32_t firstCrc = 0;
    if (encrypt) {
        uint64_t done = 0;
        for (;;) {
            ssize_t n = readFull(file.fd, block.data(), block.size());
            if (n < 0)
                return kErrGeneral;
            if (n == 0)
                break;
            firstCrc = static_cast<uint32_t>(crc32_z(firstCrc, block.data(), static_cast<size_t>(n)));
            done += static_cast<uint64_t>(n);
            float percent = size ? static_cast<float>(done * 50.0 / size) : 50.0f;
            int32_t answer = reportProgress(path, percent);
            if (s.writer != zf)
                return kResultStopped;
            if (answer == 1) {
                w.stopped = true;
                return kResultStopped;
            }
        }
        if (::lseek(file.fd, 0, SEEK_SET) != 0)
            return kErrGeneral;
    }

    bool utf8 = false;
    std::string utf8Name = storedNameForPath(path, keepFullPath != 0);
    std::string stored = encodeStoredName(utf8Name, utf8);
    std::string extra;
    if (!utf8 && stored != utf8Name)
        extra = unicodePathExtra(stored, utf8Name);
    zip_fileinfo zi = fileInfoFor(st);
    const uint64_t worstCase = size + size / 1000 + 65536 + kPkwareHeaderSize;
    const int zip64 = worstCase >= 0xFFFFFFFFull ? 1 : 0;
    uLong flagBase = (encrypt ? 1u : 0u) | (utf8 ? 0x800u : 0u);
    int err = zipOpenNewFileInZip4_64(zf, stored.c_str(), &zi,
                                      extra.empty() ? nullptr : extra.data(), static_cast<uInt>(extra.size()),
                                      extra.empty() ? nullptr : extra.data(), static_cast<uInt>(extra.size()),
                                      nullptr, method, method == 8 ? 9 : 0, 1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                      nullptr, 0, (3u << 8) | 30u, flagBase, zip64);
    if (err != ZIP_OK) {
        w.failed = true;
        return err;
    }
    w.addingEntry = true;
    ++w.entries;
    w.addedZip64 = w.addedZip64 || zip64;

    PkwareKeys keys{};
    int32_t result = 0;
    ScratchBuffer out(method == 8 ? 256 * 1024 : 0);
    auto emit = [&](unsigned char *data, size_t len) -> int32_t {
        if (len == 0)
            return 0;
        if (encrypt)
            pkwareEncrypt(keys, data, len);
        int e = zipWriteInFileInZip(zf, data, static_cast<unsigned>(len));
        return e == ZIP_OK ? 0 : (e == ZIP_ERRNO ? kErrWrite : e);
    };
    if (encrypt) {
        keys = pkwareInit(s.password);
        unsigned char header[kPkwareHeaderSize];
        if (::getentropy(header, kPkwareHeaderSize - 1) != 0)
            for (size_t i = 0; i + 1 < kPkwareHeaderSize; ++i)
                header[i] = static_cast<unsigned char>(std::rand() >> 7);
        header[kPkwareHeaderSize - 1] = static_cast<unsigned char>(firstCrc >> 24);
        result = emit(header, sizeof header);
    }

    Deflater deflater;
    z_stream *stream = nullptr;
    if (result == 0 && method == 8 && !(stream = deflater.start()))
        result = kErrGeneral;
    auto compress = [&](unsigned char *data, size_t len, int flush) -> int32_t {
        z_stream &z = *stream;
        z.next_in = data;
        z.avail_in = static_cast<uInt>(len);
        for (;;) {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            int zr = deflate(&z, flush);
            if (zr == Z_STREAM_ERROR)
                return kErrGeneral;
            int32_t e = emit(out.data(), out.size() - z.avail_out);
            if (e != 0)
                return e;
            if (flush == Z_FINISH ? zr == Z_STREAM_END : z.avail_out != 0)
                return 0;
        }
    };

    uint64_t done = 0;
    uint32_t crc = 0;
    bool readFailed = false;
    while (result == 0) {
        ssize_t n = readFull(file.fd, block.data(), block.size());
        if (n < 0) {
            readFailed = true;
            break;
        }
        if (n == 0)
            break;
        crc = static_cast<uint32_t>(crc32_z(crc, block.data(), static_cast<size_t>(n)));
        result = method == 8 ? compress(block.data(), static_cast<size_t>(n), Z_NO_FLUSH)
                             : emit(block.data(), static_cast<size_t>(n));
        done += static_cast<uint64_t>(n);
        float percent = size ? static_cast<float>(encrypt ? 50.0 + done * 50.0 / size : done * 100.0 / size) : 100.0f;
        int32_t answer = reportProgress(path, std::min(percent, 100.0f));
        if (s.writer != zf)
            return kResultStopped; // the callback closed the archive, which discarded it
        if (answer == 1) {
            w.stopped = true;
            result = kResultStopped;
        }
    }
    if (result == 0 && !readFailed && method == 8)
        result = compress(nullptr, 0, Z_FINISH);
    if (result != kResultStopped) {
        int32_t answer = reportProgress(std::string(), 100.0f);
        if (s.writer != zf)
            return kResultStopped;
        // A stop asked at the end of the last file still discards the
        // archive: the user who cancelled must not find it replaced.
        if (answer == 1) {
            w.stopped = true;
            result = kResultStopped;
        }
    }

    // A file that changed between the CRC pass and the data pass, or that
    // grew past what the entry's headers can describe, would give an entry
    // that no tool can read back.
    if (result == 0 && !readFailed && encrypt && (crc != firstCrc || done != size))
        readFailed = true;
    // A file that shrank while it was read was not read to its end: the
    // entry would hold neither its old content nor its new one.
    if (result == 0 && !readFailed && done < size)
        readFailed = true;
    if (result == 0 && !readFailed && !zip64 && done + done / 1000 + 65536 >= 0xFFFFFFFFull)
        readFailed = true;

    int e = zipCloseFileInZipRaw64(zf, done, crc);
    w.addingEntry = false;
    if (result == 0 && readFailed) {
        w.failed = true;
        return kErrGeneral;
    }
    if (result == 0 && e != ZIP_OK)
        result = e == ZIP_ERRNO ? kErrWrite : e;
    if (result != 0 && result != kResultStopped)
        w.failed = true;
    return result;
}

} // namespace zarvon::engine
