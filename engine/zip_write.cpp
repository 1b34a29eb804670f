#include "engine/internal.h"
#include "engine/fs.h"

#include "base/paths.h"
#include "base/safe_output.h"

#include <zlib.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <utility>

namespace zarvon::engine {

namespace detail {

namespace {

using fs::currentUmask;
using fs::Fd;
using fs::readFull;

bool copyFile(const std::string &from, const std::string &to)
{
    Fd in(fs::openForReading(from, false));
    Fd out(fs::openExisting(to, true));
    if (in.fd < 0 || out.fd < 0)
        return false;
    std::vector<unsigned char> buf(1 << 20);
    for (;;) {
        ssize_t n = readFull(in.fd, buf.data(), buf.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!fs::writeAll(out.fd, buf.data(), static_cast<size_t>(n)))
            return false;
    }
    return fs::closeFd(std::exchange(out.fd, -1)) == 0;
}

// The entry's date: local time, clamped to what a DOS date can hold.
zip_fileinfo fileInfoFor(const fs::FileStatus &st)
{
    zip_fileinfo zi{};
    std::tm t{};
    int64_t offset = 0;
    if (!fs::localTimeOf(st.mtimeSec, t, offset))
        t = std::tm{};
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
    zi.external_fa = (static_cast<uLong>(st.mode & 0xFFFF) << 16) | ((st.mode & 0222) == 0 ? 0x01 : 0);
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
    Fd f(fs::openExisting(path, false));
    if (f.fd < 0)
        return false;
    fs::FileStatus st;
    if (!fs::statusOf(f.fd, st) || st.size < 22 + 20)
        return false;
    const uint64_t endPos = st.size - 22;
    unsigned char tail[42];
    if (fs::preadFull(f.fd, tail, sizeof tail, endPos - 20) != static_cast<ssize_t>(sizeof tail))
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
    put64(loc + 8, endPos);
    put32(loc + 16, 1);
    unsigned char *e = rec + 76;
    std::memcpy(e, end, 22);
    put16(e + 8, 0xFFFF);
    put16(e + 10, 0xFFFF);
    return fs::pwriteAll(f.fd, rec, sizeof rec, endPos) && fs::closeFd(std::exchange(f.fd, -1)) == 0;
}

uint64_t get64(const unsigned char *p) { return get32(p) | get32(p + 4) << 32; }

// minizip rewrites "version made by" of a ZIP64 entry as 45 with the host
// MS-DOS, which would hide the Unix mode stored with it. Puts the Unix host
// back on the entries this run added.
bool restoreUnixHost(const std::string &path, uint64_t skipEntries)
{
    Fd f(fs::openExisting(path, false));
    fs::FileStatus st;
    if (f.fd < 0 || !fs::statusOf(f.fd, st) || st.size < 22)
        return false;
    unsigned char end[22];
    if (fs::preadFull(f.fd, end, 22, st.size - 22) != 22 || get32(end) != 0x06054b50u)
        return false;
    uint64_t cdSize = get32(end + 12), cdOffset = get32(end + 16);
    if (cdOffset == 0xFFFFFFFFu || cdSize == 0xFFFFFFFFu) {
        unsigned char loc[20], rec[56];
        if (st.size < 42 || fs::preadFull(f.fd, loc, 20, st.size - 42) != 20 || get32(loc) != 0x07064b50u ||
            fs::preadFull(f.fd, rec, 56, get64(loc + 8)) != 56 || get32(rec) != 0x06064b50u)
            return false;
        cdSize = get64(rec + 40);
        cdOffset = get64(rec + 48);
    }
    std::vector<unsigned char> cd(cdSize);
    if (cdSize == 0 || fs::preadFull(f.fd, cd.data(), cdSize, cdOffset) != static_cast<ssize_t>(cdSize))
        return cdSize == 0;
    size_t pos = 0;
    for (uint64_t i = 0; pos + 46 <= cd.size() && get32(&cd[pos]) == 0x02014b50u; ++i) {
        if (i >= skipEntries && cd[pos + 4] == 45 && cd[pos + 5] == 0)
            cd[pos + 5] = 3;
        pos += 46 + (cd[pos + 28] | cd[pos + 29] << 8) + (cd[pos + 30] | cd[pos + 31] << 8) +
               (cd[pos + 32] | cd[pos + 33] << 8);
    }
    return fs::pwriteAll(f.fd, cd.data(), cdSize, cdOffset) && fs::closeFd(std::exchange(f.fd, -1)) == 0;
}

} // namespace

bool finishAppendedArchive(const std::string &path, uint64_t keptEntries, uint64_t entries, bool addedZip64)
{
    return (!addedZip64 || restoreUnixHost(path, keptEntries)) && (entries < 0xFFFF || addZip64EndRecords(path, entries));
}

EntryWriter::~EntryWriter()
{
    if (open_)
        zipCloseFileInZipRaw64(zf_, 0, 0);
}

int32_t EntryWriter::open(const std::string &path, bool keepFullPath, const fs::FileStatus &st, uint64_t size,
                          int method, const std::string *password, uint32_t headerCrc, bool &zip64)
{
    bool utf8 = false;
    std::string utf8Name = storedNameForPath(path, keepFullPath);
    std::string stored = encodeStoredName(utf8Name, utf8);
    // The DOS date keeps two-second steps in local time; the extended
    // timestamp keeps the second, in UTC, for every tool that reads it.
    std::string extra = extendedTimestampExtra(st.mtimeSec);
    if (!utf8 && stored != utf8Name)
        extra += unicodePathExtra(stored, utf8Name);
    encrypt_ = password != nullptr;
    const bool aes = encrypt_ && encryption_ == Encryption::Aes256;
    if (aes)
        extra += aesExtra(static_cast<uint32_t>(method));
    zip_fileinfo zi = fileInfoFor(st);
    const uint64_t worstCase = size + size / 1000 + 65536 + kAesMaxOverhead;
    zip64 = worstCase >= 0xFFFFFFFFull;
    uLong flagBase = (encrypt_ ? 1u : 0u) | (utf8 ? 0x800u : 0u);
    // minizip writes methods 0 and 8 only: an AES entry goes in as stored
    // data and is marked method 99 when the archive is closed.
    int err = zipOpenNewFileInZip4_64(
        zf_, stored.c_str(), &zi, extra.empty() ? nullptr : extra.data(), static_cast<uInt>(extra.size()),
        extra.empty() ? nullptr : extra.data(), static_cast<uInt>(extra.size()), nullptr, aes ? 0 : method,
        method == 8 ? 9 : 0, 1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, (3u << 8) | 30u, flagBase,
        zip64 ? 1 : 0);
    if (err != ZIP_OK)
        return err;
    open_ = true;
    if (aes) {
        unsigned char header[16 + kAesVerifierSize];
        if (offered_ && offeredPassword_ == *password) {
            aes_ = std::move(offered_);
            std::memcpy(header, offeredHeader_, sizeof header);
        } else if (!aesRandomBytes(header, 16) || !(aes_ = AesEntryCipher::start(*password, header, 256, header + 16))) {
            return kErrWrite;
        }
        return writeRaw(header, sizeof header);
    }
    if (encrypt_) {
        keys_ = pkwareInit(*password);
        unsigned char header[kPkwareHeaderSize];
        if (!fs::randomBytes(header, kPkwareHeaderSize - 1))
            for (size_t i = 0; i + 1 < kPkwareHeaderSize; ++i)
                header[i] = static_cast<unsigned char>(std::rand() >> 7);
        header[kPkwareHeaderSize - 1] = static_cast<unsigned char>(headerCrc >> 24);
        return write(header, sizeof header);
    }
    return 0;
}

void EntryWriter::offerAesCipher(std::unique_ptr<AesEntryCipher> cipher, const unsigned char *header,
                                 const std::string &password)
{
    offered_ = std::move(cipher);
    std::memcpy(offeredHeader_, header, sizeof offeredHeader_);
    offeredPassword_ = password;
}

int32_t EntryWriter::write(unsigned char *data, size_t len)
{
    if (aes_)
        return aes_->encrypt(data, len) ? writeRaw(data, len) : kErrWrite;
    if (encrypt_)
        pkwareEncrypt(keys_, data, len);
    return writeRaw(data, len);
}

int32_t EntryWriter::writeRaw(const unsigned char *data, size_t len)
{
    // minizip takes 32-bit counts.
    while (len > 0) {
        const size_t n = std::min<size_t>(len, 1u << 30);
        int e = zipWriteInFileInZip(zf_, data, static_cast<unsigned>(n));
        if (e != ZIP_OK)
            return e == ZIP_ERRNO ? kErrWrite : e;
        data += n;
        len -= n;
    }
    return 0;
}

int32_t EntryWriter::finish(uint64_t size, uint32_t crc)
{
    if (aes_) {
        // AE-2: the code vouches for the data, and the CRC field holds 0.
        unsigned char code[kAesCodeSize];
        const int32_t r = aes_->finish(code) ? writeRaw(code, sizeof code) : kErrWrite;
        crc = 0;
        if (r != 0) {
            open_ = false;
            zipCloseFileInZipRaw64(zf_, size, crc);
            return r;
        }
    }
    open_ = false;
    int e = zipCloseFileInZipRaw64(zf_, size, crc);
    return e == ZIP_OK ? 0 : (e == ZIP_ERRNO ? kErrWrite : e);
}

// Closes the writer slot: the temporary file becomes the archive when it is
// complete, and is removed otherwise.
int32_t closeWriter()
{
    EngineState &s = state();
    WriterExtra &w = writerExtra();
    if (w.pipeline)
        w.pipeline->cancel();
    w.pipeline.reset();
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
    if (result == 0 && !markAesEntries(w.tempPath, w.aesEntries))
        result = kErrWrite;
    if (result == 0 && w.entries >= 0xFFFF && !addZip64EndRecords(w.tempPath, w.entries))
        result = kErrWrite;
    if (result == 0 && w.unnamed) {
        // A file without a name cannot replace another at once: it is
        // linked under a hidden name for the instant of the rename.
        const std::string folder = base::parentFolder(s.writerPath);
        const std::string linkName = (folder.empty() ? std::string("./") : folder) + "." +
                                     base::lastPathComponent(s.writerPath) + ".zarvon-" + base::randomSuffix();
        if (!fs::link(w.tempPath, linkName)) {
            result = kErrWrite;
        } else if (std::rename(linkName.c_str(), s.writerPath.c_str()) != 0) {
            fs::remove(linkName);
            result = kErrWrite;
        }
    } else if (result == 0 && std::rename(w.tempPath.c_str(), s.writerPath.c_str()) != 0) {
        result = kErrWrite;
    }
    if (result != 0 && !w.unnamed)
        fs::remove(w.tempPath);
    // A failure of an addition already left its own detail.
    if (result != 0 && result != kResultStopped && !w.failed)
        setLastError(result, errno, "the archive could not be completed: " + std::string(std::strerror(errno)));
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

namespace {
int32_t createArchiveImpl(const std::string &path, int32_t append);
}

int32_t createArchive(const std::string &path, int32_t append)
{
    errno = 0;
    const int32_t made = createArchiveImpl(path, append);
    if (!made) {
        const int err = errno;
        setLastError(kErrGeneral, err,
                     "the archive cannot be created" + (err ? ": " + std::string(std::strerror(err)) : std::string()));
        errno = err;
    }
    return made;
}

namespace {

int32_t createArchiveImpl(const std::string &path, int32_t append)
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
    fs::FileStatus target;
    if (name.empty() || (fs::statusOfPath(path, target) && target.isFolder()))
        return 0;
    const std::string dirName = folder.empty() ? std::string(".") : folder;
    w = WriterExtra{};
    int mode = APPEND_STATUS_CREATE;
    fs::FileStatus existing;
    const bool appending = append && fs::statusOfPath(path, existing) && existing.size > 0;
    if (appending) {
        int32_t existingEntries = entryCount(path);
        if (existingEntries < 0)
            return 0;
        mode = APPEND_STATUS_ADDINZIP;
        w.entries = static_cast<uint64_t>(existingEntries);
        w.keptEntries = w.entries;
    }

    // The archive is written to a file without a name where the file system
    // allows it, and given its name only at commit: a run killed outright
    // (power cut, kill -9) then leaves nothing behind. minizip reaches it
    // through the descriptor's path in /proc. Elsewhere a hidden named file
    // beside the archive is used, removed on every path the process lives
    // through.
    std::string temp;
    fs::FileStatus st;
    zipFile zf = nullptr;
    auto unnamed = std::make_shared<fs::Fd>(fs::openUnnamed(dirName, 0666 & ~currentUmask()));
    if (unnamed->fd >= 0 && fs::statusOf(unnamed->fd, st)) {
        temp = "/proc/self/fd/" + std::to_string(unnamed->fd);
        if (!appending || copyFile(path, temp))
            zf = openZip(temp, mode);
    }
    if (zf) {
        w.unnamed = unnamed;
    } else {
        unnamed.reset();
        temp = (folder.empty() ? std::string("./") : folder) + "." + name + ".zarvon-XXXXXX";
        int fd = fs::createTemporary(temp);
        if (fd < 0)
            return 0;
        fs::setMode(fd, 0666 & ~currentUmask());
        fs::statusOf(fd, st);
        fs::closeFd(fd);
        if (appending && !copyFile(path, temp)) {
            fs::remove(temp);
            return 0;
        }
        zf = openZip(temp, mode);
    }
    if (!zf) {
        fs::remove(temp);
        return 0;
    }
    s.writer = zf;
    s.writerPath = path;
    w.tempPath = temp;
    w.tempDevice = st.device;
    w.tempInode = st.inode;
    w.self.tempDevice = w.tempDevice;
    w.self.tempInode = w.tempInode;
    if (fs::statusOfPath(path, existing)) {
        w.self.haveTarget = true;
        w.self.targetDevice = existing.device;
        w.self.targetInode = existing.inode;
    }
    return 1;
}

} // namespace

namespace {

// Whether additions need the CRC-32 of a file before its first byte.
bool crcBeforeData() { return state().passwordSet && state().encryption == Encryption::ZipCrypto; }

// The password additions are encrypted with by AES, or null.
const std::string *aesPassword()
{
    return state().passwordSet && state().encryption == Encryption::Aes256 ? &state().password : nullptr;
}

// Holds one unit taken from the pipeline and gives it back on every path.
class HeldUnit {
public:
    explicit HeldUnit(DeflatePipeline &p) : p_(p) {}
    ~HeldUnit() { reset(); }
    HeldUnit(const HeldUnit &) = delete;
    HeldUnit &operator=(const HeldUnit &) = delete;
    Unit *take()
    {
        u_ = p_.take(std::exchange(u_, nullptr));
        return u_;
    }
    void reset()
    {
        if (u_)
            p_.release(std::exchange(u_, nullptr));
    }
    Unit *operator->() const { return u_; }

private:
    DeflatePipeline &p_;
    Unit *u_ = nullptr;
};

} // namespace

int32_t planAdditions(const std::vector<PlannedAddition> &files)
{
    EngineState &s = state();
    WriterExtra &w = writerExtra();
    if (!s.writer)
        return kErrGeneral;
    std::vector<PlannedFile> plan;
    plan.reserve(files.size());
    for (const PlannedAddition &f : files)
        plan.push_back({f.path, f.keepFullPath != 0 || !f.storedName.empty()});
    if (w.pipeline)
        w.pipeline->cancel();
    w.pipeline = std::make_shared<DeflatePipeline>(std::move(plan), compressorThreads(),
                                                   s.compressionMethod == 0 ? 0 : 8, crcBeforeData(), w.self,
                                                   aesPassword());
    return 0;
}

namespace {

// One addition; `storedName`, when not empty, is the entry's name.
int32_t addOne(const std::string &path, int32_t keepFullPath, const std::string &storedName)
{
    EngineState &s = state();
    WriterExtra &w = writerExtra();
    if (!s.writer)
        return kErrGeneral;
    zipFile zf = static_cast<zipFile>(s.writer);
    const bool encrypt = s.passwordSet;
    // The PKWARE header carries the CRC-32, which a file of several units
    // knows only after a reading pass; AES needs none.
    const bool crcFirst = crcBeforeData();
    const int method = s.compressionMethod == 0 ? 0 : 8;

    // Files not planned (or planned otherwise) get a pipeline of their own.
    if (!w.pipeline || !w.pipeline->nextIs(path, keepFullPath != 0, method, crcFirst)) {
        if (w.pipeline)
            w.pipeline->cancel();
        w.pipeline = std::make_shared<DeflatePipeline>(std::vector<PlannedFile>{{path, keepFullPath != 0}},
                                                       compressorThreads(), method, crcFirst, w.self, aesPassword());
    }
    const std::shared_ptr<DeflatePipeline> pipe = w.pipeline;
    // Whatever ends this addition half way leaves units of this file in the
    // pipeline: it cannot serve the next file any more.
    auto dropPipeline = [&] {
        pipe->cancel();
        if (w.pipeline == pipe)
            w.pipeline.reset();
    };
    HeldUnit unit(*pipe);
    if (!unit.take()) {
        dropPipeline();
        return kErrGeneral;
    }
    const std::shared_ptr<UnitFile> file = unit->file;
    if (file->openResult != 0) {
        errno = file->openErrno;
        return file->openResult;
    }
    const uint64_t size = file->size;

    // Progress at the points of a plain loop over blocks of kBlockSize: each
    // unit covers whole blocks. Result: 0 go on, kResultStopped.
    bool closedUnder = false;
    auto progressUpTo = [&](uint64_t from, uint64_t to, double scale, double base) -> int32_t {
        for (uint64_t at = from; at < to;) {
            at = std::min<uint64_t>(at + kBlockSize, to);
            float percent = size ? static_cast<float>(base + at * scale / size) : static_cast<float>(base + scale);
            int32_t answer = reportProgress(path, std::min(percent, 100.0f));
            if (s.writer != zf) {
                closedUnder = true; // the callback closed the archive, which discarded it
                return kResultStopped;
            }
            if (answer == 1) {
                w.stopped = true;
                return kResultStopped;
            }
        }
        return 0;
    };

    // With a password, the encryption header carries the CRC's high byte,
    // so the CRC is known before the first byte is written: from a reading
    // pass for a file of several units, from the one unit otherwise.
    uint32_t headerCrc = 0;
    if (crcFirst) {
        if (unit->readFailed) {
            dropPipeline();
            return kErrGeneral;
        }
        headerCrc = unit->crc;
        if (unit->kind == Unit::Kind::CrcPass && !unit.take()) {
            dropPipeline();
            return kErrGeneral;
        }
        if (progressUpTo(0, size, 50.0, 0.0) != 0) {
            dropPipeline();
            return kResultStopped;
        }
    }
    // A file found shorter than its size before anything of it was written
    // is left out; the archive stays good.
    if (unit->readFailed && unit->last) {
        errno = EIO;
        return kErrGeneral;
    }

    EntryWriter entry(zf, state().encryption);
    if (file->aes)
        entry.offerAesCipher(std::move(file->aes), file->aesHeader, file->aesPassword);
    bool zip64 = false;
    int err =
        entry.open(storedName.empty() ? path : storedName, keepFullPath != 0, file->st, size, method,
                   encrypt ? &s.password : nullptr, headerCrc, zip64);
    if (err != ZIP_OK) {
        w.failed = true;
        dropPipeline();
        return err;
    }
    w.addingEntry = true;
    if (entry.isAes())
        w.aesEntries.push_back(w.entries);
    ++w.entries;
    w.addedZip64 = w.addedZip64 || zip64;

    uint64_t done = 0;
    uint32_t crc = 0;
    bool readFailed = false;
    int32_t result = 0;
    for (uint32_t k = 0; k < file->dataUnits && result == 0; ++k) {
        if (k > 0 && !unit.take()) {
            result = kErrGeneral;
            break;
        }
        if (unit->failed) {
            result = kErrGeneral;
            break;
        }
        if (unit->readFailed)
            readFailed = true;
        const uint64_t read = unit->read;
        if (!readFailed || file->method == 0) {
            result = entry.write(const_cast<unsigned char *>(unit->bytes()), unit->byteCount());
        }
        crc = static_cast<uint32_t>(crc32_combine64(crc, unit->crc, static_cast<z_off64_t>(read)));
        const uint64_t before = done;
        done += read;
        if (result == 0)
            result = crcFirst ? progressUpTo(before, done, 50.0, 50.0) : progressUpTo(before, done, 100.0, 0.0);
        if (closedUnder) {
            entry.abandon();
            dropPipeline();
            return kResultStopped;
        }
        if (readFailed)
            break;
    }
    unit.reset();
    if (result == 0 && readFailed)
        result = kErrGeneral;
    if (result != kResultStopped) {
        int32_t answer = reportProgress(std::string(), 100.0f);
        if (s.writer != zf) {
            entry.abandon();
            dropPipeline();
            return kResultStopped;
        }
        // A stop asked at the end of the last file still discards the
        // archive: the user who cancelled must not find it replaced.
        if (answer == 1) {
            w.stopped = true;
            if (result == 0)
                result = kResultStopped;
        }
    }
    if (result != 0)
        dropPipeline();

    // A file that changed between the CRC pass and the data pass, or that
    // grew past what the entry's headers can describe, would give an entry
    // that no tool can read back.
    if (result == 0 && crcFirst && crc != headerCrc)
        result = kErrGeneral;
    if (result == 0 && !zip64 && done + done / 1000 + 65536 >= 0xFFFFFFFFull)
        result = kErrGeneral;

    int e = entry.finish(done, crc);
    w.addingEntry = false;
    if (result == 0 && e != ZIP_OK)
        result = e;
    if (result != 0 && result != kResultStopped) {
        const int err = errno;
        w.failed = true;
        setLastError(result, result == kErrWrite ? err : 0,
                     result == kErrWrite ? "the archive could not be written: " + std::string(std::strerror(err))
                                         : "the file could not be read to its end: " + path);
    }
    return result;
}

} // namespace

int32_t addFile(const std::string &path, int32_t keepFullPath) { return addOne(path, keepFullPath, {}); }

int32_t addFileAs(const std::string &path, const std::string &storedName)
{
    // The planned lookahead knows a named addition by this flag.
    return addOne(path, 1, storedName);
}

int32_t setThreadCount(int32_t threads)
{
    detail::threadSetting() = threads > 0 ? threads : 0;
    return 0;
}

} // namespace zarvon::engine
