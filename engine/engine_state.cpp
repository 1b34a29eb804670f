#include "engine/context.h"
#include "engine/internal.h"
#include "engine/zip_io.h"
#include "engine/fs.h"

#include <algorithm>
#include <unordered_map>
#include <thread>
#include <cerrno>
#include <cstring>

namespace zarvon::engine {

namespace detail {

namespace {

// Archives are read through positioned reads and a buffer of our own:
// minizip seeks before nearly every read, and through stdio each of those
// seeks and tells is a system call, which dominated the extraction of many
// small entries. Writing keeps stdio.
struct ReadStream {
    // Two windows: minizip alternates between the central directory and the
    // entries' local headers and data, and each keeps its own window.
    struct Window {
        uint64_t start = 0;
        size_t len = 0;
        uint64_t lastUse = 0;
        unsigned char data[16 * 1024];
    };
    int fd = -1;
    uint64_t pos = 0;
    uint64_t size = 0;
    uint64_t clock = 0;
    bool failed = false;
    Window windows[2];
};

voidpf ZCALLBACK readOpen(voidpf, const void *filename, int mode)
{
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    int fd = fs::openForReading(static_cast<const char *>(filename), false);
    if (fd < 0)
        return nullptr;
    fs::FileStatus st;
    if (!fs::statusOf(fd, st) || st.isFolder()) {
        fs::closeFd(fd);
        return nullptr;
    }
    auto *s = new ReadStream;
    s->fd = fd;
    s->size = st.size;
    return s;
}

uLong ZCALLBACK readRead(voidpf, voidpf stream, void *buf, uLong size)
{
    auto *s = static_cast<ReadStream *>(stream);
    auto *out = static_cast<unsigned char *>(buf);
    uLong done = 0;
    while (done < size) {
        ReadStream::Window *hit = nullptr;
        for (ReadStream::Window &w : s->windows)
            if (s->pos >= w.start && s->pos < w.start + w.len)
                hit = &w;
        if (hit) {
            size_t at = static_cast<size_t>(s->pos - hit->start);
            size_t n = std::min<size_t>(hit->len - at, size - done);
            std::memcpy(out + done, hit->data + at, n);
            hit->lastUse = ++s->clock;
            done += n;
            s->pos += n;
            continue;
        }
        ssize_t got;
        if (size - done >= sizeof hit->data) {
            got = fs::preadFull(s->fd, out + done, size - done, s->pos);
            if (got > 0) {
                done += static_cast<uLong>(got);
                s->pos += static_cast<uint64_t>(got);
                continue;
            }
        } else {
            ReadStream::Window &w = s->windows[0].lastUse <= s->windows[1].lastUse ? s->windows[0] : s->windows[1];
            got = fs::preadFull(s->fd, w.data, sizeof w.data, s->pos);
            if (got > 0) {
                w.start = s->pos;
                w.len = static_cast<size_t>(got);
                w.lastUse = ++s->clock;
                continue;
            }
        }
        if (got < 0)
            s->failed = true;
        break;
    }
    return done;
}

// Where a seek by `offset` from `origin` lands in a stream now at `pos` whose
// end is at `end`. Both streams only move a position; the next read or write
// goes there.
uint64_t seekTarget(int origin, ZPOS64_T offset, uint64_t pos, uint64_t end)
{
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? pos : end;
    return base + offset;
}

uLong ZCALLBACK readWrite(voidpf, voidpf, const void *, uLong) { return 0; }

ZPOS64_T ZCALLBACK readTell(voidpf, voidpf stream) { return static_cast<ReadStream *>(stream)->pos; }

long ZCALLBACK readSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<ReadStream *>(stream);
    s->pos = seekTarget(origin, offset, s->pos, s->size);
    return 0;
}

int ZCALLBACK readClose(voidpf, voidpf stream)
{
    auto *s = static_cast<ReadStream *>(stream);
    int r = fs::closeFd(s->fd);
    delete s;
    return r;
}

int ZCALLBACK readError(voidpf, voidpf stream) { return static_cast<ReadStream *>(stream)->failed ? 1 : 0; }

// Archives are written through one large buffer of our own, which also
// takes minizip's step back to each entry's local header (to fill in its
// CRC and sizes) without a system call while that header is still in the
// buffer: through stdio every entry cost two seeks and two writes, which
// dominated the creation of archives of many small files. Only positioned
// writes are used, so a step back never needs a seek.
struct WriteStream {
    int fd = -1;
    std::vector<unsigned char> buf;
    uint64_t bufStart = 0; // file offset of buf[0]
    size_t bufLen = 0;     // bytes of buf holding data
    uint64_t pos = 0;
    uint64_t end = 0; // size of the file as written so far
    bool failed = false;

    bool flush()
    {
        if (!fs::pwriteAll(fd, buf.data(), bufLen, bufStart)) {
            failed = true;
            return false;
        }
        bufStart += bufLen;
        bufLen = 0;
        return true;
    }
};

constexpr size_t kWriteBuffer = 1 << 20;

voidpf ZCALLBACK writeOpen(voidpf, const void *filename, int mode)
{
    if (!(mode & ZLIB_FILEFUNC_MODE_CREATE))
        return nullptr;
    int fd = fs::createForWriting(static_cast<const char *>(filename));
    if (fd < 0)
        return nullptr;
    auto *s = new WriteStream;
    s->fd = fd;
    s->buf.resize(kWriteBuffer);
    return s;
}

uLong ZCALLBACK writeWrite(voidpf, voidpf stream, const void *data, uLong size)
{
    auto *s = static_cast<WriteStream *>(stream);
    const auto *in = static_cast<const unsigned char *>(data);
    uLong done = 0;
    while (done < size) {
        // The buffer takes bytes that continue or overwrite what it holds.
        if (s->pos < s->bufStart || s->pos > s->bufStart + s->bufLen || s->pos >= s->bufStart + s->buf.size()) {
            if (!s->flush())
                return done;
            s->bufStart = s->pos;
        }
        const size_t at = static_cast<size_t>(s->pos - s->bufStart);
        const size_t n = std::min<size_t>(s->buf.size() - at, size - done);
        std::memcpy(s->buf.data() + at, in + done, n);
        s->bufLen = std::max(s->bufLen, at + n);
        s->pos += n;
        s->end = std::max(s->end, s->pos);
        done += static_cast<uLong>(n);
    }
    return done;
}

uLong ZCALLBACK writeRead(voidpf, voidpf stream, void *data, uLong size)
{
    auto *s = static_cast<WriteStream *>(stream);
    if (!s->flush())
        return 0;
    ssize_t n = fs::preadFull(s->fd, static_cast<unsigned char *>(data), size, s->pos);
    if (n <= 0)
        return 0;
    s->pos += static_cast<uint64_t>(n);
    return static_cast<uLong>(n);
}

ZPOS64_T ZCALLBACK writeTell(voidpf, voidpf stream) { return static_cast<WriteStream *>(stream)->pos; }

long ZCALLBACK writeSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<WriteStream *>(stream);
    s->pos = seekTarget(origin, offset, s->pos, s->end);
    return 0;
}

int ZCALLBACK writeClose(voidpf, voidpf stream)
{
    auto *s = static_cast<WriteStream *>(stream);
    bool ok = s->flush();
    int r = fs::closeFd(s->fd);
    delete s;
    return ok && r == 0 ? 0 : -1;
}

int ZCALLBACK writeError(voidpf, voidpf stream) { return static_cast<WriteStream *>(stream)->failed ? 1 : 0; }

// The table archives are read through; it opens files for reading only.
zlib_filefunc64_def baseIo()
{
    if (const zlib_filefunc64_def *io = context().io)
        return *io;
    return {readOpen, readRead, readWrite, readTell, readSeek, readClose, readError, nullptr};
}

// A view of an archive file that minizip is opened through when the file
// as it stands would mislead it. minizip takes the last end signature it
// finds, so a comment holding that signature, or junk after the archive,
// hides the real record: the view ends right after the record chosen by
// validation and shows its comment as empty. minizip also takes a record
// found at offset 0 for "not found", so an empty archive (nothing but that
// record) is shown behind four zero bytes, which minizip counts as data
// before the archive. The view's description reaches the stream through
// the table's opaque argument when the file is opened; the stream keeps its
// own copy, so the table may go once minizip has opened it.
struct ViewSpec {
    zlib_filefunc64_def inner;
    uint64_t shift = 0;   // zero bytes shown before the file
    uint64_t length = 0;  // bytes of the file shown
    uint64_t patchAt = 0; // the end record's comment length, shown as 0
    bool patch = false;
};

struct ViewStream {
    ViewSpec spec;
    voidpf inner;
    uint64_t pos = 0;
};

voidpf ZCALLBACK viewOpen(voidpf opaque, const void *filename, int mode)
{
    const ViewSpec &spec = *static_cast<const ViewSpec *>(opaque);
    voidpf inner = spec.inner.zopen64_file(spec.inner.opaque, filename, mode);
    if (!inner)
        return nullptr;
    return new ViewStream{spec, inner, 0};
}

uLong ZCALLBACK viewRead(voidpf, voidpf stream, void *buf, uLong size)
{
    auto *s = static_cast<ViewStream *>(stream);
    const ViewSpec &v = s->spec;
    auto *out = static_cast<unsigned char *>(buf);
    const uint64_t total = v.shift + v.length;
    uLong done = 0;
    while (s->pos < v.shift && done < size && s->pos < total) {
        out[done++] = 0;
        ++s->pos;
    }
    if (done < size && s->pos < total) {
        const uint64_t want = std::min<uint64_t>(size - done, total - s->pos);
        const uint64_t from = s->pos - v.shift;
        if (v.inner.zseek64_file(v.inner.opaque, s->inner, from, ZLIB_FILEFUNC_SEEK_SET) != 0)
            return done;
        uLong got = v.inner.zread_file(v.inner.opaque, s->inner, out + done, static_cast<uLong>(want));
        if (v.patch)
            for (uint64_t i = 0; i < 2; ++i)
                if (v.patchAt + i >= from && v.patchAt + i < from + got)
                    out[done + (v.patchAt + i - from)] = 0;
        s->pos += got;
        done += got;
    }
    return done;
}

uLong ZCALLBACK viewWrite(voidpf, voidpf, const void *, uLong) { return 0; }

ZPOS64_T ZCALLBACK viewTell(voidpf, voidpf stream) { return static_cast<ViewStream *>(stream)->pos; }

long ZCALLBACK viewSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<ViewStream *>(stream);
    const uint64_t total = s->spec.shift + s->spec.length;
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->pos : total;
    s->pos = base + offset;
    return 0;
}

int ZCALLBACK viewClose(voidpf, voidpf stream)
{
    auto *s = static_cast<ViewStream *>(stream);
    int r = s->spec.inner.zclose_file(s->spec.inner.opaque, s->inner);
    delete s;
    return r;
}

int ZCALLBACK viewError(voidpf, voidpf stream)
{
    auto *s = static_cast<ViewStream *>(stream);
    return s->spec.inner.zerror_file(s->spec.inner.opaque, s->inner);
}

} // namespace

EngineContext &context()
{
    static EngineContext c;
    return c;
}

void resetEngineContext()
{
    EngineContext &c = context();
    // An archive still being written is abandoned, not committed half made.
    c.writer.stopped = true;
    closeArchives();
    c.state = EngineState{};
    c.lastError = LastError{};
    c.threads = 0;
    c.io = nullptr;
    c.writer = WriterExtra{};
    c.readerPath.clear();
    c.lastEntry = LastEntry{};
    c.listing = Listing{};
    c.umask = static_cast<uint32_t>(fs::currentUmask());
    // The slot's destination folder is left open: a callback may reset the
    // engine in the middle of extractCurrentEntry, which still writes
    // through it. Closing the reader slot above has already made it stale
    // (its serial no longer matches), so it is never used again. The name
    // and extra buffers keep their room: they are refilled before each use.
}

EngineState &state() { return context().state; }

WriterExtra &writerExtra() { return context().writer; }

int32_t setLastError(int32_t code, int sysErrno, std::string text)
{
    LastError &e = context().lastError;
    e.code = code;
    e.sysErrno = sysErrno;
    e.text = std::move(text);
    return code;
}

int32_t &threadSetting() { return context().threads; }

int compressorThreads()
{
    if (threadSetting() > 0)
        return threadSetting();
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

ScratchBuffer::ScratchBuffer(size_t size) : data_(nullptr), size_(size)
{
    ScratchPool &p = context().pool;
    for (int i = 0; i < 4; ++i) {
        if (!p.used[i]) {
            p.used[i] = true;
            slot_ = i;
            if (p.buffers[i].size() < size)
                p.buffers[i].resize(size);
            data_ = p.buffers[i].data();
            return;
        }
    }
    own_.resize(size);
    data_ = own_.data();
}

ScratchBuffer::~ScratchBuffer()
{
    if (slot_ >= 0)
        context().pool.used[slot_] = false;
}

uint64_t handleGeneration() { return context().generation; }

zlib_filefunc64_def archiveIo() { return baseIo(); }

std::string &readerPath() { return context().readerPath; }

uint64_t &readerSerial() { return context().readerSerial; }

const HandleInfo *handleInfo(unzFile uf)
{
    const auto &handles = context().handles;
    auto it = handles.find(uf);
    return it == handles.end() ? nullptr : it->second.get();
}

void closeUnz(unzFile uf)
{
    if (!uf)
        return;
    context().handles.erase(uf);
    unzClose(uf);
}

void UnzCloser::operator()(void *f) const { closeUnz(static_cast<unzFile>(f)); }

unzFile openUnz(const std::string &path)
{
    ++context().generation;
    zlib_filefunc64_def io = baseIo();
    auto info = std::make_unique<HandleInfo>();
    voidpf f = io.zopen64_file(io.opaque, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!f)
        return nullptr;
    int32_t refused = 0;
    if (locateEndRecord(io, f, info->layout)) {
        const ArchiveLayout &l = info->layout;
        if (scanCentralDirectory(io, f, l, info->records) != 0)
            refused = kErrBadArchive;
        else if (entriesOverlap(info->records, l.cdStart - l.prefix))
            refused = kErrOverlap;
    }
    io.zclose_file(io.opaque, f);
    if (refused) {
        setLastError(refused, 0,
                     refused == kErrOverlap ? "entries of the archive share or overlap their data: refused"
                                            : "the central directory of the archive is damaged");
        return nullptr;
    }

    const ArchiveLayout &l = info->layout;
    unzFile uf = nullptr;
    const bool clean = l.found && l.lastSignature && l.endPos + 22 + l.commentLength == l.fileSize && l.endPos > 0;
    if (!l.found || clean) {
        uf = unzOpen2_64(path.c_str(), &io);
    } else {
        ViewSpec spec;
        spec.inner = io;
        spec.shift = l.endPos == 0 ? 4 : 0;
        spec.length = l.endPos + 22;
        spec.patchAt = l.endPos + 20;
        spec.patch = l.commentLength != 0;
        zlib_filefunc64_def view{viewOpen, viewRead, viewWrite, viewTell, viewSeek, viewClose, viewError, &spec};
        uf = unzOpen2_64(path.c_str(), &view);
    }
    if (uf)
        context().handles[uf] = std::move(info);
    return uf;
}

zipFile openZip(const std::string &path, int append)
{
    if (const zlib_filefunc64_def *table = context().io) {
        zlib_filefunc64_def io = *table;
        return zipOpen2_64(path.c_str(), append, nullptr, &io);
    }
    if (append == APPEND_STATUS_CREATE) {
        zlib_filefunc64_def io{writeOpen, writeRead, writeWrite, writeTell, writeSeek, writeClose, writeError, nullptr};
        return zipOpen2_64(path.c_str(), append, nullptr, &io);
    }
    return zipOpen64(path.c_str(), append);
}

int32_t reportProgress(const std::string &fileName, float percent)
{
    const ProgressCallback &cb = state().progressCallback;
    return cb ? cb(fileName, percent) : 0;
}

} // namespace detail

void setArchiveIo(const zlib_filefunc64_def *io) { detail::context().io = io; }

const LastError &lastError() { return detail::context().lastError; }

const EngineState &engineState() { return detail::state(); }

int32_t initEngine()
{
    detail::resetEngineContext();
    return 0;
}

int32_t setProgressCallback(ProgressCallback callback)
{
    detail::state().progressCallback = std::move(callback);
    return 0;
}

int32_t setCompressionMethod(int32_t method)
{
    if (method == 0 || method == 8)
        detail::state().compressionMethod = method;
    return 0;
}

int32_t setPassword(const std::string &password)
{
    EngineState &s = detail::state();
    s.password = password;
    s.passwordSet = !password.empty();
    return 0;
}

int32_t setEncryption(Encryption encryption)
{
    detail::state().encryption = encryption;
    return 0;
}

} // namespace zarvon::engine
