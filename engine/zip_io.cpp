#include "engine/zip_io.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/fs.h"

namespace zarvon::engine::detail {

namespace {

// What the three streams share: a position that seeks only move (the next
// read or write goes there), the end a seek from the end counts from, a
// fault flag, and the release of what the stream holds.
struct Stream {
    uint64_t pos = 0;
    virtual ~Stream() = default;
    virtual uint64_t end() const = 0;
    virtual bool failed() const = 0;
    // Releases the file; 0 when everything written reached it.
    virtual int finish() = 0;
};

ZPOS64_T ZCALLBACK streamTell(voidpf, voidpf stream) { return static_cast<Stream *>(stream)->pos; }

long ZCALLBACK streamSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<Stream *>(stream);
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->pos : s->end();
    s->pos = base + offset;
    return 0;
}

int ZCALLBACK streamClose(voidpf, voidpf stream)
{
    auto *s = static_cast<Stream *>(stream);
    const int r = s->finish();
    delete s;
    return r;
}

int ZCALLBACK streamError(voidpf, voidpf stream) { return static_cast<Stream *>(stream)->failed() ? 1 : 0; }

uLong ZCALLBACK noWrite(voidpf, voidpf, const void *, uLong) { return 0; }

// Archives are read through positioned reads and a buffer of our own:
// minizip seeks before nearly every read, and through stdio each of those
// seeks and tells is a system call, which dominated the extraction of many
// small entries.
struct ReadStream final : Stream {
    // Two windows: minizip alternates between the central directory and the
    // entries' local headers and data, and each keeps its own window.
    struct Window {
        uint64_t start = 0;
        size_t len = 0;
        uint64_t lastUse = 0;
        unsigned char data[16 * 1024];
    };
    int fd = -1;
    uint64_t size = 0;
    uint64_t clock = 0;
    bool readFailed = false;
    Window windows[2];

    uint64_t end() const override { return size; }
    bool failed() const override { return readFailed; }
    int finish() override { return fs::closeFd(fd); }
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
    return static_cast<Stream *>(s);
}

uLong ZCALLBACK readRead(voidpf, voidpf stream, void *buf, uLong size)
{
    auto *s = static_cast<ReadStream *>(static_cast<Stream *>(stream));
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
            s->readFailed = true;
        break;
    }
    return done;
}

// Archives are written through one large buffer of our own, which also
// takes minizip's step back to each entry's local header (to fill in its
// CRC and sizes) without a system call while that header is still in the
// buffer: through stdio every entry cost two seeks and two writes, which
// dominated the creation of archives of many small files. Only positioned
// writes are used, so a step back never needs a seek.
struct WriteStream final : Stream {
    int fd = -1;
    std::vector<unsigned char> buf;
    uint64_t bufStart = 0; // file offset of buf[0]
    size_t bufLen = 0;     // bytes of buf holding data
    uint64_t written = 0;  // size of the file as written so far
    bool writeFailed = false;

    bool flush()
    {
        if (!fs::pwriteAll(fd, buf.data(), bufLen, bufStart)) {
            writeFailed = true;
            return false;
        }
        bufStart += bufLen;
        bufLen = 0;
        return true;
    }

    uint64_t end() const override { return written; }
    bool failed() const override { return writeFailed; }
    int finish() override
    {
        const bool flushed = flush();
        const int r = fs::closeFd(fd);
        return flushed && r == 0 ? 0 : -1;
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
    return static_cast<Stream *>(s);
}

uLong ZCALLBACK writeWrite(voidpf, voidpf stream, const void *data, uLong size)
{
    auto *s = static_cast<WriteStream *>(static_cast<Stream *>(stream));
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
        s->written = std::max(s->written, s->pos);
        done += static_cast<uLong>(n);
    }
    return done;
}

uLong ZCALLBACK writeRead(voidpf, voidpf stream, void *data, uLong size)
{
    auto *s = static_cast<WriteStream *>(static_cast<Stream *>(stream));
    if (!s->flush())
        return 0;
    ssize_t n = fs::preadFull(s->fd, static_cast<unsigned char *>(data), size, s->pos);
    if (n <= 0)
        return 0;
    s->pos += static_cast<uint64_t>(n);
    return static_cast<uLong>(n);
}

// The view's stream keeps its own copy of the description, so the table may
// go once minizip has opened it.
struct ViewStream final : Stream {
    ArchiveView spec;
    voidpf inner = nullptr;

    uint64_t end() const override { return spec.shift + spec.length; }
    bool failed() const override { return spec.inner.zerror_file(spec.inner.opaque, inner) != 0; }
    int finish() override { return spec.inner.zclose_file(spec.inner.opaque, inner); }
};

voidpf ZCALLBACK viewOpen(voidpf opaque, const void *filename, int mode)
{
    const ArchiveView &spec = *static_cast<const ArchiveView *>(opaque);
    voidpf inner = spec.inner.zopen64_file(spec.inner.opaque, filename, mode);
    if (!inner)
        return nullptr;
    auto *s = new ViewStream;
    s->spec = spec;
    s->inner = inner;
    return static_cast<Stream *>(s);
}

uLong ZCALLBACK viewRead(voidpf, voidpf stream, void *buf, uLong size)
{
    auto *s = static_cast<ViewStream *>(static_cast<Stream *>(stream));
    const ArchiveView &v = s->spec;
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

} // namespace

zlib_filefunc64_def fileReadingIo()
{
    return {readOpen, readRead, noWrite, streamTell, streamSeek, streamClose, streamError, nullptr};
}

zlib_filefunc64_def fileCreatingIo()
{
    return {writeOpen, writeRead, writeWrite, streamTell, streamSeek, streamClose, streamError, nullptr};
}

zlib_filefunc64_def viewIo(const ArchiveView &view)
{
    return {viewOpen, viewRead, noWrite, streamTell, streamSeek, streamClose, streamError,
            const_cast<ArchiveView *>(&view)};
}

} // namespace zarvon::engine::detail
