#include "engine/internal.h"
#include "engine/zip_io.h"
#include "engine/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <cerrno>
#include <cstring>

namespace zarvon::engine {

namespace detail {

namespace {

const zlib_filefunc64_def *g_io = nullptr;

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
    int fd = ::open(static_cast<const char *>(filename), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto *s = new ReadStream;
    s->fd = fd;
    s->size = static_cast<uint64_t>(st.st_size);
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
            got = ::pread(s->fd, out + done, size - done, static_cast<off_t>(s->pos));
            if (got > 0) {
                done += static_cast<uLong>(got);
                s->pos += static_cast<uint64_t>(got);
                continue;
            }
        } else {
            ReadStream::Window &w =
                s->windows[0].lastUse <= s->windows[1].lastUse ? s->windows[0] : s->windows[1];
            got = ::pread(s->fd, w.data, sizeof w.data, static_cast<off_t>(s->pos));
            if (got > 0) {
                w.start = s->pos;
                w.len = static_cast<size_t>(got);
                w.lastUse = ++s->clock;
                continue;
            }
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            s->failed = true;
        break;
    }
    return done;
}

uLong ZCALLBACK readWrite(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK readTell(voidpf, voidpf stream)
{
    return static_cast<ReadStream *>(stream)->pos;
}

long ZCALLBACK readSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<ReadStream *>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->pos : s->size;
    s->pos = base + offset;
    return 0;
}

int ZCALLBACK readClose(voidpf, voidpf stream)
{
    auto *s = static_cast<ReadStream *>(stream);
    int r = ::close(s->fd);
    delete s;
    return r;
}

int ZCALLBACK readError(voidpf, voidpf stream)
{
    return static_cast<ReadStream *>(stream)->failed ? 1 : 0;
}

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
    uint64_t end = 0;      // size of the file as written so far
    bool failed = false;

    bool flush()
    {
        size_t done = 0;
        while (done < bufLen) {
            ssize_t n = ::pwrite(fd, buf.data() + done, bufLen - done, static_cast<off_t>(bufStart + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failed = true;
                return false;
            }
            done += static_cast<size_t>(n);
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
    int fd = ::open(static_cast<const char *>(filename), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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

ZPOS64_T ZCALLBACK writeTell(voidpf, voidpf stream)
{
    return static_cast<WriteStream *>(stream)->pos;
}

long ZCALLBACK writeSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<WriteStream *>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->pos : s->end;
    s->pos = base + offset;
    return 0;
}

int ZCALLBACK writeClose(voidpf, voidpf stream)
{
    auto *s = static_cast<WriteStream *>(stream);
    bool ok = s->flush();
    int r = ::close(s->fd);
    delete s;
    return ok && r == 0 ? 0 : -1;
}

int ZCALLBACK writeError(voidpf, voidpf stream)
{
    return static_cast<WriteStream *>(stream)->failed ? 1 : 0;
}

// The table archives are read through; it opens files for reading only.
zlib_filefunc64_def baseIo()
{
    if (g_io)
        return *g_io;
    return {readOpen, readRead, readWrite, readTell, readSeek, readClose, readError, nullptr};
}

// minizip takes an end-of-central-directory record found at offset 0 for
// "not found", so an empty archive (nothing but that record) would not
// open. Such a file is read through this table, which shows it behind four
// zero bytes; minizip counts them as data before the archive.
constexpr ZPOS64_T kShift = 4;

struct ShiftedStream {
    voidpf inner;
    ZPOS64_T pos;
};

zlib_filefunc64_def &shiftedBase()
{
    static zlib_filefunc64_def base;
    return base;
}

voidpf ZCALLBACK shiftedOpen(voidpf, const void *filename, int mode)
{
    zlib_filefunc64_def &b = shiftedBase();
    voidpf inner = b.zopen64_file(b.opaque, filename, mode);
    if (!inner)
        return nullptr;
    return new ShiftedStream{inner, 0};
}

uLong ZCALLBACK shiftedRead(voidpf, voidpf stream, void *buf, uLong size)
{
    zlib_filefunc64_def &b = shiftedBase();
    auto *s = static_cast<ShiftedStream *>(stream);
    uLong done = 0;
    auto *out = static_cast<unsigned char *>(buf);
    while (s->pos < kShift && done < size) {
        out[done++] = 0;
        ++s->pos;
    }
    if (done < size) {
        uLong got = b.zread_file(b.opaque, s->inner, out + done, size - done);
        s->pos += got;
        done += got;
    }
    return done;
}

uLong ZCALLBACK shiftedWrite(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK shiftedTell(voidpf, voidpf stream)
{
    return static_cast<ShiftedStream *>(stream)->pos;
}

long ZCALLBACK shiftedSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    zlib_filefunc64_def &b = shiftedBase();
    auto *s = static_cast<ShiftedStream *>(stream);
    ZPOS64_T target;
    if (origin == ZLIB_FILEFUNC_SEEK_SET) {
        target = offset;
    } else if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
        target = s->pos + offset;
    } else {
        if (b.zseek64_file(b.opaque, s->inner, 0, ZLIB_FILEFUNC_SEEK_END) != 0)
            return -1;
        target = b.ztell64_file(b.opaque, s->inner) + kShift + offset;
    }
    ZPOS64_T innerPos = target > kShift ? target - kShift : 0;
    if (b.zseek64_file(b.opaque, s->inner, innerPos, ZLIB_FILEFUNC_SEEK_SET) != 0)
        return -1;
    s->pos = target;
    return 0;
}

int ZCALLBACK shiftedClose(voidpf, voidpf stream)
{
    zlib_filefunc64_def &b = shiftedBase();
    auto *s = static_cast<ShiftedStream *>(stream);
    int r = b.zclose_file(b.opaque, s->inner);
    delete s;
    return r;
}

int ZCALLBACK shiftedError(voidpf, voidpf stream)
{
    zlib_filefunc64_def &b = shiftedBase();
    return b.zerror_file(b.opaque, static_cast<ShiftedStream *>(stream)->inner);
}

bool startsWithEndRecord(zlib_filefunc64_def &io, const std::string &path)
{
    voidpf f = io.zopen64_file(io.opaque, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!f)
        return false;
    unsigned char sig[4] = {};
    uLong got = io.zread_file(io.opaque, f, sig, 4);
    io.zclose_file(io.opaque, f);
    return got == 4 && sig[0] == 'P' && sig[1] == 'K' && sig[2] == 5 && sig[3] == 6;
}

} // namespace

EngineState &state()
{
    static EngineState s;
    return s;
}

WriterExtra &writerExtra()
{
    static WriterExtra w;
    return w;
}

int32_t &threadSetting()
{
    static int32_t threads = 0;
    return threads;
}

int compressorThreads()
{
    if (threadSetting() > 0)
        return threadSetting();
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

namespace {
uint64_t g_generation = 0;

struct Pool {
    std::vector<unsigned char> buffers[4];
    bool used[4] = {};
};

Pool &pool()
{
    static Pool p;
    return p;
}
} // namespace

ScratchBuffer::ScratchBuffer(size_t size) : data_(nullptr), size_(size)
{
    Pool &p = pool();
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
        pool().used[slot_] = false;
}

uint64_t handleGeneration()
{
    return g_generation;
}

zlib_filefunc64_def archiveIo()
{
    return baseIo();
}

std::string &readerPath()
{
    static std::string p;
    return p;
}

uint64_t &readerSerial()
{
    static uint64_t serial = 0;
    return serial;
}

unzFile openUnz(const std::string &path)
{
    ++g_generation;
    zlib_filefunc64_def io = baseIo();
    unzFile uf = unzOpen2_64(path.c_str(), &io);
    if (uf || !startsWithEndRecord(io, path))
        return uf;
    shiftedBase() = io;
    zlib_filefunc64_def shifted{shiftedOpen, shiftedRead, shiftedWrite, shiftedTell,
                                shiftedSeek, shiftedClose, shiftedError, nullptr};
    return unzOpen2_64(path.c_str(), &shifted);
}

zipFile openZip(const std::string &path, int append)
{
    if (g_io) {
        zlib_filefunc64_def io = *g_io;
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

void setArchiveIo(const zlib_filefunc64_def *io)
{
    detail::g_io = io;
}

const EngineState &engineState()
{
    return detail::state();
}

int32_t initEngine()
{
    // An archive still being written is abandoned, not committed half made.
    detail::writerExtra().stopped = true;
    closeArchives();
    EngineState &s = detail::state();
    s.compressionMethod = 8;
    s.passwordSet = false;
    s.password.clear();
    s.progressCallback = nullptr;
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

} // namespace zarvon::engine
